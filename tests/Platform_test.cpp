#include "platform/Files.h"
#include "platform/System.h"
#include "platform/Text.h"

#include "support/FolderHelpers.h"

#include <gtest/gtest.h>

#include <cstdlib>

// --- UTF-8 ------------------------------------------------------------------------------------------------------

TEST(Utf8, WellFormedTestRejectsEveryIllFormedShape) {
    const std::pair<const char*, bool> cases[] = {
        {"", true},
        {"Profiles/abc.default", true},
        {"Zürich \xE6\x97\xA5 \xF0\x9F\x98\x80", true},
        {"\xF4\x8F\xBF\xBF", true},  // U+10FFFF
        {"\xEF\xBF\xBD", true},      // U+FFFD
        {"Z\xFCrich", false},        // Latin-1
        {"\xC0\x80", false},         // overlong NUL
        {"\xC1\xBF", false},         // overlong ASCII
        {"\xE0\x80\xAF", false},     // overlong three-byte
        {"\xF0\x80\x80\xAF", false}, // overlong four-byte
        {"\xED\xA0\x80", false},     // surrogate U+D800
        {"\xED\xBF\xBF", false},     // surrogate U+DFFF
        {"\xF4\x90\x80\x80", false}, // above U+10FFFF
        {"\xEF\xBF\xBE", false},     // U+FFFE
        {"\xEF\xBF\xBF", false},     // U+FFFF
        {"\xE6\x97", false},         // truncated
        {"\x80", false},             // lone continuation
        {"\xF8\x88\x80\x80\x80", false},
    };
    for (const auto& [text, wellFormed] : cases)
        EXPECT_EQ(platform::IsWellFormedUtf8(text), wellFormed) << platform::MakePrintable(text);
}

TEST(Utf8, PrintableTextKeepsLettersAndShowsControlsAndBadBytes) {
    EXPECT_EQ(platform::MakePrintable("Zürich \xE6\x97\xA5 \xF0\x9F\x98\x80"), "Zürich \xE6\x97\xA5 \xF0\x9F\x98\x80");
    // A profile named with terminal escape codes: the escape shows as text, not as a code.
    EXPECT_EQ(platform::MakePrintable("evil\x1b]0;title\x07\x1b[2J"), "evil\\x1b]0;title\\x07\\x1b[2J");
    EXPECT_EQ(platform::MakePrintable(std::string("a\0b\r\n\t\x7F", 7)), "a\\x00b\\x0d\\x0a\\x09\\x7f");
    // The C1 control CSI (U+009B) and bytes that are no UTF-8 become U+FFFD.
    EXPECT_EQ(platform::MakePrintable("\xC2\x9B"
                                      "2J"),
              "\xEF\xBF\xBD"
              "2J");
    EXPECT_EQ(platform::MakePrintable("Z\xFCrich\x9B"), "Z\xEF\xBF\xBDrich\xEF\xBF\xBD");
}

TEST(Utf8, LenientDecodingAndLatin1) {
    EXPECT_EQ(platform::DecodeUtf8Lenient("a\xC3\xBC\xFF"), (std::u32string{U'a', U'\u00FC', U'\uFFFD'}));
    EXPECT_EQ(platform::Latin1ToUtf8("Z\xFCrich"), "Zürich");
    std::string out;
    platform::AppendUtf8(out, U'\U0001F600');
    EXPECT_EQ(out, "\xF0\x9F\x98\x80");
}

// --- Wildcard match -----------------------------------------------------------------------------------------------
// One table for both builds: on Windows it checks the shell's own match, on Linux our equivalent of it.

TEST(WildcardMatch, AgreesWithTheShellMatchOnOneTable) {
    struct Case {
        const char* text;
        const char* mask;
        bool expected;
    };
    const Case cases[] = {
        {"C:\\p\\places.sqlite", "*.sqlite", true},
        {"/home/u/p/places.sqlite", "*.sqlite", true},
        {"places.SQLITE", "*.sqlite", true},
        {"places.sqlite-wal", "*.sqlite", false},
        {"places.sqlite.bak", "*.sqlite", false},
        {"main.db", "*.db", true},
        {"main.dbx", "*.db", false},
        {"x.db", "*.sqlite;*.db", true},
        {"x.db", "*.sqlite; *.db", true},
        {"x.txt", "*.sqlite;*.db", false},
        {"anything", "*.*", true},
        {"noextension", "*.*", true},
        {"a.b", "?.b", true},
        {"ab.b", "?.b", false},
        {"Zürich.db", "Z?rich.db", true},
        {"abc", "a*b*c", true},
        {"abxbyc", "a*b*c", true},
        {"abxbyd", "a*b*c", false},
        {"abc", "abc*", true},
        {"abc", "ab", false},
        {"abc", "", false},
        {"History", "History", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(platform::MatchSpec(c.text, c.mask), c.expected) << c.text << " against " << c.mask;
}

// --- Known folders and path text ----------------------------------------------------------------------------------

TEST(KnownFolders, SpecialFoldersHaveNoTrailingSeparator) {
    const platform::KnownFolders folders = platform::QueryKnownFolders();
    for (const std::string* folder : {&folders.roamingAppData, &folders.localAppData, &folders.home, &folders.config}) {
        if (folder->size() > 1) {
            EXPECT_NE(folder->back(), platform::kPathSeparator) << *folder;
        }
    }
    if (platform::kWindows) {
        EXPECT_FALSE(folders.roamingAppData.empty());
        EXPECT_TRUE(IsFolder(folders.roamingAppData));
        EXPECT_EQ(platform::GetSpecialFolder(platform::kFolderRoamingAppData), folders.roamingAppData);
        EXPECT_EQ(platform::GetSpecialFolder(platform::kFolderLocalAppData), folders.localAppData);
        EXPECT_EQ(platform::GetSpecialFolder(platform::kFolderHome), "");
    } else {
        EXPECT_EQ(platform::GetSpecialFolder(platform::kFolderRoamingAppData), "");
    }
}

#ifndef _WIN32
TEST(KnownFolders, LinuxFoldersFollowHomeAndXdgConfigHome) {
    const char* oldHome = std::getenv("HOME");
    const char* oldConfig = std::getenv("XDG_CONFIG_HOME");
    const std::string savedHome = oldHome ? oldHome : "";
    const std::string savedConfig = oldConfig ? oldConfig : "";

    setenv("HOME", "/tmp/fake-home/", 1);
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(platform::GetSpecialFolder(platform::kFolderHome), "/tmp/fake-home");
    EXPECT_EQ(platform::GetSpecialFolder(platform::kFolderConfig), "/tmp/fake-home/.config");
    setenv("XDG_CONFIG_HOME", "/tmp/elsewhere", 1);
    EXPECT_EQ(platform::GetSpecialFolder(platform::kFolderConfig), "/tmp/elsewhere");
    setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
    EXPECT_EQ(platform::GetSpecialFolder(platform::kFolderConfig), "/tmp/fake-home/.config");

    setenv("HOME", savedHome.c_str(), 1);
    if (oldConfig)
        setenv("XDG_CONFIG_HOME", savedConfig.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
}
#endif

TEST(PathText, NonAsciiPathsRoundTripThroughFilesystemPaths) {
    const std::string text = "Prüfung/日本/\xF0\x9F\x98\x80.sqlite";
    EXPECT_EQ(platform::PathToUtf8(platform::PathFromUtf8(text)), text);
    EXPECT_EQ(platform::PathToUtf8(platform::PathFromUtf8(text).filename()), "\xF0\x9F\x98\x80.sqlite");
}
