#include "platform/IniFile.h"

#include "platform/WideText.h"

#include <windows.h>

#include <vector>

namespace platform {

namespace {

// The narrow profile function takes the file name in the ANSI code page. A path that the code page cannot hold
// (a user name in another script, say) is handed over as its short name, which is plain ASCII where it exists.
std::string NarrowPath(const std::string& path) {
    const std::wstring wide = Utf8ToWide(path);
    BOOL lossy = FALSE;
    const int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.c_str(), -1, nullptr, 0, nullptr, &lossy);
    if (length > 0 && !lossy)
        return Utf8ToCodePage(path, CP_ACP);
    const DWORD shortLength = GetShortPathNameW(wide.c_str(), nullptr, 0);
    if (shortLength == 0)
        return {};
    std::wstring shortPath(shortLength, L'\0');
    const DWORD written = GetShortPathNameW(wide.c_str(), shortPath.data(), shortLength);
    if (written == 0 || written >= shortLength)
        return {};
    shortPath.resize(written);
    return WideToUtf8(shortPath);
}

} // namespace

std::vector<std::string> IniSectionNames(const std::string& path) {
    const std::wstring widePath = Utf8ToWide(path);
    // The answer is a run of NUL-ended names closed by an empty one; a buffer that is too small is answered with
    // its size minus two. The buffer doubles, so a file with very many sections is still read in a few calls.
    std::vector<wchar_t> buffer(512);
    DWORD length = 0;
    for (;;) {
        length = GetPrivateProfileSectionNamesW(buffer.data(), static_cast<DWORD>(buffer.size()), widePath.c_str());
        if (length + 2 < buffer.size() || buffer.size() >= (1u << 30))
            break;
        buffer.assign(buffer.size() * 2, L'\0');
    }
    std::vector<std::string> names;
    for (DWORD start = 0; start < length && buffer[start] != L'\0';) {
        const std::wstring name(buffer.data() + start);
        names.push_back(WideToUtf8(name));
        start += static_cast<DWORD>(name.size()) + 1;
    }
    return names;
}

std::string IniValueBytes(const std::string& path, const std::string& section, const std::string& key) {
    const std::string narrowPath = NarrowPath(path);
    // A file whose path the narrow function cannot be given (no short name on that volume) is still read, by the
    // wide function: its text is right for every value written in the code page or with a byte-order mark.
    if (narrowPath.empty())
        return IniValueText(path, section, key);
    const std::string narrowSection = Utf8ToCodePage(section, CP_ACP);
    const std::string narrowKey = Utf8ToCodePage(key, CP_ACP);
    // A value that fills the buffer up to one byte to spare may have been cut: ask again with twice the room.
    std::vector<char> buffer(512);
    DWORD length = 0;
    for (;;) {
        length = GetPrivateProfileStringA(narrowSection.c_str(), narrowKey.c_str(), "", buffer.data(),
                                          static_cast<DWORD>(buffer.size()), narrowPath.c_str());
        if (length + 1 < buffer.size() || buffer.size() >= (1u << 30))
            break;
        buffer.assign(buffer.size() * 2, '\0');
    }
    std::string bytes(buffer.data(), length);

    // A file without a byte-order mark is read in the ANSI code page, so the narrow function hands over its bytes
    // as they stand. A file with one (UTF-8 as a text editor saves it, or UTF-16) is decoded by the system itself,
    // and the narrow answer is that text converted to the code page, with "?" for every letter the code page lacks.
    // The wide answer is then the real text: it is taken whenever it is not simply the narrow bytes read in the code
    // page. It is UTF-8 after the conversion, which the caller recognises as such.
    const std::string text = IniValueText(path, section, key);
    if (text != CodePageToUtf8(bytes, CP_ACP))
        return text;
    return bytes;
}

std::string IniValueText(const std::string& path, const std::string& section, const std::string& key) {
    const std::wstring widePath = Utf8ToWide(path);
    const std::wstring wideSection = Utf8ToWide(section);
    const std::wstring wideKey = Utf8ToWide(key);
    std::vector<wchar_t> buffer(512);
    DWORD length = 0;
    for (;;) {
        length = GetPrivateProfileStringW(wideSection.c_str(), wideKey.c_str(), L"", buffer.data(),
                                          static_cast<DWORD>(buffer.size()), widePath.c_str());
        if (length + 1 < buffer.size() || buffer.size() >= (1u << 30))
            break;
        buffer.assign(buffer.size() * 2, L'\0');
    }
    return WideToUtf8(std::wstring_view(buffer.data(), length));
}

std::string NarrowCodePageToUtf8(const std::string& bytes) {
    return CodePageToUtf8(bytes, CP_ACP);
}

} // namespace platform
