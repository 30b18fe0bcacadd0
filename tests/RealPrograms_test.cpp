// Checks the catalogue against profiles that the real programs created in a throwaway home folder (see
// scripts/real-programs, which installs Debian's firefox-esr, chromium and thunderbird and runs each once).
// TIDYQUILL_REAL_HOME names that home folder; the program is not part of the normal test run.

#include "catalogue/Catalogue.h"
#include "support/FolderHelpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace {

platform::KnownFolders RealHome() {
    const char* home = std::getenv("TIDYQUILL_REAL_HOME");
    platform::KnownFolders folders;
    if (home != nullptr) {
        folders.home = home;
        folders.config = std::string(home) + "/.config";
    }
    return folders;
}

bool HasFile(const std::vector<std::string>& files, const std::string& name) {
    return std::any_of(files.begin(), files.end(), [&](const std::string& f) { return LastPathComponent(f) == name; });
}

} // namespace

TEST(RealPrograms, CatalogueFindsTheProfilesAndDatabasesTheProgramsCreated) {
    const platform::KnownFolders folders = RealHome();
    ASSERT_FALSE(folders.home.empty()) << "set TIDYQUILL_REAL_HOME";
    Catalogue catalogue = BuildCatalogue(folders);

    CBrowser* firefox = catalogue.FindProgramByName("Firefox");
    ASSERT_FALSE(firefox->GetProfiles().empty());
    bool firefoxPlaces = false;
    for (const auto& profile : firefox->GetProfiles()) {
        EXPECT_EQ(profile->GetPath().back(), '/');
        if (HasFile(profile->GetFileList(), "places.sqlite")) {
            firefoxPlaces = true;
            EXPECT_TRUE(firefox->IsProfileFolder(profile->GetPath()));
            EXPECT_EQ(catalogue.FindProgramForFolder(profile->GetPath()), firefox);
        }
    }
    EXPECT_TRUE(firefoxPlaces) << "no Firefox profile with places.sqlite";

    CBrowser* chromium = catalogue.FindProgramByName("Chromium/Iron");
    ASSERT_EQ(chromium->GetProfiles().size(), 1u);
    CBrowserProfile* chromiumProfile = chromium->GetProfiles()[0].get();
    EXPECT_EQ(chromiumProfile->GetName(), "Default");
    EXPECT_EQ(chromiumProfile->GetPath(), folders.config + "/chromium");
    const std::vector<std::string>& chromiumFiles = chromiumProfile->GetFileList();
    EXPECT_TRUE(HasFile(chromiumFiles, "History"));
    EXPECT_TRUE(HasFile(chromiumFiles, "Cookies"));
    EXPECT_FALSE(HasFile(chromiumFiles, "Preferences"));
    EXPECT_FALSE(HasFile(chromiumFiles, "History-journal"));
    EXPECT_GT(chromiumProfile->GetTotalSize(), 0u);

    CBrowser* thunderbird = catalogue.FindProgramByName("Thunderbird");
    ASSERT_FALSE(thunderbird->GetProfiles().empty());
    bool thunderbirdFiles = false;
    for (const auto& profile : thunderbird->GetProfiles())
        thunderbirdFiles = thunderbirdFiles || !profile->GetFileList().empty();
    EXPECT_TRUE(thunderbirdFiles) << "no Thunderbird profile with database files";

    for (const auto& program : catalogue.Programs()) {
        std::printf("%s:", program->GetName().c_str());
        for (const auto& profile : program->GetProfiles())
            std::printf(" [%s: %s, %zu files]", profile->GetName().c_str(), profile->GetPath().c_str(),
                        profile->GetFileList().size());
        std::printf("\n");
    }
}
