// The Linux program: the command-line mode of Tidyquill.

#include "app/TidyquillApp.h"

int main(int argc, char** argv) {
    return CTidyquillApp::RunProcess(argc, argv);
}
