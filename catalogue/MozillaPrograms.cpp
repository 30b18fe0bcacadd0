#include "catalogue/MozillaPrograms.h"

#include "support/FolderHelpers.h"
#include "catalogue/Ini.h"
#include "platform/FolderEntries.h"
#include "support/StringHelpers.h"

#include <algorithm>

namespace {

using K = KnownFolderId;
using Names = std::vector<std::string>;

const std::string kProfilesIni = "profiles.ini";
const std::string kDatabaseMask = "*.sqlite";

// The first place that holds a profiles.ini, as a folder ending with a separator; empty when none does.
std::string FindProfilesFolder(const platform::KnownFolders& folders, const DataLocations& places) {
    for (const DataLocation& place : places) {
        const std::string folder = ResolveLocation(folders, place);
        if (!folder.empty() && PathExists(folder + kProfilesIni))
            return folder;
    }
    return {};
}

// The folders whose profiles.ini is read, each ending with a separator. Windows: the first place that holds one.
// Linux: every place that holds one, in the order of the places (a user may have Debian's package beside the Snap or
// the Flatpak), a folder reached again through a link only once.
std::vector<std::string> ProfilesFolders(const platform::KnownFolders& folders, const DataLocations& places) {
    std::vector<std::string> found;
    if (platform::kWindows) {
        const std::string first = FindProfilesFolder(folders, places);
        if (!first.empty())
            found.push_back(first);
        return found;
    }
    std::vector<platform::FileIdentity> seen;
    for (const DataLocation& place : places) {
        const std::string folder = ResolveLocation(folders, place);
        if (folder.empty() || !PathExists(folder + kProfilesIni))
            continue;
        const auto identity = platform::GetFileIdentity(folder);
        if (identity && std::find(seen.begin(), seen.end(), *identity) != seen.end())
            continue;
        if (identity)
            seen.push_back(*identity);
        found.push_back(folder);
    }
    return found;
}

void ReadEveryProfilesIni(CBrowser& program, const platform::KnownFolders& folders, const DataLocations& places) {
    for (const std::string& folder : ProfilesFolders(folders, places))
        ReadProfilesIni(program, folder + kProfilesIni, folder);
}

bool HasFileNamed(const std::vector<std::string>& names, const std::string& wanted) {
    for (const std::string& name : names)
        if (EqualsNoCase(name, wanted))
            return true;
    return false;
}

} // namespace

void ReadProfilesIni(CBrowser& program, const std::string& iniPath, const std::string& baseFolder) {
    if (!PathExists(iniPath))
        return;
    const CIni ini(iniPath);
    std::vector<std::string> sections;
    ini.GetSectionNames(sections);
    for (const std::string& section : sections) {
        // Profile0, Profile1, Profiles, ProfileX; not profile0, General or Install... sections.
        if (section.compare(0, 7, "Profile") != 0)
            continue;
        const std::string value = ini.GetString(section, "Path");
        std::string path;
        if (ini.GetBool(section, "IsRelative")) {
            path = baseFolder + value;
            if (platform::kWindows)
                ReplaceAll(path, "/", "\\", false);
        } else {
            // Absolute paths are taken as written, slashes and all.
            path = value;
        }
        program.AddProfile(AppendBackslash(path), ini.GetString(section, "Name"), false);
    }
}

bool HasFirefoxMarkers(const std::string& folder) {
    const std::vector<std::string> names = ListFolder(folder, "*.*", true, false);
    return HasFileNamed(names, "urlclassifierkey3.txt") || HasFileNamed(names, "bookmarks.html") ||
           HasFileNamed(names, "bookmarkbackups");
}

// --- Firefox and the programs that share its code ------------------------------------------------------------

CBrowserFirefox::CBrowserFirefox(const platform::KnownFolders& folders, DataLocations places)
    : folders_(folders), appDataSubfolder(std::move(places)) {}

CBrowserFirefox::CBrowserFirefox(const platform::KnownFolders& folders)
    : CBrowserFirefox(folders,
                      ForSystem<DataLocations>({{K::RoamingAppData, "Mozilla\\Firefox\\"}},
                                               {{K::Home, ".mozilla/firefox/"},
                                                {K::Config, "mozilla/firefox/"},
                                                {K::Home, "snap/firefox/common/.mozilla/firefox/"},
                                                {K::Home, ".var/app/org.mozilla.firefox/.mozilla/firefox/"}})) {}

void CBrowserFirefox::FindProfiles() {
    ReadEveryProfilesIni(*this, folders_, appDataSubfolder);
}

std::vector<std::string> CBrowserFirefox::GetProcessNames() const {
    return ForSystem<Names>({"firefox.exe"}, {"firefox", "firefox-esr", "firefox-bin"});
}

bool CBrowserFirefox::IsProfileFolder(const std::string& folder) const {
    return HasFirefoxMarkers(folder);
}

std::vector<std::string> CBrowserFirefox::GetDatabaseFiles(const std::string& profilePath) const {
    return EnumerateDatabaseFiles(profilePath, kDatabaseMask);
}

CBrowserSeaMonkey::CBrowserSeaMonkey(const platform::KnownFolders& folders)
    : CBrowserFirefox(folders, ForSystem<DataLocations>({{K::RoamingAppData, "Mozilla\\SeaMonkey\\"}},
                                                        {{K::Home, ".mozilla/seamonkey/"}})) {}

std::vector<std::string> CBrowserSeaMonkey::GetProcessNames() const {
    return ForSystem<Names>({"seamonkey.exe"}, {"seamonkey", "seamonkey-bin"});
}

CBrowserCyberfox::CBrowserCyberfox(const platform::KnownFolders& folders)
    : CBrowserFirefox(folders, ForSystem<DataLocations>({{K::RoamingAppData, "8pecxstudios\\Cyberfox\\"}},
                                                        {{K::Home, ".8pecxstudios/cyberfox/"}})) {}

std::vector<std::string> CBrowserCyberfox::GetProcessNames() const {
    return ForSystem<Names>({"Cyberfox.exe"}, {"cyberfox", "cyberfox-bin"});
}

// --- Pale Moon ------------------------------------------------------------------------------------------------

void CBrowserPalemoon::FindProfiles() {
    ReadEveryProfilesIni(*this, folders_,
                         ForSystem<DataLocations>({{K::RoamingAppData, "Moonchild Productions\\Pale Moon\\"}},
                                                  {{K::Home, ".moonchild productions/pale moon/"}}));
}

std::vector<std::string> CBrowserPalemoon::GetProcessNames() const {
    return ForSystem<Names>({"palemoon.exe"}, {"palemoon", "palemoon-bin"});
}

std::vector<std::string> CBrowserPalemoon::GetDatabaseFiles(const std::string& profilePath) const {
    return EnumerateDatabaseFiles(profilePath, kDatabaseMask);
}

// --- Thunderbird and FossaMail --------------------------------------------------------------------------------

std::string CBrowserThunderbird::FirstProfilesIni(const DataLocations& places) const {
    const std::string found = FindProfilesFolder(folders_, places);
    const std::string folder = found.empty() ? ResolveLocation(folders_, places.front()) : found;
    return folder.empty() ? std::string() : folder + kProfilesIni;
}

DataLocations CBrowserThunderbird::ProfilesIniPlaces() const {
    return ForSystem<DataLocations>({{K::RoamingAppData, "Thunderbird\\"}},
                                    {{K::Home, ".thunderbird/"},
                                     {K::Home, ".mozilla-thunderbird/"},
                                     {K::Home, "snap/thunderbird/common/.thunderbird/"},
                                     {K::Home, ".var/app/org.mozilla.Thunderbird/.thunderbird/"}});
}

std::string CBrowserThunderbird::GetProfilesIniPath() const {
    return FirstProfilesIni(ProfilesIniPlaces());
}

void CBrowserThunderbird::FindProfiles() {
    // Relative profile paths are based on the folder that holds the profiles.ini: the roaming folder followed by
    // the program's name, on Windows. Linux reads every place's file.
    if (!platform::kWindows) {
        ReadEveryProfilesIni(*this, folders_, ProfilesIniPlaces());
        return;
    }
    const std::string iniPath = GetProfilesIniPath();
    if (iniPath.empty() || !PathExists(iniPath))
        return;
    ReadProfilesIni(*this, iniPath, iniPath.substr(0, iniPath.size() - kProfilesIni.size()));
}

std::vector<std::string> CBrowserThunderbird::GetProcessNames() const {
    return ForSystem<Names>({"thunderbird.exe"}, {"thunderbird", "thunderbird-bin"});
}

bool CBrowserThunderbird::IsProfileFolder(const std::string& folder) const {
    return HasFileNamed(ListFolder(folder, kDatabaseMask, false, false), "global-messages-db.sqlite");
}

std::vector<std::string> CBrowserThunderbird::GetDatabaseFiles(const std::string& profilePath) const {
    return EnumerateDatabaseFiles(profilePath, kDatabaseMask);
}

DataLocations CBrowserFossaMail::ProfilesIniPlaces() const {
    return ForSystem<DataLocations>({{K::RoamingAppData, "FossaMail\\"}}, {{K::Home, ".fossamail/"}});
}

std::string CBrowserFossaMail::GetProfilesIniPath() const {
    return FirstProfilesIni(ProfilesIniPlaces());
}

std::vector<std::string> CBrowserFossaMail::GetProcessNames() const {
    return ForSystem<Names>({"FossaMail.exe"}, {"fossamail", "fossamail-bin"});
}
