#include "platform/FileAccess.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

std::optional<std::string> ReadFileHead(const std::string& path, std::size_t count) {
    // Devices, FIFOs and sockets are never opened: opening some of them has effects of its own.
    struct stat info {};
    if (stat(path.c_str(), &info) != 0)
        return std::nullopt;
    if (!S_ISREG(info.st_mode))
        return std::string();
    // O_NONBLOCK: should the entry have become a FIFO since, the open must not hang.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    std::string head;
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        head.assign(count, '\0');
        std::size_t done = 0;
        while (done < count) {
            const ssize_t got = read(fd, head.data() + done, count - done);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            done += static_cast<std::size_t>(got);
        }
        head.resize(done);
    }
    close(fd);
    return head;
}

} // namespace platform
