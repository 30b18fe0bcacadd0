// The Windows program. A GUI program: without arguments it shows the main window; with arguments it runs the
// command-line mode and writes its messages to the console it was started from.

#include "app/TidyquillApp.h"
#include "platform/Console.h"
#include "support/CrashReport.h"
#include "ui/framework/Window.h"
#include "ui/windows/TidyquillDlg.h"
#include "ui/windows/XMessageBox.h"

#include <windows.h>

#include <cstdlib>
#include <exception>
#include <string>

namespace {

void ReportUnsavedPreferences(const std::string& path) {
    const std::wstring text = L"The check marks and custom profiles could not be saved to\n" + ui::Widen(path) +
                              L"\n\nThey will be as they were at the next start.";
    MessageBoxW(nullptr, text.c_str(), L"Tidyquill", MB_OK | MB_ICONWARNING);
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    try {
        // The crash report, installed early in start-up, shows its message in the program's own box.
        SetCrashMessageBox(ui::ShowCrashMessageBox);
        ui::RegisterCommonControls();
        // The application object splits the process's own command line; without arguments it runs the window.
        return CTidyquillApp::RunProcess(0, nullptr, {ui::RunMainWindow, ReportUnsavedPreferences});
    } catch (const std::exception& error) {
        // With arguments the user looks at a console, without them at the window.
        if (__argc < 2)
            ui::ReportFatalException();
        platform::WriteErrorLine(std::string("Error: ") + error.what());
    } catch (...) {
        if (__argc < 2)
            ui::ReportFatalException();
        platform::WriteErrorLine("Error: unexpected failure");
    }
    return 1;
}
