#include "catalogue/ChromiumPrograms.h"

#include "support/FolderHelpers.h"
#include "platform/FolderEntries.h"
#include "support/StringHelpers.h"

#include <algorithm>
#include <functional>

namespace {

using K = KnownFolderId;
using Names = std::vector<std::string>;

const std::string kDefault = "Default";

// History, Bookmarks and Cookies in the "Default" sub-folder of a "User Data" folder: two are needed.
bool PassesUserDataRule(const std::string& folder, const std::vector<std::string>& markers) {
    const std::string defaultFolder = AppendBackslash(folder) + kDefault;
    return PathExists(defaultFolder) && CountMarkerFiles(defaultFolder, markers) >= 2;
}

} // namespace

int CountMarkerFiles(const std::string& folder, const std::vector<std::string>& markers) {
    // Distinct markers are counted: a case-sensitive file system may hold both History and history, which must
    // not stand in for a missing marker.
    std::vector<bool> seen(markers.size(), false);
    for (const std::string& name : ListFolder(folder, "*.*", false, false))
        for (size_t i = 0; i < markers.size(); ++i)
            if (EqualsNoCase(name, markers[i]))
                seen[i] = true;
    return static_cast<int>(std::count(seen.begin(), seen.end(), true));
}

namespace {

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
    FindUserDataProfile(*this, folders_,
                        ForSystem<DataLocations>({{K::LocalAppData, "Google\\Chrome\\User Data"},
                                                  {K::LocalAppData, "Google\\Chrome SxS\\User Data"}},
                                                 {{K::Config, "google-chrome"},
                                                  {K::Config, "google-chrome-beta"},
                                                  {K::Config, "google-chrome-unstable"},
                                                  {K::Home, ".var/app/com.google.Chrome/config/google-chrome"}}));
}

std::vector<std::string> CBrowserChrome::GetProcessNames() const {
    return ForSystem<Names>({"chrome.exe"}, {"chrome"});
}

bool CBrowserChrome::IsProfileFolder(const std::string& folder) const {
    return PassesUserDataRule(folder, {"History", "Bookmarks", "Cookies"});
}

std::vector<std::string> CBrowserChrome::GetDatabaseFiles(const std::string& profilePath) const {
    return DefaultSubfolderDatabases(profilePath);
}

void CBrowserVivaldi::FindProfiles() {
    FindUserDataProfile(
        *this, folders_,
        ForSystem<DataLocations>({{K::LocalAppData, "Vivaldi\\User Data"}},
                                 {{K::Config, "vivaldi"}, {K::Home, "snap/vivaldi/current/.config/vivaldi"}}));
}

std::vector<std::string> CBrowserVivaldi::GetProcessNames() const {
    return ForSystem<Names>({"vivaldi.exe"}, {"vivaldi-bin", "vivaldi"});
}

void CBrowserEpic::FindProfiles() {
    // No Linux release exists.
    FindUserDataProfile(*this, folders_,
                        ForSystem<DataLocations>({{K::LocalAppData, "Epic Privacy Browser\\User Data"}}, {}));
}

std::vector<std::string> CBrowserEpic::GetProcessNames() const {
    return ForSystem<Names>({"epic.exe"}, {"epic"});
}

void CBrowserSlimjet::FindProfiles() {
    FindUserDataProfile(*this, folders_,
                        ForSystem<DataLocations>({{K::LocalAppData, "Slimjet\\User Data"}}, {{K::Config, "slimjet"}}));
}

std::vector<std::string> CBrowserSlimjet::GetProcessNames() const {
    return ForSystem<Names>({"slimjet.exe"}, {"slimjet"});
}

void CBrowserYandex::FindProfiles() {
    FindUserDataProfile(*this, folders_,
                        ForSystem<DataLocations>({{K::LocalAppData, "Yandex\\YandexBrowser\\User Data"}},
                                                 {{K::Config, "yandex-browser"}}));
}

std::vector<std::string> CBrowserYandex::GetProcessNames() const {
    return ForSystem<Names>({"browser.exe"}, {"yandex_browser", "yandex-browser"});
}

void CBrowserBrave::FindProfiles() {
    FindProfileFolder(
        *this, folders_,
        ForSystem<DataLocations>({{K::RoamingAppData, "brave"}},
                                 {{K::Config, "BraveSoftware/Brave-Browser/Default"},
                                  {K::Home, "snap/brave/current/.config/BraveSoftware/Brave-Browser/Default"}}));
}

std::vector<std::string> CBrowserBrave::GetProcessNames() const {
    return ForSystem<Names>({"Brave.exe"}, {"brave"});
}

std::vector<std::string> CBrowserBrave::GetDatabaseFiles(const std::string& profilePath) const {
    return EnumerateDatabaseFiles(profilePath, "");
}

// --- Chromium/Iron --------------------------------------------------------------------------------------------

void CBrowserIron::FindProfiles() {
    FindUserDataProfile(*this, folders_,
                        ForSystem<DataLocations>({{K::LocalAppData, "Chromium\\User Data"}},
                                                 {{K::Config, "chromium"},
                                                  {K::Home, "snap/chromium/common/chromium"},
                                                  {K::Home, ".var/app/org.chromium.Chromium/config/chromium"}}));
}

std::vector<std::string> CBrowserIron::GetProcessNames() const {
    return ForSystem<Names>({"chrome.exe", "iron.exe"}, {"chromium", "chromium-browser", "chrome"});
}

bool CBrowserIron::IsProfileFolder(const std::string& folder) const {
    return PassesUserDataRule(folder, {"History", "Bookmarks"});
}

std::vector<std::string> CBrowserIron::GetDatabaseFiles(const std::string& profilePath) const {
    return DefaultSubfolderDatabases(profilePath);
}

// --- Opera ----------------------------------------------------------------------------------------------------

void CBrowserOpera::FindProfiles() {
    FindProfileFolder(
        *this, folders_,
        ForSystem<DataLocations>({{K::RoamingAppData, "Opera Software\\Opera Stable"}}, {{K::Config, "opera"}}));
}

std::vector<std::string> CBrowserOpera::GetProcessNames() const {
    return ForSystem<Names>({"opera.exe"}, {"opera"});
}

bool CBrowserOpera::IsProfileFolder(const std::string& folder) const {
    return PathExists(folder) && CountMarkerFiles(folder, {"History", "Cookies", "Web Data"}) >= 2;
}

std::vector<std::string> CBrowserOpera::GetDatabaseFiles(const std::string& profilePath) const {
    return EnumerateDatabaseFiles(profilePath, "");
}
