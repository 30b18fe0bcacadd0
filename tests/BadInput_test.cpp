// Hand-made bad input for everything that reads what other programs and the user wrote: profiles.ini files,
// preferences.xml, profile folders and database files. What is expected everywhere: the quiet result or the message
// the system gives for it, never a crash or a hang, and no file changed except by a successful compaction.

#include "CatalogueFixture.h"
#include "EngineTestSupport.h"
#include "TestSupport.h"

#include "app/CommandLine.h"
#include "app/Preferences.h"
#include "catalogue/Catalogue.h"
#include "catalogue/MessengerPrograms.h"
#include "engine/Optimization.h"
#include "platform/System.h"
#include "platform/Text.h"
#include "support/FolderHelpers.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <random>

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

const std::string kSep(1, platform::kPathSeparator);

using Profiles = std::vector<std::pair<std::string, std::string>>; // name, path

Profiles ProfilesOf(const CBrowser& program) {
    Profiles profiles;
    for (const auto& profile : program.GetProfiles())
        profiles.emplace_back(profile->GetName(), profile->GetPath());
    return profiles;
}

// Bytes that do not depend on the system or the run.
std::string RandomBytes(std::size_t size, unsigned start) {
    std::mt19937 generator(start);
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(generator() & 0xFF);
    return bytes;
}

// The Firefox profiles that a profiles.ini gives a fake user.
Profiles FirefoxProfilesFor(const FakeUser& user, const std::string& profilesIni) {
    WriteFile(Join({user.ProgramFolder("Firefox"), "profiles.ini"}), profilesIni);
    const Catalogue catalogue = BuildCatalogue(user.Folders());
    return ProfilesOf(*catalogue.FindProgramByName("Firefox"));
}

// A relative Path value as the profile search turns it into a profile path.
std::string RelativeProfile(const FakeUser& user, std::string relative) {
    if (platform::kWindows)
        std::replace(relative.begin(), relative.end(), '/', '\\');
    return AppendBackslash(user.ProgramFolder("Firefox") + kSep + relative);
}

std::string IntegrityCheck(const std::string& path) {
    sqlite3* db = nullptr;
    sqlite3_stmt* statement = nullptr;
    std::string answer = "cannot open";
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
        sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &statement, nullptr) == SQLITE_OK) {
        answer.clear();
        while (sqlite3_step(statement) == SQLITE_ROW)
            answer += reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return answer;
}

// The promise of a run: a database file is byte for byte what it was, or it was compacted and is sound.
void ExpectUnchangedOrSound(const std::string& path, const std::string& before) {
    const std::string after = ReadFile(path);
    if (after != before) {
        EXPECT_EQ(IntegrityCheck(path), "ok") << path << " changed and is not sound";
    }
}

// A real database of a few pages, most of them free, so that compaction would shrink it.
std::string RealDatabaseBytes(const TempFolder& temp) {
    const std::string path = temp / "source.sqlite";
    MakeDatabase(path, 200, 500, 4);
    return ReadFile(path);
}

} // namespace

// --- profiles.ini: truncated, empty, random, huge ---------------------------------------------------------------

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

// --- preferences.xml: truncated, empty, random, huge, no element, a folder in its place ------------------------

namespace {

const std::string kNewDocument = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<Tidyquill version=\"1\"/>\n";

class PreferencesFiles : public ::testing::Test {
protected:
    PreferencesFiles() {
        MakeFolder(temp / "a");
        MakeFolder(temp / "b");
        std::vector<std::unique_ptr<CBrowser>> programs;
        programs.push_back(std::make_unique<FakeProgram>("Firefox", kEverySqliteFile));
        programs.push_back(std::make_unique<FakeProgram>("Chromium/Iron", kEverySqliteFile));
        catalogue = Catalogue(std::move(programs));
        a = catalogue.FindProgramByName("Firefox")->AddProfile(AppendBackslash(temp / "a"), "a", false);
        b = catalogue.FindProgramByName("Chromium/Iron")->AddProfile(temp / "b", "b", false);
    }

    // Loads the bytes as the preferences file and applies them; the document stays for saving.
    PreferencesDocument& Load(const std::string& bytes) {
        WriteFile(file, bytes);
        document.LoadPreferencesDocument(file);
        document.LoadProfiles(catalogue);
        return document;
    }

    // Stores both profiles as the tree shows them and saves.
    bool StoreAndSave() {
        document.StoreProfiles({{a, a->checked && !a->missing}, {b, b->checked && !b->missing}});
        return document.SavePreferencesDocument();
    }

    std::string Element(const std::string& custom, const std::string& checked, const std::string& type,
                        const std::string& path) const {
        return "\t<Profile custom=\"" + custom + "\" checked=\"" + checked + "\" type=\"" + type + "\">" + path +
               "</Profile>\n";
    }

    TempFolder temp;
    std::string file = temp / Join({"settings", "preferences.xml"});
    PreferencesDocument document{temp / "settings"};
    Catalogue catalogue;
    CBrowserProfile* a = nullptr;
    CBrowserProfile* b = nullptr;
};

} // namespace

TEST_F(PreferencesFiles, UnreadableFilesGiveANewDocumentAndAreKeptAsBak) {
    const std::string real = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<Tidyquill version=\"1\">\n" +
                             Element("no", "no", "Firefox", AppendBackslash(temp / "a")) +
                             Element("yes", "yes", "Firefox", temp / "portable") + "</Tidyquill>\n";
    const auto cut = [&](const std::string& through) { return real.substr(0, real.find(through) + through.size()); };
    std::string deep = "<Tidyquill>";
    for (int i = 0; i < 200000; ++i)
        deep += "<a>";
    // UTF-16 with a byte-order mark is read; without one it is no document.
    std::string utf16;
    for (char c : real)
        utf16 += std::string(1, c) + '\0';

    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"cut inside the declaration", cut("<?xml ver")},
        {"cut inside the root's start tag", cut("<Tidyquill vers")},
        {"cut inside an attribute", cut("checked=\"n")},
        {"cut inside a path", cut("<Profile custom=\"yes\" checked=\"yes\" type=\"Firefox\">") + "/por"},
        {"cut before the root's end tag", cut("</Profile>\n\t<Profile")},
        {"random bytes", RandomBytes(64 << 10, 2)},
        {"200000 nested elements", deep},
        {"UTF-16 without a byte-order mark", utf16},
        {"a declaration and a comment, no element", "<?xml version=\"1.0\"?>\n<!-- nothing here -->\n"},
        {"stray text only", "just some words"},
    };
    for (const auto& c : cases) {
        fs::remove_all(platform::PathFromUtf8(temp / "settings"));
        a->checked = b->checked = true;
        Load(c.bytes);
        EXPECT_EQ(document.PrintDocument(), kNewDocument) << c.what;
        EXPECT_TRUE(a->checked && !a->missing && b->checked && !b->missing) << c.what;
        EXPECT_EQ(catalogue.FindProgramByName("Firefox")->GetProfiles().size(), 1u) << c.what;
        ASSERT_TRUE(StoreAndSave()) << c.what;
        EXPECT_EQ(ReadFile(file + ".bak"), c.bytes) << c.what << ": the unreadable file was not kept whole";
        EXPECT_NE(ReadFile(file).find("<Profile custom=\"no\" checked=\"yes\" type=\"Firefox\">"), std::string::npos)
            << c.what << ": the tree was not stored";
    }

    // An empty file holds nothing worth keeping.
    fs::remove_all(platform::PathFromUtf8(temp / "settings"));
    Load("");
    EXPECT_EQ(document.PrintDocument(), kNewDocument);
    ASSERT_TRUE(StoreAndSave());
    EXPECT_FALSE(PathExists(file + ".bak"));
}

TEST_F(PreferencesFiles, AFolderInThePlaceOfTheFileIsLeftAlone) {
    MakeFolder(file);
    WriteFile(Join({file, "inside"}), "x");
    document.LoadPreferencesDocument(file);
    document.LoadProfiles(catalogue);
    EXPECT_EQ(document.PrintDocument(), kNewDocument);
    EXPECT_FALSE(StoreAndSave());
    EXPECT_TRUE(IsFolder(file));
    EXPECT_EQ(ReadFile(Join({file, "inside"})), "x");
}

TEST_F(PreferencesFiles, AHugeFileIsAppliedWhole) {
    // 20 MB: a large element of another kind, then many elements for the two profiles and for paths no profile
    // has, then the ones that count.
    std::string elements = "\t<Other>" + std::string(16u << 20, 'x') + "</Other>\n";
    for (int i = 0; i < 20000; ++i)
        elements += Element("no", "yes", "Firefox", temp / ("elsewhere" + std::to_string(i))) +
                    Element("no", "yes", "Chromium/Iron", temp / "b");
    for (int i = 0; i < 2000; ++i)
        elements += Element("yes", "yes", "Chromium/Iron", temp / ("portable" + std::to_string(i)));
    elements += Element("no", "no", "Firefox", temp / "a") + Element("no", "no", "Chromium/Iron", temp / "b");
    const auto start = std::chrono::steady_clock::now();
    Load("<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<Tidyquill version=\"1\">\n" + elements + "</Tidyquill>\n");
    EXPECT_FALSE(a->checked);
    EXPECT_FALSE(b->checked);
    EXPECT_EQ(catalogue.FindProgramByName("Chromium/Iron")->GetProfiles().size(), 2001u);
    ASSERT_TRUE(StoreAndSave());
    EXPECT_NE(ReadFile(file).find(std::string(16u << 20, 'x')), std::string::npos);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
}

// --- Profile folders: a folder named like a database, link loops under messenger folders -----------------------

TEST(BadInput, AFolderNamedLikeADatabaseIsNeitherListedNorTouched) {
    FakeUser user;
    const std::string firefox = user.ProgramFolder("Firefox");
    WriteFile(Join({firefox, "profiles.ini"}), "[Profile0]\nName=default\nIsRelative=1\nPath=Profiles/abc.default\n");
    const std::string profile = Join({firefox, "Profiles", "abc.default"});
    MakeFolder(profile);
    MakeFolder(Join({user.ProgramFolder("Chrome"), "Default"}));
    MakeDatabase(Join({profile, "cookies.sqlite"}), 200, 500, 4);
    WriteFile(Join({profile, "places.sqlite", "inside.sqlite"}), "not a database");
    const std::string userData = user.ProgramFolder("Chrome");
    MakeDatabase(Join({userData, "Default", "Cookies"}), 200, 500, 4);
    WriteFile(Join({userData, "Default", "History", "x"}), SqliteHeaderBytes());

    Catalogue catalogue = BuildCatalogue(user.Folders());
    CBrowserProfile* mozilla = catalogue.FindProgramByName("Firefox")->GetProfiles().at(0).get();
    CBrowserProfile* chrome = catalogue.FindProgramByName("Chrome")->GetProfiles().at(0).get();
    EXPECT_EQ(mozilla->GetFileList(), std::vector<std::string>{Join({profile, "cookies.sqlite"})});
    EXPECT_EQ(chrome->GetFileList(), std::vector<std::string>{Join({userData, "Default", "Cookies"})});

    LogCapture log;
    EXPECT_TRUE(RunOptimization({mozilla, chrome}, nullptr, nullptr));
    EXPECT_EQ(log.Texts().back().rfind("Completed in ", 0), 0u);
    EXPECT_EQ(ReadFile(Join({profile, "places.sqlite", "inside.sqlite"})), "not a database");
    EXPECT_EQ(ReadFile(Join({userData, "Default", "History", "x"})), SqliteHeaderBytes());
    EXPECT_EQ(IntegrityCheck(Join({profile, "cookies.sqlite"})), "ok");
}

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
    // alice's main.db is no database: it is not even listed, so nothing is said about it.
    EXPECT_EQ(std::find(lines.begin(), lines.end(), "main.db..."), lines.end()) << ::testing::PrintToString(lines);
    EXPECT_EQ(lines.back().rfind("Completed in ", 0), 0u) << ::testing::PrintToString(lines);
    EXPECT_EQ(ReadFile(Join({skype, "alice", "main.db"})), aliceDb);
}

// --- The command line: a relative path through a link ----------------------------------------------------------

// Found by the command-line fuzzer: the absolute form of a relative path is lexical, and "x/.." fell away in it
// even where x is a link to another folder (or where the text holds a NUL, which no real command line can), so the
// argument selected a profile whose folder it did not name.
TEST(BadInput, ARelativePathSelectsOnlyTheFolderItNames) {
    FakeUser user;
    const std::string firefox = user.ProgramFolder("Firefox");
    WriteFile(Join({firefox, "profiles.ini"}), "[Profile0]\nName=default\nIsRelative=1\nPath=Profiles/abc.default\n");
    MakeFolder(Join({firefox, "Profiles", "abc.default"}));
    MakeFolder(user / Join({"elsewhere", "Profiles", "abc.default"})); // where x/.. leads when x is the link
    MakeFolder(user / Join({"elsewhere", "sub"}));
    Catalogue catalogue = BuildCatalogue(user.Folders());
    CBrowserProfile* profile = catalogue.FindProgramByName("Firefox")->GetProfiles().at(0).get();

    const fs::path previous = fs::current_path();
    fs::current_path(platform::PathFromUtf8(firefox));
    LogCapture log;
    EXPECT_EQ(ParseProfileArgument(catalogue, "/Firefox:Profiles/abc.default"), std::vector<CBrowserProfile*>{profile});
    EXPECT_EQ(ParseProfileArgument(catalogue, "/Firefox:./Profiles/../Profiles/abc.default/"),
              std::vector<CBrowserProfile*>{profile});
    EXPECT_TRUE(ParseProfileArgument(catalogue, std::string("/Firefox:./\0/../Profiles/abc.default", 36)).empty());
    std::error_code error;
    fs::create_directory_symlink(platform::PathFromUtf8(user / Join({"elsewhere", "sub"})), "x", error);
    if (!error) {
        EXPECT_TRUE(ParseProfileArgument(catalogue, "/Firefox:x/../Profiles/abc.default").empty());
    }
    fs::current_path(previous);
    EXPECT_EQ(log.Texts(), std::vector<std::string>(error ? 1 : 2, "Invalid profile specified."));
}

// --- Long paths and names outside the code page ------------------------------------------------------------------

namespace {

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

// --- Database files: truncated, garbage after a valid header, no pages ------------------------------------------

TEST(BadInput, DatabaseFiles) {
    TempFolder temp;
    const std::string real = RealDatabaseBytes(temp);
    ASSERT_GT(real.size(), 8192u);
    const std::string garbage = real.substr(0, 100) + RandomBytes(real.size() - 100, 3);
    std::string noPages = real; // the page count at offset 28, which SQLite then takes from the file's size
    noPages.replace(28, 4, 4, '\0');

    // A file that cannot be compacted gets a warning of its own (its text is SQLite's and differs between versions)
    // and the profile goes on; the run completes.
    const struct {
        const char* what;
        std::string bytes;
        bool warned;
    } cases[] = {
        {"empty (no page at all)", "", true},
        {"the header alone", real.substr(0, 16), true},
        {"the first 100 bytes", real.substr(0, 100), true},
        {"cut after the first page", real.substr(0, 1024), true},
        {"cut in half", real.substr(0, real.size() / 2), true},
        {"a valid header, then garbage", garbage, true},
        {"random bytes", RandomBytes(real.size(), 4), true},
        {"a header that counts no pages", noPages, false},
    };
    for (const auto& c : cases) {
        FakeProgram program("Firefox", kEverySqliteFile);
        const std::string folder = temp / "profile";
        fs::remove_all(platform::PathFromUtf8(folder));
        WriteFile(Join({folder, "bad.sqlite"}), c.bytes);
        MakeDatabase(Join({folder, "good.sqlite"}), 200, 500, 4);
        const std::vector<std::string> names = FolderNames(folder);
        CBrowserProfile* profile = program.AddProfile(AppendBackslash(folder), "default", false);

        LogCapture log;
        EXPECT_TRUE(RunOptimization({profile}, nullptr, nullptr)) << c.what;
        const std::vector<std::string> lines = log.Texts();
        ASSERT_GE(lines.size(), c.warned ? 8u : 7u) << c.what;
        EXPECT_EQ(lines[3], "bad.sqlite...") << c.what;
        EXPECT_EQ(lines[4].rfind("Warning: ", 0) == 0, c.warned) << c.what << ": " << lines[4];
        EXPECT_EQ(lines[c.warned ? 5 : 4], "good.sqlite...") << c.what;
        EXPECT_EQ(lines.back().rfind("Completed in ", 0), 0u) << c.what;
        ExpectUnchangedOrSound(Join({folder, "bad.sqlite"}), c.bytes);
        EXPECT_EQ(IntegrityCheck(Join({folder, "good.sqlite"})), "ok") << c.what;
        EXPECT_EQ(FolderNames(folder), names) << c.what << ": a journal was left behind";
    }
}
