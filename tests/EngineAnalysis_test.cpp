// The analysis on real SQLite files: the header's arithmetic, the figures against what a real compaction gives
// back, that it writes nothing whatever state the files are in, its stop, and the sums over profiles.

#include "BloatedDatabases.h"
#include "ChildProcess.h"
#include "EngineTestSupport.h"
#include "TestSupport.h"

#include "engine/Analysis.h"
#include "engine/Compaction.h"
#include "engine/StopSignal.h"
#include "platform/System.h"
#include "platform/Text.h"
#include "support/FolderHelpers.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <map>
#include <thread>

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

// A 100-byte header: page size as stored (1 for 65536), the page count and its "valid for" counter, free pages.
std::string Header(std::uint32_t storedPageSize, std::uint32_t pages, std::uint32_t freePages, bool countCurrent = true,
                   unsigned char reserved = 0) {
    std::string bytes(100, '\0');
    bytes.replace(0, 16, std::string("SQLite format 3\0", 16));
    const auto put = [&bytes](std::size_t offset, std::uint32_t value, int width) {
        for (int i = width - 1; i >= 0; --i, value >>= 8)
            bytes[offset + static_cast<std::size_t>(i)] = static_cast<char>(value & 0xff);
    };
    put(16, storedPageSize, 2);
    bytes[20] = static_cast<char>(reserved);
    put(24, 7, 4);                    // change counter
    put(92, countCurrent ? 7 : 6, 4); // "version valid for"
    put(28, pages, 4);
    put(36, freePages, 4);
    return bytes;
}

// What a file is and when it was last written, to compare before and after.
struct FileState {
    std::string bytes;
    fs::file_time_type written;
    bool operator==(const FileState& other) const { return bytes == other.bytes && written == other.written; }
};

using FolderState = std::map<std::string, FileState>;

FolderState StateOf(const std::string& folder) {
    FolderState state;
    for (const auto& entry : fs::directory_iterator(platform::PathFromUtf8(folder)))
        state[platform::PathToUtf8(entry.path().filename())] = {ReadFile(platform::PathToUtf8(entry.path())),
                                                                entry.last_write_time()};
    return state;
}

// The names of the files that were made, removed, changed or touched between two states.
std::vector<std::string> Differences(const FolderState& before, const FolderState& after) {
    std::vector<std::string> names;
    for (const auto& [name, state] : before)
        if (after.count(name) == 0 || !(after.at(name) == state))
            names.push_back(name);
    for (const auto& [name, state] : after)
        if (before.count(name) == 0)
            names.push_back(name + " (new)");
    return names;
}

class Analysis : public ::testing::Test {
protected:
    // A profile of the test program in a folder of its own.
    CBrowserProfile* MakeProfile(const std::string& folderName) {
        MakeFolder(temp / folderName);
        return program.AddProfile(AppendBackslash(temp / folderName), folderName, false);
    }
    // The estimates of one profile's files, by file name.
    std::map<std::string, FileEstimate> Estimate(const CBrowserProfile& profile, bool programRunning) {
        std::vector<ProfileToEstimate> profiles = {DescribeProfile(profile)};
        profiles[0].programRunning = programRunning;
        std::map<std::string, FileEstimate> files;
        EXPECT_TRUE(EstimateProfiles(profiles, nullptr, [&](ProfileEstimate&& estimate) {
            for (const FileEstimate& file : estimate.files)
                files[LastPathComponent(file.path)] = file;
        }));
        return files;
    }

    TempFolder temp;
    FakeProgram program{"Firefox", kEverySqliteFile};
};

} // namespace

// --- The header: free pages and bytes past the pages, from 100 bytes ----------------------------------------------

TEST(AnalysisHeader, FreePagesAndBytesPastThePagesOnOneTable) {
    const struct {
        const char* what;
        std::string header;
        std::uint64_t fileSize;
        bool valid;
        std::uint32_t pageSize;
        std::uint64_t reclaimable;
    } cases[] = {
        {"4 KB pages, 3 free", Header(4096, 10, 3), 10 * 4096, true, 4096, 3 * 4096},
        {"64 KB pages (stored as 1), 5 free", Header(1, 20, 5), 20 * 65536ull, true, 65536, 5 * 65536ull},
        {"a file longer than its pages", Header(1, 20, 5), 22 * 65536ull + 1000, true, 65536,
         5 * 65536ull + 2 * 65536 + 1000},
        {"a page count not kept up to date: the file's length counts", Header(4096, 3, 2, false), 10 * 4096 + 100, true,
         4096, 2 * 4096 + 100},
        {"no page count at all", Header(4096, 0, 1), 8 * 4096, true, 4096, 4096},
        {"more free pages than pages", Header(4096, 4, 9), 4 * 4096, true, 4096, 4 * 4096},
        {"nothing free", Header(512, 100, 0), 100 * 512, true, 512, 0},
        {"page size not a power of two", Header(1000, 10, 1), 10000, false, 0, 0},
        {"page size too small", Header(256, 10, 1), 2560, false, 0, 0},
        {"reserved bytes leave too little of a page", Header(512, 10, 1, true, 40), 5120, false, 0, 0},
        {"cut short", Header(4096, 10, 3).substr(0, 99), 99, false, 0, 0},
        {"another format", "SQLite format 2" + std::string(85, '\0'), 4096, false, 0, 0},
    };
    for (const auto& c : cases) {
        const HeaderFigures figures = ReadHeaderFigures(c.header, c.fileSize);
        EXPECT_EQ(figures.valid, c.valid) << c.what;
        EXPECT_EQ(figures.pageSize, c.pageSize) << c.what;
        EXPECT_EQ(figures.reclaimable, c.reclaimable) << c.what;
    }
}

// --- The figures against what a real compaction gives back -------------------------------------------------------

TEST_F(Analysis, FiguresAgreeWithWhatTheCompactionGivesBack) {
    // Characters that mean something in a URI, and beyond ASCII, reach SQLite as the folder's name.
    const std::string bloated =
        std::string("bloated #1 %41 &x=;") + (platform::kWindows ? "" : "?y") + " Z\xC3\xBCrich \xE6\x97\xA5";
    CBrowserProfile* profile = MakeProfile(bloated);
    const std::vector<std::string> names = MakeBloatedDatabases(temp / bloated, 2);
    ASSERT_FALSE(names.empty());
    const std::map<std::string, FileEstimate> estimates = Estimate(*profile, false);
    const std::map<std::string, FileEstimate> headerOnly = Estimate(*profile, true);

    // The real gain: a copy of the profile, compacted by the run's own compaction.
    CBrowserProfile* copy = MakeProfile("copy");
    for (const auto& entry : fs::directory_iterator(platform::PathFromUtf8(temp / bloated)))
        fs::copy_file(entry.path(), platform::PathFromUtf8(temp / "copy") / entry.path().filename());
    std::map<std::string, std::uint64_t> before;
    for (const std::string& file : copy->GetFileList())
        before[LastPathComponent(file)] = QueryDatabaseSize(file);
    {
        LogCapture log; // the damaged and the empty file are reported there
        ASSERT_TRUE(OptimizeProfile(*copy, nullptr, nullptr));
    }

    std::uint64_t estimated = 0;
    std::uint64_t gained = 0;
    for (const std::string& name : names) {
        ASSERT_EQ(estimates.count(name), 1u) << name;
        const FileEstimate& estimate = estimates.at(name);
        const std::uint64_t gain = before[name] - QueryDatabaseSize(Join({temp / "copy", name}));
        EXPECT_EQ(estimate.size, before[name]) << name;
        EXPECT_EQ(estimate.basis, name == "damaged.sqlite" ? EstimateBasis::invalid : EstimateBasis::pages) << name;
        // Within a tenth, or within the few pages of slack that a small file's rebuild may leave or not.
        const std::uint32_t pageSize =
            ReadHeaderFigures(ReadFile(Join({temp / bloated, name})).substr(0, 100), estimate.size).pageSize;
        const double tolerance = std::max(0.1 * static_cast<double>(gain), 3.0 * pageSize);
        EXPECT_NEAR(static_cast<double>(estimate.reclaimable), static_cast<double>(gain), tolerance) << name;
        estimated += estimate.reclaimable;
        gained += gain;

        // The header alone sees only the free pages: never more than a rebuild gives back, and nothing of a log's
        // pages. The empty and the damaged file have nothing to give either way.
        const FileEstimate& header = headerOnly.at(name);
        if (name == "damaged.sqlite") {
            EXPECT_EQ(header.basis, EstimateBasis::headerRunning) << name; // its header is sound
            continue;
        }
        EXPECT_EQ(header.basis, EstimateBasis::headerRunning) << name;
        EXPECT_LE(header.reclaimable, gain) << name;
    }
    EXPECT_GT(gained, 0u);
    EXPECT_NEAR(static_cast<double>(estimated), static_cast<double>(gained), 0.1 * static_cast<double>(gained));
    EXPECT_EQ(estimates.at("empty.sqlite").reclaimable, 0u);
    EXPECT_EQ(estimates.at("damaged.sqlite").reclaimable, 0u);
    // The files with free pages show them from their headers alone too.
    EXPECT_GT(headerOnly.at("favicons.sqlite").reclaimable, 0u);
    EXPECT_GT(headerOnly.at("cookies.sqlite").reclaimable, 0u);
}

// --- Nothing is written: no journal, log or shared-memory file made or changed, no time stamp moved ----------------

TEST_F(Analysis, NothingIsWrittenWhateverStateTheFilesAreIn) {
    CBrowserProfile* profile = MakeProfile("profile");
    const std::string folder = temp / "profile";
    const std::string base = folder + platform::kPathSeparator;
    ASSERT_FALSE(MakeBloatedDatabases(folder, 1).empty());
    // Three files that other programs are using: one locked by a writer, one with a writer's unfinished change
    // (its journal beside it), one WAL database with a reader inside it (which made its shared-memory file).
    WriteFile(base + "notes.sqlite", "plain text");
    MakeDatabase(base + "locked.sqlite", 400, 500, 4);
    MakeDatabase(base + "writing.sqlite", 400, 500, 4);
    ChildProcess locker;
    ASSERT_TRUE(locker.Start(EngineHelperPath(), {"lock", base + "locked.sqlite"}));
    ASSERT_EQ(locker.ReadLine(), "ready");
    std::vector<ChildProcess> holders(2);
    // The holders end once their ready files are gone, which this removes first, also when an assertion fails.
    struct ReadyFiles {
        std::vector<std::string> paths;
        ~ReadyFiles() {
            std::error_code error;
            for (const std::string& path : paths)
                fs::remove(platform::PathFromUtf8(path), error);
        }
    } ready;
    const struct {
        const char* how;
        const char* file;
    } holds[] = {{"write", "writing.sqlite"}, {"read", "sessions.sqlite"}};
    for (std::size_t i = 0; i < holders.size(); ++i) {
        ready.paths.push_back(temp / ("ready" + std::to_string(i)));
        ASSERT_TRUE(
            holders[i].Start(EngineHelperPath(), {"hold-db", holds[i].how, base + holds[i].file, ready.paths[i]}));
        for (int wait = 0; wait < 500 && !PathExists(ready.paths[i]); ++wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ASSERT_TRUE(PathExists(ready.paths[i])) << holds[i].how << ": " << holders[i].ReadAll();
    }
    ASSERT_TRUE(PathExists(base + "writing.sqlite-journal"));
    ASSERT_TRUE(PathExists(base + "formhistory.sqlite-wal"));
    ASSERT_FALSE(PathExists(base + "formhistory.sqlite-shm"));
    ASSERT_FALSE(PathExists(base + "history.sqlite-wal")) << "a WAL database without its log";
    // Every time stamp set well into the past, so that any write would move it.
    if (platform::kWindows)
        MakeDatabase(base + "held.sqlite", 100, 500, 2);
    const fs::file_time_type past = fs::file_time_type::clock::now() - std::chrono::hours(24 * 400);
    for (const auto& entry : fs::directory_iterator(platform::PathFromUtf8(folder)))
        fs::last_write_time(entry.path(), past);
    // On Windows a running program may hold a file without sharing: then not even its header can be read.
    ChildProcess sharer;
    if (platform::kWindows) {
        ASSERT_TRUE(sharer.Start(EngineHelperPath(), {"hold", base + "held.sqlite"}));
        ASSERT_EQ(sharer.ReadLine(), "ready");
    }
    const FolderState state = StateOf(folder);

    const std::map<std::string, FileEstimate> estimates = Estimate(*profile, false);
    const std::map<std::string, FileEstimate> headerOnly = Estimate(*profile, true);
    EXPECT_EQ(Differences(state, StateOf(folder)), std::vector<std::string>{});

    EXPECT_EQ(estimates.at("locked.sqlite").basis, EstimateBasis::headerInUse);
    EXPECT_GT(estimates.at("locked.sqlite").reclaimable, 0u);
    // A writer's unfinished change is not the analysis's business: the committed file is read beside it.
    EXPECT_EQ(estimates.at("writing.sqlite").basis, EstimateBasis::pages);
    EXPECT_EQ(estimates.at("sessions.sqlite").basis, EstimateBasis::pages);
    EXPECT_EQ(estimates.at("formhistory.sqlite").basis, EstimateBasis::pages);
    EXPECT_EQ(estimates.at("history.sqlite").basis, EstimateBasis::pages);
    if (platform::kWindows) {
        EXPECT_EQ(estimates.at("held.sqlite").basis, EstimateBasis::held);
        EXPECT_EQ(estimates.at("held.sqlite").reclaimable, 0u);
        EXPECT_EQ(headerOnly.at("held.sqlite").basis, EstimateBasis::held);
    }
    EXPECT_EQ(estimates.at("notes.sqlite").basis, EstimateBasis::notDatabase);
    EXPECT_EQ(headerOnly.at("notes.sqlite").basis, EstimateBasis::notDatabase);
    for (const auto& [name, estimate] : headerOnly) {
        if (name == "held.sqlite" || name == "notes.sqlite")
            continue;
        EXPECT_EQ(estimate.basis, EstimateBasis::headerRunning) << name;
    }
}

// --- Stop: between files and inside a page scan, and nothing is handed over after it ------------------------------

TEST_F(Analysis, StopEndsTheWorkAndHandsOverNothingMore) {
    CBrowserProfile* first = MakeProfile("first");
    CBrowserProfile* second = MakeProfile("second");
    MakeDatabase(Join({temp / "first", "a.sqlite"}), 2000, 1000, 4);
    MakeDatabase(Join({temp / "second", "b.sqlite"}), 2000, 1000, 4);
    const std::vector<ProfileToEstimate> profiles = {DescribeProfile(*first), DescribeProfile(*second)};

    // Set while the first profile's figures are handed over: the second profile is not started.
    StopSignal stop;
    std::vector<std::string> handed;
    EXPECT_FALSE(EstimateProfiles(profiles, &stop, [&](ProfileEstimate&& estimate) {
        handed.push_back(estimate.name);
        stop.Set();
    }));
    EXPECT_EQ(handed, std::vector<std::string>{"first"});

    // Set from the start: the page scan ends at its first check, so the file gets no figure from its pages.
    EXPECT_NE(EstimateFile(Join({temp / "first", "a.sqlite"}), false, &stop).basis, EstimateBasis::pages);
    EXPECT_FALSE(EstimateProfiles(profiles, &stop, [&](ProfileEstimate&&) { ADD_FAILURE() << "handed over"; }));

    // Set from another thread while a worker estimates, as the window does: the worker hands over nothing after it.
    // The worker waits in its first hand-over until the signal is set, so that a busy machine cannot let it finish
    // everything before the signal.
    stop.Reset();
    bool done = true;
    std::atomic<int> handedOver{0};
    std::thread worker([&] {
        done = EstimateProfiles({profiles[1], profiles[1], profiles[1]}, &stop, [&](ProfileEstimate&&) {
            ++handedOver;
            while (!stop.IsSet())
                std::this_thread::yield();
        });
    });
    while (handedOver == 0)
        std::this_thread::yield();
    stop.Set();
    worker.join();
    EXPECT_FALSE(done);
    EXPECT_EQ(handedOver, 1);
}

// --- Sums over a set of profiles, from the figures kept ----------------------------------------------------------

TEST(ProfileEstimates, SumsFollowTheSetAtOnce) {
    FakeProgram program("Firefox");
    const CBrowserProfile* a = program.AddProfile("a", "a", false);
    const CBrowserProfile* b = program.AddProfile("b", "b", false);
    const CBrowserProfile* c = program.AddProfile("c", "c", false);
    const auto estimate = [](const CBrowserProfile* key, std::uint64_t size, std::uint64_t reclaimable,
                             unsigned notRead) {
        ProfileEstimate figures;
        figures.key = key;
        figures.size = size;
        figures.reclaimable = reclaimable;
        figures.filesNotRead = notRead;
        figures.files.resize(2);
        return figures;
    };
    ProfileEstimates table;
    table.Store(estimate(a, 1000, 600, 0));
    table.Store(estimate(b, 500, 100, 1));

    ProfileEstimates::Sum sum = table.SumOf({a, b, a, c});
    EXPECT_EQ(sum.size, 1500u);
    EXPECT_EQ(sum.reclaimable, 700u);
    EXPECT_EQ(sum.files, 4u);
    EXPECT_EQ(sum.filesNotRead, 1u);
    EXPECT_EQ(sum.profilesWithout, 1u); // c, not yet estimated
    EXPECT_EQ(table.SumOf({}).size, 0u);

    table.Store(estimate(a, 2000, 1500, 0)); // estimated anew after a run
    EXPECT_EQ(table.SumOf({a}).reclaimable, 1500u);
    table.Forget(a);
    EXPECT_EQ(table.Find(a), nullptr);
    EXPECT_EQ(table.SumOf({a, b}).reclaimable, 100u);
    table.Clear();
    EXPECT_EQ(table.SumOf({b}).profilesWithout, 1u);
}
