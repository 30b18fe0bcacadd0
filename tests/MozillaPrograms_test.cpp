#include "catalogue/MozillaPrograms.h"

#include "CatalogueFixture.h"
#include "catalogue/Catalogue.h"
#include "platform/System.h"
#include "platform/Text.h"
#include "support/FolderHelpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>

#ifndef _WIN32
#include <unistd.h>
#endif

using namespace testing_support;

namespace {

struct Found {
    std::string name;
    std::string path;
    bool operator==(const Found& other) const { return name == other.name && path == other.path; }
};

std::ostream& operator<<(std::ostream& out, const Found& found) {
    return out << "{" << found.name << ", " << found.path << "}";
}

// The profiles a program of the given class finds; with an id, an object of the class for that program's row.
template <typename Program, typename... Id> std::vector<Found> FindWith(const FakeUser& user, Id... id) {
    Program program(user.Folders(), id...);
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
    for (const char* program : {"Firefox", "SeaMonkey", "Cyberfox", "Pale Moon", "Thunderbird", "FossaMail", "Waterfox",
                                "LibreWolf", "Floorp", "Zen"})
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
    expect(FindWith<CBrowserFirefox>(user, ProgramId::Waterfox), "Waterfox");
    expect(FindWith<CBrowserFirefox>(user, ProgramId::LibreWolf), "LibreWolf");
    expect(FindWith<CBrowserFirefox>(user, ProgramId::Floorp), "Floorp");
    expect(FindWith<CBrowserFirefox>(user, ProgramId::Zen), "Zen");
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

    // A program with Firefox's rules in places of its own: the folder in the home folder, then the configuration
    // folder of newer releases, then the Flatpak's two.
    const std::vector<std::string> zenPlaces{Join({home, ".zen"}), Join({config, "zen"}),
                                             Join({home, ".var", "app", "app.zen_browser.zen", ".zen"}),
                                             Join({home, ".var", "app", "app.zen_browser.zen", "config", "zen"})};
    std::vector<Found> zen;
    for (size_t i = zenPlaces.size(); i-- > 0;) {
        WriteFile(Join({zenPlaces[i], "profiles.ini"}),
                  "[Profile0]\nName=z" + std::to_string(i) + "\nIsRelative=1\nPath=p\n");
        zen.insert(zen.begin(), {"z" + std::to_string(i), Join({zenPlaces[i], "p/"})});
    }
    EXPECT_EQ(FindWith<CBrowserFirefox>(user, ProgramId::Zen), zen);
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
    // By name, directly in the profile: what is no database is listed too (the run warns about it), an empty file
    // is not.
    const std::vector<std::string> expected{Join({profile, "cookies.sqlite"}), Join({profile, "places.sqlite"}),
                                            Join({profile, "z.sqlite"})};
    for (std::vector<std::string> files : {CBrowserFirefox(user.Folders()).GetDatabaseFiles(profile + kSep),
                                           CBrowserThunderbird(user.Folders()).GetDatabaseFiles(profile)}) {
        std::sort(files.begin(), files.end());
        EXPECT_EQ(files, expected);
    }
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

// --- Bad input: profiles.ini truncated, empty, random, huge ------------------------------------------------------

namespace {

namespace fs = std::filesystem;
using Profiles = std::vector<std::pair<std::string, std::string>>; // name, path

// The Firefox profiles that a profiles.ini gives a fake user.
Profiles FirefoxProfilesFor(const FakeUser& user, const std::string& profilesIni) {
    WriteFile(Join({user.ProgramFolder("Firefox"), "profiles.ini"}), profilesIni);
    const Catalogue catalogue = BuildCatalogue(user.Folders());
    return ProfilesOf(*catalogue.FindProgramByName("Firefox"));
}

// A relative Path value as the profile search of a program (Firefox unless named) turns it into a profile path.
std::string RelativeProfile(const FakeUser& user, std::string relative, const std::string& program = "Firefox") {
    if (platform::kWindows)
        std::replace(relative.begin(), relative.end(), '/', '\\');
    return AppendBackslash(user.ProgramFolder(program) + kSep + relative);
}

} // namespace

TEST(BadInput, ProfilesIniFiles) {
    const std::string real = "[Install308046B0AF4A39CB]\n"
                             "Default=Profiles/k3xk4a1v.default-release\n"
                             "Locked=1\n"
                             "\n"
                             "[Profile1]\n"
                             "Name=default-release\n"
                             "IsRelative=1\n"
                             "Path=Profiles/k3xk4a1v.default-release\n"
                             "Default=1\n"
                             "\n"
                             "[Profile0]\n"
                             "Name=default\n"
                             "IsRelative=1\n"
                             "Path=Profiles/9d0mzf3e.default\n"
                             "\n"
                             "[General]\n"
                             "StartWithLastProfile=1\n"
                             "Version=2\n";
    const auto cut = [&](const std::string& through) { return real.substr(0, real.find(through) + through.size()); };
    FakeUser user;
    const Profiles both{{"default-release", RelativeProfile(user, "Profiles/k3xk4a1v.default-release")},
                        {"default", RelativeProfile(user, "Profiles/9d0mzf3e.default")}};

    std::string crlf = real;
    for (std::size_t at = crlf.find('\n'); at != std::string::npos; at = crlf.find('\n', at + 2))
        crlf.replace(at, 1, "\r\n");
    std::string junk = RandomBytes(64 << 10, 1);
    junk[0] = 'x'; // not a byte-order mark of any kind
    std::string huge = "[Junk]\n";
    while (huge.size() < (8u << 20))
        huge += "key" + std::to_string(huge.size()) + "=" + std::string(200, 'v') + "\n";
    huge += real;

    const struct {
        const char* what;
        std::string bytes;
        Profiles expected;
    } cases[] = {
        {"empty", "", {}},
        {"a byte-order mark only", "\xEF\xBB\xBF", {}},
        {"cut inside the install section", cut("Default=Profiles/k3"), {}},
        // No IsRelative, so the path is absolute, and there is no Path: an empty path, shown as missing.
        {"cut after a section's name", cut("[Profile1]"), {{"", ""}}},
        {"cut inside a key", cut("IsRelative=1\nPa"), {{"default-release", user.ProgramFolder("Firefox") + kSep}}},
        {"cut inside a value", cut("Path=Profiles/k3x"), {{"default-release", RelativeProfile(user, "Profiles/k3x")}}},
        {"cut inside a CRLF line end",
         crlf.substr(0, crlf.find("Path=Profiles/k3xk4a1v.default-release\r") + 39),
         {{"default-release", RelativeProfile(user, "Profiles/k3xk4a1v.default-release")}}},
        {"CRLF line ends and a byte-order mark", "\xEF\xBB\xBF" + crlf, both},
        {"random bytes", junk, {}},
        {"a real file followed by random bytes", real + junk, both},
        {"8 MB of junk before the real file", huge, both},
    };
    for (const auto& c : cases) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(FirefoxProfilesFor(user, c.bytes), c.expected) << c.what;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30)) << c.what;
    }

    // Very many profiles: every one is found, in file order.
    std::string many;
    for (int i = 0; i < 3000; ++i)
        many += "[Profile" + std::to_string(i) + "]\nName=p" + std::to_string(i) + "\nIsRelative=1\nPath=P/" +
                std::to_string(i) + "\n";
    const Profiles found = FirefoxProfilesFor(user, many);
    ASSERT_EQ(found.size(), 3000u);
    EXPECT_EQ(found.back(), (std::pair<std::string, std::string>{"p2999", RelativeProfile(user, "P/2999")}));

    // A folder in the place of the file.
    fs::remove(platform::PathFromUtf8(Join({user.ProgramFolder("Firefox"), "profiles.ini"})));
    MakeFolder(Join({user.ProgramFolder("Firefox"), "profiles.ini"}));
    EXPECT_EQ(ProfilesOf(*BuildCatalogue(user.Folders()).FindProgramByName("Firefox")), Profiles{});
}

TEST(BadInput, ProfilesIniFilesOfTheProgramsThatKeepFirefoxsRules) {
    // A broken file of another kind for each: each is read as Firefox reads it, and none keeps another from
    // listing its own profiles.
    FakeUser user;
    std::string junk = RandomBytes(16 << 10, 7);
    junk[0] = 'x';
    const struct {
        const char* program;
        std::string bytes;
        Profiles expected;
    } cases[] = {
        {"Waterfox", "", {}},
        {"LibreWolf", junk, {}},
        {"Floorp",
         "[Profile0]\nName=cut\nIsRelative=1\nPath=Profiles/ab",
         {{"cut", RelativeProfile(user, "Profiles/ab", "Floorp")}}},
        {"Zen", "\xEF\xBB\xBF[Profile0]", {{"", ""}}},
    };
    for (const auto& c : cases)
        WriteFile(Join({user.ProgramFolder(c.program), "profiles.ini"}), c.bytes);
    WriteFile(Join({user.ProgramFolder("Firefox"), "profiles.ini"}), "[Profile0]\nName=fine\nIsRelative=1\nPath=f\n");
    const Catalogue catalogue = BuildCatalogue(user.Folders());
    for (const auto& c : cases)
        EXPECT_EQ(ProfilesOf(*catalogue.FindProgramByName(c.program)), c.expected) << c.program;
    EXPECT_EQ(ProfilesOf(*catalogue.FindProgramByName("Firefox")), (Profiles{{"fine", RelativeProfile(user, "f")}}));

    // A folder in the place of the file.
    fs::remove(platform::PathFromUtf8(Join({user.ProgramFolder("Zen"), "profiles.ini"})));
    MakeFolder(Join({user.ProgramFolder("Zen"), "profiles.ini"}));
    EXPECT_EQ(ProfilesOf(*BuildCatalogue(user.Folders()).FindProgramByName("Zen")), Profiles{});
}
