#include "platform/FileAccess.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

std::string ReadFileHead(const std::string& path, std::size_t count) {
    // O_NONBLOCK: a FIFO that happens to carry a database's name must not hang the test.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return {};
    std::string head(count, '\0');
    std::size_t done = 0;
    while (done < count) {
        const ssize_t got = read(fd, head.data() + done, count - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    close(fd);
    head.resize(done);
    return head;
}

} // namespace platform
