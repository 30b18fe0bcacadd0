#include "platform/Storage.h"

#include "platform/Handle_win.h"
#include "platform/Text.h"

#include <windows.h>
#include <winioctl.h>

#include <cwchar>

namespace platform {

// --- Seek penalty ----------------------------------------------------------------------------------------------------

SeekPenalty QuerySeekPenalty(const std::string& path) {
    const std::wstring wide = FileCallWidePath(path);
    std::wstring mountPoint(wide.size() + 2, L'\0');
    if (!GetVolumePathNameW(wide.c_str(), mountPoint.data(), static_cast<DWORD>(mountPoint.size())))
        return SeekPenalty::unknown;
    mountPoint.resize(std::wcslen(mountPoint.c_str()));
    // The mount point of a verbatim path keeps the "\\?\" prefix; the look-up below wants a drive's plain form.
    if (mountPoint.size() == 7 && mountPoint.compare(0, 4, L"\\\\?\\") == 0 && mountPoint[5] == L':')
        mountPoint.erase(0, 4);
    // The volume's own name ("\\?\Volume{...}\"); a network share has none. Without its trailing backslash it
    // opens the volume rather than its root folder.
    wchar_t volume[MAX_PATH] = {};
    if (!GetVolumeNameForVolumeMountPointW(mountPoint.c_str(), volume, MAX_PATH))
        return SeekPenalty::unknown;
    std::wstring device = volume;
    if (!device.empty() && device.back() == L'\\')
        device.pop_back();
    // No access rights are needed to ask a property of the storage; this works without administrator rights.
    const UniqueKernelHandle handle(
        CreateFileW(device.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!handle)
        return SeekPenalty::unknown;
    STORAGE_PROPERTY_QUERY query = {};
    query.PropertyId = StorageDeviceSeekPenaltyProperty;
    query.QueryType = PropertyStandardQuery;
    DEVICE_SEEK_PENALTY_DESCRIPTOR answer = {};
    DWORD bytes = 0;
    // A volume over several disks (a spanned or striped one, Storage Spaces) has no single answer and fails here.
    if (!DeviceIoControl(handle.get(), IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof(query), &answer, sizeof(answer),
                         &bytes, nullptr) ||
        bytes < sizeof(answer))
        return SeekPenalty::unknown;
    return answer.IncursSeekPenalty ? SeekPenalty::seeks : SeekPenalty::none;
}

// --- The database engine's temporary folder --------------------------------------------------------------------------

std::string DatabaseTemporaryFolder() {
    // SQLite's Windows layer asks the same call (winGetTempname).
    wchar_t folder[MAX_PATH + 2] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 2, folder);
    if (length == 0 || length > MAX_PATH + 1)
        return {};
    return WideToUtf8(std::wstring_view(folder, length));
}

} // namespace platform
