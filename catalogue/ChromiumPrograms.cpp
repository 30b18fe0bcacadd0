#include "catalogue/ChromiumPrograms.h"

#include "catalogue/MarkerFiles.h"
#include "platform/Files.h"
#include "support/FolderHelpers.h"

#include <algorithm>
#include <functional>

namespace {

const std::string kDefault = "Default";

// History, Bookmarks and Cookies in the "Default" sub-folder of a "User Data" folder: two are needed.
bool PassesUserDataRule(const std::string& folder, const std::vector<std::string>& markers) {
    const std::string defaultFolder = AppendBackslash(folder) + kDefault;
    return PathExists(defaultFolder) && CountMarkerFiles(defaultFolder, markers) >= 2;
}

// Adds a profile for the places that pass the test. Windows: the first one. Linux: every one, in the order of the
// places (a user may have the distribution's build beside the Snap or the Flatpak), a folder reached again through
// a link only once.
void AddProfilesAt(CBrowser& program, const platform::KnownFolders& folders, const DataLocations& places,
                   const std::function<bool(const std::string&)>& accepts) {
    std::vector<platform::FileIdentity> seen;
    for (const DataLocation& place : places) {
        const std::string candidate = ResolveLocation(folders, place);
        if (candidate.empty() || !accepts(candidate))
            continue;
        const auto identity = platform::GetFileIdentity(candidate);
        if (identity && std::find(seen.begin(), seen.end(), *identity) != seen.end())
            continue;
        if (identity)
            seen.push_back(*identity);
        program.AddProfile(candidate, kDefault, false);
        if (platform::kWindows)
            return;
    }
}

} // namespace

void FindUserDataProfile(CBrowser& program, const platform::KnownFolders& folders, const DataLocations& places) {
    AddProfilesAt(program, folders, places, [](const std::string& candidate) {
        return PathExists(candidate) && PathExists(AppendBackslash(candidate) + kDefault);
    });
}

void FindProfileFolder(CBrowser& program, const platform::KnownFolders& folders, const DataLocations& places) {
    AddProfilesAt(program, folders, places, [](const std::string& candidate) { return PathExists(candidate); });
}

std::vector<std::string> DefaultSubfolderDatabases(const std::string& userDataFolder) {
    return EnumerateDatabaseFiles(AppendBackslash(userDataFolder) + kDefault, "");
}

// --- Chrome and the programs that share its code -------------------------------------------------------------

void CBrowserChrome::FindProfiles() {
    FindUserDataProfile(*this, GetFolders(), GetPlaces());
}

bool CBrowserChrome::IsProfileFolder(const std::string& folder) const {
    return PassesUserDataRule(folder, {"History", "Bookmarks", "Cookies"});
}

std::vector<std::string> CBrowserChrome::GetDatabaseFiles(const std::string& profilePath) const {
    return DefaultSubfolderDatabases(profilePath);
}

void CBrowserBrave::FindProfiles() {
    FindProfileFolder(*this, GetFolders(), GetPlaces());
}

std::vector<std::string> CBrowserBrave::GetDatabaseFiles(const std::string& profilePath) const {
    return EnumerateDatabaseFiles(profilePath, "");
}

// --- Chromium/Iron --------------------------------------------------------------------------------------------

void CBrowserIron::FindProfiles() {
    FindUserDataProfile(*this, GetFolders(), GetPlaces());
}

bool CBrowserIron::IsProfileFolder(const std::string& folder) const {
    return PassesUserDataRule(folder, {"History", "Bookmarks"});
}

std::vector<std::string> CBrowserIron::GetDatabaseFiles(const std::string& profilePath) const {
    return DefaultSubfolderDatabases(profilePath);
}

// --- Opera ----------------------------------------------------------------------------------------------------

void CBrowserOpera::FindProfiles() {
    FindProfileFolder(*this, GetFolders(), GetPlaces());
}

bool CBrowserOpera::IsProfileFolder(const std::string& folder) const {
    return PathExists(folder) && CountMarkerFiles(folder, {"History", "Cookies", "Web Data"}) >= 2;
}

std::vector<std::string> CBrowserOpera::GetDatabaseFiles(const std::string& profilePath) const {
    return EnumerateDatabaseFiles(profilePath, "");
}
