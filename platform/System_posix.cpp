#include "platform/System.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace platform {

// --- Known folders ---------------------------------------------------------------------------------------------------

namespace {

std::string WithoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/')
        return WithoutTrailingSlashes(home);
    // No usable $HOME: ask the user database, as the shell does.
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
    passwd entry{};
    passwd* result = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &result) == 0 && result != nullptr &&
        result->pw_dir != nullptr && result->pw_dir[0] == '/')
        return WithoutTrailingSlashes(result->pw_dir);
    return {};
}

std::string ConfigFolder() {
    // The XDG rule: a relative $XDG_CONFIG_HOME is invalid and ignored.
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/')
        return WithoutTrailingSlashes(config);
    const std::string home = HomeFolder();
    return home.empty() ? std::string() : (home == "/" ? "/.config" : home + "/.config");
}

} // namespace

std::string GetSpecialFolder(int folderId) {
    switch (folderId) {
    case kFolderHome:
        return HomeFolder();
    case kFolderConfig:
        return ConfigFolder();
    default:
        return {};
    }
}

KnownFolders QueryKnownFolders() {
    KnownFolders folders;
    folders.home = HomeFolder();
    folders.config = ConfigFolder();
    return folders;
}

// --- Update policy ---------------------------------------------------------------------------------------------------

// Linux has no update check and no registry: the defaults.
UpdatePolicy ReadSystemUpdatePolicy() {
    return {};
}

} // namespace platform
