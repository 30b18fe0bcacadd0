#include "platform/ByteSize.h"

namespace platform {

std::string FormatByteSize(std::uint64_t bytes) {
    return ShortByteSize(bytes);
}

} // namespace platform
