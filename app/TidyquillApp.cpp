#include "app/TidyquillApp.h"

#include "app/CommandLine.h"

#include "catalogue/FolderHelpers.h"
#include "engine/LogOutput.h"
#include "engine/Optimization.h"
#include "engine/RunningPrograms.h"
#include "platform/Console.h"
#include "platform/KnownFolders.h"
#include "platform/System.h"
#include "support/CrashReport.h"

#include <algorithm>

namespace {

// The program's main icon, shown by the crash report's message box.
constexpr int kMainIconId = 128;
// Where crash reports are mailed.
constexpr const char* kSupportAddress = "support@quartzmoore.com";

void Log(const std::string& text) {
    GetLogOutput().Log(text, 0);
}

} // namespace

CTidyquillApp::CTidyquillApp(int argc, const char* const* argv) : CWinAppExtended("Tidyquill", argc, argv) {
    preferences_.LoadPreferencesDocument(preferences_.GetPreferencesPath());
}

CTidyquillApp::~CTidyquillApp() = default;

int CTidyquillApp::RunProcess(int argc, const char* const* argv, MainWindowFunction mainWindow) {
    CTidyquillApp app(argc, argv);
    app.mainWindow_ = std::move(mainWindow);
    app.InitInstance();
    app.SavePreferences();
    return app.GetExitCode();
}

bool CTidyquillApp::SavePreferences() {
    // A second copy stops before the catalogue is built and leaves the file to the copy that runs.
    return !catalogueBuilt_ || preferences_.SavePreferencesDocument();
}

bool CTidyquillApp::InitInstance() {
    SetInstanceMutexName("TIDYQUILLMUTEX");
    ConfigureCrashReport();
    if (IsAlreadyRunning(true)) {
        // A Windows copy has woken the first one's window; a Linux copy has no window to wake, so it says why it
        // does nothing. Either way nothing else happens, also when arguments were given.
        if (!platform::kWindows)
            platform::WriteErrorLine("Tidyquill is already running.");
        exitCode_ = GetArgCount() > 1 ? 1 : 0;
        return true;
    }
    CWinAppExtended::InitInstance();

    catalogue_ = BuildCatalogue(platform::QueryKnownFolders());
    catalogueBuilt_ = true;
    preferences_.LoadProfiles(catalogue_);

    if (!RunCommandLine())
        RunMainWindow();
    return false;
}

void CTidyquillApp::ConfigureCrashReport() {
    SetCrashReportIconId(kMainIconId);
    SetCrashReportAppName("Tidyquill");
    SetCrashReportAppVersion(GetAppVersionString());
    SetCrashReportEmail(kSupportAddress);
    InstallCrashHandler();
}

bool CTidyquillApp::RunCommandLine() {
    if (GetArgCount() < 2)
        return false;

    // Each argument's profiles go to the front, so the last argument's profiles are optimized first.
    std::vector<CBrowserProfile*> selection;
    for (int i = 1; i < GetArgCount(); ++i) {
        const std::vector<CBrowserProfile*> profiles = ParseProfileArgument(GetArg(i));
        selection.insert(selection.begin(), profiles.begin(), profiles.end());
    }
    exitCode_ = 1;
    if (selection.empty()) {
        Log("Error: invalid command line syntax, please run Tidyquill to learn more about its command line");
        return true;
    }

    std::vector<CBrowser*> programs;
    for (CBrowserProfile* profile : selection)
        if (std::find(programs.begin(), programs.end(), profile->GetProgram()) == programs.end())
            programs.push_back(profile->GetProgram());
    if (!FindRunningPrograms(programs).empty()) {
        Log("Error: some related programs are still running. Please terminate them before running Tidyquill.");
        return true;
    }

    if (RunOptimization(selection, nullptr, nullptr))
        exitCode_ = 0;
    return true;
}

std::vector<CBrowserProfile*> CTidyquillApp::ParseProfileArgument(const std::string& argument) {
    return ::ParseProfileArgument(catalogue_, argument);
}

void CTidyquillApp::RunMainWindow() {
    if (mainWindow_) {
        exitCode_ = mainWindow_(*this);
        return;
    }
    // The Linux build has only the command line: without arguments it says how to use it.
    std::string programs;
    for (const auto& program : catalogue_.Programs()) {
        const std::string name = program->GetName();
        programs += (programs.empty() ? "" : ", ") + (name.find(' ') == std::string::npos ? name : '"' + name + '"');
    }
    for (const std::string& line :
         {std::string("Usage: tidyquill /<program>:<profile> [/<program>:<profile> ...]"),
          std::string("  <profile>: a profile name, the keyword all, or a profile folder"), "  <program>: " + programs,
          std::string("  Example: tidyquill /Firefox:all /Chrome:Default")})
        platform::WriteConsoleLine(line);
}
