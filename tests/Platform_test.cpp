#include "TestSupport.h"

#include "platform/Files.h"
#include "platform/Storage.h"
#include "platform/System.h"
#include "platform/Text.h"

#include "support/FolderHelpers.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/sysmacros.h>
#endif

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

// --- Storage: which disks seek -------------------------------------------------------------------------------------

#ifndef _WIN32
TEST(Storage, LinuxAsksTheDiskUnderTheFileSystem) {
    using platform::SeekPenalty;
    testing_support::TempFolder temp;
    const std::string file = temp / "file.sqlite";
    testing_support::WriteFile(file, "x");
    struct stat status {};
    ASSERT_EQ(stat(file.c_str(), &status), 0);
    const std::string number = std::to_string(major(status.st_dev)) + ":" + std::to_string(minor(status.st_dev));
    const std::string others = "21 26 0:20 / /proc rw,relatime - proc proc rw\n"
                               "26 1 254:77 / /data rw,relatime - ext4 /dev/vdz rw\n";

    // Each case describes a machine: files under /sys (a name ending in "->" is a link to the rest) and the mount
    // table's line for the file's device number.
    const struct {
        const char* name;
        std::vector<std::pair<std::string, std::string>> sys;
        std::string mount; // the line's fields after the device number
        SeekPenalty expected;
    } cases[] = {
        {"a spinning disk", {{"dev/block/N/queue/rotational", "1\n"}}, "", SeekPenalty::seeks},
        {"a solid-state disk", {{"dev/block/N/queue/rotational", "0\n"}}, "", SeekPenalty::none},
        {"a partition takes its disk's flag",
         {{"devices/sdq/queue/rotational", "1\n"},
          {"devices/sdq/sdq2/partition", "2\n"},
          {"dev/block/N->", "../../devices/sdq/sdq2"}},
         "",
         SeekPenalty::seeks},
        {"a disk without a flag", {{"dev/block/N/size", "100\n"}}, "", SeekPenalty::unknown},
        {"memory", {}, "/ /tmp rw - tmpfs tmpfs rw", SeekPenalty::none},
        {"btrfs on a partition of a solid-state disk, by the mount table's source",
         {{"devices/nvme9/queue/rotational", "0\n"},
          {"devices/nvme9/nvme9p3/partition", "3\n"},
          {"class/block/nvme9p3->", "../../devices/nvme9/nvme9p3"}},
         "/ /home rw,relatime shared:1 - btrfs /dev/nvme9p3 rw,ssd,subvol=/home",
         SeekPenalty::none},
        {"a network share", {}, "/ /net rw - nfs4 server:/export rw", SeekPenalty::unknown},
        {"nothing known", {}, "", SeekPenalty::unknown},
    };
    int index = 0;
    for (const auto& c : cases) {
        const std::string root = temp / ("machine" + std::to_string(index++));
        for (auto [path, content] : c.sys) {
            const std::size_t at = path.find('N');
            if (path.rfind("dev/block/N", 0) == 0)
                path.replace(at, 1, number);
            const std::filesystem::path full = platform::PathFromUtf8(root + "/sys/" + path);
            if (path.size() > 2 && path.compare(path.size() - 2, 2, "->") == 0) {
                const std::filesystem::path link =
                    platform::PathFromUtf8(root + "/sys/" + path.substr(0, path.size() - 2));
                std::filesystem::create_directories(link.parent_path());
                std::filesystem::create_directory_symlink(content, link);
            } else {
                std::filesystem::create_directories(full.parent_path());
                testing_support::WriteFile(platform::PathToUtf8(full), content);
            }
        }
        testing_support::MakeFolder(root + "/sys");
        testing_support::WriteFile(root + "/mountinfo",
                                   others + (c.mount.empty() ? "" : "40 26 " + number + " " + c.mount + "\n"));
        EXPECT_EQ(platform::QuerySeekPenaltyFrom(file, root + "/sys", root + "/mountinfo"), c.expected) << c.name;
        EXPECT_EQ(platform::QuerySeekPenaltyFrom(temp / "missing", root + "/sys", root + "/mountinfo"),
                  SeekPenalty::unknown)
            << c.name;
    }
}
#else
TEST(Storage, WindowsAsksTheVolumeOfTheFile) {
    // Every file of a folder lies on the folder's volume.
    const std::string folder = platform::DatabaseTemporaryFolder();
    ASSERT_TRUE(IsFolder(folder)) << folder;
    testing_support::TempFolder temp;
    const std::string file = temp / "file.sqlite";
    testing_support::WriteFile(file, "x");
    const platform::SeekPenalty answer = platform::QuerySeekPenalty(folder);
    EXPECT_EQ(platform::QuerySeekPenalty(file), answer);
    std::printf("the temporary folder's volume: %s\n", answer == platform::SeekPenalty::none    ? "no seek penalty"
                                                       : answer == platform::SeekPenalty::seeks ? "seeks"
                                                                                                : "cannot tell");
}
#endif
