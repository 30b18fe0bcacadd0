#include "catalogue/MessengerPrograms.h"

#include "catalogue/MarkerFiles.h"
#include "support/FolderHelpers.h"
#include "support/StringHelpers.h"

// --- Skype ----------------------------------------------------------------------------------------------------

void CBrowserSkype::FindProfiles() {
    const std::string root = GetFirstPlace();
    if (root.empty() || !PathExists(root))
        return;
    WalkFolder(
        root, "*.*",
        [this](const std::string& path, std::uint64_t) {
            if (IsFolder(path) && CountMarkerFiles(path, {"main.db"}) > 0)
                foundFolders.push_back(path);
            return true;
        },
        WalkDepth::AllSubFolders, FolderEntries::FilesAndFolders);
    for (const std::string& folder : foundFolders)
        AddProfile(folder, LastPathComponent(folder), false);
}

bool CBrowserSkype::IsProfileFolder(const std::string& folder) const {
    return PathExists(folder) && CountMarkerFiles(folder, {"main.db", "dc.db"}) >= 2;
}

std::vector<std::string> CBrowserSkype::GetDatabaseFiles(const std::string& profilePath) const {
    return EnumerateDatabaseFiles(profilePath, "*.db");
}

// --- Viber ----------------------------------------------------------------------------------------------------

void CBrowserViber::FindProfiles() {
    const std::string root = GetFirstPlace();
    if (root.empty() || !PathExists(root))
        return;
    for (const std::string& name : ListFolder(root, "*.*", FolderEntries::FilesAndFolders, EntryNames::NamesOnly)) {
        // The shared "data" folder holds no account; the test is with case, so a folder "Data" is an account.
        const std::string candidate = root + name;
        if (name != "data" && IsFolder(candidate))
            AddProfile(candidate, name, false);
    }
}

bool CBrowserViber::IsProfileFolder(const std::string& folder) const {
    // The account folder itself, where the search finds accounts and the databases lie.
    return PathExists(folder) && CountMarkerFiles(folder, {"viber.db", "data.db"}) >= 2;
}

std::vector<std::string> CBrowserViber::GetDatabaseFiles(const std::string& profilePath) const {
    return EnumerateDatabaseFiles(profilePath, "");
}
