#include "engine/RunningPrograms.h"

#include "catalogue/Browser.h"
#include "platform/Processes.h"
#include "platform/System.h"
#include "support/StringHelpers.h"

#include <algorithm>

namespace {

using NameLists = std::vector<std::vector<std::string>>;

// The text after the last separator of an executable's path (the whole text when it is a bare file name, as
// Windows gives for a process whose path cannot be read).
std::string ExecutableFileName(const std::string& executable) {
    size_t start = 0;
    for (size_t i = 0; i < executable.size(); ++i)
        if (platform::IsPathSeparator(executable[i]))
            start = i + 1;
    return executable.substr(start);
}

// Whether the process runs one of the names: its executable's file name is one of them (ignoring letter case on
// Windows, exactly on Linux); without a readable executable, its command name, as far as Linux keeps it (15 bytes).
// Folders in the path say nothing: C:\Tools\notfirefox.exe is no Firefox, C:\x\firefox.exe.old\run.exe neither,
// and /opt/cooperative holds no Opera.
bool IsOneOf(const platform::RunningProcess& process, const NameLists& names) {
    const std::string fileName = ExecutableFileName(process.executable);
    for (const std::vector<std::string>& programNames : names)
        for (const std::string& name : programNames) {
            if (name.empty())
                continue;
            if (process.executable.empty()        ? process.commandName == name.substr(0, 15)
                : platform::kCaseInsensitivePaths ? EqualsNoCase(fileName, name)
                                                  : fileName == name)
                return true;
        }
    return false;
}

// The running processes other than this one, which is never its own obstacle, wherever it was started from.
std::vector<platform::RunningProcess> OtherProcesses() {
    std::vector<platform::RunningProcess> processes = platform::ListProcesses();
    const std::uint64_t self = platform::CurrentProcessId();
    processes.erase(std::remove_if(processes.begin(), processes.end(),
                                   [self](const platform::RunningProcess& process) { return process.id == self; }),
                    processes.end());
    return processes;
}

} // namespace

std::vector<std::string> FindRunningPrograms(const std::vector<CBrowser*>& programs) {
    std::vector<std::string> running;
    try {
        NameLists names;
        for (const CBrowser* program : programs)
            if (program != nullptr)
                names.push_back(program->GetProcessNames());
        for (platform::RunningProcess& process : OtherProcesses()) {
            if (IsOneOf(process, names))
                running.push_back(!process.executable.empty() ? std::move(process.executable)
                                                              : std::move(process.commandName));
        }
    } catch (...) {
        // Only a failed allocation can get here; what was found so far is all the guard can tell.
    }
    return running;
}

std::vector<bool> FindRunningProgramsAmong(const std::vector<CBrowser*>& programs) {
    std::vector<bool> running(programs.size(), false);
    try {
        const std::vector<platform::RunningProcess> processes = OtherProcesses();
        for (std::size_t i = 0; i < programs.size(); ++i) {
            if (programs[i] == nullptr)
                continue;
            const NameLists names = {programs[i]->GetProcessNames()};
            running[i] =
                std::any_of(processes.begin(), processes.end(),
                            [&names](const platform::RunningProcess& process) { return IsOneOf(process, names); });
        }
    } catch (...) {
        // Only a failed allocation can get here; the programs not yet looked at count as not running.
    }
    return running;
}
