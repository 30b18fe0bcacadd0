#include "catalogue/MozillaPrograms.h"

#include "catalogue/MarkerFiles.h"

#include "catalogue/Ini.h"
#include "platform/Files.h"
#include "support/FolderHelpers.h"
#include "support/StringHelpers.h"

#include <algorithm>

namespace {

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

} // namespace

void ReadProfilesIni(CBrowser& program, const std::string& iniPath, const std::string& baseFolder) {
    if (!PathExists(iniPath))
        return;
    // One reading of the file for all its values: a file of many sections is read in time proportional to its size.
    const CIni ini(iniPath, true);
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
    return CountMarkerFiles(folder, {"urlclassifierkey3.txt", "bookmarks.html", "bookmarkbackups"}, "*.*",
                            FolderEntries::FilesAndFolders) > 0;
}

// --- Firefox and the programs that share its code ------------------------------------------------------------

void CBrowserFirefox::FindProfiles() {
    ReadEveryProfilesIni(*this, GetFolders(), GetPlaces());
}

bool CBrowserFirefox::IsProfileFolder(const std::string& folder) const {
    return HasFirefoxMarkers(folder);
}

std::vector<std::string> CBrowserFirefox::GetDatabaseFiles(const std::string& profilePath) const {
    return EnumerateDatabaseFiles(profilePath, kDatabaseMask);
}

// --- Pale Moon ------------------------------------------------------------------------------------------------

void CBrowserPalemoon::FindProfiles() {
    ReadEveryProfilesIni(*this, GetFolders(), GetPlaces());
}

std::vector<std::string> CBrowserPalemoon::GetDatabaseFiles(const std::string& profilePath) const {
    return EnumerateDatabaseFiles(profilePath, kDatabaseMask);
}

// --- Thunderbird and FossaMail --------------------------------------------------------------------------------

std::string CBrowserThunderbird::GetProfilesIniPath() const {
    const DataLocations& places = GetPlaces();
    if (places.empty())
        return {};
    const std::string found = FindProfilesFolder(GetFolders(), places);
    const std::string folder = found.empty() ? ResolveLocation(GetFolders(), places.front()) : found;
    return folder.empty() ? std::string() : folder + kProfilesIni;
}

void CBrowserThunderbird::FindProfiles() {
    // Relative profile paths are based on the folder that holds the profiles.ini: the roaming folder followed by
    // the program's name, on Windows. Linux reads every place's file.
    if (!platform::kWindows) {
        ReadEveryProfilesIni(*this, GetFolders(), GetPlaces());
        return;
    }
    const std::string iniPath = GetProfilesIniPath();
    if (iniPath.empty() || !PathExists(iniPath))
        return;
    ReadProfilesIni(*this, iniPath, iniPath.substr(0, iniPath.size() - kProfilesIni.size()));
}

bool CBrowserThunderbird::IsProfileFolder(const std::string& folder) const {
    return CountMarkerFiles(folder, {"global-messages-db.sqlite"}, kDatabaseMask) > 0;
}

std::vector<std::string> CBrowserThunderbird::GetDatabaseFiles(const std::string& profilePath) const {
    return EnumerateDatabaseFiles(profilePath, kDatabaseMask);
}
