#pragma once
// The short byte-size form of file sizes in the run's report: "1023 bytes", "1.30 KB", "2.28 MB".

#include <cstdint>
#include <string>

namespace platform {

// The system's short byte-size form on Windows (StrFormatByteSizeW), ShortByteSize on Linux. Sizes from 2^63
// bytes up are shown as 2^63 - 1 bytes ("7.99 EB"), since the system form takes a signed 64-bit count.
std::string FormatByteSize(std::uint64_t bytes);

// Our own form, the same text as the Windows form for every size: below 1024 the count and " bytes"; otherwise
// three significant digits, truncated, in KB, MB, GB, TB, PB or EB (steps of 1024), where a number from 1000 up
// moves to the next unit ("0.97 MB").
std::string ShortByteSize(std::uint64_t bytes);

} // namespace platform
