#include "catalogue/MozillaPrograms.h"

#include "CatalogueFixture.h"
#include "catalogue/Catalogue.h"
#include "platform/System.h"
#include "support/FolderHelpers.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <unistd.h>
#endif

using namespace testing_support;

namespace {

const std::string kSep(1, platform::kPathSeparator);

struct Found {
    std::string name;
    std::string path;
    bool operator==(const Found& other) const { return name == other.name && path == other.path; }
};

std::ostream& operator<<(std::ostream& out, const Found& found) {
    return out << "{" << found.name << ", " << found.path << "}";
}

template <typename Program> std::vector<Found> FindWith(const FakeUser& user) {
    Program program(user.Folders());
    program.FindProfiles();
    std::vector<Found> found;
    for (const auto& profile : program.GetProfiles()) {
        EXPECT_FALSE(profile->custom);
        EXPECT_TRUE(profile->checked);
        EXPECT_FALSE(profile->missing);
        found.push_back({profile->GetName(), profile->GetPath()});
    }
    return found;
}

// An absolute folder outside the fake user's folders, written the way each system writes one.
std::string AbsoluteElsewhere() {
    return platform::kWindows ? "D:/ff/p1" : "/ff/p1";
}

} // namespace

// --- Which sections become profiles, and in which order ---------------------------------------------------------

TEST(MozillaPrograms, ProfileSectionsInFileOrderOnly) {
    FakeUser user;
    const std::string folder = user.ProgramFolder("Firefox");
    WriteFile(Join({folder, "profiles.ini"}), "[General]\nStartWithLastProfile=1\n"
                                              "[Profile1]\nName=second\nIsRelative=1\nPath=Profiles/b\n"
                                              "[Profile0]\nName=first\nIsRelative=1\nPath=Profiles/a\n"
                                              "[InstallABC]\nDefault=Profiles/a\n"
                                              "[profile2]\nName=lower\nPath=x\n"
                                              "[Profiles]\nName=plural\nIsRelative=1\nPath=p\n"
                                              "[ProfileX]\nName=x\nIsRelative=1\nPath=x\n");
    const std::string base = folder + kSep;
    EXPECT_EQ(FindWith<CBrowserFirefox>(user), (std::vector<Found>{{"second", base + "Profiles" + kSep + "b" + kSep},
                                                                   {"first", base + "Profiles" + kSep + "a" + kSep},
                                                                   {"plural", base + "p" + kSep},
                                                                   {"x", base + "x" + kSep}}));
}

TEST(MozillaPrograms, RelativeAndAbsolutePaths) {
    FakeUser user;
    const std::string folder = user.ProgramFolder("Firefox");
    WriteFile(Join({folder, "profiles.ini"}), "[Profile0]\nName=rel\nIsRelative=1\nPath=Profiles/abc.default\n"
                                              "[Profile1]\nName=abs\nIsRelative=0\nPath=" +
                                                  AbsoluteElsewhere() +
                                                  "\n"
                                                  "[Profile2]\nName=TRUE\nIsRelative=TRUE\nPath=t\n"
                                                  "[Profile3]\nName=yes\nIsRelative=yes\nPath=y\n"
                                                  "[Profile4]\nName=2\nIsRelative=2\nPath=two\n"
                                                  "[Profile5]\nName=no\nIsRelative=no\nPath=" +
                                                  AbsoluteElsewhere() +
                                                  "/no\n"
                                                  "[Profile6]\nName=empty\nIsRelative=\nPath=" +
                                                  AbsoluteElsewhere() +
                                                  "/e/\n"
                                                  "[Profile7]\nName=absent\nPath=" +
                                                  AbsoluteElsewhere() +
                                                  "/a\n"
                                                  "[Profile8]\nName=nopath\nIsRelative=1\n"
                                                  "[Profile9]\nIsRelative=1\nPath=unnamed\n");
    const std::string base = folder + kSep;
    // Relative: the base folder and the value, every slash turned into the separator, one separator at the end.
    // Absolute: the value as written, slashes kept, one separator added.
    EXPECT_EQ(FindWith<CBrowserFirefox>(user),
              (std::vector<Found>{{"rel", base + "Profiles" + kSep + "abc.default" + kSep},
                                  {"abs", AbsoluteElsewhere() + kSep},
                                  {"TRUE", base + "t" + kSep},
                                  {"yes", base + "y" + kSep},
                                  {"2", base + "two" + kSep},
                                  {"no", AbsoluteElsewhere() + "/no" + kSep},
                                  {"empty", AbsoluteElsewhere() + "/e/" + (platform::kWindows ? "\\" : "")},
                                  {"absent", AbsoluteElsewhere() + "/a" + kSep},
                                  {"nopath", base},
                                  {"", base + "unnamed" + kSep}}));
}

TEST(MozillaPrograms, NonAsciiPathsInUtf8AndInTheNarrowCodePage) {
    FakeUser user;
    const std::string folder = user.ProgramFolder("Firefox");
    WriteFile(Join({folder, "profiles.ini"}), "[Profile0]\nName=J\xC3\xBCrgen\nIsRelative=1\nPath=Profiles/j\xC3\xBC\n"
                                              "[Profile1]\nName=J\xFCrgen\nIsRelative=1\nPath=Profiles/l\xFC\n");
    const std::string base = folder + kSep + "Profiles" + kSep;
    // Linux file names are bytes: the Latin-1 name is the folder's real name, kept as it stands.
    const std::string latin = platform::kWindows ? "Jürgen" : "J\xFCrgen";
    const std::string latinFolder = platform::kWindows ? "lü" : "l\xFC";
    EXPECT_EQ(FindWith<CBrowserFirefox>(user),
              (std::vector<Found>{{"Jürgen", base + "jü" + kSep}, {latin, base + latinFolder + kSep}}));
}

#ifndef _WIN32
TEST(MozillaPrograms, AProfileFolderWhoseNameIsNoUtf8IsFoundListedAndCompacted) {
    FakeUser user;
    const std::string folder = user.ProgramFolder("Firefox");
    WriteFile(Join({folder, "profiles.ini"}), "[Profile0]\nName=J\xFCrgen\nIsRelative=1\nPath=Profiles/l\xFC\xFF\n");
    const std::string profileFolder = Join({folder, "Profiles", "l\xFC\xFF"});
    FakeUser::WriteDatabase(Join({profileFolder, "caf\xE9.sqlite"}));
    CBrowserFirefox firefox(user.Folders());
    firefox.FindProfiles();
    ASSERT_EQ(firefox.GetProfiles().size(), 1u);
    CBrowserProfile& profile = *firefox.GetProfiles()[0];
    EXPECT_EQ(profile.GetPath(), profileFolder + kSep);
    EXPECT_EQ(profile.GetFileList(), std::vector<std::string>{Join({profileFolder, "caf\xE9.sqlite"})});
}
#endif

TEST(MozillaPrograms, DefaultMarksChangeNothingAndMissingFoldersStillCount) {
    FakeUser user;
    const std::string folder = user.ProgramFolder("Firefox");
    WriteFile(Join({folder, "profiles.ini"}), "[Profile0]\nName=a\nIsRelative=1\nPath=gone/a\nDefault=1\n"
                                              "[Profile1]\nName=b\nIsRelative=1\nPath=gone/b\nDefault=1\n");
    const auto found = FindWith<CBrowserFirefox>(user); // checks every profile is checked and not missing
    ASSERT_EQ(found.size(), 2u);
    EXPECT_FALSE(PathExists(found[0].path));
}

TEST(MozillaPrograms, EachProgramReadsItsOwnFileAndBase) {
    FakeUser user;
    for (const char* program : {"Firefox", "SeaMonkey", "Cyberfox", "Pale Moon", "Thunderbird", "FossaMail"})
        WriteFile(Join({user.ProgramFolder(program), "profiles.ini"}),
                  std::string("[Profile0]\nName=") + program + "\nIsRelative=1\nPath=Profiles/p\n");
    const auto expect = [&](const std::vector<Found>& found, const std::string& program) {
        EXPECT_EQ(found,
                  (std::vector<Found>{{program, user.ProgramFolder(program) + kSep + "Profiles" + kSep + "p" + kSep}}));
    };
    expect(FindWith<CBrowserFirefox>(user), "Firefox");
    expect(FindWith<CBrowserSeaMonkey>(user), "SeaMonkey");
    expect(FindWith<CBrowserCyberfox>(user), "Cyberfox");
    expect(FindWith<CBrowserPalemoon>(user), "Pale Moon");
    expect(FindWith<CBrowserThunderbird>(user), "Thunderbird");
    expect(FindWith<CBrowserFossaMail>(user), "FossaMail");
    EXPECT_EQ(CBrowserFossaMail(user.Folders()).GetProfilesIniPath(),
              Join({user.ProgramFolder("FossaMail"), "profiles.ini"}));
}

TEST(MozillaPrograms, NotInstalledOrUnknownFoldersGiveNoProfiles) {
    FakeUser user;
    EXPECT_TRUE(FindWith<CBrowserFirefox>(user).empty());
    EXPECT_TRUE(FindWith<CBrowserThunderbird>(user).empty());
    // A profiles.ini that is a folder, and a user whose folders are unknown.
    MakeFolder(Join({user.ProgramFolder("Firefox"), "profiles.ini"}));
    EXPECT_TRUE(FindWith<CBrowserFirefox>(user).empty());
    CBrowserFirefox nowhere(platform::KnownFolders{});
    nowhere.FindProfiles();
    EXPECT_TRUE(nowhere.GetProfiles().empty());
    EXPECT_EQ(CBrowserThunderbird(platform::KnownFolders{}).GetProfilesIniPath(), "");
}

#ifndef _WIN32
TEST(MozillaPrograms, LinuxReadsEveryPlaceThatHoldsAProfilesIni) {
    FakeUser user;
    const std::string home = user.Folders().home;
    const std::string config = user.Folders().config;
    // Debian's package in the new default place, and the Snap: each place's profiles after the previous place's.
    MakeFolder(Join({home, ".mozilla", "firefox"}));
    WriteFile(Join({config, "mozilla", "firefox", "profiles.ini"}),
              "[Profile0]\nName=new\nIsRelative=1\nPath=abc.default\n");
    WriteFile(Join({home, "snap", "firefox", "common", ".mozilla", "firefox", "profiles.ini"}),
              "[Profile0]\nName=snap\nIsRelative=1\nPath=s\n");
    const std::vector<Found> debianAndSnap{
        {"new", Join({config, "mozilla", "firefox", "abc.default/"})},
        {"snap", Join({home, "snap", "firefox", "common", ".mozilla", "firefox", "s/"})}};
    EXPECT_EQ(FindWith<CBrowserFirefox>(user), debianAndSnap);
    // The Flatpak's place is a link to the first place: its profiles are not listed twice.
    MakeFolder(Join({home, ".var", "app", "org.mozilla.firefox", ".mozilla"}));
    ASSERT_EQ(symlink(Join({config, "mozilla", "firefox"}).c_str(),
                      Join({home, ".var", "app", "org.mozilla.firefox", ".mozilla", "firefox"}).c_str()),
              0);
    EXPECT_EQ(FindWith<CBrowserFirefox>(user), debianAndSnap);

    WriteFile(Join({home, ".mozilla-thunderbird", "profiles.ini"}), "[Profile0]\nName=old\nIsRelative=1\nPath=o\n");
    EXPECT_EQ(FindWith<CBrowserThunderbird>(user),
              (std::vector<Found>{{"old", Join({home, ".mozilla-thunderbird", "o/"})}}));
    WriteFile(Join({home, ".thunderbird", "profiles.ini"}), "[Profile0]\nName=new\nIsRelative=1\nPath=n\n");
    EXPECT_EQ(FindWith<CBrowserThunderbird>(user),
              (std::vector<Found>{{"new", Join({home, ".thunderbird", "n/"})},
                                  {"old", Join({home, ".mozilla-thunderbird", "o/"})}}));
    // The ini path a program names is still the first place's.
    EXPECT_EQ(CBrowserThunderbird(user.Folders()).GetProfilesIniPath(), Join({home, ".thunderbird", "profiles.ini"}));
}
#endif

// --- Folder tests and database files -------------------------------------------------------------------------------

TEST(MozillaPrograms, FolderTests) {
    FakeUser user;
    CBrowserFirefox firefox(user.Folders());
    CBrowserThunderbird thunderbird(user.Folders());
    CBrowserPalemoon palemoon(user.Folders());

    MakeFolder(user / Join({"backups", "BookmarkBackups"}));
    WriteFile(user / Join({"html", "Bookmarks.HTML"}), "x");
    WriteFile(user / Join({"key", "urlclassifierkey3.txt"}), "x");
    WriteFile(user / Join({"placesonly", "places.sqlite"}), "x");
    WriteFile(user / Join({"mail", "Global-Messages-DB.sqlite"}), "x");
    MakeFolder(user / Join({"mailfolder", "global-messages-db.sqlite"}));

    EXPECT_TRUE(firefox.IsProfileFolder(user / "backups"));
    EXPECT_TRUE(firefox.IsProfileFolder(user / "html"));
    EXPECT_TRUE(firefox.IsProfileFolder(user / "key"));
    EXPECT_TRUE(firefox.IsProfileFolder(user / "backups" + kSep));
    EXPECT_FALSE(firefox.IsProfileFolder(user / "placesonly"));
    EXPECT_FALSE(firefox.IsProfileFolder(user / "missing"));
    EXPECT_FALSE(thunderbird.IsProfileFolder(user / "placesonly"));
    EXPECT_TRUE(thunderbird.IsProfileFolder(user / "mail"));
    EXPECT_FALSE(thunderbird.IsProfileFolder(user / "mailfolder")); // a folder with the marker's name does not count
    EXPECT_FALSE(palemoon.IsProfileFolder(user / "backups"));
    EXPECT_TRUE(CBrowserSeaMonkey(user.Folders()).IsProfileFolder(user / "html"));
    EXPECT_TRUE(CBrowserFossaMail(user.Folders()).IsProfileFolder(user / "mail"));
}

TEST(MozillaPrograms, DatabaseFilesAreTheSqliteFilesDirectlyInTheProfile) {
    FakeUser user;
    const std::string profile = user / "profile";
    WriteFile(Join({profile, "places.sqlite"}), SqliteHeaderBytes());
    WriteFile(Join({profile, "cookies.sqlite"}), "not even a database");
    WriteFile(Join({profile, "empty.sqlite"}), "");
    WriteFile(Join({profile, "places.sqlite-wal"}), "x");
    WriteFile(Join({profile, "prefs.js"}), "x");
    WriteFile(Join({profile, "storage", "permanent", "x.sqlite"}), "x");
    WriteFile(Join({profile, "storage", "y.sqlite"}), "x");
    MakeFolder(Join({profile, "z.sqlite"}));
    const std::vector<std::string> expected{Join({profile, "places.sqlite"})};
    EXPECT_EQ(CBrowserFirefox(user.Folders()).GetDatabaseFiles(profile + kSep), expected);
    EXPECT_EQ(CBrowserThunderbird(user.Folders()).GetDatabaseFiles(profile), expected);
}

// --- Files as the real programs write them ---------------------------------------------------------------------------

TEST(MozillaPrograms, ProfilesIniAsWrittenByCurrentReleases) {
    FakeUser user;
    const std::string folder = user.ProgramFolder("Firefox");
    // Current releases add an install section and a section for background tasks; an absolute profile follows.
    const std::string work = platform::kWindows ? "E:\\Mozilla\\work" : "/srv/mozilla/work";
    WriteFile(Join({folder, "profiles.ini"}), ReadFile(Join({TIDYQUILL_FIXTURES, "firefox-profiles.ini"})) +
                                                  "[Profile2]\r\nName=work\r\nIsRelative=0\r\nPath=" + work + "\r\n");
    const std::string base = folder + kSep;
    EXPECT_EQ(FindWith<CBrowserFirefox>(user),
              (std::vector<Found>{{"default-release", base + "Profiles" + kSep + "k3xk4a1v.default-release" + kSep},
                                  {"default", base + "Profiles" + kSep + "9d0mzf3e.default" + kSep},
                                  {"work", work + kSep}}));

    const std::string mail = user.ProgramFolder("Thunderbird");
    WriteFile(Join({mail, "profiles.ini"}), ReadFile(Join({TIDYQUILL_FIXTURES, "thunderbird-profiles.ini"})));
    EXPECT_EQ(FindWith<CBrowserThunderbird>(user),
              (std::vector<Found>{{"default-release", mail + kSep + "vw2xo3r1.default-release" + kSep},
                                  {"default", mail + kSep + "r1n8cm2j.default" + kSep}}));
}
