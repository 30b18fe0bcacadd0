#include "catalogue/MessengerPrograms.h"

#include "catalogue/ChromiumPrograms.h"
#include "support/FolderHelpers.h"
#include "support/StringHelpers.h"

namespace {

using K = KnownFolderId;
using Names = std::vector<std::string>;

bool HasFileNamed(const std::string& folder, const std::string& wanted) {
    for (const std::string& name : ListFolder(folder, "*.*", false, false))
        if (EqualsNoCase(name, wanted))
            return true;
    return false;
}

} // namespace

// --- Skype ----------------------------------------------------------------------------------------------------

void CBrowserSkype::FindProfiles() {
    const std::string root =
        ResolveLocation(folders_, ForSystem<DataLocation>({K::RoamingAppData, "Skype\\"}, {K::Home, ".Skype/"}));
    if (root.empty() || !PathExists(root))
        return;
    WalkFolder(
        root, "*.*",
        [this](const std::string& path, std::uint64_t) {
            if (IsFolder(path) && HasFileNamed(path, "main.db"))
                foundFolders.push_back(path);
            return true;
        },
        true, true);
    for (const std::string& folder : foundFolders)
        AddProfile(folder, LastPathComponent(folder), false);
}

std::vector<std::string> CBrowserSkype::GetProcessNames() const {
    return ForSystem<Names>({"skype.exe"}, {"skypeforlinux", "skype"});
}

bool CBrowserSkype::IsProfileFolder(const std::string& folder) const {
    return PathExists(folder) && CountMarkerFiles(folder, {"main.db", "dc.db"}) >= 2;
}

std::vector<std::string> CBrowserSkype::GetDatabaseFiles(const std::string& profilePath) const {
    return EnumerateDatabaseFiles(profilePath, "*.db");
}

// --- Viber ----------------------------------------------------------------------------------------------------

void CBrowserViber::FindProfiles() {
    const std::string root =
        ResolveLocation(folders_, ForSystem<DataLocation>({K::RoamingAppData, "ViberPC\\"}, {K::Home, ".ViberPC/"}));
    if (root.empty() || !PathExists(root))
        return;
    for (const std::string& name : ListFolder(root, "*.*", true, false)) {
        // The shared "data" folder holds no account; the test is with case, so a folder "Data" is an account.
        const std::string candidate = root + name;
        if (name != "data" && IsFolder(candidate))
            AddProfile(candidate, name, false);
    }
}

std::vector<std::string> CBrowserViber::GetProcessNames() const {
    return ForSystem<Names>({"Viber.exe"}, {"Viber", "viber"});
}

bool CBrowserViber::IsProfileFolder(const std::string& folder) const {
    // The account folder itself, where the search finds accounts and the databases lie.
    return PathExists(folder) && CountMarkerFiles(folder, {"viber.db", "data.db"}) >= 2;
}

std::vector<std::string> CBrowserViber::GetDatabaseFiles(const std::string& profilePath) const {
    return EnumerateDatabaseFiles(profilePath, "");
}
