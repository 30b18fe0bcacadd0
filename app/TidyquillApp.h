#pragma once
// The application object: owns the catalogue and the preferences, and decides at start-up how the process runs:
// as a second copy that only wakes the first, as an unattended command-line run, or (Windows) as the main window.

#include "app/Preferences.h"
#include "catalogue/Catalogue.h"
#include "support/AppBase.h"

#include <functional>
#include <string>
#include <vector>

class CTidyquillApp : public CWinAppExtended {
public:
    // On Windows argc and argv are not used (the base splits the process's own command line). The preferences file
    // is read by InitInstance, once this copy knows that it is the only one.
    CTidyquillApp(int argc, const char* const* argv);
    ~CTidyquillApp() override;

    // The graphical mode, supplied by the Windows program. Without it (Linux) a start without arguments prints the
    // usage text.
    struct WindowMode {
        // Runs the main window until it closes and answers the exit status.
        std::function<int(CTidyquillApp&)> run;
        // Tells the user that the preferences could not be written to the file at path (the window has no console
        // to say it on).
        std::function<void(const std::string& path)> reportUnsavedPreferences;
    };

    // The whole life of the process: the application object is made and started, and, when start-up got as far as
    // the catalogue, the preferences are written back as the last step; answers the exit status.
    static int RunProcess(int argc, const char* const* argv, WindowMode window = {});

    // Start-up: the instance check, then the preferences file, the catalogue with the preferences applied, then the
    // command line or the main window. Answers true only for a second copy, which has done nothing but wake the
    // first (and has not read the file, which the first copy may be writing).
    bool InitInstance() override;

    // Runs the command-line mode when the process has arguments: parses them, refuses while a related program
    // runs (naming each of its processes), and optimizes the selection. False when there are no arguments.
    bool RunCommandLine();

    // The profiles named by one argument ("/<program>:<profile name>", "/<program>:all" or
    // "/<program>:<profile folder>"); reports its own errors through the log channel.
    std::vector<CBrowserProfile*> ParseProfileArgument(const std::string& argument);

    // The process's exit status (ExitStatus): 0 when a command-line run completed and compacted every selected
    // file, when only the usage text or the version was asked for, or when nothing was asked for; 1 when nothing
    // was optimized (no valid selection, a related program running, another copy running) or the run did not
    // complete; 2 when the run completed but an argument selected nothing or a file was not compacted.
    int GetExitCode() const { return exitCode_; }

    // Writes the preferences document to its file; false when it could not be written. Does nothing for a copy
    // that stopped before the catalogue was built (the file belongs to the copy that runs).
    bool SavePreferences();

    Catalogue& GetCatalogue() { return catalogue_; }
    PreferencesDocument& GetPreferences() { return preferences_; }

private:
    // Fills in the crash report's icon, name, version and support address and installs its handler (on Windows;
    // Linux keeps the system's own crash handling).
    void ConfigureCrashReport();
    // Prints the usage text or the version, or runs the analysis, when an argument asks for it (before anything else
    // happens, also while another copy runs); false when none does.
    bool AnswerInfoRequest();
    // The graphical mode through the supplied function; without one, a short usage text.
    void RunMainWindow();

    WindowMode window_;
    Catalogue catalogue_;
    PreferencesDocument preferences_;
    int exitCode_ = 0;
    bool catalogueBuilt_ = false;
    bool commandLineRan_ = false;
    bool windowRan_ = false;
};
