#include "platform/PathText.h"

#include "platform/WideText.h"

#include <windows.h>

namespace platform {

namespace {

bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

// GetFullPathNameW without its 260-character limit; empty when it fails.
std::wstring FullPath(const std::wstring& path) {
    DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    for (int attempt = 0; attempt < 3 && size != 0; ++attempt) {
        std::wstring full(size, L'\0');
        const DWORD got = GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
        if (got == 0)
            break;
        if (got < size) {
            full.resize(got);
            return full;
        }
        size = got;
    }
    return {};
}

bool StartsWith(const std::wstring& text, const wchar_t* prefix) {
    return text.compare(0, wcslen(prefix), prefix) == 0;
}

} // namespace

std::filesystem::path PathFromUtf8(std::string_view utf8) {
    return std::filesystem::path(Utf8ToWide(utf8));
}

std::string PathToUtf8(const std::filesystem::path& path) {
    return WideToUtf8(path.native());
}

std::wstring FileCallWidePath(std::string_view utf8) {
    const std::wstring path = Utf8ToWide(utf8);
    if (path.empty() || StartsWith(path, L"\\\\?\\") || StartsWith(path, L"\\\\.\\"))
        return path;
    // The last component is kept as written: GetFullPathNameW would turn "C:\p\CON" into the console device and
    // drop a trailing dot from a name that has one. Only the folder part goes through it.
    size_t nameStart = path.size();
    while (nameStart > 0 && !IsSeparator(path[nameStart - 1]) && !(nameStart == 2 && path[1] == L':'))
        --nameStart;
    const std::wstring name = path.substr(nameStart);
    std::wstring full;
    if (name.empty() || name == L"." || name == L"..") {
        full = FullPath(path);
    } else {
        full = FullPath(nameStart == 0 ? std::wstring(L".\\") : path.substr(0, nameStart));
        if (!full.empty()) {
            if (!IsSeparator(full.back()))
                full += L'\\';
            full += name;
        }
    }
    if (full.empty() || StartsWith(full, L"\\\\?\\") || StartsWith(full, L"\\\\.\\"))
        return path;
    if (StartsWith(full, L"\\\\"))
        return L"\\\\?\\UNC\\" + full.substr(2);
    if (full.size() >= 3 && full[1] == L':' && full[2] == L'\\')
        return L"\\\\?\\" + full;
    return path;
}

std::string FileCallPath(std::string_view utf8) {
    return WideToUtf8(FileCallWidePath(utf8));
}

} // namespace platform
