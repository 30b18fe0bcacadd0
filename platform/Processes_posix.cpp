#include "platform/Processes.h"

#include <algorithm>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

// --- Running processes -----------------------------------------------------------------------------------------------

namespace {

bool IsProcessId(const char* name) {
    if (*name == '\0')
        return false;
    for (const char* c = name; *c != '\0'; ++c)
        if (*c < '0' || *c > '9')
            return false;
    return true;
}

// The target of /proc/<pid>/exe; empty for kernel threads, processes of other users, processes the system keeps
// from being inspected and processes that ended. An executable replaced since it started (a package upgrade while
// the browser runs) reads as its path with " (deleted)" after it: that is still the program.
std::string ReadExecutable(const std::string& folder) {
    std::string target(4096, '\0');
    const ssize_t length = readlink((folder + "/exe").c_str(), target.data(), target.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= target.size())
        return {};
    target.resize(static_cast<std::size_t>(length));
    static const std::string kDeleted = " (deleted)";
    if (target.size() > kDeleted.size() &&
        target.compare(target.size() - kDeleted.size(), kDeleted.size(), kDeleted) == 0)
        target.resize(target.size() - kDeleted.size());
    return target;
}

// Whether the process has ended and only waits to be reaped: its files are closed. Its state is the field after
// the command name in parentheses, which may itself hold ") ".
bool HasEnded(const std::string& folder) {
    std::ifstream in(folder + "/stat", std::ios::binary);
    std::string stat;
    std::getline(in, stat);
    const size_t close = stat.rfind(')');
    return close == std::string::npos || close + 2 >= stat.size() || stat[close + 2] == 'Z' || stat[close + 2] == 'X';
}

// The command name of a running process of this user; empty for other users' processes, whose names say nothing
// about this user's profiles, and for ended ones.
std::string ReadOwnCommandName(const std::string& folder) {
    struct stat info {};
    if (stat(folder.c_str(), &info) != 0 || info.st_uid != getuid() || HasEnded(folder))
        return {};
    std::ifstream in(folder + "/comm", std::ios::binary);
    std::string name;
    std::getline(in, name);
    return name;
}

} // namespace

std::vector<RunningProcess> ListProcesses() {
    std::vector<unsigned long> ids;
    {
        const std::unique_ptr<DIR, int (*)(DIR*)> proc(opendir("/proc"), closedir);
        if (!proc)
            return {};
        while (const dirent* entry = readdir(proc.get()))
            if (IsProcessId(entry->d_name))
                ids.push_back(std::strtoul(entry->d_name, nullptr, 10));
    }
    // The system's process list is in process-id order.
    std::sort(ids.begin(), ids.end());

    std::vector<RunningProcess> processes;
    for (const unsigned long pid : ids) {
        const std::string folder = "/proc/" + std::to_string(pid);
        RunningProcess process;
        process.id = pid;
        process.executable = ReadExecutable(folder);
        if (process.executable.empty())
            process.commandName = ReadOwnCommandName(folder);
        if (!process.executable.empty() || !process.commandName.empty())
            processes.push_back(std::move(process));
    }
    return processes;
}

std::string ExecutableOfProcess(std::uint64_t id, const std::string& fallbackName) {
    const std::string executable = ReadExecutable("/proc/" + std::to_string(id));
    return executable.empty() ? fallbackName : executable;
}

std::uint64_t CurrentProcessId() {
    return static_cast<std::uint64_t>(getpid());
}

// --- The process's arguments -----------------------------------------------------------------------------------------

std::vector<std::string> GetProcessArguments(int argc, const char* const* argv) {
    std::vector<std::string> arguments;
    if (argv == nullptr)
        return arguments;
    for (int i = 0; i < argc && argv[i] != nullptr; ++i)
        arguments.emplace_back(argv[i]);
    return arguments;
}

// --- Opening addresses -----------------------------------------------------------------------------------------------

// The Linux build has no window and opens nothing.
bool OpenWithSystemShell(const std::string&, const std::string&, void*, const std::string&) {
    return false;
}

// --- Mail programs ---------------------------------------------------------------------------------------------------

// Linux has no Outlook and no simple mail interface; the report falls back to a mail link.
std::string FindOutlookPath() {
    return {};
}

bool StartCommandLine(const std::string&) {
    return false;
}

bool SendMailMapi(void*, const std::string&, const std::string&, const std::string&, const std::string&) {
    return false;
}

} // namespace platform
