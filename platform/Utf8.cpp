#include "platform/Utf8.h"

namespace platform {

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

} // namespace platform
