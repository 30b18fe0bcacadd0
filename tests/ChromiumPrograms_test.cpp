#include "catalogue/ChromiumPrograms.h"

#include "CatalogueFixture.h"
#include "platform/System.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace testing_support;

namespace {

std::vector<std::string> Sorted(std::vector<std::string> items) {
    std::sort(items.begin(), items.end());
    return items;
}

// A "User Data" folder with its Default profile as current releases lay it out: databases without extension,
// cookies moved into Network, JSON and other files beside them.
void WriteUserData(const std::string& userData) {
    WriteFile(Join({userData, "Local State"}), "{\"profile\":{}}");
    const std::string profile = Join({userData, "Default"});
    for (const char* database : {"History", "Favicons", "Web Data", "Login Data", "Top Sites", "Shortcuts"})
        FakeUser::WriteDatabase(Join({profile, database}));
    FakeUser::WriteDatabase(Join({profile, "Network", "Cookies"}));
    WriteFile(Join({profile, "History-journal"}), "");
    WriteFile(Join({profile, "Bookmarks"}), "{\"roots\":{}}");
    WriteFile(Join({profile, "Preferences"}), "{}");
    WriteFile(Join({profile, "Visited Links"}), std::string(2048, '\0'));
    MakeFolder(Join({userData, "Profile 1"}));
}

} // namespace

// --- Profile search ----------------------------------------------------------------------------------------------

TEST(ChromiumPrograms, ChromeAndEdgeTakeTheFirstUserDataFolderThatHasADefaultSubfolder) {
    using Profiles = std::vector<std::pair<std::string, std::string>>;
    for (const auto& [program, id] : {std::pair{"Chrome", ProgramId::Chrome}, std::pair{"Edge", ProgramId::Edge}}) {
        FakeUser user;
        const std::string stable = user.ProgramFolder(program);
        const std::string sideBySide = user.ProgramFolder(std::string(program) + " SxS");
        const auto found = [&] {
            CBrowserChrome chrome(user.Folders(), id);
            chrome.FindProfiles();
            return ProfilesOf(chrome);
        };
        MakeFolder(Join({stable, "Profile 1"}));
        MakeFolder(Join({sideBySide, "Default"}));
        // Without its Default sub-folder the first candidate does not count.
        EXPECT_EQ(found(), (Profiles{{"Default", sideBySide}})) << program;
        MakeFolder(Join({stable, "Default"}));
        // Windows takes the first; Linux lists every place in order (a stable and a beta channel keep separate
        // data).
        EXPECT_EQ(found(), platform::kWindows ? (Profiles{{"Default", stable}})
                                              : (Profiles{{"Default", stable}, {"Default", sideBySide}}))
            << program;
    }
}

TEST(ChromiumPrograms, EveryUserDataProgramFindsOneDefaultProfile) {
    FakeUser user;
    for (const char* program : {"Chromium/Iron", "Vivaldi", "Epic", "SlimJet Browser", "Yandex Browser", "Edge"})
        if (!user.ProgramFolder(program).empty())
            WriteUserData(user.ProgramFolder(program));
    const auto expect = [&](const std::vector<std::pair<std::string, std::string>>& found, const char* program) {
        const std::string folder = user.ProgramFolder(program);
        if (folder.empty())
            EXPECT_TRUE(found.empty()) << program;
        else
            EXPECT_EQ(found, (std::vector<std::pair<std::string, std::string>>{{"Default", folder}})) << program;
    };
    expect(FoundProfiles<CBrowserIron>(user), "Chromium/Iron");
    expect(FoundProfiles<CBrowserVivaldi>(user), "Vivaldi");
    expect(FoundProfiles<CBrowserEpic>(user), "Epic");
    expect(FoundProfiles<CBrowserSlimjet>(user), "SlimJet Browser");
    expect(FoundProfiles<CBrowserYandex>(user), "Yandex Browser");
    CBrowserChrome edge(user.Folders(), ProgramId::Edge);
    edge.FindProfiles();
    expect(ProfilesOf(edge), "Edge");
    EXPECT_TRUE(FoundProfiles<CBrowserChrome>(user).empty());
}

TEST(ChromiumPrograms, ABrokenLocalStateChangesNothing) {
    // The list of profiles in "Local State" is not read: whatever the file holds, the profile is "Default" and its
    // databases are the SQLite files of the Default sub-folder.
    FakeUser user;
    const std::string userData = user.ProgramFolder("Edge");
    WriteUserData(userData);
    const std::string localState = Join({userData, "Local State"});
    std::string junk = RandomBytes(4096, 3);
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"empty", ""},
        {"cut short", "{\"profile\":{\"info_cache\":{\"Default\":{\"name\":\"Pers"},
        {"random bytes", junk},
        {"SQLite's header", SqliteHeaderBytes()},
    };
    for (const auto& c : cases) {
        WriteFile(localState, c.bytes);
        CBrowserChrome edge(user.Folders(), ProgramId::Edge);
        edge.FindProfiles();
        ASSERT_EQ(ProfilesOf(edge), (std::vector<std::pair<std::string, std::string>>{{"Default", userData}}))
            << c.what;
        EXPECT_EQ(edge.GetProfiles()[0]->GetFileList().size(), 6u) << c.what;
    }
}

TEST(ChromiumPrograms, OperaOperaGxAndBraveNeedOnlyTheirProfileFolder) {
    FakeUser user;
    const auto operaGx = [&] {
        CBrowserOpera program(user.Folders(), ProgramId::OperaGX);
        program.FindProfiles();
        return ProfilesOf(program);
    };
    EXPECT_TRUE(FoundProfiles<CBrowserOpera>(user).empty());
    EXPECT_TRUE(FoundProfiles<CBrowserBrave>(user).empty());
    EXPECT_TRUE(operaGx().empty());
    MakeFolder(user.ProgramFolder("Opera"));
    MakeFolder(user.ProgramFolder("Brave Browser"));
    EXPECT_EQ(FoundProfiles<CBrowserOpera>(user),
              (std::vector<std::pair<std::string, std::string>>{{"Default", user.ProgramFolder("Opera")}}));
    EXPECT_EQ(FoundProfiles<CBrowserBrave>(user),
              (std::vector<std::pair<std::string, std::string>>{{"Default", user.ProgramFolder("Brave Browser")}}));
    // Opera's folder is not Opera GX's. (Opera GX has no Linux release, so no place there.)
    EXPECT_TRUE(operaGx().empty());
    if (platform::kWindows) {
        MakeFolder(user.ProgramFolder("Opera GX"));
        EXPECT_EQ(operaGx(),
                  (std::vector<std::pair<std::string, std::string>>{{"Default", user.ProgramFolder("Opera GX")}}));
    }
}

// --- Folder tests --------------------------------------------------------------------------------------------------

TEST(ChromiumPrograms, FolderRulesCountMarkerFiles) {
    FakeUser user;
    CBrowserChrome chrome(user.Folders());
    CBrowserIron iron(user.Folders());
    CBrowserOpera opera(user.Folders());
    CBrowserEpic epic(user.Folders());

    // History and Cookies: the Chrome rule (two of three) holds, the Chromium rule (History and Bookmarks) does not.
    WriteFile(user / Join({"hc", "Default", "History"}), "x");
    WriteFile(user / Join({"hc", "Default", "COOKIES"}), "x");
    EXPECT_TRUE(chrome.IsProfileFolder(user / "hc"));
    EXPECT_TRUE(chrome.IsProfileFolder(user / "hc" + kSep));
    EXPECT_FALSE(iron.IsProfileFolder(user / "hc"));
    EXPECT_FALSE(epic.IsProfileFolder(user / "hc"));
    // The Default folder given itself fails the Chrome rule but passes Opera's.
    EXPECT_FALSE(chrome.IsProfileFolder(user / Join({"hc", "Default"})));
    EXPECT_TRUE(opera.IsProfileFolder(user / Join({"hc", "Default"})));

    WriteFile(user / Join({"hb", "Default", "History"}), "x");
    WriteFile(user / Join({"hb", "Default", "Bookmarks"}), "x");
    EXPECT_TRUE(iron.IsProfileFolder(user / "hb"));
    EXPECT_TRUE(chrome.IsProfileFolder(user / "hb"));

    // Markers must be files; one marker is not enough; a missing folder is no profile.
    WriteFile(user / Join({"one", "Default", "History"}), "x");
    MakeFolder(user / Join({"one", "Default", "Cookies"}));
    EXPECT_FALSE(chrome.IsProfileFolder(user / "one"));
    EXPECT_FALSE(chrome.IsProfileFolder(user / "missing"));
    EXPECT_FALSE(opera.IsProfileFolder(user / "missing"));

    WriteFile(user / Join({"opera", "History"}), "x");
    WriteFile(user / Join({"opera", "Web Data"}), "x");
    EXPECT_TRUE(opera.IsProfileFolder(user / "opera"));
    EXPECT_FALSE(chrome.IsProfileFolder(user / "opera"));
}

#ifndef _WIN32
TEST(ChromiumPrograms, TwoSpellingsOfOneMarkerCountOnce) {
    // Linux file systems can hold History and history side by side; that is still one marker.
    FakeUser user;
    WriteFile(user / Join({"u", "Default", "History"}), "x");
    WriteFile(user / Join({"u", "Default", "history"}), "x");
    EXPECT_FALSE(CBrowserIron(user.Folders()).IsProfileFolder(user / "u"));
    EXPECT_FALSE(CBrowserChrome(user.Folders()).IsProfileFolder(user / "u"));
}
#endif

// --- Database files ------------------------------------------------------------------------------------------------

TEST(ChromiumPrograms, DatabaseFilesAreChosenByTheHeader) {
    FakeUser user;
    const std::string userData = user.ProgramFolder("Chrome");
    WriteUserData(userData);
    WriteFile(Join({userData, "Default", "Short"}), std::string("SQLite format 3", 15)); // 15 bytes only
    WriteFile(Join({userData, "Default", "Almost"}), std::string("SQLite format 3\x01", 16) + "xxxx");
    const std::string profile = Join({userData, "Default"});
    const std::vector<std::string> expected =
        Sorted({Join({profile, "History"}), Join({profile, "Favicons"}), Join({profile, "Web Data"}),
                Join({profile, "Login Data"}), Join({profile, "Top Sites"}), Join({profile, "Shortcuts"})});
    EXPECT_EQ(Sorted(CBrowserChrome(user.Folders()).GetDatabaseFiles(userData)), expected);
    EXPECT_EQ(Sorted(CBrowserIron(user.Folders()).GetDatabaseFiles(userData)), expected);
    EXPECT_EQ(Sorted(CBrowserVivaldi(user.Folders()).GetDatabaseFiles(userData)), expected);
    EXPECT_EQ(Sorted(CBrowserChrome(user.Folders(), ProgramId::Edge).GetDatabaseFiles(userData)), expected);

    // Opera, Opera GX and Brave take the SQLite files of the profile folder itself, not of a Default sub-folder.
    EXPECT_EQ(Sorted(CBrowserBrave(user.Folders()).GetDatabaseFiles(profile)), expected);
    EXPECT_EQ(Sorted(CBrowserOpera(user.Folders()).GetDatabaseFiles(profile)), expected);
    EXPECT_EQ(Sorted(CBrowserOpera(user.Folders(), ProgramId::OperaGX).GetDatabaseFiles(profile)), expected);
    EXPECT_TRUE(CBrowserBrave(user.Folders()).GetDatabaseFiles(userData).empty());
}

TEST(ChromiumPrograms, ProcessNames) {
    const platform::KnownFolders none;
    if (platform::kWindows) {
        EXPECT_EQ(CBrowserIron(none).GetProcessNames(), (std::vector<std::string>{"chrome.exe", "iron.exe"}));
        EXPECT_EQ(CBrowserYandex(none).GetProcessNames(), (std::vector<std::string>{"browser.exe"}));
        EXPECT_EQ(CBrowserBrave(none).GetProcessNames(), (std::vector<std::string>{"Brave.exe"}));
    } else {
        // Debian's chromium package runs /usr/lib/chromium/chromium; Chrome and the Snap's Chromium run "chrome".
        EXPECT_EQ(CBrowserIron(none).GetProcessNames(),
                  (std::vector<std::string>{"chromium", "chromium-browser", "chrome"}));
        EXPECT_EQ(CBrowserChrome(none).GetProcessNames(), (std::vector<std::string>{"chrome"}));
    }
}
