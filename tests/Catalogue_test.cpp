#include "catalogue/Catalogue.h"

#include "CatalogueFixture.h"
#include "FakeProgram.h"
#include "platform/System.h"
#include "support/FolderHelpers.h"

#include <gtest/gtest.h>

#include <algorithm>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace testing_support;

namespace {

// A program that takes a folder holding the marker file for one of its profiles.
std::unique_ptr<CBrowser> MarkedProgram(const std::string& name, const std::string& marker) {
    auto program = std::make_unique<FakeProgram>(name);
    program->marker = marker;
    return program;
}

struct Listed {
    std::string program;
    std::vector<std::pair<std::string, std::string>> profiles;
    bool operator==(const Listed& other) const { return program == other.program && profiles == other.profiles; }
};

std::ostream& operator<<(std::ostream& out, const Listed& listed) {
    out << listed.program << ":";
    for (const auto& p : listed.profiles)
        out << " {" << p.first << ", " << p.second << "}";
    return out;
}

std::vector<Listed> ListCatalogue(const Catalogue& catalogue) {
    std::vector<Listed> listed;
    for (const auto& program : catalogue.Programs()) {
        listed.push_back({program->GetName(), {}});
        for (const auto& profile : program->GetProfiles())
            listed.back().profiles.emplace_back(profile->GetName(), profile->GetPath());
    }
    return listed;
}

} // namespace

// --- The catalogue's programs --------------------------------------------------------------------------------------

TEST(Catalogue, ProgramsInTheirFixedOrderWithTheirIcons) {
    const Catalogue catalogue = BuildCatalogue(platform::KnownFolders{});
    struct Row {
        const char* name;
        int icon, profileIcon;
    };
    // The sixteen first, then the programs added after them, with icon numbers after theirs.
    const Row rows[] = {{"Firefox", 143, 144},
                        {"Pale Moon", 160, 161},
                        {"Epic", 162, 163},
                        {"Chrome", 155, 156},
                        {"Vivaldi", 178, 179},
                        {"Opera", 164, 165},
                        {"Skype", 157, 158},
                        {"Chromium/Iron", 159, 156},
                        {"Thunderbird", 145, 146},
                        {"SeaMonkey", 167, 166},
                        {"Yandex Browser", 169, 170},
                        {"Cyberfox", 172, 171},
                        {"FossaMail", 173, 146},
                        {"Viber", 174, 175},
                        {"SlimJet Browser", 176, 177},
                        {"Brave Browser", 180, 180},
                        {"Edge", 181, 182},
                        {"Opera GX", 183, 184},
                        {"Waterfox", 185, 186},
                        {"LibreWolf", 187, 188},
                        {"Floorp", 189, 190},
                        {"Zen", 191, 192}};
    const size_t count = sizeof(rows) / sizeof(rows[0]);
    ASSERT_EQ(catalogue.Programs().size(), count);
    for (size_t i = 0; i < count; ++i) {
        const CBrowser& program = *catalogue.Programs()[i];
        EXPECT_EQ(program.GetName(), rows[i].name);
        EXPECT_EQ(program.GetIconId(), rows[i].icon) << rows[i].name;
        EXPECT_EQ(program.GetProfileIconId(), rows[i].profileIcon) << rows[i].name;
        EXPECT_EQ(program.GetItemKind(), 0);
        // Linux builds run under several executable names (the distribution's, the Snap's, a launcher's).
        if (platform::kWindows) {
            EXPECT_EQ(program.GetProcessNames().size(), std::string(rows[i].name) == "Chromium/Iron" ? 2u : 1u);
        } else {
            EXPECT_FALSE(program.GetProcessNames().empty()) << rows[i].name;
        }
        EXPECT_TRUE(program.GetProfiles().empty()) << "no folders, no profiles: " << rows[i].name;
    }
}

TEST(Catalogue, AFixtureUserWithEveryProgramListsExactlyItsProfiles) {
    FakeUser user;
    const std::string ini = "[Profile0]\nName=default\nIsRelative=1\nPath=Profiles/p0\n";
    for (const char* program : {"Firefox", "Pale Moon", "SeaMonkey", "Cyberfox", "Thunderbird", "FossaMail", "Waterfox",
                                "LibreWolf", "Floorp", "Zen"})
        WriteFile(Join({user.ProgramFolder(program), "profiles.ini"}), ini);
    for (const char* program :
         {"Chrome", "Chromium/Iron", "Vivaldi", "Epic", "SlimJet Browser", "Yandex Browser", "Edge"})
        if (!user.ProgramFolder(program).empty())
            MakeFolder(Join({user.ProgramFolder(program), "Default"}));
    for (const char* program : {"Opera", "Brave Browser", "Opera GX"})
        if (!user.ProgramFolder(program).empty())
            MakeFolder(user.ProgramFolder(program));
    WriteFile(Join({user.ProgramFolder("Skype"), "live#3aalice", "main.db"}), "x");
    MakeFolder(Join({user.ProgramFolder("Viber"), "380501234567"}));

    const auto mozilla = [&](const char* program) {
        return std::vector<std::pair<std::string, std::string>>{
            {"default", user.ProgramFolder(program) + kSep + "Profiles" + kSep + "p0" + kSep}};
    };
    const auto single = [&](const char* program, const std::string& path) {
        if (user.ProgramFolder(program).empty())
            return std::vector<std::pair<std::string, std::string>>{};
        return std::vector<std::pair<std::string, std::string>>{{"Default", path}};
    };
    const std::vector<Listed> expected = {
        {"Firefox", mozilla("Firefox")},
        {"Pale Moon", mozilla("Pale Moon")},
        {"Epic", single("Epic", user.ProgramFolder("Epic"))},
        {"Chrome", single("Chrome", user.ProgramFolder("Chrome"))},
        {"Vivaldi", single("Vivaldi", user.ProgramFolder("Vivaldi"))},
        {"Opera", single("Opera", user.ProgramFolder("Opera"))},
        {"Skype", {{"live#3aalice", Join({user.ProgramFolder("Skype"), "live#3aalice"})}}},
        {"Chromium/Iron", single("Chromium/Iron", user.ProgramFolder("Chromium/Iron"))},
        {"Thunderbird", mozilla("Thunderbird")},
        {"SeaMonkey", mozilla("SeaMonkey")},
        {"Yandex Browser", single("Yandex Browser", user.ProgramFolder("Yandex Browser"))},
        {"Cyberfox", mozilla("Cyberfox")},
        {"FossaMail", mozilla("FossaMail")},
        {"Viber", {{"380501234567", Join({user.ProgramFolder("Viber"), "380501234567"})}}},
        {"SlimJet Browser", single("SlimJet Browser", user.ProgramFolder("SlimJet Browser"))},
        {"Brave Browser", single("Brave Browser", user.ProgramFolder("Brave Browser"))},
        {"Edge", single("Edge", user.ProgramFolder("Edge"))},
        {"Opera GX", single("Opera GX", user.ProgramFolder("Opera GX"))},
        {"Waterfox", mozilla("Waterfox")},
        {"LibreWolf", mozilla("LibreWolf")},
        {"Floorp", mozilla("Floorp")},
        {"Zen", mozilla("Zen")},
    };
    EXPECT_EQ(ListCatalogue(BuildCatalogue(user.Folders())), expected);
}

// --- Look-ups ------------------------------------------------------------------------------------------------------

TEST(Catalogue, LookUpsTakeTheFirstMatchInCatalogueOrder) {
    std::vector<std::unique_ptr<CBrowser>> programs;
    programs.push_back(MarkedProgram("First", "marker"));
    programs.push_back(MarkedProgram("Second", "marker"));
    programs.push_back(MarkedProgram("Third", "other"));
    Catalogue catalogue(std::move(programs));
    CBrowser* first = catalogue.Programs()[0].get();
    CBrowser* second = catalogue.Programs()[1].get();

    EXPECT_EQ(catalogue.FindProgramByName("Second"), second);
    EXPECT_EQ(catalogue.FindProgramByName("second"), nullptr);
    EXPECT_EQ(catalogue.FindProgramByName(""), nullptr);

    TempFolder temp;
    WriteFile(temp / Join({"both", "marker"}), "x");
    WriteFile(temp / Join({"both", "other"}), "x");
    EXPECT_EQ(catalogue.FindProgramForFolder(temp / "both"), first);
    EXPECT_EQ(catalogue.FindProgramForFolder(temp / "missing"), nullptr);

    CBrowserProfile* a = first->AddProfile(Join({"", "data", "Profile"}), "a", false);
    CBrowserProfile* b = second->AddProfile(Join({"", "data", "Profile"}) + kSep, "b", false);
    EXPECT_EQ(catalogue.FindProfileByPath(Join({"", "data", "Profile"}) + kSep), a);
    EXPECT_EQ(catalogue.FindProfileByPath(Join({"", "data", "Profile"})), a);
    EXPECT_NE(b, nullptr);
    EXPECT_EQ(catalogue.FindProfileByPath(Join({"", "data", "Profile2"})), nullptr);
    EXPECT_EQ(catalogue.FindProfileByPath(Join({"", "DATA", "Profile"})), platform::kWindows ? a : nullptr);
}

TEST(Catalogue, RealFolderTestsClaimInCatalogueOrder) {
    FakeUser user;
    const Catalogue catalogue = BuildCatalogue(user.Folders());
    const auto claimedBy = [&](const std::string& folder) {
        const CBrowser* program = catalogue.FindProgramForFolder(folder);
        return program ? program->GetName() : std::string("none");
    };
    // Firefox markers: Firefox, never SeaMonkey or Cyberfox; Firefox also wins over the Opera rule.
    WriteFile(user / Join({"seamonkey", "bookmarks.html"}), "x");
    WriteFile(user / Join({"seamonkey", "History"}), "x");
    WriteFile(user / Join({"seamonkey", "Cookies"}), "x");
    EXPECT_EQ(claimedBy(user / "seamonkey"), "Firefox");
    // The Chrome rule: Chrome before Vivaldi, Chromium/Iron, Yandex, SlimJet and Brave.
    WriteFile(user / Join({"userdata", "Default", "History"}), "x");
    WriteFile(user / Join({"userdata", "Default", "Bookmarks"}), "x");
    EXPECT_EQ(claimedBy(user / "userdata"), "Chrome");
    // A Default folder given itself is Opera's.
    WriteFile(user / Join({"userdata", "Default", "Web Data"}), "x");
    EXPECT_EQ(claimedBy(user / Join({"userdata", "Default"})), "Opera");
    WriteFile(user / Join({"mail", "global-messages-db.sqlite"}), "x");
    EXPECT_EQ(claimedBy(user / "mail"), "Thunderbird");
    WriteFile(user / Join({"skype", "main.db"}), "x");
    WriteFile(user / Join({"skype", "dc.db"}), "x");
    EXPECT_EQ(claimedBy(user / "skype"), "Skype");
    WriteFile(user / Join({"viber", "viber.db"}), "x");
    WriteFile(user / Join({"viber", "data.db"}), "x");
    EXPECT_EQ(claimedBy(user / "viber"), "Viber");
    WriteFile(user / Join({"plain", "places.sqlite"}), "x");
    EXPECT_EQ(claimedBy(user / "plain"), "none");
    EXPECT_EQ(claimedBy(user / "missing"), "none");
}

// --- Custom profiles -------------------------------------------------------------------------------------------------

TEST(Catalogue, CustomProfilesAreNamedAfterTheirFolderAndRefusedWhenKnown) {
    FakeUser user;
    MakeFolder(Join({user.ProgramFolder("Chrome"), "Default"}));
    Catalogue catalogue = BuildCatalogue(user.Folders());
    CBrowser* chrome = catalogue.FindProgramByName("Chrome");
    ASSERT_EQ(chrome->GetProfiles().size(), 1u);

    // The found "User Data" folder is known, with a trailing separator too, in other case on Windows only (a Linux
    // folder of other case is another folder), and under any spelling of the same folder.
    const std::string userData = user.ProgramFolder("Chrome");
    EXPECT_TRUE(catalogue.IsKnownProfilePath(userData));
    EXPECT_TRUE(catalogue.IsKnownProfilePath(userData + kSep));
    std::string upper = userData;
    std::transform(upper.begin(), upper.end(), upper.begin(), [](char c) { return c >= 'a' && c <= 'z' ? c - 32 : c; });
    EXPECT_EQ(catalogue.IsKnownProfilePath(upper), platform::kWindows);
    if (platform::kWindows) {
        std::string slashed = userData;
        std::replace(slashed.begin(), slashed.end(), '\\', '/');
        EXPECT_TRUE(catalogue.IsKnownProfilePath(slashed));
    }

    CBrowser* thunderbird = catalogue.FindProgramByName("Thunderbird");
    const std::string folder = user / Join({"Portable", "Data", "profile"});
    CBrowserProfile* plain = catalogue.AddCustomProfile(folder, thunderbird);
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(plain->GetName(), "profile");
    EXPECT_EQ(plain->GetPath(), folder);
    EXPECT_TRUE(plain->custom);
    EXPECT_TRUE(plain->checked);
    EXPECT_FALSE(plain->missing);
    EXPECT_EQ(plain->GetProgram(), thunderbird);
    CBrowserProfile* slash = catalogue.AddCustomProfile(folder + "2" + kSep, thunderbird);
    EXPECT_EQ(slash->GetName(), "profile2" + kSep);
    EXPECT_EQ(thunderbird->GetProfiles().back().get(), slash);

    FakeProgram stranger("Stranger");
    EXPECT_EQ(catalogue.AddCustomProfile(folder, &stranger), nullptr);
    EXPECT_TRUE(stranger.GetProfiles().empty());

    // Removing keeps the others in order; a profile of another list is ignored.
    CBrowserProfile* third = catalogue.AddCustomProfile(folder + "3", thunderbird);
    thunderbird->RemoveProfile(slash);
    ASSERT_EQ(thunderbird->GetProfiles().size(), 2u);
    EXPECT_EQ(thunderbird->GetProfiles()[0].get(), plain);
    EXPECT_EQ(thunderbird->GetProfiles()[1].get(), third);
    chrome->RemoveProfile(third);
    EXPECT_EQ(thunderbird->GetProfiles().size(), 2u);
    EXPECT_EQ(chrome->GetProfiles().size(), 1u);
}

// --- Profiles: file list and sizes
// ------------------------------------------------------------------------------------

TEST(Catalogue, FileListIsKeptOnceFoundAndAskedAgainWhileEmpty) {
    TempFolder temp;
    WriteFile(temp / "a.sqlite", std::string(3000, 'a'));
    WriteFile(temp / "b.sqlite", std::string(500, 'b'));
    FakeProgram program("P", FakeProgram::Databases::Scripted);
    program.answers = {{}, {temp / "a.sqlite"}, {temp / "a.sqlite", temp / "b.sqlite"}};
    CBrowserProfile* profile = program.AddProfile(temp.Path(), "p", false);
    EXPECT_EQ(profile->GetItemKind(), 1);
    EXPECT_TRUE(profile->GetFileList().empty());
    EXPECT_EQ(profile->GetFileList(), std::vector<std::string>{temp / "a.sqlite"});
    EXPECT_EQ(profile->GetFileList(), std::vector<std::string>{temp / "a.sqlite"});
    EXPECT_EQ(program.calls, 2u);
    // Sizes are read anew each time.
    EXPECT_EQ(profile->GetTotalSize(), 3000u);
    WriteFile(temp / "a.sqlite", std::string(10, 'a'));
    EXPECT_EQ(profile->GetTotalSize(), 10u);
}

TEST(Catalogue, SamePathIgnoresOneTrailingSeparatorAndCaseOnWindowsOnly) {
    const std::string s = kSep;
    EXPECT_TRUE(SamePath(s + "Users" + s + "A" + s + "Profile", s + "Users" + s + "A" + s + "Profile" + s));
    EXPECT_FALSE(SamePath(s + "Users" + s + "A" + s + "Profile", s + "Users" + s + "A" + s + "Profile2"));
    EXPECT_FALSE(SamePath(s + "x" + s, s + "x" + s + s));
    EXPECT_TRUE(SamePath("", ""));
    EXPECT_EQ(SamePath(s + "Users" + s + "A" + s + "Profile", s + "users" + s + "a" + s + "profile"),
              platform::kWindows);
    if (platform::kWindows) {
        EXPECT_TRUE(SamePath("C:\\Users\\A\\Profile", "c:\\users\\a\\profile\\"));
        EXPECT_FALSE(SamePath("C:/x", "C:\\x"));
    }
}

// --- The SQLite header test
// -------------------------------------------------------------------------------------------

TEST(Catalogue, HeaderTestNeedsExactlyTheSixteenHeaderBytes) {
    TempFolder temp;
    WriteFile(temp / "exact", std::string("SQLite format 3\0", 16));
    WriteFile(temp / "padded", SqliteHeaderBytes());
    WriteFile(temp / "ten", "SQLite for");
    WriteFile(temp / "empty", "");
    WriteFile(temp / "nozero", "SQLite format 3 and more");
    WriteFile(temp / "lower", std::string("sqlite format 3\0", 16));
    MakeFolder(temp / "folder.sqlite");
    EXPECT_TRUE(IsSqliteFile(temp / "exact"));
    EXPECT_TRUE(IsSqliteFile(temp / "padded"));
    for (const char* name : {"ten", "empty", "nozero", "lower", "folder.sqlite", "missing"})
        EXPECT_FALSE(IsSqliteFile(temp / name)) << name;
    EXPECT_EQ(CheckDatabaseFile(temp / "empty"), DatabaseFileCheck::empty);
    EXPECT_EQ(CheckDatabaseFile(temp / "ten"), DatabaseFileCheck::notDatabase);

    // With a mask, everything of that name but an empty file is listed, so that the compaction can say what is no
    // database. Without one, only what passes the header test.
    WriteFile(temp / "text.sqlite", "just text");
    WriteFile(temp / "empty.sqlite", "");
    WriteFile(temp / "real.sqlite", SqliteHeaderBytes());
    std::vector<std::string> byMask = EnumerateDatabaseFiles(temp.Path() + kSep, "*.sqlite");
    std::sort(byMask.begin(), byMask.end());
    EXPECT_EQ(byMask, (std::vector<std::string>{temp / "folder.sqlite", temp / "real.sqlite", temp / "text.sqlite"}));
    std::vector<std::string> byHeader = EnumerateDatabaseFiles(temp.Path(), "");
    std::sort(byHeader.begin(), byHeader.end());
    EXPECT_EQ(byHeader, (std::vector<std::string>{temp / "exact", temp / "padded", temp / "real.sqlite"}));
    EXPECT_TRUE(EnumerateDatabaseFiles(temp / "missing", "").empty());
}

#ifndef _WIN32
TEST(Catalogue, OnlyRegularFilesPassTheHeaderTestWhateverTheirName) {
    // Links named like databases that lead to a device, a FIFO and a folder; one that leads to a real database.
    TempFolder temp;
    WriteFile(temp / Join({"elsewhere", "real"}), SqliteHeaderBytes());
    ASSERT_EQ(mkfifo((temp / "fifo.sqlite").c_str(), 0600), 0);
    const std::vector<std::pair<std::string, std::string>> links{{"/dev/zero", "disk.sqlite"},
                                                                 {"/dev/null", "null.db"},
                                                                 {temp / "elsewhere", "folder.sqlite"},
                                                                 {temp / Join({"elsewhere", "real"}), "linked.sqlite"}};
    for (const auto& [target, name] : links)
        ASSERT_EQ(symlink(target.c_str(), (temp / name).c_str()), 0) << name;

    for (const char* name : {"fifo.sqlite", "disk.sqlite", "null.db", "folder.sqlite"})
        EXPECT_EQ(CheckDatabaseFile(temp / name), DatabaseFileCheck::notDatabase) << name;
    EXPECT_TRUE(IsSqliteFile(temp / "linked.sqlite"));
    // By name they are listed all the same (the compaction warns about them and never opens them).
    std::vector<std::string> byMask = EnumerateDatabaseFiles(temp.Path(), "*.sqlite");
    std::sort(byMask.begin(), byMask.end());
    EXPECT_EQ(byMask, (std::vector<std::string>{temp / "disk.sqlite", temp / "fifo.sqlite", temp / "folder.sqlite",
                                                temp / "linked.sqlite"}));
    EXPECT_EQ(EnumerateDatabaseFiles(temp.Path(), "*.db"), std::vector<std::string>{temp / "null.db"});
    std::vector<std::string> byHeader = EnumerateDatabaseFiles(temp.Path(), "");
    EXPECT_EQ(byHeader, std::vector<std::string>{temp / "linked.sqlite"});
}
#endif

#ifdef _WIN32
TEST(Catalogue, HeaderTestOfFilesHeldByAnotherHandle) {
    TempFolder temp;
    WriteFile(temp / "held", SqliteHeaderBytes());
    const auto open = [&](DWORD share) {
        const std::string utf8 = temp / "held";
        const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
        std::wstring wide(length, L'\0');
        MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, wide.data(), length);
        return CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr, OPEN_EXISTING, 0, nullptr);
    };
    // Held without sharing (as a program holding its database exclusively): not readable, so not listed.
    HANDLE exclusive = open(0);
    ASSERT_NE(exclusive, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(IsSqliteFile(temp / "held"));
    CloseHandle(exclusive);
    // Held with the usual read and write sharing: listed.
    HANDLE shared = open(FILE_SHARE_READ | FILE_SHARE_WRITE);
    ASSERT_NE(shared, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(IsSqliteFile(temp / "held"));
    CloseHandle(shared);
}
#endif
