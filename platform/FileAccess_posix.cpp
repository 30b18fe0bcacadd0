#include "platform/FileAccess.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

FileHead ReadFileHead(const std::string& path, std::size_t count) {
    FileHead head;
    // Devices, FIFOs and sockets are never opened: opening some of them has effects of its own.
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        head.result = errno == ENOENT || errno == ENOTDIR ? HeadRead::missing : HeadRead::unreadable;
        return head;
    }
    if (!S_ISREG(info.st_mode)) {
        head.result = HeadRead::notRegular;
        return head;
    }
    // O_NONBLOCK: should the entry have become a FIFO since, the open must not hang.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        head.result = errno == ENOENT ? HeadRead::missing : HeadRead::unreadable;
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

} // namespace platform
