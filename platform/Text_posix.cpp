#include "platform/Text.h"

#include <cstdint>
#include <cwctype>
#include <locale.h>
#include <wctype.h>

namespace platform {

// --- Paths -----------------------------------------------------------------------------------------------------------

// Linux paths are byte strings; the core's UTF-8 text is used as it is.
std::filesystem::path PathFromUtf8(std::string_view utf8) {
    return std::filesystem::path(std::string(utf8));
}

std::string PathToUtf8(const std::filesystem::path& path) {
    return path.native();
}

std::string FileCallPath(std::string_view utf8) {
    return std::string(utf8);
}

// --- Comparing ignoring case -----------------------------------------------------------------------------------------

namespace {

// Reads one code point at pos and moves past it. A byte that does not start a valid sequence comes back as a
// value outside Unicode that keeps the byte, so it equals only itself.
std::uint32_t NextCodePoint(std::string_view text, std::size_t& pos) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(pos);
    std::size_t length = lead < 0x80           ? 1
                         : (lead >> 5) == 0x6  ? 2
                         : (lead >> 4) == 0xE  ? 3
                         : (lead >> 3) == 0x1E ? 4
                                               : 0;
    if (length == 1) {
        ++pos;
        return lead;
    }
    if (length != 0 && pos + length <= text.size()) {
        std::uint32_t value = lead & (0x7F >> length);
        bool valid = true;
        for (std::size_t i = 1; i < length && valid; ++i) {
            valid = (byte(pos + i) & 0xC0) == 0x80;
            value = (value << 6) | (byte(pos + i) & 0x3F);
        }
        static const std::uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (valid && value >= kSmallest[length] && value <= 0x10FFFF && (value < 0xD800 || value > 0xDFFF)) {
            pos += length;
            return value;
        }
    }
    ++pos;
    return 0x110000u + lead;
}

// The C library's lower-case mapping for all of Unicode, independent of the process's own locale.
locale_t UnicodeLocale() {
    static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    return locale;
}

// Unicode simple case folding: the lower-case mapping, except where the folding differs from it.
std::uint32_t Fold(std::uint32_t c) {
    switch (c) {
    case 0x0130: // capital I with dot: no simple folding (its lower case would be the ASCII i)
        return c;
    case 0x00B5: // micro sign
        return 0x03BC;
    case 0x017F: // long s
        return 's';
    case 0x0345:
    case 0x1FBE:
        return 0x03B9;
    case 0x03C2: // final sigma
        return 0x03C3;
    case 0x03D0:
        return 0x03B2;
    case 0x03D1:
        return 0x03B8;
    case 0x03D5:
        return 0x03C6;
    case 0x03D6:
        return 0x03C0;
    case 0x03F0:
        return 0x03BA;
    case 0x03F1:
        return 0x03C1;
    case 0x03F5:
        return 0x03B5;
    case 0x1E9B:
        return 0x1E61;
    default:
        break;
    }
    if (c < 0x80)
        return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c;
    if (c > 0x10FFFF)
        return c;
    const locale_t locale = UnicodeLocale();
    return locale == static_cast<locale_t>(nullptr)
               ? c
               : static_cast<std::uint32_t>(towlower_l(static_cast<wint_t>(c), locale));
}

} // namespace

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size())
        if (Fold(NextCodePoint(a, i)) != Fold(NextCodePoint(b, j)))
            return false;
    return i == a.size() && j == b.size();
}

std::string CaseFoldKey(std::string_view text) {
    std::string key;
    key.reserve(text.size() * 4);
    for (std::size_t i = 0; i < text.size();) {
        const std::uint32_t c = Fold(NextCodePoint(text, i));
        for (int shift = 24; shift >= 0; shift -= 8)
            key += static_cast<char>((c >> shift) & 0xFF);
    }
    return key;
}

// --- Sizes -----------------------------------------------------------------------------------------------------------

std::string FormatByteSize(std::uint64_t bytes) {
    return ShortByteSize(bytes);
}

} // namespace platform
