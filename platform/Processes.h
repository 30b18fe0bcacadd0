#pragma once
// The running processes, as the running-program guard needs them.

#include <string>
#include <vector>

namespace platform {

// One entry per running process that this user may inspect, in the order of the system's process list: the full
// path of its executable (on Windows, where no path can be read and the system lacks the second path query, the
// executable's file name). Processes that cannot be inspected are left out; a failed listing gives an empty list.
std::vector<std::string> ListProcessExecutables();

} // namespace platform
