#include "engine/RunningPrograms.h"

#include "catalogue/Browser.h"
#include "platform/Processes.h"
#include "support/StringHelpers.h"

namespace {

// Whether one of the programs' process names occurs in the path, ignoring case. A name is searched in the whole
// path, not only in its last component, so C:\x\firefox.exe.old\run.exe belongs to Firefox.
bool BelongsToOneOf(const std::string& executable, const std::vector<std::vector<std::string>>& names) {
    for (const std::vector<std::string>& programNames : names)
        for (const std::string& name : programNames)
            if (!name.empty() && FindNoCase(executable, name) != std::string::npos)
                return true;
    return false;
}

} // namespace

std::vector<std::string> FindRunningPrograms(const std::vector<CBrowser*>& programs) {
    std::vector<std::string> running;
    try {
        std::vector<std::vector<std::string>> names;
        for (const CBrowser* program : programs)
            if (program != nullptr)
                names.push_back(program->GetProcessNames());
        for (std::string& executable : platform::ListProcessExecutables())
            if (!executable.empty() && BelongsToOneOf(executable, names))
                running.push_back(std::move(executable));
    } catch (...) {
        // Only a failed allocation can get here; what was found so far is all the guard can tell.
    }
    return running;
}
