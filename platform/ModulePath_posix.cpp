#include "platform/ModulePath.h"

#include <unistd.h>

#include <vector>

namespace platform {

std::string GetModuleFilePath(const void* module) {
    if (module != nullptr)
        return {};
    // readlink does not say whether the path was cut: a result that fills the buffer is read again with more room.
    for (size_t size = 256; size <= 1 << 20; size *= 2) {
        std::vector<char> buffer(size);
        const ssize_t length = readlink("/proc/self/exe", buffer.data(), size);
        if (length <= 0)
            return {};
        if (static_cast<size_t>(length) < size)
            return std::string(buffer.data(), static_cast<size_t>(length));
    }
    return {};
}

} // namespace platform
