#pragma once
// Per-user folders in which the supported programs and Tidyquill keep their data.

#include <string>

namespace platform {

// Folder ids for GetSpecialFolder. The first two are the Windows CSIDL values; the last two exist on Linux only.
inline constexpr int kFolderRoamingAppData = 26; // CSIDL_APPDATA
inline constexpr int kFolderLocalAppData = 28;   // CSIDL_LOCAL_APPDATA
inline constexpr int kFolderHome = 0x10001;      // $HOME
inline constexpr int kFolderConfig = 0x10002;    // $XDG_CONFIG_HOME, else $HOME/.config

// The path of a per-user folder, without a trailing separator; empty when the system cannot tell it or the id
// means nothing on this system.
std::string GetSpecialFolder(int folderId);

// The known folders as one value, so that the catalogue can be pointed at fixture folders in tests.
// Each member is empty where the system has no such folder.
struct KnownFolders {
    std::string roamingAppData;
    std::string localAppData;
    std::string home;
    std::string config;
};

// The real folders of the current user.
KnownFolders QueryKnownFolders();

} // namespace platform
