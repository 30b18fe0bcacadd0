#include "platform/Text.h"

#include <windows.h>
#include <shlwapi.h>

#include <algorithm>
#include <climits>
#include <iterator>
#include <limits>
#include <string>

namespace platform {

// --- Paths -----------------------------------------------------------------------------------------------------------

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

// --- Comparing ignoring case -----------------------------------------------------------------------------------------

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a == b)
        return true;
    // Text that is not UTF-8 would turn into replacement characters and match other such text: it is compared
    // byte for byte, A to Z folded.
    if (!IsWellFormedUtf8(a) || !IsWellFormedUtf8(b)) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (a.size() != b.size())
            return false;
        for (std::size_t i = 0; i < a.size(); ++i)
            if (lower(a[i]) != lower(b[i]))
                return false;
        return true;
    }
    const std::wstring wideA = Utf8ToWide(a);
    const std::wstring wideB = Utf8ToWide(b);
    return CompareStringOrdinal(wideA.c_str(), static_cast<int>(wideA.size()), wideB.c_str(),
                                static_cast<int>(wideB.size()), TRUE) == CSTR_EQUAL;
}

// --- Sizes -----------------------------------------------------------------------------------------------------------

std::string FormatByteSize(std::uint64_t bytes) {
    const auto count = static_cast<LONGLONG>(std::min<std::uint64_t>(bytes, std::numeric_limits<LONGLONG>::max()));
    // Room for the longest form, "1023 bytes" and its terminating zero, and then some: a buffer of 10 characters
    // would cut 1000 to 1023 bytes to "1023 byte".
    wchar_t buffer[64] = {};
    if (StrFormatByteSizeW(count, buffer, static_cast<UINT>(std::size(buffer))) == nullptr)
        return {};
    return WideToUtf8(buffer);
}

// --- UTF-16 and code pages -------------------------------------------------------------------------------------------

namespace {

std::wstring ToWide(std::string_view text, unsigned codePage) {
    if (text.empty() || text.size() > INT_MAX)
        return {};
    const int length = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (length <= 0)
        return {};
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

std::string FromWide(std::wstring_view wide, unsigned codePage) {
    if (wide.empty() || wide.size() > INT_MAX)
        return {};
    const int length =
        WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    if (length <= 0)
        return {};
    std::string text(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), text.data(), length, nullptr, nullptr);
    return text;
}

} // namespace

std::wstring Utf8ToWide(std::string_view utf8) {
    return ToWide(utf8, CP_UTF8);
}

std::string WideToUtf8(std::wstring_view wide) {
    return FromWide(wide, CP_UTF8);
}

std::string Utf8ToCodePage(std::string_view utf8, unsigned codePage) {
    return FromWide(ToWide(utf8, CP_UTF8), codePage);
}

std::string WideToCodePage(std::wstring_view wide, unsigned codePage) {
    return FromWide(wide, codePage);
}

std::string CodePageToUtf8(std::string_view bytes, unsigned codePage) {
    return FromWide(ToWide(bytes, codePage), CP_UTF8);
}

} // namespace platform
