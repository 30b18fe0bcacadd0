// CBrowserProfile::Optimize on real SQLite files: its messages, the progress it reports, what it leaves on disk.

#include "ChildProcess.h"
#include "EngineTestSupport.h"
#include "TestSupport.h"

#include "engine/Compaction.h"
#include "engine/Optimization.h"
#include "engine/StopSignal.h"
#include "platform/System.h"
#include "platform/Text.h"
#include "support/FolderHelpers.h"

#include <gtest/gtest.h>

#include <filesystem>

#ifndef _WIN32
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

#include <cstdio>
#include <cstdlib>

using namespace testing_support;

namespace {

std::uint32_t Kb(const std::string& path) {
    return static_cast<std::uint32_t>(QueryFileSize(path) >> 10);
}

class Compaction : public ::testing::Test {
protected:
    // A profile of the test program in a folder of its own; its path ends with a separator, as Mozilla's do.
    CBrowserProfile* MakeProfile(const std::string& folderName, const std::string& name = "default") {
        MakeFolder(temp / folderName);
        return program.AddProfile(AppendBackslash(temp / folderName), name, false);
    }
    std::vector<LogLine> Header(const CBrowserProfile* profile) const {
        return {{"Optimizing '" + profile->GetName() + "'", 1}, {"Path: " + profile->GetPath(), 0}};
    }
    static std::vector<LogLine> Plus(std::vector<LogLine> lines, const std::vector<LogLine>& more) {
        lines.insert(lines.end(), more.begin(), more.end());
        return lines;
    }

    TempFolder temp;
    FakeProgram program{"Firefox", kEverySqliteFile};
    TestProgressBar bar;
    StopSignal stop;
};

} // namespace

// --- Compaction: every file shrinks, keeps its rows, and leaves no journal behind ---------------------------------

TEST_F(Compaction, CompactsEveryFileInPlace) {
    // A non-ASCII folder proves the path reaches the engine intact on both systems.
    const std::string folder = "Profil Zürich \xE6\x97\xA5\xE6\x9C\xAC";
    CBrowserProfile* profile = MakeProfile(folder);
    const std::string a = temp / folder + platform::kPathSeparator + "a.sqlite";
    const std::string b = temp / folder + platform::kPathSeparator + "b.sqlite";
    MakeDatabase(a, 2000, 1000, 4);
    MakeDatabase(b, 1000, 2000, 5, true);
    const std::uint64_t sizeA = QueryFileSize(a);
    const std::uint64_t sizeB = QueryFileSize(b);
    const std::vector<std::string> names = FolderNames(temp / folder);

    LogCapture log;
    EXPECT_TRUE(OptimizeProfile(*profile, &bar, &stop));

    EXPECT_EQ(log.Lines(), Plus(Header(profile), {{"a.sqlite...", 0}, {"b.sqlite...", 0}}));
    EXPECT_EQ(FolderNames(temp / folder), names) << "a journal or WAL file was left behind";
    EXPECT_LT(QueryFileSize(a), sizeA / 2);
    EXPECT_LT(QueryFileSize(b), sizeB / 2);
    EXPECT_EQ(bar.pos, (sizeA >> 10) + (sizeB >> 10));
    EXPECT_EQ(CountRows(a), 500);
    EXPECT_EQ(CountRows(b), 200);
}

TEST_F(Compaction, CommandLineModeNeedsNeitherBarNorStop) {
    CBrowserProfile* profile = MakeProfile("p");
    const std::string a = temp / "p" + platform::kPathSeparator + "a.sqlite";
    MakeDatabase(a, 1000, 1000, 4);
    const std::uint64_t before = QueryFileSize(a);

    LogCapture log;
    EXPECT_TRUE(OptimizeProfile(*profile, nullptr, nullptr));
    EXPECT_EQ(log.Lines(), Plus(Header(profile), {{"a.sqlite...", 0}}));
    EXPECT_LT(QueryFileSize(a), before);
}

TEST_F(Compaction, ProfileWithoutFilesLogsItsHeaderOnly) {
    CBrowserProfile* profile = MakeProfile("empty");
    WriteFile(temp / "empty" + platform::kPathSeparator + "prefs.js", "user_pref();");

    LogCapture log;
    EXPECT_TRUE(OptimizeProfile(*profile, &bar, &stop));
    EXPECT_EQ(log.Lines(), Header(profile));
    EXPECT_EQ(bar.setPosCalls, 0);
}

// --- The owning program still runs: a lock held by another process gives up the profile --------------------------

TEST_F(Compaction, FileLockedByAnotherProcessGivesUpTheProfile) {
    CBrowserProfile* profile = MakeProfile("locked");
    const std::string base = temp / "locked" + platform::kPathSeparator;
    for (const char* name : {"a.sqlite", "b.sqlite", "c.sqlite"})
        MakeDatabase(base + name, 1000, 1000, 4);
    const std::uint64_t sizeA = QueryFileSize(base + "a.sqlite");
    const std::uint32_t expectedPos = Kb(base + "a.sqlite") + Kb(base + "b.sqlite");
    const std::string lockedBytes = ReadFile(base + "b.sqlite");
    const std::string thirdBytes = ReadFile(base + "c.sqlite");
    const std::vector<std::string> names = FolderNames(temp / "locked");

    LogCapture log;
    {
        ChildProcess holder;
        ASSERT_TRUE(holder.Start(EngineHelperPath(), {"lock", base + "b.sqlite"}));
        ASSERT_EQ(holder.ReadLine(), "ready");
        EXPECT_FALSE(OptimizeProfile(*profile, &bar, &stop));
    }

    EXPECT_EQ(log.Lines(),
              Plus(Header(profile),
                   {{"a.sqlite...", 0},
                    {"b.sqlite...", 0},
                    {"Error: the file is locked. Seems like related program ('Firefox') is still running", 0}}));
    EXPECT_LT(QueryFileSize(base + "a.sqlite"), sizeA);
    EXPECT_TRUE(ReadFile(base + "b.sqlite") == lockedBytes) << "changed: " << base + "b.sqlite";
    EXPECT_TRUE(ReadFile(base + "c.sqlite") == thirdBytes) << "changed: " << base + "c.sqlite";
    EXPECT_EQ(bar.pos, expectedPos);
    EXPECT_EQ(FolderNames(temp / "locked"), names);
}

// --- Only another process holding a file means that its program runs ----------------------------------------------

#ifndef _WIN32
namespace {
// Takes root's power to open any file away from this process, so that a file without permissions cannot be
// opened here, as it cannot by any other user.
void DropFileAccessOverride() {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2] = {};
    if (syscall(SYS_capget, &header, data) != 0)
        return;
    data[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
    syscall(SYS_capset, &header, data);
}
} // namespace
#endif

TEST_F(Compaction, AHeldFileGivesUpTheProfileAFileThisUserMayNotReadDoesNot) {
    CBrowserProfile* profile = MakeProfile("held");
    const std::string base = temp / "held" + platform::kPathSeparator;
    MakeDatabase(base + "a.sqlite", 300, 1000, 2);
    MakeDatabase(base + "b.sqlite", 300, 1000, 2);
    const std::string bytesA = ReadFile(base + "a.sqlite");
    const std::string bytesB = ReadFile(base + "b.sqlite");
#ifdef _WIN32
    {
        // What a running program does on Windows: it holds the file open without sharing.
        LogCapture log;
        ChildProcess holder;
        ASSERT_TRUE(holder.Start(EngineHelperPath(), {"hold", base + "a.sqlite"}));
        ASSERT_EQ(holder.ReadLine(), "ready");
        EXPECT_FALSE(OptimizeProfile(*profile, &bar, &stop));
        holder.CloseInput();
        holder.Wait();
        EXPECT_EQ(log.Lines(),
                  Plus(Header(profile),
                       {{"a.sqlite...", 0},
                        {"Error: SQLITE_CANTOPEN. Seems like related program ('Firefox') is still running", 0}}));
        EXPECT_TRUE(ReadFile(base + "b.sqlite") == bytesB) << "changed: " << base + "b.sqlite";
        EXPECT_EQ(bar.pos, Kb(base + "a.sqlite"));
    }
    {
        // An indexer or a backup program holds files with every kind of sharing, delete included: no program of
        // the profile runs, so the profile goes on.
        LogCapture log;
        ChildProcess indexer;
        ASSERT_TRUE(indexer.Start(EngineHelperPath(), {"hold-shared", base + "a.sqlite"}));
        ASSERT_EQ(indexer.ReadLine(), "ready");
        EXPECT_TRUE(OptimizeProfile(*profile, &bar, &stop));
        indexer.CloseInput();
        indexer.Wait();
        for (const LogLine& line : log.Lines())
            EXPECT_EQ(line.text.find("still running"), std::string::npos) << line.text;
        EXPECT_LT(QueryFileSize(base + "b.sqlite"), bytesB.size());
    }
#else
    // A file of another account: a line that says so, and the profile goes on. Run in a process of its own, which
    // gives up root's access to every file first.
    std::filesystem::permissions(platform::PathFromUtf8(base + "a.sqlite"), std::filesystem::perms::none);
    const std::vector<LogLine> expected =
        Plus(Header(profile),
             {{"a.sqlite...", 0}, {"Warning: cannot open a.sqlite: access is denied", 0}, {"b.sqlite...", 0}});
    EXPECT_EXIT(
        {
            DropFileAccessOverride();
            LogCapture log;
            unsigned notCompacted = 0;
            const bool done = OptimizeProfile(*profile, &bar, &stop, &notCompacted);
            const bool asExpected = done && log.Lines() == expected && notCompacted == 1;
            if (!asExpected)
                std::fprintf(stderr, "%s\n", ::testing::PrintToString(log.Lines()).c_str());
            std::exit(asExpected ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
    std::filesystem::permissions(platform::PathFromUtf8(base + "a.sqlite"), std::filesystem::perms::owner_all);
    EXPECT_LT(QueryFileSize(base + "b.sqlite"), bytesB.size());
#endif
    EXPECT_TRUE(ReadFile(base + "a.sqlite") == bytesA) << "changed: " << base + "a.sqlite";
}

// --- Files that are not compacted: each says why, and the profile goes on -----------------------------------------

TEST_F(Compaction, FailuresOfVacuumAreReportedAndTheProfileGoesOn) {
    CBrowserProfile* profile = MakeProfile("mixed");
    const std::string base = temp / "mixed" + platform::kPathSeparator;
    MakeDatabaseWithUnknownCollation(base + "c.sqlite");
    std::string text;
    for (int i = 0; i < 100; ++i)
        text += "This is a text file with the name of a database.\n";
    WriteFile(base + "places.sqlite", text);
    MakeDatabase(base + "z.sqlite", 1000, 1000, 4);
    const std::string collationBytes = ReadFile(base + "c.sqlite");
    const std::uint64_t sizeZ = QueryFileSize(base + "z.sqlite");
    const std::vector<std::string> names = FolderNames(temp / "mixed");

    LogCapture log;
    EXPECT_TRUE(OptimizeProfile(*profile, &bar, &stop));

    const std::vector<LogLine> lines = log.Lines();
    ASSERT_EQ(lines.size(), 7u) << ::testing::PrintToString(lines);
    EXPECT_EQ(lines[2], (LogLine{"c.sqlite...", 0}));
    // The engine's own message follows the colon.
    EXPECT_EQ(lines[3].text.rfind("Warning: the file was not compacted: ", 0), 0u) << lines[3].text;
    EXPECT_NE(lines[3].text.find("collation"), std::string::npos) << lines[3].text;
    EXPECT_EQ(lines[3].bold, 0);
    EXPECT_EQ(lines[4], (LogLine{"places.sqlite...", 0}));
    EXPECT_EQ(lines[5], (LogLine{"Warning: the file is encrypted or not valid", 0}));
    EXPECT_EQ(lines[6], (LogLine{"z.sqlite...", 0}));

    EXPECT_TRUE(ReadFile(base + "c.sqlite") == collationBytes) << "changed: " << base + "c.sqlite";
    EXPECT_TRUE(ReadFile(base + "places.sqlite") == text) << "changed: " << base + "places.sqlite";
    EXPECT_LT(QueryFileSize(base + "z.sqlite"), sizeZ);
    EXPECT_EQ(FolderNames(temp / "mixed"), names);
}

TEST_F(Compaction, FileThatVanishedAfterListingIsNotCreated) {
    CBrowserProfile* profile = MakeProfile("vanish");
    const std::string base = temp / "vanish" + platform::kPathSeparator;
    for (const char* name : {"a.sqlite", "b.sqlite", "c.sqlite"})
        MakeDatabase(base + name, 300, 1000, 2);
    ASSERT_EQ(profile->GetFileList().size(), 3u);
    std::filesystem::remove(platform::PathFromUtf8(base + "b.sqlite"));

    LogCapture log;
    EXPECT_TRUE(OptimizeProfile(*profile, &bar, &stop));

    EXPECT_EQ(log.Lines(),
              Plus(Header(profile), {{"a.sqlite...", 0},
                                     {"b.sqlite...", 0},
                                     {"Error: cannot open the file, error unable to open database file", 0},
                                     {"c.sqlite...", 0}}));
    EXPECT_FALSE(PathExists(base + "b.sqlite"));
    EXPECT_EQ(FolderNames(temp / "vanish"), (std::vector<std::string>{"a.sqlite", "c.sqlite"}));
}

// --- Only real database files are opened for writing --------------------------------------------------------------

TEST_F(Compaction, FilesThatAreNoDatabaseAreLeftAloneWithAWarning) {
    // The test program lists every "*.sqlite" by name, as a listing made before the files changed would.
    CBrowserProfile* profile = MakeProfile("fakes");
    const std::string base = temp / "fakes" + platform::kPathSeparator;
    WriteFile(base + "a-empty.sqlite", "");
    WriteFile(base + "b-short.sqlite", "SQLite format");
    MakeDatabase(base + "c-real.sqlite", 500, 500, 4);
    std::vector<std::string> expectedNames{"a-empty.sqlite", "b-short.sqlite", "c-real.sqlite"};
#ifndef _WIN32
    // A link to a device: the engine would write a database header over it.
    ASSERT_EQ(symlink("/dev/zero", (base + "d-device.sqlite").c_str()), 0);
    expectedNames.push_back("d-device.sqlite");
#endif
    ASSERT_EQ(profile->GetFileList().size(), expectedNames.size());
    const std::uint64_t realBefore = QueryFileSize(base + "c-real.sqlite");

    LogCapture log;
    unsigned notCompacted = 0;
    unsigned notDatabases = 0;
    EXPECT_TRUE(OptimizeProfile(*profile, &bar, &stop, &notCompacted, &notDatabases));

    // An empty file is an empty database, with nothing to compact and nothing to say.
    const std::vector<LogLine> lines = log.Lines();
    const LogLine warning{"Warning: the file is encrypted or not valid", 0};
    std::vector<LogLine> expected =
        Plus(Header(profile), {{"a-empty.sqlite...", 0}, {"b-short.sqlite...", 0}, warning, {"c-real.sqlite...", 0}});
    if (!platform::kWindows)
        expected = Plus(expected, {{"d-device.sqlite...", 0}, warning});
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(QueryFileSize(base + "a-empty.sqlite"), 0u);
    EXPECT_EQ(ReadFile(base + "b-short.sqlite"), "SQLite format");
    EXPECT_LT(QueryFileSize(base + "c-real.sqlite"), realBefore);
    EXPECT_EQ(FolderNames(temp / "fakes"), expectedNames); // no journal left beside any of them
    EXPECT_EQ(notCompacted, expectedNames.size() - 2);
    EXPECT_EQ(notDatabases, notCompacted);
}

// --- A write-ahead log counts with its database and is emptied into it --------------------------------------------

TEST_F(Compaction, CommittedPagesInTheWriteAheadLogAreKeptAndCounted) {
    CBrowserProfile* profile = MakeProfile("wal");
    const std::string base = temp / "wal" + platform::kPathSeparator;
    MakeDatabaseWithCommittedLog(base + "places.sqlite", 2000, 1000, 4);
    const std::uint64_t mainBefore = QueryFileSize(base + "places.sqlite");
    const std::uint64_t logBefore = QueryFileSize(base + "places.sqlite-wal");
    ASSERT_GT(logBefore, mainBefore) << "the fixture should hold most of its pages in the log";
    EXPECT_EQ(profile->GetTotalSize(), mainBefore + logBefore);

    LogCapture log;
    EXPECT_TRUE(OptimizeProfile(*profile, &bar, &stop));

    EXPECT_EQ(CountRows(base + "places.sqlite"), 500);
    EXPECT_EQ(QueryFileSize(base + "places.sqlite-wal"), 0u);
    EXPECT_LT(profile->GetTotalSize(), mainBefore + logBefore);
    EXPECT_EQ(profile->GetTotalSize(), QueryFileSize(base + "places.sqlite"));
    // The bar counts the log too.
    EXPECT_EQ(bar.pos, static_cast<std::uint32_t>((mainBefore + logBefore) >> 10));
}

// --- Progress: each file tried advances the bar by its size before compaction, shifted right by 10 ----------------

TEST_F(Compaction, ProgressAdvancesByWholeKilobytes) {
    CBrowserProfile* profile = MakeProfile("sizes");
    const std::string base = temp / "sizes" + platform::kPathSeparator;
    WriteFile(base + "k.sqlite", std::string(1048575, 'k'));
    WriteFile(base + "m.sqlite", std::string(1023, 'm'));
    std::vector<std::uint32_t> positions;
    bar.pos = 7; // the bar is advanced from where it stands
    bar.onSetPos = [&](std::uint32_t pos) { positions.push_back(pos); };

    LogCapture log;
    EXPECT_TRUE(OptimizeProfile(*profile, &bar, &stop));
    EXPECT_EQ(positions, (std::vector<std::uint32_t>{7 + 1023, 7 + 1023}));
}

// --- Stop between files: the next file is not opened (a stop inside "VACUUM": EngineRun_test) ---------------------

TEST_F(Compaction, StopBetweenFilesLeavesTheNextFileAlone) {
    CBrowserProfile* profile = MakeProfile("stop");
    const std::string base = temp / "stop" + platform::kPathSeparator;
    MakeDatabase(base + "a.sqlite", 1000, 1000, 4);
    MakeDatabase(base + "b.sqlite", 1000, 1000, 4);
    const std::uint32_t kbA = Kb(base + "a.sqlite");
    const std::string bytesB = ReadFile(base + "b.sqlite");
    bar.onSetPos = [&](std::uint32_t) { stop.Set(); };

    LogCapture log;
    EXPECT_TRUE(OptimizeProfile(*profile, &bar, &stop));

    EXPECT_EQ(log.Lines(), Plus(Header(profile), {{"a.sqlite...", 0}}));
    EXPECT_TRUE(ReadFile(base + "b.sqlite") == bytesB) << "changed: " << base + "b.sqlite";
    EXPECT_EQ(bar.pos, kbA);
}

// --- Bad input: database files truncated, garbage after a valid header, no pages --------------------------------

namespace {

namespace fs = std::filesystem;

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
        {"empty (no page at all)", "", false},
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
