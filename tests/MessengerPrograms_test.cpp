#include "catalogue/MessengerPrograms.h"

#include "CatalogueFixture.h"
#include "EngineTestSupport.h"
#include "catalogue/Catalogue.h"
#include "engine/Optimization.h"
#include "platform/System.h"
#include "platform/Text.h"
#include "support/FolderHelpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

using namespace testing_support;

// --- Skype -----------------------------------------------------------------------------------------------------------

TEST(MessengerPrograms, SkypeFindsEveryFolderWithMainDbAtAnyDepth) {
    FakeUser user;
    const std::string root = user.ProgramFolder("Skype");
    WriteFile(Join({root, "alice", "main.db"}), "x");
    WriteFile(Join({root, "alice", "sub", "MAIN.DB"}), "x");
    WriteFile(Join({root, "bob", "main.db"}), "x");
    WriteFile(Join({root, "Content", "other.db"}), "x");
    WriteFile(Join({root, "main.db"}), "x"); // the data folder itself is not an account

    const auto found = FoundProfiles<CBrowserSkype>(user);
    ASSERT_EQ(found.size(), 3u);
    const auto position = [&](const std::string& path) {
        return std::find_if(found.begin(), found.end(), [&](const auto& p) { return p.second == path; }) -
               found.begin();
    };
    EXPECT_LT(position(Join({root, "alice"})), position(Join({root, "alice", "sub"})));
    EXPECT_LT(position(Join({root, "bob"})), 3);
    EXPECT_EQ(found[position(Join({root, "alice", "sub"}))].first, "sub");
    EXPECT_EQ(found[position(Join({root, "bob"}))].first, "bob");
}

TEST(MessengerPrograms, SkypeFolderTestNeedsBothFilesAndDatabasesAreTakenByMask) {
    FakeUser user;
    CBrowserSkype skype(user.Folders());
    const std::string account = user / "account";
    WriteFile(Join({account, "main.db"}), "not sqlite");
    EXPECT_FALSE(skype.IsProfileFolder(account));
    WriteFile(Join({account, "dc.db"}), "x");
    EXPECT_TRUE(skype.IsProfileFolder(account));
    EXPECT_FALSE(skype.IsProfileFolder(user / "missing"));

    // Taken by the mask, databases or not (the run warns about the others), but not an empty file.
    WriteFile(Join({account, "empty.db"}), "");
    std::vector<std::string> named = skype.GetDatabaseFiles(account);
    std::sort(named.begin(), named.end());
    EXPECT_EQ(named, (std::vector<std::string>{Join({account, "dc.db"}), Join({account, "main.db"})}));
    std::filesystem::remove(platform::PathFromUtf8(Join({account, "empty.db"})));
    WriteFile(Join({account, "main.db"}), SqliteHeaderBytes());
    WriteFile(Join({account, "dc.db"}), SqliteHeaderBytes());
    WriteFile(Join({account, "keyval.db-journal"}), SqliteHeaderBytes());
    WriteFile(Join({account, "chatsync", "x.db"}), SqliteHeaderBytes());
    std::vector<std::string> files = skype.GetDatabaseFiles(account);
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{Join({account, "dc.db"}), Join({account, "main.db"})}));
}

TEST(MessengerPrograms, SkypeSearchEndsOnALinkLoop) {
    // Skype/alice/loop -> Skype. Under Wine the test harness makes the loop (Windows programs cannot) and names it.
    FakeUser user;
    platform::KnownFolders folders = user.Folders();
    std::string root = user.ProgramFolder("Skype");
    if (const char* prepared = std::getenv("TIDYQUILL_LINK_LOOP")) {
        root = prepared;
        folders.roamingAppData = root.substr(0, root.find_last_of("\\/"));
    } else {
        WriteFile(Join({root, "alice", "main.db"}), "x");
        std::error_code error;
        std::filesystem::create_directory_symlink(platform::PathFromUtf8(root),
                                                  platform::PathFromUtf8(Join({root, "alice", "loop"})), error);
        if (error)
            GTEST_SKIP() << "folder links cannot be made here: " << error.message();
    }
    CBrowserSkype skype(folders);
    skype.FindProfiles();
    // alice, and not the link alice/loop, whose target (the data folder) holds no main.db.
    ASSERT_EQ(skype.GetProfiles().size(), 1u);
    EXPECT_EQ(skype.GetProfiles()[0]->GetPath(), Join({root, "alice"}));
}

// --- Viber -----------------------------------------------------------------------------------------------------------

TEST(MessengerPrograms, ViberAccountsAreTheSubfoldersExceptData) {
    FakeUser user;
    const std::string root = user.ProgramFolder("Viber");
    MakeFolder(Join({root, "data"}));
    MakeFolder(Join({root, "380501234567"}));
    WriteFile(Join({root, "config.db"}), "x");
    auto found = FoundProfiles<CBrowserViber>(user);
    EXPECT_EQ(found,
              (std::vector<std::pair<std::string, std::string>>{{"380501234567", Join({root, "380501234567"})}}));

    if (!platform::kWindows) {
        // The name is compared with case: "Data" is an account.
        MakeFolder(Join({root, "Data"}));
        found = FoundProfiles<CBrowserViber>(user);
        EXPECT_EQ(found.size(), 2u);
    }
}

TEST(MessengerPrograms, ViberFolderTestAndDatabases) {
    FakeUser user;
    CBrowserViber viber(user.Folders());
    const std::string account = user / "380501234567";
    MakeFolder(account);
    // An account without databases is still a profile; it has nothing to compact.
    EXPECT_TRUE(viber.GetDatabaseFiles(account).empty());
    EXPECT_FALSE(viber.IsProfileFolder(account));

    FakeUser::WriteDatabase(Join({account, "viber.db"}));
    FakeUser::WriteDatabase(Join({account, "Data.db"}));
    WriteFile(Join({account, "notes.db"}), "plain text");
    FakeUser::WriteDatabase(Join({account, "sub", "x.db"}));
    EXPECT_TRUE(viber.IsProfileFolder(account));
    std::vector<std::string> files = viber.GetDatabaseFiles(account);
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{Join({account, "Data.db"}), Join({account, "viber.db"})}));
}

// --- Bad input: link loops under messenger folders ------------------------------------------------------------

namespace {

namespace fs = std::filesystem;
using Profiles = std::vector<std::pair<std::string, std::string>>; // name, path

} // namespace

TEST(BadInput, LinkLoopsUnderMessengerFoldersEndTheSearchAndTheRun) {
    // Skype/alice/loop -> Skype, Skype/bob/main.db -> itself, ViberPC/380501234567/loop -> ViberPC. Windows
    // programs under Wine cannot make links: there the test harness makes them beforehand and names the folder.
    FakeUser user;
    platform::KnownFolders folders = user.Folders();
    std::string skype = user.ProgramFolder("Skype");
    std::string viber = user.ProgramFolder("Viber");
    if (const char* prepared = std::getenv("TIDYQUILL_BAD_LINKS")) {
        folders.roamingAppData = prepared;
        skype = Join({prepared, "Skype"});
        viber = Join({prepared, "ViberPC"});
    } else {
        WriteFile(Join({skype, "alice", "main.db"}), "not a database");
        MakeFolder(Join({skype, "bob"}));
        MakeFolder(Join({viber, "380501234567"}));
        std::error_code error;
        fs::create_directory_symlink(platform::PathFromUtf8(skype),
                                     platform::PathFromUtf8(Join({skype, "alice", "loop"})), error);
        if (!error)
            fs::create_symlink("main.db", platform::PathFromUtf8(Join({skype, "bob", "main.db"})), error);
        if (!error)
            fs::create_directory_symlink(platform::PathFromUtf8(viber),
                                         platform::PathFromUtf8(Join({viber, "380501234567", "loop"})), error);
        if (error)
            GTEST_SKIP() << "links cannot be made here: " << error.message();
    }
    const std::string aliceDb = ReadFile(Join({skype, "alice", "main.db"}));

    Catalogue catalogue = BuildCatalogue(folders);
    std::vector<CBrowserProfile*> selection;
    for (const char* name : {"Skype", "Viber"})
        for (const auto& profile : catalogue.FindProgramByName(name)->GetProfiles())
            selection.push_back(profile.get());
    Profiles found;
    for (CBrowserProfile* profile : selection)
        found.emplace_back(profile->GetName(), profile->GetPath());
    std::sort(found.begin(), found.end()); // the walk goes in the file system's order
    // alice once (the link alice/loop leads back to the data folder, which holds no main.db), bob for the name of
    // his main.db, and the Viber account, whose loop is never entered. Wine does not list a link that leads nowhere,
    // so there bob has no main.db.
    Profiles expected{{"380501234567", Join({viber, "380501234567"})}, {"alice", Join({skype, "alice"})}};
    if (!platform::kWindows)
        expected.emplace_back("bob", Join({skype, "bob"}));
    EXPECT_EQ(found, expected);

    LogCapture log;
    EXPECT_TRUE(RunOptimization(selection, nullptr, nullptr));
    const std::vector<std::string> lines = log.Texts();
    // alice's main.db is no database: it is named and warned about, and left as it is.
    const auto named = std::find(lines.begin(), lines.end(), "main.db...");
    ASSERT_NE(named, lines.end()) << ::testing::PrintToString(lines);
    EXPECT_EQ(*(named + 1), "Warning: the file is encrypted or not valid");
    EXPECT_EQ(lines.back().rfind("Completed in ", 0), 0u) << ::testing::PrintToString(lines);
    EXPECT_EQ(ReadFile(Join({skype, "alice", "main.db"})), aliceDb);
}
