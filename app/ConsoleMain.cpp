// The Linux program: the command-line mode of Tidyquill.

#include "app/TidyquillApp.h"
#include "platform/Console.h"

#include <exception>

int main(int argc, char** argv) {
    try {
        return CTidyquillApp::RunProcess(argc, argv);
    } catch (const std::exception& error) {
        platform::WriteErrorLine(std::string("Error: ") + error.what());
    } catch (...) {
        platform::WriteErrorLine("Error: unexpected failure");
    }
    return 1;
}
