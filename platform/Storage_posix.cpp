#include "platform/Storage.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace platform {

// --- Seek penalty ----------------------------------------------------------------------------------------------------

namespace {

std::string FirstLine(const std::string& path) {
    std::ifstream file(path);
    std::string line;
    std::getline(file, line);
    return line;
}

// The flag of the block device whose folder in sysfs is folder. A partition has no queue of its own: it lies in its
// disk's folder, which has the queue.
SeekPenalty FromDeviceFolder(const std::string& folder) {
    std::string flag = FirstLine(folder + "/queue/rotational");
    if (flag.empty() && access((folder + "/partition").c_str(), F_OK) == 0)
        flag = FirstLine(folder + "/../queue/rotational");
    if (flag == "0")
        return SeekPenalty::none;
    if (flag == "1")
        return SeekPenalty::seeks;
    return SeekPenalty::unknown;
}

// The mount table's word for the file system whose device number ("major:minor") is number: btrfs, tmpfs and
// other file systems without a block device of their own get a number of their own, which the table lists with
// the file system's type and source.
SeekPenalty FromMountTable(const std::string& number, const std::string& sysFolder, const std::string& mountInfoFile) {
    std::ifstream table(mountInfoFile);
    std::string line;
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string id;
        std::string parent;
        std::string numbers;
        fields >> id >> parent >> numbers;
        const std::size_t separator = line.find(" - ");
        if (numbers != number || separator == std::string::npos)
            continue;
        std::istringstream rest(line.substr(separator + 3));
        std::string type;
        std::string source;
        rest >> type >> source;
        if (type == "tmpfs" || type == "ramfs")
            return SeekPenalty::none;
        if (source.rfind("/dev/", 0) != 0)
            return SeekPenalty::unknown;
        // sysfs knows a device by its kernel name; /dev/mapper/home and /dev/disk/by-uuid/... are links to it.
        char resolved[PATH_MAX];
        const std::string device = realpath(source.c_str(), resolved) != nullptr ? std::string(resolved) : source;
        return FromDeviceFolder(sysFolder + "/class/block/" + device.substr(device.rfind('/') + 1));
    }
    return SeekPenalty::unknown;
}

} // namespace

SeekPenalty QuerySeekPenaltyFrom(const std::string& path, const std::string& sysFolder,
                                 const std::string& mountInfoFile) {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0)
        return SeekPenalty::unknown;
    const std::string number = std::to_string(major(status.st_dev)) + ":" + std::to_string(minor(status.st_dev));
    const SeekPenalty byNumber = FromDeviceFolder(sysFolder + "/dev/block/" + number);
    return byNumber != SeekPenalty::unknown ? byNumber : FromMountTable(number, sysFolder, mountInfoFile);
}

SeekPenalty QuerySeekPenalty(const std::string& path) {
    return QuerySeekPenaltyFrom(path, "/sys", "/proc/self/mountinfo");
}

// --- The database engine's temporary folder --------------------------------------------------------------------------

std::string DatabaseTemporaryFolder() {
    // SQLite's own order of candidates (unixTempFileDir), the current folder as its last resort.
    const char* const candidates[] = {std::getenv("SQLITE_TMPDIR"), std::getenv("TMPDIR"), "/var/tmp", "/usr/tmp",
                                      "/tmp"};
    for (const char* candidate : candidates) {
        struct stat status {};
        if (candidate != nullptr && candidate[0] != '\0' && stat(candidate, &status) == 0 && S_ISDIR(status.st_mode) &&
            access(candidate, W_OK | X_OK) == 0)
            return candidate;
    }
    return ".";
}

} // namespace platform
