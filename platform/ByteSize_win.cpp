#include "platform/ByteSize.h"

#include "platform/WideText.h"

#include <windows.h>

#include <shlwapi.h>

#include <algorithm>
#include <iterator>
#include <limits>

namespace platform {

std::string FormatByteSize(std::uint64_t bytes) {
    const auto count = static_cast<LONGLONG>(std::min<std::uint64_t>(bytes, std::numeric_limits<LONGLONG>::max()));
    // Room for the longest form, "1023 bytes" and its terminating zero, and then some: a buffer of 10 characters
    // would cut 1000 to 1023 bytes to "1023 byte".
    wchar_t buffer[64] = {};
    if (StrFormatByteSizeW(count, buffer, static_cast<UINT>(std::size(buffer))) == nullptr)
        return {};
    return WideToUtf8(buffer);
}

} // namespace platform
