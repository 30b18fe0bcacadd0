#include "support/FolderHelpers.h"

#include "TestSupport.h"
#include "platform/Files.h"
#include "platform/System.h"
#include "platform/Text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

// The raw order in which the file system lists a folder, for comparing against the helpers' order.
std::vector<std::string> RawNames(const std::string& folder) {
    std::vector<std::string> names;
    platform::ForEachFolderEntry(folder, [&](const platform::FolderEntry& entry) {
        names.push_back(entry.name);
        return true;
    });
    return names;
}

std::vector<std::string> Sorted(std::vector<std::string> items) {
    std::sort(items.begin(), items.end());
    return items;
}

} // namespace

// --- Separators and existence ---------------------------------------------------------------------------------

TEST(FolderHelpers, AppendBackslashAddsOneSeparatorToNonEmptyPaths) {
    EXPECT_EQ(AppendBackslash(""), "");
    EXPECT_EQ(AppendBackslash("a"), "a" + kSep);
    EXPECT_EQ(AppendBackslash("a" + kSep), "a" + kSep);
    EXPECT_EQ(AppendBackslash("a" + kSep + kSep), "a" + kSep + kSep);
}

TEST(FolderHelpers, ExistenceAndSizeOfFilesFoldersAndMissingEntries) {
    TempFolder temp;
    WriteFile(temp / "file.bin", std::string(1500, 'x'));
    WriteFile(temp / "empty", "");
    MakeFolder(temp / "sub");

    EXPECT_TRUE(PathExists(temp / "file.bin"));
    EXPECT_TRUE(PathExists(temp / "sub"));
    EXPECT_TRUE(PathExists(temp / "sub" + kSep));
    EXPECT_FALSE(PathExists(temp / "missing"));
    EXPECT_FALSE(PathExists(temp / Join({"missing", "deeper"})));
    EXPECT_FALSE(PathExists(""));

    EXPECT_TRUE(IsFolder(temp / "sub"));
    EXPECT_FALSE(IsFolder(temp / "file.bin"));
    EXPECT_FALSE(IsFolder(temp / "missing"));

    EXPECT_EQ(QueryFileSize(temp / "file.bin"), 1500u);
    EXPECT_EQ(QueryFileSize(temp / "empty"), 0u);
    EXPECT_EQ(QueryFileSize(temp / "missing"), 0u);
    EXPECT_EQ(QueryFileSize(temp / "sub"), 0u);
    EXPECT_EQ(QueryFileSize(""), 0u);
}

TEST(FolderHelpers, SizesAboveFourGigabytesAreNotTruncated) {
    TempFolder temp;
    const std::string path = temp / "sparse.bin";
    WriteFile(path, "");
    std::error_code error;
    fs::resize_file(platform::PathFromUtf8(path), (std::uintmax_t{5} << 30) + 7, error);
    if (error)
        GTEST_SKIP() << "cannot make a 5 GB sparse file here: " << error.message();
    EXPECT_EQ(QueryFileSize(path), (std::uint64_t{5} << 30) + 7);
}

// --- ListFolder -----------------------------------------------------------------------------------------------

TEST(FolderHelpers, ListFolderKeepsFileSystemOrderAndFiltersByMask) {
    TempFolder temp;
    for (const char* name : {"places.sqlite", "cookies.sqlite", "places.sqlite-wal", "prefs.js", "zz.SQLITE"})
        WriteFile(temp / name, "x");
    MakeFolder(temp / "x.sqlite");
    MakeFolder(temp / "storage");

    // Every entry, in exactly the order the file system gives, without "." and "..".
    const std::vector<std::string> all =
        ListFolder(temp.Path(), "*.*", FolderEntries::FilesAndFolders, EntryNames::NamesOnly);
    EXPECT_EQ(all, RawNames(temp.Path()));
    EXPECT_EQ(all.size(), 7u);
    EXPECT_EQ(std::count(all.begin(), all.end(), "."), 0);
    EXPECT_EQ(std::count(all.begin(), all.end(), ".."), 0);

    // The mask applies to folders too; folders only when asked; the match ignores letter case.
    EXPECT_EQ(Sorted(ListFolder(temp.Path(), "*.sqlite", FolderEntries::FilesOnly, EntryNames::NamesOnly)),
              (std::vector<std::string>{"cookies.sqlite", "places.sqlite", "zz.SQLITE"}));
    EXPECT_EQ(Sorted(ListFolder(temp.Path(), "*.sqlite", FolderEntries::FilesAndFolders, EntryNames::NamesOnly)),
              (std::vector<std::string>{"cookies.sqlite", "places.sqlite", "x.sqlite", "zz.SQLITE"}));
    EXPECT_EQ(
        Sorted(ListFolder(temp.Path(), "*.*", FolderEntries::FilesOnly, EntryNames::NamesOnly)),
        (std::vector<std::string>{"cookies.sqlite", "places.sqlite", "places.sqlite-wal", "prefs.js", "zz.SQLITE"}));
}

TEST(FolderHelpers, ListFolderFullPathsWithAndWithoutTrailingSeparator) {
    TempFolder temp;
    WriteFile(temp / "a.db", "x");
    const std::vector<std::string> expected{temp / "a.db"};
    EXPECT_EQ(ListFolder(temp.Path(), "*.db", FolderEntries::FilesOnly, EntryNames::FullPaths), expected);
    EXPECT_EQ(ListFolder(temp.Path() + kSep, "*.db", FolderEntries::FilesOnly, EntryNames::FullPaths), expected);
    EXPECT_EQ(ListFolder(temp.Path() + kSep, "*.db", FolderEntries::FilesOnly, EntryNames::NamesOnly),
              std::vector<std::string>{"a.db"});
}

TEST(FolderHelpers, ListFolderOfMissingFolderOrFileIsEmpty) {
    TempFolder temp;
    WriteFile(temp / "plain.txt", "x");
    EXPECT_TRUE(ListFolder(temp / "missing", "*.*", FolderEntries::FilesAndFolders, EntryNames::FullPaths).empty());
    EXPECT_TRUE(ListFolder(temp / "plain.txt", "*.*", FolderEntries::FilesAndFolders, EntryNames::FullPaths).empty());
    EXPECT_TRUE(ListFolder("", "*.*", FolderEntries::FilesAndFolders, EntryNames::FullPaths).empty());
}

TEST(FolderHelpers, NonAsciiNamesRoundTrip) {
    TempFolder temp;
    const std::string folder = temp / "Prüfung ÄÖ 日本";
    WriteFile(Join({folder, "Zürich.sqlite"}), "x");
    EXPECT_TRUE(PathExists(folder));
    EXPECT_EQ(ListFolder(folder, "*.sqlite", FolderEntries::FilesOnly, EntryNames::NamesOnly),
              std::vector<std::string>{"Zürich.sqlite"});
    EXPECT_EQ(QueryFileSize(Join({folder, "Zürich.sqlite"})), 1u);
    EXPECT_EQ(LastPathComponent(folder), "Prüfung ÄÖ 日本");
}

// --- WalkFolder -----------------------------------------------------------------------------------------------

TEST(FolderHelpers, WalkReportsFoldersBeforeTheirContentAndMatchesFullPaths) {
    TempFolder temp;
    WriteFile(temp / Join({"a", "main.db"}), "12345");
    WriteFile(temp / Join({"a", "sub", "main.db"}), "1");
    WriteFile(temp / Join({"a", "notes.txt"}), "1");
    WriteFile(temp / Join({"b", "main.db"}), "12");
    MakeFolder(temp / Join({"c", "d"}));

    std::vector<std::pair<std::string, std::uint64_t>> seen;
    const auto record = [&](const std::string& path, std::uint64_t size) {
        seen.emplace_back(path, size);
        return true;
    };
    EXPECT_TRUE(WalkFolder(temp.Path(), "*.db", record, WalkDepth::AllSubFolders, FolderEntries::FilesAndFolders));

    const auto position = [&](const std::string& path) {
        return std::find_if(seen.begin(), seen.end(), [&](const auto& item) { return item.first == path; }) -
               seen.begin();
    };
    ASSERT_EQ(seen.size(), 8u); // folders a, a/sub, b, c, c/d and three .db files
    EXPECT_LT(position(temp / "a"), position(temp / Join({"a", "sub"})));
    EXPECT_LT(position(temp / "a"), position(temp / Join({"a", "main.db"})));
    EXPECT_LT(position(temp / Join({"a", "sub"})), position(temp / Join({"a", "sub", "main.db"})));
    EXPECT_LT(position(temp / "c"), position(temp / Join({"c", "d"})));
    EXPECT_EQ(position(temp / Join({"a", "notes.txt"})), static_cast<long>(seen.size()));
    EXPECT_EQ(seen[position(temp / Join({"a", "main.db"}))].second, 5u);
    EXPECT_EQ(seen[position(temp / "a")].second, 0u);
}

TEST(FolderHelpers, WalkWithoutRecursionOrFolderReports) {
    TempFolder temp;
    WriteFile(temp / "top.db", "1");
    WriteFile(temp / Join({"a", "deep.db"}), "1");

    std::vector<std::string> seen;
    const auto record = [&](const std::string& path, std::uint64_t) {
        seen.push_back(path);
        return true;
    };
    WalkFolder(temp.Path(), "*.*", record, WalkDepth::ThisFolderOnly, FolderEntries::FilesOnly);
    EXPECT_EQ(seen, std::vector<std::string>{temp / "top.db"});

    seen.clear();
    WalkFolder(temp.Path(), "*.*", record, WalkDepth::AllSubFolders, FolderEntries::FilesOnly);
    EXPECT_EQ(Sorted(seen), Sorted({temp / "top.db", temp / Join({"a", "deep.db"})}));

    seen.clear();
    WalkFolder(temp.Path(), "*.*", record, WalkDepth::ThisFolderOnly, FolderEntries::FilesAndFolders);
    EXPECT_EQ(Sorted(seen), Sorted({temp / "top.db", temp / "a"}));
}

TEST(FolderHelpers, WalkEndsAsSoonAsTheVisitorSaysSo) {
    TempFolder temp;
    for (int i = 0; i < 5; ++i)
        WriteFile(temp / Join({"f" + std::to_string(i), "x.db"}), "1");
    int calls = 0;
    EXPECT_FALSE(WalkFolder(
        temp.Path(), "*.*",
        [&](const std::string&, std::uint64_t) {
            ++calls;
            return calls < 3;
        },
        WalkDepth::AllSubFolders, FolderEntries::FilesAndFolders));
    EXPECT_EQ(calls, 3);
}

TEST(FolderHelpers, WalkOfMissingFolderVisitsNothing) {
    TempFolder temp;
    int calls = 0;
    EXPECT_TRUE(WalkFolder(
        temp / "missing", "*.*", [&](const std::string&, std::uint64_t) { return ++calls > 0; },
        WalkDepth::AllSubFolders, FolderEntries::FilesAndFolders));
    EXPECT_EQ(calls, 0);
}

TEST(FolderHelpers, WalkTerminatesOnALinkLoop) {
    // root/alice/loop -> root: a loop that a naive walk would follow until the path length gives out. Windows
    // programs under Wine cannot make links, so there the test harness makes the loop beforehand and names it.
    TempFolder temp;
    std::string root = temp / "Skype";
    if (const char* prepared = std::getenv("TIDYQUILL_LINK_LOOP")) {
        root = prepared;
    } else {
        WriteFile(Join({root, "alice", "main.db"}), "1");
        std::error_code error;
        fs::create_directory_symlink(platform::PathFromUtf8(root),
                                     platform::PathFromUtf8(Join({root, "alice", "loop"})), error);
        if (error)
            GTEST_SKIP() << "folder links cannot be made here: " << error.message();
    }
    ASSERT_TRUE(IsFolder(Join({root, "alice", "loop"})));

    int files = 0, folders = 0;
    WalkFolder(
        root, "*.*",
        [&](const std::string& path, std::uint64_t) {
            (IsFolder(path) ? folders : files)++;
            return folders + files < 10000;
        },
        WalkDepth::AllSubFolders, FolderEntries::FilesAndFolders);
    EXPECT_EQ(files, 1);   // alice/main.db, once
    EXPECT_EQ(folders, 2); // alice and the link alice/loop, which is not entered
}

TEST(FolderHelpers, WalkStaysOutOfLinkedFoldersButMayStartInOne) {
    // root/alice/system -> a large tree elsewhere: reported, never walked. A start folder reached through a link is
    // walked as usual (profiles kept on another disk).
    TempFolder temp;
    const std::string root = temp / "Skype";
    WriteFile(Join({root, "alice", "main.db"}), "1");
    WriteFile(temp / Join({"elsewhere", "deep", "main.db"}), "1");
    std::error_code error;
    fs::create_directory_symlink(platform::PathFromUtf8(temp / "elsewhere"),
                                 platform::PathFromUtf8(Join({root, "alice", "system"})), error);
    if (!error)
        fs::create_directory_symlink(platform::PathFromUtf8(root), platform::PathFromUtf8(temp / "via-link"), error);
    if (error)
        GTEST_SKIP() << "folder links cannot be made here: " << error.message();

    for (const std::string& start : {root, temp / "via-link"}) {
        std::vector<std::string> seen;
        WalkFolder(
            start, "*.*",
            [&](const std::string& path, std::uint64_t) {
                seen.push_back(path.substr(start.size() + 1));
                return true;
            },
            WalkDepth::AllSubFolders, FolderEntries::FilesAndFolders);
        std::sort(seen.begin(), seen.end());
        EXPECT_EQ(seen, (std::vector<std::string>{"alice", Join({"alice", "main.db"}), Join({"alice", "system"})}))
            << start;
    }
}

// --- LastPathComponent ----------------------------------------------------------------------------------------

TEST(FolderHelpers, LastPathComponentKeepsATrailingSeparator) {
    const std::string s = kSep;
    EXPECT_EQ(LastPathComponent(s + "a" + s + "b"), "b");
    EXPECT_EQ(LastPathComponent(s + "a" + s + "b" + s), "b" + s);
    EXPECT_EQ(LastPathComponent("b"), "b");
    EXPECT_EQ(LastPathComponent(""), "");
    EXPECT_EQ(LastPathComponent(s + "a" + s + s + "b"), "b");
    EXPECT_EQ(LastPathComponent("a" + s + s), "a" + s + s);
    const std::string longName(300, 'n');
    EXPECT_EQ(LastPathComponent(s + "x" + s + longName), longName);
    if (platform::kWindows) {
        EXPECT_EQ(LastPathComponent("D:\\Portable\\Firefox\\Data\\profile"), "profile");
        EXPECT_EQ(LastPathComponent("C:\\"), "C:\\");
        EXPECT_EQ(LastPathComponent("D:/ff/p1"), "p1");
    }
}
