#include "platform/VersionResource.h"

#include "platform/ModulePath.h"
#include "platform/WideText.h"

#include <windows.h>

#include <cwchar>
#include <vector>

namespace platform {

namespace {

std::optional<std::string> QueryString(const std::vector<BYTE>& data, WORD language, WORD codePage,
                                       const wchar_t* name) {
    wchar_t query[50] = {};
    std::swprintf(query, 50, L"\\StringFileInfo\\%04x%04x\\%ls", language, codePage, name);
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(data.data(), query, &value, &length) || value == nullptr)
        return std::nullopt;
    // The length counts characters, with or without the terminating zero depending on who wrote the resource.
    const auto* text = static_cast<const wchar_t*>(value);
    return WideToUtf8(std::wstring_view(text, wcsnlen(text, length)));
}

} // namespace

std::optional<VersionStrings> ReadVersionResource(const std::string& path) {
    const std::wstring widePath = Utf8ToWide(path);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(widePath.c_str(), &ignored);
    if (size == 0)
        return std::nullopt;
    std::vector<BYTE> data(size);
    if (!GetFileVersionInfoW(widePath.c_str(), 0, size, data.data()))
        return std::nullopt;

    void* translation = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", &translation, &length) || translation == nullptr ||
        length < 4)
        return std::nullopt;
    const WORD language = static_cast<const WORD*>(translation)[0];
    const WORD codePage = static_cast<const WORD*>(translation)[1];

    VersionStrings strings;
    strings.fileDescription = QueryString(data, language, codePage, L"FileDescription");
    strings.companyName = QueryString(data, language, codePage, L"CompanyName");
    strings.fileVersion = QueryString(data, language, codePage, L"FileVersion");
    return strings;
}

std::optional<VersionStrings> ReadRunningProgramVersion() {
    const std::string path = GetModuleFilePath(nullptr);
    if (path.empty())
        return std::nullopt;
    return ReadVersionResource(path);
}

} // namespace platform
