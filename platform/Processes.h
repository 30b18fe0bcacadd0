#pragma once
// Processes: the running programs, this process's arguments, and handing work to other programs (opening an
// address with the shell, starting a command line, sending a mail).

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace platform {

// The running processes, as the running-program guard needs them.

struct RunningProcess {
    std::uint64_t id = 0;
    // The full path of the process's executable. Windows: where no path can be read, the executable's file name
    // from the system's process snapshot. Linux: empty when /proc/<pid>/exe cannot be read.
    std::string executable;
    // Linux only: the command name (/proc/<pid>/comm, at most 15 bytes) of a process of this user whose executable
    // cannot be read (the system keeps some, such as sandboxed browser processes, from being inspected).
    std::string commandName;
};

// One entry per running process that this user may inspect, in the order of the system's process list.
// Processes that cannot be inspected are left out; a failed listing gives an empty list.
std::vector<RunningProcess> ListProcesses();

// The full path of the executable of the process with that id, read whole however long it is; fallbackName when
// no path can be read. Windows asks with the limited query right, which this user has even of a program started
// "as administrator", and falls back where even that is refused (a process of another session, say). Linux reads
// /proc/<id>/exe. ListProcesses names every process this way, with the snapshot's file name as the fallback on
// Windows.
std::string ExecutableOfProcess(std::uint64_t id, const std::string& fallbackName);

// The id of this process, as ListProcesses gives it.
std::uint64_t CurrentProcessId();

// The arguments the process was started with.

// Every argument of the process, the program path first, as UTF-8. Windows splits the process's own command line
// by the system's rules (CommandLineToArgvW on GetCommandLineW) and ignores argc and argv, which the C runtime
// would give in the ANSI code page; elsewhere the arguments are argv as given.
std::vector<std::string> GetProcessArguments(int argc, const char* const* argv);

// Every "open this address" of the program (links, the home page, a profile folder, a mail link) goes through here,
// so that tests can replace what happens instead of starting a browser or a mail program.

// What opening an address does: address, verb and parameters in UTF-8 (an empty verb is the system's default one;
// parameters go to a program that the address names, none for a document or a link), owner a window handle or
// none; true when the system accepted the request.
using ShellOpenFunction = std::function<bool(const std::string& address, const std::string& verb, void* owner,
                                             const std::string& parameters)>;

// Asks the system's shell to open the address (Windows: ShellExecuteW, shown normally, success when its result is
// above 32; elsewhere nothing is opened and the answer is false), or the replacement installed for tests.
bool OpenWithShell(const std::string& address, const std::string& verb = {}, void* owner = nullptr,
                   const std::string& parameters = {});

// Replaces the shell for the rest of the process (tests); an empty function restores it. Answers the previous one.
ShellOpenFunction SetShellOpenFunction(ShellOpenFunction replacement);

// The system's mail programs, as the crash report reaches them: Outlook started with a command line when it is the
// mail handler, and the simple mail interface (MAPI). Linux has neither: every answer there is empty or false.

// The path of Outlook when the registered mailto handler's command names outlook.exe (letter case ignored): the
// command up to and including that name, without an opening quote, short folder names made long; else empty.
std::string FindOutlookPath();

// Starts a program with a whole command line (the program first, as the system splits it); true when the process
// was created.
bool StartCommandLine(const std::string& commandLine);

// Opens the mail program's compose window through the simple mail interface: the wide one when the library has
// it (modeless), else the narrow one (texts in the ANSI code page, logging on with a user interface). Empty texts
// are left out. False when there is no MAPI32.DLL, neither function, or the call failed. parent: a window or none.
bool SendMailMapi(void* parent, const std::string& subject, const std::string& body, const std::string& address,
                  const std::string& attachment);

} // namespace platform
