#include "platform/FolderEntries.h"

#include "platform/Handle_win.h"
#include "platform/OpenPath_win.h"
#include "platform/WideText.h"

#include <windows.h>

namespace platform {

namespace {} // namespace

bool ForEachFolderEntry(const std::string& folder, const std::function<bool(const FolderEntry&)>& visit) {
    // The verbatim form lists folders deeper than 260 characters and one whose name reads as a device.
    std::wstring pattern = FileCallWidePath(folder);
    if (pattern.empty())
        return false;
    if (pattern.back() != L'\\' && pattern.back() != L'/')
        pattern += L'\\';
    pattern += L'*';
    WIN32_FIND_DATAW data{};
    HANDLE raw = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                  FIND_FIRST_EX_LARGE_FETCH);
    if (raw == INVALID_HANDLE_VALUE)
        return false;
    const UniqueFindHandle find(raw);
    FolderEntry entry;
    do {
        if (wcscmp(data.cFileName, L".") == 0 || wcscmp(data.cFileName, L"..") == 0)
            continue;
        entry.name = WideToUtf8(data.cFileName);
        entry.isFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        // Only links and junctions lead elsewhere; other reparse points (cloud placeholders, deduplicated files)
        // are where they appear. The find data carries the tag in dwReserved0.
        entry.isLink = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
                       (data.dwReserved0 == IO_REPARSE_TAG_SYMLINK || data.dwReserved0 == IO_REPARSE_TAG_MOUNT_POINT);
        entry.size = entry.isFolder ? 0 : (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        if (!visit(entry))
            break;
    } while (FindNextFileW(find.get(), &data));
    return true;
}

std::optional<FileIdentity> GetFileIdentity(const std::string& path) {
    // Junctions and links are followed, so every spelling of a folder gives the one identity.
    HANDLE raw = OpenPathForStatus(path);
    if (raw == INVALID_HANDLE_VALUE)
        return std::nullopt;
    const UniqueKernelHandle file(raw);
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file.get(), &info))
        return std::nullopt;
    return FileIdentity{info.dwVolumeSerialNumber,
                        (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

} // namespace platform
