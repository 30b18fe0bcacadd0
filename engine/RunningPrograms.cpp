#include "engine/RunningPrograms.h"

#include "catalogue/Browser.h"
#include "platform/Processes.h"
#include "platform/System.h"
#include "support/StringHelpers.h"

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

} // namespace

std::vector<std::string> FindRunningPrograms(const std::vector<CBrowser*>& programs) {
    std::vector<std::string> running;
    try {
        NameLists names;
        for (const CBrowser* program : programs)
            if (program != nullptr)
                names.push_back(program->GetProcessNames());
        const std::uint64_t self = platform::CurrentProcessId();
        for (platform::RunningProcess& process : platform::ListProcesses()) {
            // This process is never its own obstacle, wherever it was started from.
            if (process.id == self || !IsOneOf(process, names))
                continue;
            running.push_back(!process.executable.empty() ? std::move(process.executable)
                                                          : std::move(process.commandName));
        }
    } catch (...) {
        // Only a failed allocation can get here; what was found so far is all the guard can tell.
    }
    return running;
}
