#include "platform/WideText.h"

#include <windows.h>

#include <climits>

namespace platform {

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

std::string CodePageToUtf8(std::string_view bytes, unsigned codePage) {
    return FromWide(ToWide(bytes, codePage), CP_UTF8);
}

} // namespace platform
