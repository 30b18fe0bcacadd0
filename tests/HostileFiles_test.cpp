// Files and folders as other systems and running programs leave them: names that Windows reads as devices, files
// held open by their program, profiles deeper than 260 characters. Each case runs with a short ctest time-out, so
// that an open that blocks fails the test instead of hanging it.

#include "CatalogueFixture.h"
#include "ChildProcess.h"
#include "EngineTestSupport.h"
#include "TestSupport.h"

#include "app/CommandLine.h"
#include "catalogue/Catalogue.h"
#include "engine/Optimization.h"

#include "catalogue/ChromiumPrograms.h"
#include "engine/Analysis.h"
#include "engine/Compaction.h"
#include "platform/System.h"
#include "platform/Text.h"
#include "support/FolderHelpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

using namespace testing_support;

namespace {

// Moves a file to a name that the usual path form cannot reach on Windows (CON, com1.db).
void MoveTo(const std::string& from, const std::string& to) {
    std::filesystem::rename(platform::PathFromUtf8(platform::FileCallPath(from)),
                            platform::PathFromUtf8(platform::FileCallPath(to)));
}

bool HasErrorOrWarning(const std::vector<std::string>& lines) {
    return std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
        return line.rfind("Error", 0) == 0 || line.rfind("Warning", 0) == 0;
    });
}

// The Chrome profile of the user, its "Default" folder prepared by fill before the search.
struct ChromeProfile {
    explicit ChromeProfile(const FakeUser& user) : chrome(user.Folders()) {}
    CBrowserChrome chrome;
    CBrowserProfile* Find() {
        chrome.FindProfiles();
        return chrome.GetProfiles().empty() ? nullptr : chrome.GetProfiles().front().get();
    }
};

} // namespace

// --- Names that read as devices ----------------------------------------------------------------------------------

TEST(HostileFiles, DeviceNamesInAProfileAreFilesAndAreCompacted) {
    FakeUser user;
    const std::string folder = Join({user.ProgramFolder("Chrome"), "Default"});
    MakeFolder(folder);
    const std::vector<std::string> names = {"AUX", "CON", "COM1", "History", "con.db"};
    for (const std::string& name : names) {
        MakeDatabase(Join({folder, "making"}), 300, 1000, 2);
        MoveTo(Join({folder, "making"}), Join({folder, name}));
    }
    // Not databases: left out, and never opened as the printer or the null device.
    WriteFile(Join({folder, "making"}), "plain text");
    MoveTo(Join({folder, "making"}), Join({folder, "PRN"}));
    WriteFile(Join({folder, "making"}), "");
    MoveTo(Join({folder, "making"}), Join({folder, "nul.txt"}));

    ChromeProfile chrome(user);
    CBrowserProfile* profile = chrome.Find();
    ASSERT_NE(profile, nullptr);
    std::vector<std::string> files = profile->GetFileList();
    std::sort(files.begin(), files.end());
    std::vector<std::string> expected;
    for (const std::string& name : names)
        expected.push_back(Join({folder, name}));
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(files, expected);

    std::vector<std::uint64_t> before;
    for (const std::string& file : expected) {
        before.push_back(QueryFileSize(file));
        EXPECT_GT(before.back(), 0u) << file;
        // The analysis reads them as the files they are, too.
        const FileEstimate estimate = EstimateFile(file, false, nullptr);
        EXPECT_EQ(estimate.basis, EstimateBasis::pages) << file;
        EXPECT_GT(estimate.reclaimable, 0u) << file;
    }
    LogCapture log;
    unsigned notCompacted = 1;
    EXPECT_TRUE(OptimizeProfile(*profile, nullptr, nullptr, &notCompacted));
    EXPECT_FALSE(HasErrorOrWarning(log.Texts())) << ::testing::PrintToString(log.Texts());
    EXPECT_EQ(notCompacted, 0u);
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_LT(QueryFileSize(expected[i]), before[i]) << expected[i];
        EXPECT_EQ(CountRows(expected[i]), 150) << expected[i];
    }
    EXPECT_EQ(ReadFile(platform::FileCallPath(Join({folder, "PRN"}))), "plain text");
}

// --- A file held by its running program --------------------------------------------------------------------------

TEST(HostileFiles, HeldFileInAChromiumProfileGivesUpTheProfile) {
    if (!platform::kWindows)
        GTEST_SKIP() << "only Windows holds files without sharing";
    FakeUser user;
    const std::string folder = Join({user.ProgramFolder("Chrome"), "Default"});
    MakeFolder(folder);
    MakeDatabase(Join({folder, "History"}), 300, 1000, 2);
    const std::string held = ReadFile(Join({folder, "History"}));

    ChildProcess holder;
    ASSERT_TRUE(holder.Start(EngineHelperPath(), {"hold", Join({folder, "History"})}));
    ASSERT_EQ(holder.ReadLine(), "ready");
    ChromeProfile chrome(user);
    CBrowserProfile* profile = chrome.Find();
    ASSERT_NE(profile, nullptr);
    // Listed although its header cannot be read: the program that holds it is still running.
    EXPECT_EQ(profile->GetFileList(), std::vector<std::string>{Join({folder, "History"})});
    LogCapture log;
    EXPECT_FALSE(OptimizeProfile(*profile, nullptr, nullptr));
    holder.CloseInput();
    holder.Wait();
    EXPECT_EQ(log.Texts().back(), "Error: SQLITE_CANTOPEN. Seems like related program ('Chrome') is still running");
    EXPECT_TRUE(ReadFile(Join({folder, "History"})) == held);
}

// --- Long paths --------------------------------------------------------------------------------------------------

TEST(HostileFiles, ProfileDeeperThan260CharactersIsListedAndCompacted) {
    if (!platform::kWindows)
        GTEST_SKIP() << "SQLite's Linux file layer takes paths of up to 512 bytes";
    TempFolder temp;
    // Five folders of 80 CJK characters (240 bytes each, within Linux's 255-byte names under Wine): over 400
    // characters and 1200 bytes of UTF-8, beyond both MAX_PATH and the 1040 bytes of SQLite's default Windows layer.
    std::string component;
    for (int i = 0; i < 80; ++i)
        component += "\xE8\xB3\x87"; // U+8CC7
    const std::string folder = Join({temp.Path(), component, component, component, component, component});
    ASSERT_GT(platform::PathFromUtf8(folder).native().size(), 400u);
    std::filesystem::create_directories(platform::PathFromUtf8(platform::FileCallPath(folder)));
    MakeDatabase(temp / "making.sqlite", 300, 1000, 2);
    MoveTo(temp / "making.sqlite", Join({folder, "places.sqlite"}));

    EXPECT_TRUE(PathExists(folder));
    EXPECT_TRUE(IsFolder(folder));
    EXPECT_EQ(FolderNames(folder), std::vector<std::string>{"places.sqlite"});
    const std::string file = Join({folder, "places.sqlite"});
    const std::uint64_t before = QueryFileSize(file);
    EXPECT_GT(before, 0u);
    EXPECT_TRUE(IsSqliteFile(file));

    const FileEstimate estimate = EstimateFile(file, false, nullptr);
    EXPECT_EQ(estimate.basis, EstimateBasis::pages);
    EXPECT_GT(estimate.reclaimable, 0u);

    FakeProgram program("Firefox", kEverySqliteFile);
    CBrowserProfile* profile = program.AddProfile(AppendBackslash(folder), "deep", false);
    LogCapture log;
    EXPECT_TRUE(OptimizeProfile(*profile, nullptr, nullptr));
    EXPECT_FALSE(HasErrorOrWarning(log.Texts())) << ::testing::PrintToString(log.Texts());
    EXPECT_LT(QueryFileSize(file), before);
    EXPECT_EQ(CountRows(file), 150);
    // The verbatim form typed by a user names the same folder and file.
    EXPECT_TRUE(PathExists(platform::FileCallPath(folder)));
    EXPECT_EQ(QueryFileSize(platform::FileCallPath(file)), QueryFileSize(file));
}

// --- Bad input: long paths and names outside the code page ------------------------------------------------------

namespace {

using Profiles = std::vector<std::pair<std::string, std::string>>; // name, path

// Compacts the one Firefox profile a fake user's profiles.ini names, and checks the catalogue, the command line
// and the run on the way: the profile is found where the file says, its database is listed, selected by name and
// by path, compacted, and its rows kept.
void CompactTheOnlyFirefoxProfile(const platform::KnownFolders& folders, const std::string& firefoxFolder,
                                  const std::string& profilesIni, const std::string& name,
                                  const std::string& profileFolder, const std::string& database) {
    WriteFile(Join({firefoxFolder, "profiles.ini"}), profilesIni);
    const std::string databasePath = Join({profileFolder, database});
    MakeFolder(profileFolder);
    MakeDatabase(databasePath, 400, 1000, 4);
    const std::uint64_t before = QueryFileSize(databasePath);
    ASSERT_GT(before, 0u) << databasePath;

    Catalogue catalogue = BuildCatalogue(folders);
    const CBrowser* firefox = catalogue.FindProgramByName("Firefox");
    ASSERT_EQ(ProfilesOf(*firefox), (Profiles{{name, AppendBackslash(profileFolder)}}));
    CBrowserProfile* profile = firefox->GetProfiles()[0].get();
    EXPECT_EQ(profile->GetFileList(), std::vector<std::string>{databasePath});

    LogCapture log;
    EXPECT_EQ(ParseProfileArgument(catalogue, "/Firefox:" + name), std::vector<CBrowserProfile*>{profile});
    EXPECT_EQ(ParseProfileArgument(catalogue, "/Chrome:" + profileFolder), std::vector<CBrowserProfile*>{profile});
    EXPECT_TRUE(RunOptimization({profile}, nullptr, nullptr));
    const std::vector<std::string> lines = log.Texts();
    ASSERT_GE(lines.size(), 5u);
    EXPECT_EQ(lines[1], "Optimizing '" + name + "'");
    EXPECT_EQ(lines[2], "Path: " + AppendBackslash(profileFolder));
    EXPECT_EQ(lines[3], database + "...");
    EXPECT_EQ(lines.back().rfind("Completed in ", 0), 0u) << ::testing::PrintToString(lines);
    EXPECT_LT(QueryFileSize(databasePath), before);
    EXPECT_EQ(CountRows(databasePath), 100);
    EXPECT_EQ(IntegrityCheck(databasePath), "ok");
}

} // namespace

TEST(BadInput, AProfilePathOf300Characters) {
    FakeUser user;
    // Folders of 50 characters down to a profile folder whose path is at least 300 characters long: beyond
    // MAX_PATH (260) on Windows.
    std::string folder = user / "long";
    while (folder.size() < 300)
        folder += kSep + std::string(49, 'd') + std::to_string(folder.size() % 10);
    ASSERT_GE(folder.size(), 300u);
    const std::string ini = "[Profile0]\nName=long\nIsRelative=0\nPath=" + folder + "\n";
    CompactTheOnlyFirefoxProfile(user.Folders(), user.ProgramFolder("Firefox"), ini, "long", folder, "places.sqlite");
}

TEST(BadInput, NamesOutsideTheCodePage) {
    // The user's own folders, the profile's name, its folder and its database all carry Cyrillic, CJK and emoji
    // letters, which no Windows ANSI code page holds together: the narrow INI function gets the short path of the
    // file, and the value's bytes are decoded as UTF-8. The file as the programs write it, and as a text editor
    // saves it, with a byte-order mark and CRLF line ends.
    const std::string name = "Работа 🦊 日本";
    const std::string asWritten = "[Profile0]\nName=" + name + "\nIsRelative=1\nPath=Profiles/абв.日本語🦊\n";
    const std::string asEdited = "\xEF\xBB\xBF[Profile0]\r\nName=" + name +
                                 "\r\nIsRelative=1\r\n"
                                 "Path=Profiles/абв.日本語🦊\r\n";
    for (const std::string& ini : {asWritten, asEdited}) {
        SCOPED_TRACE(ini == asWritten ? "as written" : "as edited");
        TempFolder temp;
        const std::string user = temp / "Пользователь 日本 🦊";
        platform::KnownFolders folders;
        if (platform::kWindows) {
            folders.roamingAppData = Join({user, "AppData", "Roaming"});
            folders.localAppData = Join({user, "AppData", "Local"});
        } else {
            folders.home = user;
            folders.config = Join({user, ".config"});
        }
        const std::string firefox = platform::kWindows ? Join({folders.roamingAppData, "Mozilla", "Firefox"})
                                                       : Join({user, ".mozilla", "firefox"});
        CompactTheOnlyFirefoxProfile(folders, firefox, ini, name, Join({firefox, "Profiles", "абв.日本語🦊"}),
                                     "история 🦊.sqlite");
    }
}
