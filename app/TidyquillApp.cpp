#include "app/TidyquillApp.h"

#include "app/AnalysisCommand.h"
#include "app/CommandLine.h"

#include "engine/LogOutput.h"
#include "engine/Optimization.h"
#include "engine/RunningPrograms.h"
#include "platform/Console.h"
#include "platform/System.h"
#include "support/CrashReport.h"
#include "support/FolderHelpers.h"

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

CTidyquillApp::CTidyquillApp(int argc, const char* const* argv) : CWinAppExtended("Tidyquill", argc, argv) {}

CTidyquillApp::~CTidyquillApp() = default;

int CTidyquillApp::RunProcess(int argc, const char* const* argv, WindowMode window) {
    CTidyquillApp app(argc, argv);
    app.window_ = std::move(window);
    app.InitInstance();
    if (!app.SavePreferences() && app.windowRan_ && app.window_.reportUnsavedPreferences)
        app.window_.reportUnsavedPreferences(app.preferences_.GetPreferencesPath());
    // Said after the save, which is what keeps the old file; the window has no console to say it on.
    if (app.commandLineRan_ && !app.preferences_.KeptBackupPath().empty())
        Log("Warning: the preferences could not be read and were reset; the old file is kept as " +
            app.preferences_.KeptBackupPath());
    return app.GetExitCode();
}

bool CTidyquillApp::SavePreferences() {
    // A second copy stops before the catalogue is built and leaves the file to the copy that runs.
    return !catalogueBuilt_ || preferences_.SavePreferencesDocument();
}

bool CTidyquillApp::InitInstance() {
    if (AnswerInfoRequest())
        return false;
    SetInstanceMutexName("TIDYQUILLMUTEX");
    ConfigureCrashReport();
    if (IsAlreadyRunning(true)) {
        // The first copy's window has been woken (Windows). A copy started with arguments was asked to do work it
        // will not do, so it says why; a Linux copy has no window to wake, so it says so in any case. Nothing else
        // happens either way.
        if (GetArgCount() > 1 || !platform::kWindows)
            platform::WriteErrorLine("Tidyquill is already running.");
        exitCode_ = GetArgCount() > 1 ? kExitNotRun : kExitCompleted;
        return true;
    }
    CWinAppExtended::InitInstance();

    // Read only now: a copy started while another one was closing would otherwise hold what that one had before it
    // wrote its last changes, and write it back over them.
    preferences_.LoadPreferencesDocument(preferences_.GetPreferencesPath());
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
    commandLineRan_ = true;

    std::vector<std::string> arguments;
    for (int i = 1; i < GetArgCount(); ++i)
        arguments.push_back(GetArg(i));
    const ProfileSelection selection = SelectProfiles(catalogue_, arguments);
    exitCode_ = kExitNotRun;
    if (selection.profiles.empty()) {
        Log("Error: invalid command line syntax, please run Tidyquill to learn more about its command line");
        return true;
    }

    std::vector<CBrowser*> programs;
    for (CBrowserProfile* profile : selection.profiles)
        if (std::find(programs.begin(), programs.end(), profile->GetProgram()) == programs.end())
            programs.push_back(profile->GetProgram());
    const std::vector<std::string> running = FindRunningPrograms(programs);
    if (!running.empty()) {
        Log("Error: some related programs are still running. Please terminate them before running Tidyquill.");
        for (const std::string& executable : running)
            Log("Running: " + executable);
        return true;
    }

    RunSummary summary;
    RunOptimization(selection.profiles, nullptr, nullptr, &summary);
    if (summary.completed)
        exitCode_ = selection.argumentRejected || summary.filesNotCompacted > 0 ? kExitWithWarnings : kExitCompleted;
    return true;
}

bool CTidyquillApp::AnswerInfoRequest() {
    std::vector<std::string> arguments;
    for (int i = 1; i < GetArgCount(); ++i)
        arguments.push_back(GetArg(i));
    switch (FindInfoRequest(arguments)) {
    case InfoRequest::none:
        return false;
    case InfoRequest::usage:
        // The program names come from a catalogue that looks nowhere for profiles.
        for (const std::string& line : UsageLines(BuildCatalogue(platform::KnownFolders())))
            platform::WriteConsoleLine(line);
        break;
    case InfoRequest::version:
        platform::WriteConsoleLine(GetAppName() + " " + GetAppVersionString());
        break;
    case InfoRequest::analyze:
        // Only reads, so it needs neither the single-instance lock nor a save of the preferences afterwards.
        exitCode_ = RunAnalysisCommand(arguments);
        return true;
    }
    exitCode_ = kExitCompleted;
    return true;
}

std::vector<CBrowserProfile*> CTidyquillApp::ParseProfileArgument(const std::string& argument) {
    return ::ParseProfileArgument(catalogue_, argument);
}

void CTidyquillApp::RunMainWindow() {
    if (window_.run) {
        windowRan_ = true;
        exitCode_ = window_.run(*this);
        return;
    }
    // The Linux build has only the command line: without arguments it says how to use it.
    for (const std::string& line : UsageLines(catalogue_))
        platform::WriteConsoleLine(line);
}
