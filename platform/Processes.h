#pragma once
// The running processes, as the running-program guard needs them.

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

struct RunningProcess {
    std::uint64_t id = 0;
    // The full path of the process's executable. Windows: where no path can be read and the system lacks the
    // second path query, the executable's file name. Linux: empty when /proc/<pid>/exe cannot be read.
    std::string executable;
    // Linux only: the command name (/proc/<pid>/comm, at most 15 bytes) of a process of this user whose executable
    // cannot be read (the system keeps some, such as sandboxed browser processes, from being inspected).
    std::string commandName;
};

// One entry per running process that this user may inspect, in the order of the system's process list.
// Processes that cannot be inspected are left out; a failed listing gives an empty list.
std::vector<RunningProcess> ListProcesses();

// The id of this process, as ListProcesses gives it.
std::uint64_t CurrentProcessId();

} // namespace platform
