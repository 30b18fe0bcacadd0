#pragma once
// The application itself: its settings folder, the single running copy, its own file and version, and the
// crash handler.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// Where the application keeps its own files.

// The folder for the application's settings, without a trailing separator; empty when the user's folders are
// unknown. Windows: the roaming application-data folder, then company and product (for example
// "C:\Users\Zoe\AppData\Roaming\Quartzmoore Software\Tidyquill"). Linux: the configuration folder
// ($XDG_CONFIG_HOME, else ~/.config), then the product name in lower case (".../tidyquill"). The folder is not
// created here.
std::string GetAppSettingsFolder(const std::string& company, const std::string& product);

// What the single-instance check needs from the system: a named marker of the running instance, a named wake-up
// signal from a second copy to the first, and bringing a window to the front.
//
// Windows has named kernel objects for both. Linux has neither: the marker is an exclusive lock on a file named
// after it, and there is no wake-up signal, because a Linux copy has no window to wake.

// A named, system-wide marker that exists while some object holds it. Windows: a named mutex, created not owned,
// not inheritable. Linux: an exclusive flock on "<name>.lock" in $XDG_RUNTIME_DIR, or else in a folder of this
// user's own under the temporary folder. The kernel drops the lock when its holder ends, however it ends, and a
// file left behind does not count as a holder.
class InstanceMutex {
public:
    InstanceMutex();
    ~InstanceMutex();
    InstanceMutex(const InstanceMutex&) = delete;
    InstanceMutex& operator=(const InstanceMutex&) = delete;

    // Creates the marker, or opens it when it exists, and keeps it until destruction. Answers true when another
    // holder (another process, or another object of this one) had it already. Failing to create it answers false.
    bool CreateAndCheckExisting(const std::string& name);

private:
    struct State;
    std::unique_ptr<State> state_;
};

// A named wake-up signal with automatic reset, which a second instance sets and the first one waits for.
// Windows only: elsewhere Create fails and Signal finds nothing, which is what a missing event means to the
// single-instance check.
class InstanceEvent {
public:
    InstanceEvent();
    ~InstanceEvent();
    InstanceEvent(const InstanceEvent&) = delete;
    InstanceEvent& operator=(const InstanceEvent&) = delete;

    // Creates the named event, not signalled. False when the system cannot (or has no such object).
    bool Create(const std::string& name);
    bool IsValid() const;

    // Waits without time-out until the event is signalled (true) or Cancel is called (false). After a
    // cancellation every later wait answers false at once.
    bool Wait();
    // Ends the current and every later Wait; may be called from any thread.
    void Cancel();

    // Opens the existing event of that name with full access, signals it once and closes it. False when no
    // such event exists. Before it signals, it lets the process that created the event take the foreground:
    // Windows refuses SetForegroundWindow to a process in the background unless the foreground process allows it
    // (Wine lets anyone take it).
    static bool SignalExisting(const std::string& name);

    // The id of the process that created the event of that name, as Create recorded it beside the event; none when
    // no such event exists (always on Linux).
    static std::optional<std::uint64_t> OwnerProcessId(const std::string& name);

private:
    struct State;
    std::unique_ptr<State> state_;
};

// Whether window (a window handle on Windows) still names an existing window. Always false elsewhere.
bool WindowExists(void* window);

// Brings a window to the user: a minimized one is restored through its placement; then the window, or the modal
// dialog it has open (About, a warning: the window itself is disabled behind it), is brought to the top and made
// the foreground window. Does nothing when its placement cannot be read, and nothing on Linux.
void ActivateMainWindow(void* window);

// Where the running program's file is.

// The full path of a loaded module (a module handle on Windows; the running program for none), of any length;
// empty on failure. On Linux only the running program can be asked (through /proc/self/exe): any other module
// gives an empty path.
std::string GetModuleFilePath(const void* module);

// The version resource of a program file: the strings of its first translation.

// The three strings the application reads, as stored (not trimmed); each none when the resource lacks it.
struct VersionStrings {
    std::optional<std::string> fileDescription;
    std::optional<std::string> companyName;
    std::optional<std::string> fileVersion;
};

// The strings of the first translation named in the file's "\VarFileInfo\Translation". None when the file has no
// version resource, or one without a translation table. Linux files carry no version resource: always none there.
std::optional<VersionStrings> ReadVersionResource(const std::string& path);

// The same for the running program. On Linux, whose executables carry no resource, these are the strings the
// build gave the program (the same that the Windows build writes into its resource).
std::optional<VersionStrings> ReadRunningProgramVersion();

// The process's last line of defence against a fault that nothing handles: on Windows an unhandled-exception filter
// that writes a minidump of the process, runs a step of the caller's (the report), and ends the process with exit
// code 1. What the dump is named and what the step does are the caller's.

struct CrashHandlerSteps {
    // The dump file's name, without a folder; asked when a fault happens.
    std::function<std::string()> dumpFileName;
    // Runs on the faulting thread after the dump was written, with its full path.
    std::function<void(const std::string& dumpPath)> afterDump;
};

// Installs the filter and then locks it in place, so that later attempts of any code in the process to replace it
// do nothing. Only the first call installs; false when none could be installed (always on Linux, where the
// system's own crash handling stays).
bool InstallCrashHandler(CrashHandlerSteps steps);

// Reports the calling point as a fault that nothing handled, as the installed handler reports a crash (a dump of
// this thread here, then the caller's step), and ends the process with exit code 1. For failures that the program
// catches where they must not pass (a C++ exception at the edge of a window procedure): the system would swallow
// or end them without a report. The dump's exception code is the one C++ exceptions carry (0xE06D7363). Answers
// false, having done nothing, when no handler is installed or no dump could be written (always on Linux).
bool ReportCrashHere();

// "<major>.<minor>_<architecture>" of the running system, "10.0_x64" for example: on Windows the version that
// GetVersion reports and _x64 or _x86 by the native processor; on Linux the kernel's release and machine.
std::string GetWindowsVersionTag();

// Creates an empty file named fileName in the first of the folders that takes it (replacing a file of that name)
// and answers its full path; empty when none does. The full path is at most 2047 characters. The filter places its
// dump this way in the current folder, else in the user's temporary folder.
std::string CreateDumpFile(const std::string& fileName, const std::vector<std::string>& folders);

} // namespace platform
