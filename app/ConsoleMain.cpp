// The Linux program: the command-line mode of Tidyquill.

#include "app/TidyquillApp.h"

int main(int argc, char** argv) {
    int exitCode = 1;
    {
        CTidyquillApp app(argc, argv);
        app.InitInstance();
        exitCode = app.GetExitCode();
    } // the preferences are written back here
    return exitCode;
}
