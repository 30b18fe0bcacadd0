// The Windows program. A GUI program: without arguments it will show the main window; with arguments it runs the
// command-line mode and writes its messages to the console it was started from.

#include "app/TidyquillApp.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // The application object splits the process's own command line.
    return CTidyquillApp::RunProcess(0, nullptr);
}
