#include "platform/CrashHandler.h"

#include <fcntl.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cstdio>

namespace platform {

// Linux writes no minidumps: a fault stays with the system's own handling (a core file where it is enabled).
bool InstallCrashHandler(CrashHandlerSteps) {
    return false;
}

std::string GetWindowsVersionTag() {
    utsname names{};
    if (uname(&names) != 0)
        return "0.0_x86";
    unsigned major = 0;
    unsigned minor = 0;
    std::sscanf(names.release, "%u.%u", &major, &minor);
    std::string architecture = names.machine;
    if (architecture == "x86_64")
        architecture = "x64";
    else if (architecture == "i386" || architecture == "i486" || architecture == "i586" || architecture == "i686")
        architecture = "x86";
    return std::to_string(major) + "." + std::to_string(minor) + "_" + architecture;
}

std::string CreateDumpFile(const std::string& fileName, const std::vector<std::string>& folders) {
    for (const std::string& folder : folders) {
        if (folder.empty())
            continue;
        std::string path = folder;
        if (path.back() != '/')
            path += '/';
        path += fileName;
        if (path.size() > 2047)
            continue;
        const int file = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (file < 0)
            continue;
        close(file);
        return path;
    }
    return {};
}

} // namespace platform
