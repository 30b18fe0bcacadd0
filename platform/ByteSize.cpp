#include "platform/ByteSize.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <limits>

namespace platform {

namespace {

struct SizeStep {
    std::uint64_t below; // the step applies to sizes below this (the last step to all the rest)
    double divisor;      // size / divisor, truncated, gives the digits shown
    int decimals;        // digits after the decimal point
    const char* unit;
};

constexpr std::uint64_t kKB = 1024;
constexpr std::uint64_t kMB = kKB * 1024;
constexpr std::uint64_t kGB = kMB * 1024;
constexpr std::uint64_t kTB = kGB * 1024;
constexpr std::uint64_t kPB = kTB * 1024;

// From 1000 GB on, sizes are counted in whole megabytes first (double has too few digits for byte counts there),
// so those divisors are in megabytes. Counting whole megabytes is also what makes a few sizes just below 10 TB and
// 10 PB read 9.98 on Windows, and this form reproduces it.
constexpr SizeStep kSteps[] = {
    {10 * kKB, 10.24, 2, "KB"},       {100 * kKB, 102.4, 1, "KB"},       {1000 * kKB, 1024.0, 0, "KB"},
    {10 * kMB, 10485.76, 2, "MB"},    {100 * kMB, 104857.6, 1, "MB"},    {1000 * kMB, 1048576.0, 0, "MB"},
    {10 * kGB, 10737418.24, 2, "GB"}, {100 * kGB, 107374182.4, 1, "GB"}, {1000 * kGB, 1073741824.0, 0, "GB"},
    {10 * kTB, 10485.76, 2, "TB"},    {100 * kTB, 104857.6, 1, "TB"},    {1000 * kTB, 1048576.0, 0, "TB"},
    {10 * kPB, 10737418.24, 2, "PB"}, {100 * kPB, 107374182.4, 1, "PB"}, {1000 * kPB, 1073741824.0, 0, "PB"},
    {0, 10995116277.76, 2, "EB"},
};
constexpr std::size_t kFirstMegabyteStep = 9;

} // namespace

std::string ShortByteSize(std::uint64_t bytes) {
    bytes = std::min<std::uint64_t>(bytes, std::numeric_limits<std::int64_t>::max());
    if (bytes < kKB)
        return std::to_string(bytes) + " bytes";

    std::size_t step = 0;
    while (step + 1 < std::size(kSteps) && bytes >= kSteps[step].below)
        ++step;
    // The small additions make exact boundaries (10240 bytes, 1 MB) come out whole despite the inexact divisors.
    const double count =
        step >= kFirstMegabyteStep ? static_cast<double>(bytes >> 20) + 0.001 : static_cast<double>(bytes) + 0.00001;
    const auto digits = static_cast<std::uint64_t>(std::floor(count / kSteps[step].divisor));

    std::string text = std::to_string(digits);
    const auto decimals = static_cast<std::size_t>(kSteps[step].decimals);
    if (decimals > 0) {
        if (text.size() <= decimals)
            text.insert(0, decimals + 1 - text.size(), '0');
        text.insert(text.size() - decimals, ".");
    }
    return text + " " + kSteps[step].unit;
}

} // namespace platform
