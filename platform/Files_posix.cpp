#include "platform/Files.h"

#include "platform/Text.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

// --- Replacing a file's content --------------------------------------------------------------------------------------

namespace {

// The file that a chain of symbolic links ends at, also when it does not exist yet (a link into a folder of
// dotfiles that lost its file); the path itself when it is no link. Empty for a loop of links.
std::string FollowLinks(const std::string& path) {
    std::string current = path;
    for (int depth = 0; depth < 40; ++depth) {
        struct stat status {};
        if (lstat(current.c_str(), &status) != 0 || !S_ISLNK(status.st_mode))
            return current;
        std::string target(PATH_MAX, '\0');
        const ssize_t length = readlink(current.c_str(), target.data(), target.size());
        if (length <= 0 || static_cast<size_t>(length) >= target.size())
            return {};
        target.resize(static_cast<size_t>(length));
        if (target[0] != '/') {
            // A relative target is relative to the folder that holds the link.
            const size_t slash = current.rfind('/');
            if (slash != std::string::npos)
                target = current.substr(0, slash + 1) + target;
        }
        current = target;
    }
    return {};
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = write(fd, bytes.data(), bytes.size() > SSIZE_MAX ? SSIZE_MAX : bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

// Makes the rename itself durable; a folder that cannot be opened or synced changes nothing about the result.
void SyncFolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

} // namespace

bool ReplaceFileContent(const std::string& path, std::string_view bytes) {
    if (path.empty())
        return false;
    const std::string target = FollowLinks(path);
    if (target.empty())
        return false;
    const std::string temporary = target + ".tmp";

    // The new file keeps the permissions of the one it replaces.
    mode_t mode = 0666;
    struct stat status {};
    const bool replacing = stat(target.c_str(), &status) == 0 && S_ISREG(status.st_mode);
    if (replacing)
        mode = status.st_mode & 07777;

    const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd < 0)
        return false;
    bool ok = WriteAll(fd, bytes);
    if (ok && replacing)
        ok = fchmod(fd, mode) == 0;
    ok = ok && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    ok = ok && rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok) {
        unlink(temporary.c_str());
        return false;
    }
    SyncFolderOf(target);
    return true;
}

// --- File status and the start of a file -----------------------------------------------------------------------------

FileHead ReadFileHead(const std::string& path, std::size_t count) {
    FileHead head;
    // Devices, FIFOs and sockets are never opened: opening some of them has effects of its own.
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        head.result = errno == ENOENT || errno == ENOTDIR ? HeadRead::missing
                      : errno == EACCES                   ? HeadRead::denied
                                                          : HeadRead::unreadable;
        return head;
    }
    if (!S_ISREG(info.st_mode)) {
        head.result = HeadRead::notRegular;
        return head;
    }
    // O_NONBLOCK: should the entry have become a FIFO since, the open must not hang.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        head.result = errno == ENOENT                     ? HeadRead::missing
                      : errno == EACCES || errno == EPERM ? HeadRead::denied
                                                          : HeadRead::unreadable;
        return head;
    }
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        head.result = HeadRead::read;
        head.bytes.assign(count, '\0');
        std::size_t done = 0;
        while (done < count) {
            const ssize_t got = read(fd, head.bytes.data() + done, count - done);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            done += static_cast<std::size_t>(got);
        }
        head.bytes.resize(done);
    } else {
        head.result = HeadRead::notRegular;
    }
    close(fd);
    return head;
}

std::optional<FileStatus> QueryFileStatus(const std::string& path) {
    struct stat info {};
    if (path.empty() || stat(path.c_str(), &info) != 0)
        return std::nullopt;
    FileStatus status;
    status.isFolder = S_ISDIR(info.st_mode);
    status.size = S_ISREG(info.st_mode) ? static_cast<std::uint64_t>(info.st_size) : 0;
    return status;
}

// --- Folder listings and identities ----------------------------------------------------------------------------------

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

// --- Wildcard masks --------------------------------------------------------------------------------------------------

namespace {

char32_t Upper(char32_t c) {
    return (c >= U'a' && c <= U'z') ? c - (U'a' - U'A') : c;
}

// One mask against the whole text. '*' matches any run of characters, '?' exactly one. Greedy with a single
// back-track point, which gives the same answers as trying every split but in linear space and quadratic time.
bool MatchSingle(std::u32string_view text, std::u32string_view mask) {
    size_t t = 0, m = 0;
    size_t starMask = std::u32string_view::npos, starText = 0;
    while (t < text.size()) {
        if (m < mask.size() && mask[m] == U'*') {
            starMask = m++;
            starText = t;
        } else if (m < mask.size() && (mask[m] == U'?' || Upper(mask[m]) == Upper(text[t]))) {
            ++m;
            ++t;
        } else if (starMask != std::u32string_view::npos) {
            m = starMask + 1;
            t = ++starText;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == U'*')
        ++m;
    return m == mask.size();
}

} // namespace

bool MatchSpec(const std::string& text, const std::string& masks) {
    if (masks == "*.*")
        return true;
    const std::u32string path = DecodeUtf8Lenient(text);
    const std::u32string all = DecodeUtf8Lenient(masks);
    std::u32string_view rest(all);
    while (!rest.empty()) {
        while (!rest.empty() && rest.front() == U' ')
            rest.remove_prefix(1);
        const size_t end = rest.find(U';');
        if (MatchSingle(path, rest.substr(0, end)))
            return true;
        if (end == std::u32string_view::npos)
            break;
        rest.remove_prefix(end + 1);
    }
    return false;
}

} // namespace platform
