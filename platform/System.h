#pragma once
// The system: what differs between Windows and Linux at compile time, the known folders, and the policy an
// administrator sets for the update check.

#include <functional>
#include <optional>
#include <string>

namespace platform {

// Facts about the system this build targets, for the few rules that differ between Windows and Linux.

#ifdef _WIN32
inline constexpr bool kWindows = true;
// Separator between the components of a path.
inline constexpr char kPathSeparator = '\\';
// Windows file systems ignore letter case; profile paths are compared accordingly.
inline constexpr bool kCaseInsensitivePaths = true;
#else
inline constexpr bool kWindows = false;
inline constexpr char kPathSeparator = '/';
inline constexpr bool kCaseInsensitivePaths = false;
#endif

// True for the characters that end a path component on this system.
constexpr bool IsPathSeparator(char c) {
    return c == kPathSeparator || (kWindows && c == '/');
}

// Per-user folders in which the supported programs and Tidyquill keep their data.

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

// What administrators decide about the update check, in the registry under
// Software\Quartzmoore Software\Tidyquill: the DWORD UpdateCheck (0 turns the check off) and the string UpdateUrl
// (replaces the update file's address). A value under HKEY_LOCAL_MACHINE wins over the same value under
// HKEY_CURRENT_USER.

struct UpdatePolicy {
    bool checkEnabled = true;
    std::optional<std::string> address; // UTF-8; none when not set or empty
};

// Reads the policy; values of another type count as not set. Linux: the defaults (check on, own address). With a
// replacement installed, answers the replacement's policy instead.
UpdatePolicy ReadUpdatePolicy();

// Replaces the registry as the policy's source for the rest of the process; an empty function restores it. Answers
// the previous one. Tests that open the main window point its update check at a server of their own this way,
// without touching the registry that other tests of the same system share.
using UpdatePolicyReader = std::function<UpdatePolicy()>;
UpdatePolicyReader SetUpdatePolicyReader(UpdatePolicyReader replacement);

} // namespace platform
