
#include "platform/IniFile.h"

#include "platform/Handle_win.h"
#include "platform/Text.h"

#include <windows.h>

#include <memory>
#include <mutex>
#include <unordered_map>

namespace platform {

// The file is read here rather than through the system's profile functions, which search the file anew for every
// value: reading each profile of a file with many sections took time in the square of its size. The conventions
// are the system's: a file with a byte-order mark (UTF-8 or UTF-16) is decoded as such; one without is taken in the
// ANSI code page, and its values can be had as the bytes that stand in the file.

struct IniParsedFile {
    std::wstring path;
    ULONGLONG size = 0;
    FILETIME modified{};
    bool text = false; // a byte-order mark: names and values are UTF-8 text; otherwise ANSI code page bytes
    std::vector<IniSection> sections; // names and keys as UTF-8, values as they stand in the file
    // The sections by a key that equal names share (see SectionKey), each list in file order.
    std::unordered_map<std::wstring, std::vector<size_t>> buckets;

    std::string ValueAsUtf8(const std::string& raw) const { return text ? raw : CodePageToUtf8(raw, CP_ACP); }
};

namespace {

using ParsedFile = IniParsedFile;

// The same for every two names that the system's comparison ignoring case finds equal: the name in upper case,
// with every letter that another letter's case may turn into (I, S, K and their dotted, dotless, long and Kelvin
// forms) made one placeholder. Names that share a key are then compared one by one.
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

// The last file read stays parsed while it is unchanged, as the system keeps its profile files cached.
std::mutex cacheLock;
std::shared_ptr<const ParsedFile> cache;

std::shared_ptr<const ParsedFile> Load(const std::string& utf8Path) {
    // The verbatim form reaches files deeper than 260 characters.
    const std::wstring path = FileCallWidePath(utf8Path);
    WIN32_FILE_ATTRIBUTE_DATA info{};
    if (path.empty() || !GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return nullptr;
    const ULONGLONG size = (static_cast<ULONGLONG>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    {
        std::lock_guard<std::mutex> guard(cacheLock);
        if (cache && cache->path == path && cache->size == size &&
            CompareFileTime(&cache->modified, &info.ftLastWriteTime) == 0)
            return cache;
    }
    std::string bytes;
    if (!ReadWholeFile(path, bytes))
        return nullptr;
    auto parsed = std::make_shared<ParsedFile>();
    parsed->path = path;
    parsed->size = size;
    parsed->modified = info.ftLastWriteTime;

    const auto startsWith = [&](const char* mark, size_t length) {
        return bytes.compare(0, length, mark, length) == 0;
    };
    if (startsWith("\xEF\xBB\xBF", 3)) {
        parsed->text = true; // the parser passes over the mark
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
        parsed->text = true;
    }
    IniParser parser;
    parser.Feed(bytes.data(), bytes.size());
    bytes = std::string();
    parsed->sections = std::move(parser.Finish());
    // Names are compared as text: those of a file in the code page are decoded once here. Values stay as they
    // stand, since IniValueBytes answers them so.
    for (size_t i = 0; i < parsed->sections.size(); ++i) {
        IniSection& section = parsed->sections[i];
        if (!parsed->text) {
            section.name = CodePageToUtf8(section.name, CP_ACP);
            for (IniEntry& entry : section.entries)
                entry.key = CodePageToUtf8(entry.key, CP_ACP);
        }
        parsed->buckets[SectionKey(section.name)].push_back(i);
    }

    std::lock_guard<std::mutex> guard(cacheLock);
    cache = parsed;
    return parsed;
}

// The raw value of the first key of that name in the first section of that name; none when either is absent.
const std::string* FindValue(const ParsedFile& parsed, const std::string& section, const std::string& key) {
    const auto bucket = parsed.buckets.find(SectionKey(section));
    if (bucket == parsed.buckets.end())
        return nullptr;
    for (const size_t index : bucket->second) {
        const IniSection& candidate = parsed.sections[index];
        if (!EqualsIgnoringCase(candidate.name, section))
            continue;
        for (const IniEntry& entry : candidate.entries)
            if (EqualsIgnoringCase(entry.key, key))
                return &entry.value;
        return nullptr;
    }
    return nullptr;
}

} // namespace

namespace {

std::vector<std::string> SectionNamesOf(const std::shared_ptr<const ParsedFile>& parsed) {
    return parsed ? SectionNames(parsed->sections) : std::vector<std::string>();
}

std::string BytesOf(const std::shared_ptr<const ParsedFile>& parsed, const std::string& section,
                    const std::string& key) {
    const std::string* value = parsed ? FindValue(*parsed, section, key) : nullptr;
    return value != nullptr ? *value : std::string();
}

std::string TextOf(const std::shared_ptr<const ParsedFile>& parsed, const std::string& section,
                   const std::string& key) {
    const std::string* value = parsed ? FindValue(*parsed, section, key) : nullptr;
    return value != nullptr ? parsed->ValueAsUtf8(*value) : std::string();
}

} // namespace

std::vector<std::string> IniSectionNames(const std::string& path) {
    return SectionNamesOf(Load(path));
}

std::string IniValueBytes(const std::string& path, const std::string& section, const std::string& key) {
    return BytesOf(Load(path), section, key);
}

std::string IniValueText(const std::string& path, const std::string& section, const std::string& key) {
    return TextOf(Load(path), section, key);
}

IniSnapshot::IniSnapshot(const std::string& path) : parsed_(Load(path)) {}

std::vector<std::string> IniSnapshot::SectionNames() const {
    return SectionNamesOf(parsed_);
}

std::string IniSnapshot::ValueBytes(const std::string& section, const std::string& key) const {
    return BytesOf(parsed_, section, key);
}

std::string IniSnapshot::ValueText(const std::string& section, const std::string& key) const {
    return TextOf(parsed_, section, key);
}

std::string NarrowCodePageToUtf8(const std::string& bytes) {
    return CodePageToUtf8(bytes, CP_ACP);
}

} // namespace platform
