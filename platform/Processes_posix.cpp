#include "platform/Processes.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace platform {

namespace {

bool IsProcessId(const char* name) {
    if (*name == '\0')
        return false;
    for (const char* c = name; *c != '\0'; ++c)
        if (*c < '0' || *c > '9')
            return false;
    return true;
}

// The target of /proc/<pid>/exe; empty for kernel threads, processes of other users and processes that ended.
std::string ReadExecutable(unsigned long pid) {
    const std::string link = "/proc/" + std::to_string(pid) + "/exe";
    std::string target(4096, '\0');
    const ssize_t length = readlink(link.c_str(), target.data(), target.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= target.size())
        return {};
    target.resize(static_cast<std::size_t>(length));
    return target;
}

} // namespace

std::vector<std::string> ListProcessExecutables() {
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

    std::vector<std::string> executables;
    for (const unsigned long pid : ids) {
        std::string executable = ReadExecutable(pid);
        if (!executable.empty())
            executables.push_back(std::move(executable));
    }
    return executables;
}

} // namespace platform
