#include "engine/RunningPrograms.h"

#include "catalogue/Browser.h"
#include "platform/Processes.h"
#include "platform/System.h"
#include "support/StringHelpers.h"

namespace {

using NameLists = std::vector<std::vector<std::string>>;

// Windows: whether one of the names occurs anywhere in the executable's path, ignoring case, so that
// C:\x\firefox.exe.old\run.exe belongs to Firefox.
bool PathHoldsOneOf(const std::string& executable, const NameLists& names) {
    for (const std::vector<std::string>& programNames : names)
        for (const std::string& name : programNames)
            if (!name.empty() && FindNoCase(executable, name) != std::string::npos)
                return true;
    return false;
}

// Linux: whether the executable's file name is one of the names, exactly; without a readable executable, whether
// the command name is, as far as the system keeps it (15 bytes). Folders in the path say nothing: /opt/cooperative
// holds no Opera.
bool IsOneOf(const platform::RunningProcess& process, const NameLists& names) {
    const std::string& executable = process.executable;
    const std::string fileName = executable.substr(executable.rfind('/') + 1);
    for (const std::vector<std::string>& programNames : names)
        for (const std::string& name : programNames) {
            if (name.empty())
                continue;
            if (!executable.empty() ? fileName == name : process.commandName == name.substr(0, 15))
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
            if (process.id == self)
                continue;
            const bool belongs = platform::kWindows
                                     ? !process.executable.empty() && PathHoldsOneOf(process.executable, names)
                                     : IsOneOf(process, names);
            if (belongs)
                running.push_back(!process.executable.empty() ? std::move(process.executable)
                                                              : std::move(process.commandName));
        }
    } catch (...) {
        // Only a failed allocation can get here; what was found so far is all the guard can tell.
    }
    return running;
}
