#include "platform/KnownFolders.h"

#include "platform/WideText.h"

#include <windows.h>
#include <shlobj.h>

namespace platform {

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

} // namespace platform
