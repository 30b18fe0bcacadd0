// The Windows program. A GUI program: without arguments it will show the main window; with arguments it runs the
// command-line mode and writes its messages to the console it was started from.

#include "app/TidyquillApp.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int exitCode = 1;
    {
        CTidyquillApp app(0, nullptr);
        app.InitInstance();
        exitCode = app.GetExitCode();
    } // the preferences are written back here
    return exitCode;
}
