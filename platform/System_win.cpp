#include "platform/System.h"

#include "platform/Text.h"

#include <windows.h>
#include <shlobj.h>

namespace platform {

// --- Known folders ---------------------------------------------------------------------------------------------------

std::string GetSpecialFolder(int folderId) {
    if (folderId != kFolderRoamingAppData && folderId != kFolderLocalAppData)
        return {};
    wchar_t buffer[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathW(GetActiveWindow(), buffer, folderId, FALSE))
        return {};
    std::string path = WideToUtf8(buffer);
    while (path.size() > 3 && path.back() == '\\')
        path.pop_back();
    return path;
}

KnownFolders QueryKnownFolders() {
    KnownFolders folders;
    folders.roamingAppData = GetSpecialFolder(kFolderRoamingAppData);
    folders.localAppData = GetSpecialFolder(kFolderLocalAppData);
    return folders;
}

// --- Update policy ---------------------------------------------------------------------------------------------------

namespace {

constexpr wchar_t kPolicyKey[] = L"Software\\Quartzmoore Software\\Tidyquill";

std::optional<DWORD> ReadDword(HKEY root, const wchar_t* name) {
    DWORD value = 0;
    DWORD size = sizeof value;
    if (RegGetValueW(root, kPolicyKey, name, RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return value;
}

std::optional<std::wstring> ReadString(HKEY root, const wchar_t* name) {
    std::wstring value(256, L'\0');
    for (;;) {
        DWORD size = static_cast<DWORD>(value.size() * sizeof(wchar_t));
        LSTATUS status = RegGetValueW(root, kPolicyKey, name, RRF_RT_REG_SZ, nullptr, value.data(), &size);
        if (status == ERROR_MORE_DATA) {
            value.resize(size / sizeof(wchar_t) + 1);
            continue;
        }
        if (status != ERROR_SUCCESS)
            return std::nullopt;
        value.resize(size / sizeof(wchar_t));
        while (!value.empty() && value.back() == L'\0')
            value.pop_back();
        return value;
    }
}

// The machine's value wins over the user's.
template <typename Reader> auto ReadValue(Reader reader, const wchar_t* name) {
    auto value = reader(HKEY_LOCAL_MACHINE, name);
    return value ? value : reader(HKEY_CURRENT_USER, name);
}

} // namespace

UpdatePolicy ReadSystemUpdatePolicy() {
    UpdatePolicy policy;
    if (auto check = ReadValue(ReadDword, L"UpdateCheck"))
        policy.checkEnabled = *check != 0;
    if (auto address = ReadValue(ReadString, L"UpdateUrl"); address && !address->empty())
        policy.address = WideToUtf8(*address);
    return policy;
}

} // namespace platform
