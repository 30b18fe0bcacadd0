// Compaction on a disk that fills up, at every stage of "VACUUM": the engine's own connection runs on a file
// system that fails writes with SQLITE_FULL after so many bytes. Whatever the budget, the file must come out intact
// with the same content, either as it was or compacted; the profile's next file must still be compacted; the
// message must say what happened; and nothing may be left beside the file but what SQLite needs to recover it.
// Each case runs the profile's files one after the other, and two at once: then the disk fills up under one worker
// while the other compacts the next file, which must come out compacted, and the log must read the same.

#include "DatabaseState.h"
#include "EngineTestSupport.h"
#include "FailingVfs.h"
#include "TestSupport.h"

#include "engine/Compaction.h"
#include "engine/Optimization.h"
#include "platform/System.h"
#include "support/FolderHelpers.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <limits>
#include <set>

using namespace testing_support;
using reliability::DiskFill;
using reliability::FailingVfs;

namespace {

struct Case {
    const char* name;
    bool wal;
    DiskFill fill;
    bool parallel; // both files at once
};

std::ostream& operator<<(std::ostream& out, const Case& c) {
    return out << c.name;
}

const char* const kFullDisk = "Warning: the file was not compacted: database or disk is full";

struct Fixture {
    std::string name;
    reliability::DatabaseState before;
    std::uint64_t fileHash = 0;
    std::int64_t compactedPages = 0;
};

class DiskFull : public ::testing::TestWithParam<Case> {
protected:
    void SetUp() override {
        ASSERT_TRUE(vfs.Installed());
        MakeFolder(temp / "pristine");
        profile = program.AddProfile(AppendBackslash(temp / "profile"), "default", false);
    }

    // The profile's two databases: a.sqlite of about firstBytes, b.sqlite half as large.
    void MakeDatabases(std::int64_t firstBytes, int keepOneRowIn) {
        std::int64_t bytes = firstBytes;
        for (Fixture& fixture : fixtures) {
            const std::string path = temp / "pristine" + platform::kPathSeparator + fixture.name;
            reliability::FixtureDatabase how;
            how.bytes = bytes;
            how.wal = GetParam().wal;
            how.userVersion = 3;
            how.applicationId = 0x51;
            how.keepOneRowIn = keepOneRowIn;
            bytes /= 2;
            ASSERT_EQ(reliability::MakeFragmentedDatabase(path, how), "");
            fixture.before = reliability::ReadDatabaseState(path);
            fixture.fileHash = reliability::FileHash(path);
            std::string error;
            fixture.compactedPages = reliability::CompactedPageCount(path, temp.Path(), error);
            ASSERT_EQ(error, "");
            ASSERT_LT(fixture.compactedPages * 4, fixture.before.pageCount * 3) << "too little to compact";
        }
    }

    std::string InProfile(const std::string& name) const { return temp / "profile" + platform::kPathSeparator + name; }

    // One compaction of the profile, the disk filling up after budget bytes while the first file is compacted.
    struct Run {
        std::vector<std::string> log;
        std::vector<std::string> leftBehind; // beside the two databases, before anything else opened them
        std::int64_t written = 0;
        int failedWrites = 0;
    };
    Run CompactWithBudget(std::int64_t budget) {
        reliability::RemoveAll(temp / "profile");
        MakeFolder(temp / "profile");
        for (const Fixture& fixture : fixtures)
            reliability::CopyFileOver(temp / "pristine" + platform::kPathSeparator + fixture.name,
                                      InProfile(fixture.name));

        Run run;
        {
            // The first file's compaction, from its open to its close, runs on the full disk.
            FailingVfs::Arm(budget, GetParam().fill, "a.sqlite");
            LogCapture log;
            if (GetParam().parallel) {
                RunOptions twoAtOnce;
                twoAtOnce.workers = 2;
                twoAtOnce.runsAlone = [](const std::string&) { return false; };
                EXPECT_TRUE(RunOptimization({profile}, nullptr, nullptr, nullptr, twoAtOnce));
            } else {
                EXPECT_TRUE(OptimizeProfile(*profile, nullptr, nullptr));
            }
            FailingVfs::Disarm();
            run.log = log.Texts();
            if (GetParam().parallel && run.log.size() >= 3) {
                // The profile's lines, without the run's own first and last ones.
                run.log.erase(run.log.begin());
                run.log.resize(run.log.size() - 2);
            }
        }
        run.written = FailingVfs::Written();
        run.failedWrites = FailingVfs::FailedWrites();
        for (const std::string& name : FolderNames(temp / "profile"))
            if (name != "a.sqlite" && name != "b.sqlite")
                run.leftBehind.push_back(name);
        return run;
    }

    FailingVfs vfs;
    TempFolder temp;
    FakeProgram program{"Firefox", kEverySqliteFile};
    CBrowserProfile* profile = nullptr;
    Fixture fixtures[2] = {{"a.sqlite", {}, 0, 0}, {"b.sqlite", {}, 0, 0}};
};

} // namespace

// --- Every budget from nothing to just enough ------------------------------------------------------------------

TEST_P(DiskFull, TheFileComesOutIntactAndTheProfileGoesOn) {
    MakeDatabases(1 << 20, 3);
    // What a whole compaction of the first file writes, measured on a disk with room enough.
    const Run whole = CompactWithBudget(std::numeric_limits<std::int64_t>::max() / 2);
    ASSERT_EQ(whole.failedWrites, 0);
    ASSERT_EQ(reliability::ReadDatabaseState(InProfile("a.sqlite")).pageCount, fixtures[0].compactedPages);
    const std::int64_t needed = whole.written;
    ASSERT_GT(needed, 0);

    std::vector<std::int64_t> budgets = {0, 1, 512, 4096, needed - 1, needed};
    for (int k = 1; k < 16; ++k)
        budgets.push_back(needed * k / 16);

    int fullDisk = 0;
    int compacted = 0;
    int keptForRecovery = 0;
    const std::vector<std::string> header = {"Optimizing 'default'", "Path: " + profile->GetPath(), "a.sqlite..."};
    for (const std::int64_t budget : budgets) {
        SCOPED_TRACE("budget " + std::to_string(budget) + " of " + std::to_string(needed) + " bytes");
        const Run run = CompactWithBudget(budget);

        // What SQLite leaves beside the database is its own: a hot journal or a WAL to recover from.
        const std::set<std::string> recoverable = {"a.sqlite-journal", "a.sqlite-wal", "a.sqlite-shm"};
        for (const std::string& name : run.leftBehind)
            EXPECT_TRUE(recoverable.count(name) == 1) << name << " was left behind";
        if (!run.leftBehind.empty())
            ++keptForRecovery;

        const reliability::DatabaseState a = reliability::ReadDatabaseState(InProfile("a.sqlite"));
        EXPECT_EQ(a.integrity, "ok") << a.Describe();
        EXPECT_TRUE(a.SameContent(fixtures[0].before)) << a.Describe();
        std::vector<std::string> expected = header;
        if (a.pageCount == fixtures[0].compactedPages) {
            ++compacted;
        } else {
            ++fullDisk;
            EXPECT_GT(run.failedWrites, 0);
            EXPECT_EQ(a.pageCount, fixtures[0].before.pageCount) << "neither untouched nor compacted";
            if (!GetParam().wal) {
                EXPECT_EQ(reliability::FileHash(InProfile("a.sqlite")), fixtures[0].fileHash)
                    << "rolled back, but not to the same bytes";
            }
            expected.push_back(kFullDisk);
        }
        expected.push_back("b.sqlite...");
        EXPECT_EQ(run.log, expected);
        if (budget >= needed) {
            EXPECT_EQ(a.pageCount, fixtures[0].compactedPages) << "enough room, yet not compacted";
        }

        // The next file, on a disk with room again, is compacted as usual.
        const reliability::DatabaseState b = reliability::ReadDatabaseState(InProfile("b.sqlite"));
        EXPECT_EQ(b.integrity, "ok");
        EXPECT_TRUE(b.SameContent(fixtures[1].before));
        EXPECT_EQ(b.pageCount, fixtures[1].compactedPages);

        // Once a program has opened the database again, nothing is left but the databases.
        EXPECT_EQ(FolderNames(temp / "profile"), (std::vector<std::string>{"a.sqlite", "b.sqlite"}));
    }
    EXPECT_GT(fullDisk, 0);
    std::printf("disk-full VFS %s: %zu budgets up to %lld bytes, %d compactions ended by the full disk, %d "
                "compacted, %d left SQLite a journal or WAL to recover from\n",
                GetParam().name, budgets.size(), static_cast<long long>(needed), fullDisk, compacted, keptForRecovery);
}

// --- A failure after the commit --------------------------------------------------------------------------------

TEST_P(DiskFull, AFailureAfterTheCommitLeavesACompactedFileAndNoWarning) {
    // A compacted copy larger than SQLite's page cache (2 MB) spills to its temporary file; "VACUUM" then writes
    // the rest of it out after the compacted file was committed, and a full disk makes that fail: SQLite answers
    // SQLITE_FULL for a file that is compacted.
    MakeDatabases(6 << 20, 2);
    const Run whole = CompactWithBudget(std::numeric_limits<std::int64_t>::max() / 2);
    ASSERT_EQ(whole.failedWrites, 0);
    const std::vector<reliability::WriteRecord> writes = FailingVfs::Writes();
    std::size_t last = writes.size();
    while (last > 0 && writes[last - 1].kind != reliability::FileKind::temporary)
        --last;
    ASSERT_GT(last, 0u) << "no temporary copy was written";
    std::size_t commit = last - 1;
    while (commit > 0 && writes[commit].kind == reliability::FileKind::temporary)
        --commit;
    ASSERT_NE(writes[commit].kind, reliability::FileKind::temporary);
    ASSERT_LT(writes[commit].countedAfter, writes[last - 1].countedAfter) << "nothing is written after the commit";

    const Run run = CompactWithBudget(writes[commit].countedAfter);
    EXPECT_GT(run.failedWrites, 0);
    EXPECT_EQ(run.log, (std::vector<std::string>{"Optimizing 'default'", "Path: " + profile->GetPath(), "a.sqlite...",
                                                 "b.sqlite..."}));
    const reliability::DatabaseState a = reliability::ReadDatabaseState(InProfile("a.sqlite"));
    EXPECT_EQ(a.integrity, "ok");
    EXPECT_TRUE(a.SameContent(fixtures[0].before));
    EXPECT_EQ(a.pageCount, fixtures[0].compactedPages);
    EXPECT_EQ(FolderNames(temp / "profile"), (std::vector<std::string>{"a.sqlite", "b.sqlite"}));
}

INSTANTIATE_TEST_SUITE_P(Modes, DiskFull,
                         ::testing::Values(Case{"rollback_every_write", false, DiskFill::everyWrite, false},
                                           Case{"rollback_growth_only", false, DiskFill::growthOnly, false},
                                           Case{"wal_every_write", true, DiskFill::everyWrite, false},
                                           Case{"wal_growth_only", true, DiskFill::growthOnly, false},
                                           Case{"rollback_every_write_parallel", false, DiskFill::everyWrite, true},
                                           Case{"rollback_growth_only_parallel", false, DiskFill::growthOnly, true},
                                           Case{"wal_every_write_parallel", true, DiskFill::everyWrite, true},
                                           Case{"wal_growth_only_parallel", true, DiskFill::growthOnly, true}),
                         [](const ::testing::TestParamInfo<Case>& param) { return std::string(param.param.name); });
