#include "platform/FolderEntries.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cstring>
#include <memory>

namespace platform {

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};

} // namespace

bool ForEachFolderEntry(const std::string& folder, const std::function<bool(const FolderEntry&)>& visit) {
    std::unique_ptr<DIR, DirCloser> dir(opendir(folder.c_str()));
    if (!dir)
        return false;
    const int dirFd = dirfd(dir.get());
    FolderEntry entry;
    while (const dirent* raw = readdir(dir.get())) {
        if (std::strcmp(raw->d_name, ".") == 0 || std::strcmp(raw->d_name, "..") == 0)
            continue;
        entry.name = raw->d_name;
        entry.isFolder = false;
        entry.isLink = false;
        entry.size = 0;
        struct stat own {};
        if (raw->d_type == DT_LNK ||
            (raw->d_type == DT_UNKNOWN && fstatat(dirFd, raw->d_name, &own, AT_SYMLINK_NOFOLLOW) == 0 &&
             S_ISLNK(own.st_mode)))
            entry.isLink = true;
        // Links are followed, as Windows shows a link to a folder as a folder; a dangling link is a file of size 0.
        struct stat info {};
        if (fstatat(dirFd, raw->d_name, &info, 0) == 0) {
            entry.isFolder = S_ISDIR(info.st_mode);
            if (S_ISREG(info.st_mode))
                entry.size = static_cast<std::uint64_t>(info.st_size);
        }
        if (!visit(entry))
            break;
    }
    return true;
}

std::optional<FileIdentity> GetFileIdentity(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0)
        return std::nullopt;
    return FileIdentity{static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
}

} // namespace platform
