#include "platform/Text.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <limits>

namespace platform {

// --- UTF-8 -----------------------------------------------------------------------------------------------------------

namespace {

// Decodes one well-formed sequence at bytes[pos]; answers its length, or 0 when it is not well-formed.
size_t DecodeOne(std::string_view bytes, size_t pos, char32_t& codePoint) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(bytes[pos + i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) {
        codePoint = lead;
        return 1;
    }
    size_t length;
    char32_t minimum;
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        minimum = 0x80;
        codePoint = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        minimum = 0x800;
        codePoint = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        minimum = 0x10000;
        codePoint = lead & 0x07;
    } else {
        return 0;
    }
    if (bytes.size() - pos < length)
        return 0;
    for (size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80)
            return 0;
        codePoint = (codePoint << 6) | (byte(i) & 0x3F);
    }
    if (codePoint < minimum || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        return 0;
    return length;
}

} // namespace

bool IsWellFormedUtf8(std::string_view bytes) {
    size_t pos = 0;
    while (pos < bytes.size()) {
        char32_t codePoint = 0;
        const size_t length = DecodeOne(bytes, pos, codePoint);
        if (length == 0 || codePoint == 0xFFFE || codePoint == 0xFFFF)
            return false;
        pos += length;
    }
    return true;
}

std::u32string DecodeUtf8Lenient(std::string_view bytes) {
    std::u32string out;
    out.reserve(bytes.size());
    size_t pos = 0;
    while (pos < bytes.size()) {
        char32_t codePoint = 0;
        const size_t length = DecodeOne(bytes, pos, codePoint);
        out.push_back(length == 0 ? U'\uFFFD' : codePoint);
        pos += length == 0 ? 1 : length;
    }
    return out;
}

std::string MakePrintable(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (const char32_t codePoint : DecodeUtf8Lenient(bytes)) {
        if (codePoint < 0x20 || codePoint == 0x7F) {
            static constexpr char kHex[] = "0123456789abcdef";
            out += "\\x";
            out += kHex[codePoint >> 4];
            out += kHex[codePoint & 0xF];
        } else if (codePoint >= 0x80 && codePoint <= 0x9F) {
            AppendUtf8(out, U'\uFFFD');
        } else {
            AppendUtf8(out, codePoint);
        }
    }
    return out;
}

void AppendUtf8(std::string& out, char32_t codePoint) {
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (codePoint >> 18));
        out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

std::string Latin1ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char c : bytes)
        AppendUtf8(out, static_cast<unsigned char>(c));
    return out;
}

// --- Sizes -----------------------------------------------------------------------------------------------------------

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
