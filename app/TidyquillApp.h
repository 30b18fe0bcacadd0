#pragma once
// The application object: owns the catalogue and the preferences, and decides at start-up how the process runs:
// as a second copy that only wakes the first, as an unattended command-line run, or (Windows) as the main window.

#include "app/Preferences.h"
#include "catalogue/Catalogue.h"
#include "support/AppBase.h"

#include <string>
#include <vector>

class CTidyquillApp : public CWinAppExtended {
public:
    // Reads the preferences file. On Windows argc and argv are not used (the base splits the process's own
    // command line).
    CTidyquillApp(int argc, const char* const* argv);
    // Writes the preferences file back (when start-up got as far as the catalogue), then destroys the catalogue.
    ~CTidyquillApp() override;

    // The whole life of the process: the application object is made, started and destroyed (which writes the
    // preferences back); answers the exit status.
    static int RunProcess(int argc, const char* const* argv);

    // Start-up: the instance check, the catalogue with the preferences applied, then the command line or the main
    // window. Answers true only for a second copy, which has done nothing but wake the first.
    bool InitInstance() override;

    // Runs the command-line mode when the process has arguments: parses them, refuses while a related program
    // runs, and optimizes the selection. False when there are no arguments.
    bool RunCommandLine();

    // The profiles named by one argument ("/<program>:<profile name>", "/<program>:all" or
    // "/<program>:<profile folder>"); reports its own errors through the log channel.
    std::vector<CBrowserProfile*> ParseProfileArgument(const std::string& argument);

    // The process's exit status: 0 when a command-line run completed, or when nothing was asked for; 1 when nothing
    // was optimized (no valid selection, a related program running, another copy running) or the run did not
    // complete.
    int GetExitCode() const { return exitCode_; }

    Catalogue& GetCatalogue() { return catalogue_; }
    PreferencesDocument& GetPreferences() { return preferences_; }

private:
    // Where the crash report would be configured and its handler installed; nothing yet.
    void ConfigureCrashReport() {}
    // The graphical mode. Until it exists the process ends here (on Linux, after a short usage text).
    void RunMainWindow();

    Catalogue catalogue_;
    PreferencesDocument preferences_;
    int exitCode_ = 0;
    bool catalogueBuilt_ = false;
};
