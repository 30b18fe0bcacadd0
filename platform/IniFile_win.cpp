#include "platform/IniFile.h"

#include "platform/Handle_win.h"
#include "platform/Text.h"

#include <windows.h>

#include <cstdint>

namespace platform {

// The file is read here rather than through the system's profile functions, which search the file anew for every
// value: reading each profile of a file with many sections took time in the square of its size. The conventions
// are the system's: a file with a byte-order mark (UTF-8 or UTF-16) is decoded as such; one without is taken in the
// ANSI code page, and its values can be had as the bytes that stand in the file.

namespace {

// The same for every two names that the system's comparison ignoring case finds equal: the name in upper case,
// with every letter that another letter's case may turn into (I, S, K and their dotted, dotless, long and Kelvin
// forms) made one placeholder.
std::wstring SectionKey(const std::string& utf8) {
    std::wstring key;
    bool ascii = true;
    for (const char c : utf8)
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii) {
        // The common case, without a call into the system per name.
        key.reserve(utf8.size());
        for (const char c : utf8)
            key += static_cast<wchar_t>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    } else {
        key = Utf8ToWide(utf8);
        if (!key.empty())
            CharUpperBuffW(key.data(), static_cast<DWORD>(key.size()));
    }
    for (wchar_t& c : key)
        if (c == L'I' || c == L'S' || c == L'K' || c == 0x0130 || c == 0x0131 || c == 0x017F || c == 0x212A)
            c = 1;
    return key;
}

bool ReadWholeFile(const std::wstring& path, std::string& bytes) {
    const UniqueKernelHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file.get(), buffer, sizeof(buffer), &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    return true;
}

} // namespace

std::optional<IniFileStamp> StampIniFile(const std::string& path) {
    // The verbatim form reaches files deeper than 260 characters.
    const std::wstring widePath = FileCallWidePath(path);
    WIN32_FILE_ATTRIBUTE_DATA info{};
    if (widePath.empty() || !GetFileAttributesExW(widePath.c_str(), GetFileExInfoStandard, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return std::nullopt;
    IniFileStamp stamp;
    stamp.size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    const std::uint64_t ticks =
        (static_cast<std::uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) | info.ftLastWriteTime.dwLowDateTime;
    stamp.modifiedSeconds = static_cast<std::int64_t>(ticks / 10000000);
    stamp.modifiedNanoseconds = static_cast<std::int64_t>(ticks % 10000000) * 100;
    return stamp;
}

bool ReadIniSections(const std::string& path, std::vector<IniSection>& sections, bool& text) {
    std::string bytes;
    if (!ReadWholeFile(FileCallWidePath(path), bytes))
        return false;
    const auto startsWith = [&](const char* mark, size_t length) {
        return bytes.compare(0, length, mark, length) == 0;
    };
    text = false;
    if (startsWith("\xEF\xBB\xBF", 3)) {
        text = true; // the parser passes over the mark
    } else if (startsWith("\xFF\xFE", 2) || startsWith("\xFE\xFF", 2)) {
        const bool bigEndian = bytes[0] == '\xFE';
        std::wstring wide;
        wide.reserve(bytes.size() / 2);
        for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
            const auto low = static_cast<unsigned char>(bytes[bigEndian ? i + 1 : i]);
            const auto high = static_cast<unsigned char>(bytes[bigEndian ? i : i + 1]);
            wide += static_cast<wchar_t>(low | (high << 8));
        }
        bytes = WideToUtf8(wide);
        text = true;
    }
    IniParser parser;
    parser.Feed(bytes.data(), bytes.size());
    bytes = std::string();
    sections = std::move(parser.Finish());
    // Names are compared as text: those of a file in the code page are decoded once here. Values stay as they
    // stand, since IniValueBytes answers them so.
    if (!text) {
        for (IniSection& section : sections) {
            section.name = CodePageToUtf8(section.name, CP_ACP);
            for (IniEntry& entry : section.entries)
                entry.key = CodePageToUtf8(entry.key, CP_ACP);
        }
    }
    return true;
}

std::string IniNameKey(const std::string& name) {
    const std::wstring key = SectionKey(name);
    return std::string(reinterpret_cast<const char*>(key.data()), key.size() * sizeof(wchar_t));
}

std::string IniValueAsText(const std::string& raw, bool fileIsText) {
    return fileIsText ? raw : CodePageToUtf8(raw, CP_ACP);
}

std::string NarrowCodePageToUtf8(const std::string& bytes) {
    return CodePageToUtf8(bytes, CP_ACP);
}

} // namespace platform
