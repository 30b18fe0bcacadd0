// RunOptimization and its report, the size form of the report, and the log channel.

#include "CatalogueFixture.h"
#include "ChildProcess.h"
#include "EngineTestSupport.h"
#include "TestSupport.h"

#include "catalogue/Catalogue.h"

#include "engine/Optimization.h"
#include "engine/StopSignal.h"
#include "platform/System.h"
#include "platform/Text.h"
#include "support/FolderHelpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <map>
#include <random>
#include <regex>
#include <thread>

using namespace testing_support;

// --- Size form: one table for both builds (on Windows the system's form, on Linux ours) ----------------------------

TEST(FormatFileSize, MatchesTheSystemFormOnOneTable) {
    const std::pair<std::uint64_t, const char*> table[] = {
        {0, "0 bytes"},
        {1, "1 bytes"},
        {999, "999 bytes"},
        {1000, "1000 bytes"},
        {1023, "1023 bytes"}, // a buffer of 10 characters would cut it to "1023 byte"
        {1024, "1.00 KB"},
        {1340, "1.30 KB"},
        {10239, "9.99 KB"},
        {10240, "10.0 KB"},
        {102399, "99.9 KB"},
        {102400, "100 KB"},
        {1023999, "999 KB"},
        {1024000, "0.97 MB"},
        {1048575, "0.99 MB"},
        {1048576, "1.00 MB"},
        {10485759, "9.99 MB"},
        {10485760, "10.0 MB"},
        {2400016, "2.28 MB"},
        {1073741823, "0.99 GB"},
        {1073741824, "1.00 GB"},
        {1099511627775, "0.99 TB"},
        {1099511627776, "1.00 TB"},
        {10984121161483, "9.98 TB"}, // counted in whole megabytes above 1000 GB, as the system does
        {10995116277760, "10.0 TB"},
        {1125899906842624, "1.00 PB"},
        {1152921504606846976, "1.00 EB"},
        {9223372036854775807, "7.99 EB"},
        {18446744073709551615u, "7.99 EB"}, // beyond the system's signed count
    };
    for (const auto& [bytes, text] : table)
        EXPECT_EQ(FormatFileSize(bytes), text) << bytes;
}

TEST(FormatFileSize, OurFormAgreesWithTheWindowsFormEverywhere) {
    if (!platform::kWindows)
        GTEST_SKIP() << "the Windows form is only there to compare on Windows";
    std::vector<std::uint64_t> sizes;
    for (std::uint64_t unit = 1; unit != 0 && unit <= (1ull << 60); unit <<= 10)
        for (const double step : {1.0, 9.99, 10.0, 99.9, 100.0, 999.0, 1000.0, 1023.0})
            for (int offset = -2; offset <= 2; ++offset)
                sizes.push_back(static_cast<std::uint64_t>(step * static_cast<double>(unit)) + offset);
    std::mt19937_64 random(20240607);
    for (int i = 0; i < 20000; ++i)
        sizes.push_back(random() >> (random() % 64));
    for (const std::uint64_t size : sizes)
        ASSERT_EQ(platform::ShortByteSize(size), platform::FormatByteSize(size)) << size;
}

// --- The run's report ------------------------------------------------------------------------------------------

namespace {

// One file after the other, on the calling thread: the tests that a stop or a given-up profile leaves the later
// files untouched take it.
RunOptions Sequential() {
    RunOptions options;
    options.workers = 1;
    return options;
}

// Four files at once on any disk.
RunOptions Parallel() {
    RunOptions options;
    options.workers = 4;
    options.runsAlone = [](const std::string&) { return false; };
    return options;
}

class Run : public ::testing::Test {
protected:
    // A profile holding databases of the given names, each shrinkable by "VACUUM".
    CBrowserProfile* MakeProfile(FakeProgram& owner, const std::string& folder, std::vector<std::string> files) {
        MakeFolder(temp / folder);
        for (const std::string& file : files)
            MakeDatabase(temp / folder + platform::kPathSeparator + file, 600, 1000, 3);
        return owner.AddProfile(AppendBackslash(temp / folder), folder, false);
    }
    std::string File(const std::string& folder, const std::string& name) const {
        return temp / folder + platform::kPathSeparator + name;
    }
    static std::vector<LogLine> Header(const CBrowserProfile* profile) {
        return {{"Optimizing '" + profile->GetName() + "'", 1}, {"Path: " + profile->GetPath(), 0}};
    }
    static std::string Sizes(std::uint64_t after, std::uint64_t before) {
        return "new size: " + FormatFileSize(after) + " (was " + FormatFileSize(before) + ")";
    }
    static void ExpectCompletedLine(const LogLine& line) {
        EXPECT_TRUE(std::regex_match(line.text, std::regex("Completed in [0-9]+\\.[0-9]{2} seconds"))) << line.text;
        EXPECT_EQ(line.bold, 1);
    }

    TempFolder temp;
    FakeProgram firefox{"Firefox", kEverySqliteFile};
    FakeProgram thunderbird{"Thunderbird", kEverySqliteFile};
    TestProgressBar bar;
    StopSignal stop;
};

} // namespace

TEST_F(Run, OneProfileReportsTotalsButNoProfileLine) {
    CBrowserProfile* profile = MakeProfile(firefox, "one", {"a.sqlite", "b.sqlite"});
    const std::uint64_t before = profile->GetTotalSize();
    const std::uint32_t kbSum = static_cast<std::uint32_t>((QueryFileSize(File("one", "a.sqlite")) >> 10) +
                                                           (QueryFileSize(File("one", "b.sqlite")) >> 10));

    LogCapture log;
    EXPECT_TRUE(RunOptimization({profile}, &bar, &stop));

    const std::uint64_t after = profile->GetTotalSize();
    EXPECT_LT(after, before);
    std::vector<LogLine> lines = log.Lines();
    ASSERT_EQ(lines.size(), 7u) << ::testing::PrintToString(lines);
    ExpectCompletedLine(lines.back());
    lines.pop_back();
    std::vector<LogLine> expected{{"Starting optimization", 0}};
    for (const LogLine& line : Header(profile))
        expected.push_back(line);
    expected.push_back({"a.sqlite...", 0});
    expected.push_back({"b.sqlite...", 0});
    expected.push_back({"Total: optimized 2 files, " + Sizes(after, before), 0});
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(bar.range, static_cast<std::uint32_t>(before >> 10));
    EXPECT_EQ(bar.pos, kbSum);
}

TEST_F(Run, ProfileGivenUpEndsTheRunBeforeTheThird) {
    CBrowserProfile* first = MakeProfile(firefox, "first", {"a.sqlite"});
    CBrowserProfile* second = MakeProfile(thunderbird, "second", {"global-messages-db.sqlite"});
    CBrowserProfile* third = MakeProfile(firefox, "third", {"c.sqlite"});
    const std::uint64_t firstBefore = first->GetTotalSize();
    const std::string thirdBytes = ReadFile(File("third", "c.sqlite"));

    LogCapture log;
    {
        ChildProcess holder;
        ASSERT_TRUE(holder.Start(EngineHelperPath(), {"lock", File("second", "global-messages-db.sqlite")}));
        ASSERT_EQ(holder.ReadLine(), "ready");
        EXPECT_FALSE(RunOptimization({first, second, third}, &bar, &stop, nullptr, Sequential()));
    }

    std::vector<LogLine> expected{{"Starting optimization", 0}};
    for (const LogLine& line : Header(first))
        expected.push_back(line);
    expected.push_back({"a.sqlite...", 0});
    expected.push_back({"Optimized 1 files, " + Sizes(first->GetTotalSize(), firstBefore), 0});
    for (const LogLine& line : Header(second))
        expected.push_back(line);
    expected.push_back({"global-messages-db.sqlite...", 0});
    expected.push_back({"Error: the file is locked. Seems like related program ('Thunderbird') is still running", 0});
    expected.push_back({"Operation not completed", 1});
    EXPECT_EQ(log.Lines(), expected);
    EXPECT_TRUE(ReadFile(File("third", "c.sqlite")) == thirdBytes) << "changed: " << File("third", "c.sqlite");
}

TEST_F(Run, StopDuringTheFirstProfileEndsTheRunWithoutTotals) {
    CBrowserProfile* first = MakeProfile(firefox, "first", {"a.sqlite", "b.sqlite"});
    CBrowserProfile* second = MakeProfile(firefox, "second", {"c.sqlite"});
    const std::string secondBytes = ReadFile(File("second", "c.sqlite"));
    bar.onSetPos = [&](std::uint32_t) { stop.Set(); };

    LogCapture log;
    EXPECT_FALSE(RunOptimization({first, second}, &bar, &stop, nullptr, Sequential()));

    std::vector<LogLine> expected{{"Starting optimization", 0}};
    for (const LogLine& line : Header(first))
        expected.push_back(line);
    expected.push_back({"a.sqlite...", 0});
    expected.push_back({"Operation terminated", 1});
    EXPECT_EQ(log.Lines(), expected);
    EXPECT_TRUE(ReadFile(File("second", "c.sqlite")) == secondBytes) << "changed: " << File("second", "c.sqlite");
}

TEST_F(Run, StopFromAnotherThreadInterruptsARunningVacuum) {
    CBrowserProfile* first = MakeProfile(firefox, "first", {"a.sqlite"});
    // Long enough that "VACUUM" would finish, and change the file, if the stop did not reach it.
    MakeDatabase(File("first", "big.sqlite"), 30000, 200, 2);
    MakeDatabase(File("first", "c.sqlite"), 300, 1000, 2);
    CBrowserProfile* second = MakeProfile(firefox, "second", {"d.sqlite"});
    const std::uint32_t kbA = static_cast<std::uint32_t>(QueryFileSize(File("first", "a.sqlite")) >> 10);
    const std::string bigBytes = ReadFile(File("first", "big.sqlite"));
    const std::string thirdBytes = ReadFile(File("first", "c.sqlite"));
    const std::string secondBytes = ReadFile(File("second", "d.sqlite"));
    const std::vector<std::string> names = FolderNames(temp / "first");

    // The stopper sets the signal while the engine thread waits in the log channel, after its test between files
    // and before it opens big.sqlite: the stop can only take effect inside "VACUUM".
    std::promise<void> reachedBig;
    std::promise<void> stopSet;
    std::thread stopper([&] {
        reachedBig.get_future().wait();
        stop.Set();
        stopSet.set_value();
    });
    LogCapture log([&](const LogLine& line) {
        if (line.text == "big.sqlite...") {
            reachedBig.set_value();
            stopSet.get_future().wait();
        }
    });
    EXPECT_FALSE(RunOptimization({first, second}, &bar, &stop, nullptr, Sequential()));
    stopper.join();

    std::vector<LogLine> expected{{"Starting optimization", 0}};
    for (const LogLine& line : Header(first))
        expected.push_back(line);
    expected.push_back({"a.sqlite...", 0});
    expected.push_back({"big.sqlite...", 0});
    expected.push_back({"Operation terminated", 1});
    EXPECT_EQ(log.Lines(), expected);
    EXPECT_TRUE(ReadFile(File("first", "big.sqlite")) == bigBytes) << "changed: " << File("first", "big.sqlite");
    EXPECT_TRUE(ReadFile(File("first", "c.sqlite")) == thirdBytes) << "changed: " << File("first", "c.sqlite");
    EXPECT_TRUE(ReadFile(File("second", "d.sqlite")) == secondBytes) << "changed: " << File("second", "d.sqlite");
    EXPECT_EQ(FolderNames(temp / "first"), names) << "the interrupted compaction left a file behind";
    EXPECT_EQ(bar.pos, kbA);
}

TEST_F(Run, SeveralProfilesEachGetALineAndTheTotalsAddUp) {
    CBrowserProfile* first = MakeProfile(firefox, "first", {"a.sqlite", "b.sqlite"});
    CBrowserProfile* second = MakeProfile(thunderbird, "second", {"c.sqlite"});
    WriteFile(File("second", "notes.sqlite"), "not a database");
    const std::uint64_t firstBefore = first->GetTotalSize();
    const std::uint64_t secondBefore = second->GetTotalSize();

    LogCapture log;
    EXPECT_TRUE(RunOptimization({first, second}, nullptr, nullptr));

    const std::vector<LogLine> lines = log.Lines();
    ASSERT_EQ(lines.size(), 14u) << ::testing::PrintToString(lines);
    EXPECT_EQ(lines[5], (LogLine{"Optimized 2 files, " + Sizes(first->GetTotalSize(), firstBefore), 0}));
    EXPECT_EQ(lines[10], (LogLine{"Warning: the file is encrypted or not valid", 0}));
    // A file that turned out to be no database is no optimized file, in the profile's line and in the total.
    EXPECT_EQ(lines[11], (LogLine{"Optimized 1 files, " + Sizes(second->GetTotalSize(), secondBefore), 0}));
    EXPECT_EQ(lines[12], (LogLine{"Total: optimized 3 files, " +
                                      Sizes(first->GetTotalSize() + second->GetTotalSize(), firstBefore + secondBefore),
                                  0}));
    ExpectCompletedLine(lines[13]);
}

TEST_F(Run, EachRunTakesTheFilesThatAreThereNow) {
    // Between two runs the program made one database and removed another: the second run compacts the new one and
    // says nothing of the one that went.
    CBrowserProfile* profile = MakeProfile(firefox, "first", {"a.sqlite", "b.sqlite"});
    EXPECT_TRUE(RunOptimization({profile}, nullptr, nullptr));
    std::filesystem::remove(platform::PathFromUtf8(File("first", "b.sqlite")));
    MakeDatabase(File("first", "c.sqlite"), 300, 1000, 2);
    const std::uint64_t newBefore = QueryFileSize(File("first", "c.sqlite"));

    LogCapture log;
    RunSummary summary;
    EXPECT_TRUE(RunOptimization({profile}, nullptr, nullptr, &summary));
    std::vector<std::string> lines = log.Texts();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "b.sqlite..."), 0) << ::testing::PrintToString(lines);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "c.sqlite..."), 1) << ::testing::PrintToString(lines);
    EXPECT_EQ(summary.filesNotCompacted, 0u);
    EXPECT_EQ(lines.at(lines.size() - 2).rfind("Total: optimized 2 files", 0), 0u) << lines.at(lines.size() - 2);
    EXPECT_LT(QueryFileSize(File("first", "c.sqlite")), newBefore);
}

TEST_F(Run, EmptySelectionReportsZeroes) {
    LogCapture log;
    EXPECT_TRUE(RunOptimization({}, &bar, &stop));
    EXPECT_EQ(log.Lines(), (std::vector<LogLine>{{"Starting optimization", 0},
                                                 {"Total: optimized 0 files, new size: 0 bytes (was 0 bytes)", 0},
                                                 {"Completed in 0.00 seconds", 1}}));
    EXPECT_EQ(bar.range, 0u);
}

// --- Several files at once ---------------------------------------------------------------------------------------

namespace {

// Profiles shaped like real ones: a few big databases and many small ones, a file named like a database that is
// none, and a database whose "VACUUM" fails. Each run gets fresh copies of the same files.
class ParallelRun : public Run {
protected:
    void SetUp() override {
        const std::vector<std::pair<std::string, std::vector<std::pair<std::string, int>>>> shapes = {
            {"alpha",
             {{"places.sqlite", 2500},
              {"favicons.sqlite", 1000},
              {"cookies.sqlite", 60},
              {"formhistory.sqlite", 40},
              {"permissions.sqlite", 20},
              {"storage.sqlite", 30},
              {"webappsstore.sqlite", 50}}},
            {"beta", {{"a-small.sqlite", 40}, {"b-small.sqlite", 30}, {"c-small.sqlite", 60}, {"global.sqlite", 2000}}},
            {"gamma", {{"content.sqlite", 600}, {"x.sqlite", 20}, {"y.sqlite", 25}}},
        };
        for (const auto& [folder, files] : shapes) {
            MakeFolder(temp / "pristine" + platform::kPathSeparator + folder);
            for (const auto& [name, rows] : files)
                MakeDatabase(Pristine(folder, name), rows, 1000, 3);
        }
        WriteFile(Pristine("alpha", "broken.sqlite"), "not a database");
        MakeDatabaseWithUnknownCollation(Pristine("beta", "collation.sqlite"));
        for (const auto& [folder, files] : shapes) {
            MakeFolder(temp / folder);
            profiles.push_back(
                (folder == "beta" ? thunderbird : firefox).AddProfile(AppendBackslash(temp / folder), folder, false));
        }
    }
    std::string Pristine(const std::string& folder, const std::string& name) const {
        return temp / "pristine" + platform::kPathSeparator + folder + platform::kPathSeparator + name;
    }
    void Restore() {
        for (const std::string folder : {"alpha", "beta", "gamma"})
            for (const std::string& name : FolderNames(temp / "pristine" + platform::kPathSeparator + folder))
                WriteFile(File(folder, name), ReadFile(Pristine(folder, name)));
    }

    struct Outcome {
        std::vector<LogLine> log;
        RunSummary summary;
        std::uint32_t barPos = 0;
        std::vector<std::pair<std::size_t, bool>> events; // file started (true) or ended
        int mostAtOnce = 0;
    };
    // One run over fresh copies; stopAt, when given, is the line at which the stop is pressed; held, when given, a
    // database that another process holds locked throughout.
    Outcome RunOver(RunOptions options, const std::string& stopAt, const std::string& held) {
        Restore();
        stop.Reset();
        bar = TestProgressBar();
        Outcome outcome;
        int running = 0;
        options.onFile = [&](std::size_t file, bool started) {
            outcome.events.emplace_back(file, started);
            running += started ? 1 : -1;
            outcome.mostAtOnce = std::max(outcome.mostAtOnce, running);
        };
        ChildProcess holder;
        if (!held.empty()) {
            EXPECT_TRUE(holder.Start(EngineHelperPath(), {"lock", held}));
            EXPECT_EQ(holder.ReadLine(), "ready");
        }
        LogCapture log([&](const LogLine& line) {
            if (line.text == stopAt)
                stop.Set();
        });
        RunOptimization(profiles, &bar, &stop, &outcome.summary, options);
        for (LogLine line : log.Lines()) {
            if (line.text.rfind("Completed in ", 0) == 0)
                line.text = "Completed in (time)";
            outcome.log.push_back(line);
        }
        outcome.barPos = bar.pos;
        return outcome;
    }
    // Every database is sound and holds its rows, the two that cannot be compacted are as they were, and nothing
    // is left beside them.
    void ExpectSound(const std::string& what) {
        for (const std::string folder : {"alpha", "beta", "gamma"}) {
            for (const std::string& name : FolderNames(temp / "pristine" + platform::kPathSeparator + folder)) {
                if (name == "broken.sqlite" || name == "collation.sqlite") {
                    // No database, and one that only its maker can read: left as they were.
                    EXPECT_TRUE(ReadFile(File(folder, name)) == ReadFile(Pristine(folder, name)))
                        << what << ": " << name;
                    continue;
                }
                EXPECT_EQ(IntegrityCheck(File(folder, name)), "ok") << what << ": " << name;
                EXPECT_EQ(CountRows(File(folder, name)), CountRows(Pristine(folder, name))) << what << ": " << name;
            }
            EXPECT_EQ(FolderNames(temp / folder), FolderNames(temp / "pristine" + platform::kPathSeparator + folder))
                << what << ": a file was left behind";
        }
    }

    std::vector<CBrowserProfile*> profiles;
};

} // namespace

TEST_F(ParallelRun, LogsLineForLineWhatOneFileAfterTheOtherLogs) {
    // Warnings in the first two profiles; a held file in the second; a stop at a small file of the second, while
    // the big ones still run; a stop at the file whose "VACUUM" fails, which may have failed, warning included,
    // before its line is out.
    const struct {
        const char* name;
        std::string stopAt;
        std::string held;
        const char* lastLine;
    } cases[] = {
        {"complete", "", "", "Completed in (time)"},
        {"held", "", File("beta", "b-small.sqlite"), "Operation not completed"},
        {"stop", "c-small.sqlite...", "", "Operation terminated"},
        {"stop at a warning", "collation.sqlite...", "", "Operation terminated"},
    };
    for (const auto& c : cases) {
        const Outcome one = RunOver(Sequential(), c.stopAt, c.held);
        ExpectSound(std::string(c.name) + ", one after the other");
        std::map<std::string, std::uint64_t> sequentialSizes;
        for (const std::string folder : {"alpha", "beta", "gamma"})
            for (const std::string& name : FolderNames(temp / folder))
                sequentialSizes[File(folder, name)] = QueryFileSize(File(folder, name));

        const Outcome many = RunOver(Parallel(), c.stopAt, c.held);
        ExpectSound(std::string(c.name) + ", four at once");

        EXPECT_EQ(many.log, one.log) << c.name;
        EXPECT_EQ(many.log.back().text, c.lastLine) << c.name;
        EXPECT_EQ(many.summary.completed, one.summary.completed) << c.name;
        EXPECT_EQ(many.summary.filesNotCompacted, one.summary.filesNotCompacted) << c.name;
        EXPECT_EQ(one.mostAtOnce, 1) << c.name;
        EXPECT_GT(many.mostAtOnce, 1) << c.name << ": the files ran one after the other";
        EXPECT_LE(many.mostAtOnce, 4) << c.name;
        if (c.held.empty() && c.stopAt.empty()) {
            // The same compacted files, and the bar at the same end.
            for (const auto& [path, size] : sequentialSizes)
                EXPECT_EQ(QueryFileSize(path), size) << path;
            EXPECT_EQ(many.barPos, one.barPos);
            EXPECT_EQ(one.summary.filesNotCompacted, 2u); // the file that is no database, the failed "VACUUM"
        }
        if (!c.held.empty()) {
            // Once the held file ended, no file after it started.
            const std::size_t heldFile = 9; // after alpha's eight files and beta's a-small.sqlite
            const auto heldEnd = std::find(many.events.begin(), many.events.end(), std::make_pair(heldFile, false));
            ASSERT_NE(heldEnd, many.events.end());
            for (auto event = heldEnd; event != many.events.end(); ++event)
                EXPECT_FALSE(event->second && event->first > heldFile) << "file " << event->first << " started";
        }
    }
}

TEST_F(Run, ParallelWorkersTakeTheLargestFirstAndKeepTheRules) {
    // Two profiles of the same folder: each file is listed twice and must never run twice at once. d.sqlite runs
    // alone, as a file on a disk that seeks does.
    CBrowserProfile* first = MakeProfile(firefox, "p", {"a.sqlite", "c.sqlite", "f.sqlite"});
    MakeDatabase(File("p", "b.sqlite"), 6000, 1000, 3);
    MakeDatabase(File("p", "d.sqlite"), 1500, 1000, 3);
    MakeDatabase(File("p", "e.sqlite"), 4000, 1000, 3);
    CBrowserProfile* second = firefox.AddProfile(first->GetPath(), "same", false);
    const std::size_t kFiles = 6; // a to f in each profile

    std::vector<std::pair<std::size_t, bool>> events;
    RunOptions options;
    options.workers = 2;
    options.runsAlone = [](const std::string& path) { return LastPathComponent(path) == "d.sqlite"; };
    options.onFile = [&](std::size_t file, bool started) { events.emplace_back(file, started); };
    LogCapture log;
    EXPECT_TRUE(RunOptimization({first, second}, &bar, nullptr, nullptr, options));

    // The two largest first, b and e.
    std::vector<std::size_t> starts;
    for (const auto& [file, started] : events)
        if (started)
            starts.push_back(file);
    ASSERT_EQ(starts.size(), 2 * kFiles);
    EXPECT_EQ(std::vector<std::size_t>(starts.begin(), starts.begin() + 2), (std::vector<std::size_t>{1, 4}));

    std::vector<std::size_t> running;
    std::size_t mostAtOnce = 0;
    for (const auto& [file, started] : events) {
        if (!started) {
            running.erase(std::find(running.begin(), running.end(), file));
            continue;
        }
        for (const std::size_t other : running) {
            EXPECT_NE(other % kFiles, file % kFiles) << "the same file twice at once";
            EXPECT_NE(other % kFiles, 3u) << "a file started beside d.sqlite";
        }
        if (file % kFiles == 3) {
            EXPECT_TRUE(running.empty()) << "d.sqlite started beside another file";
        }
        running.push_back(file);
        mostAtOnce = std::max(mostAtOnce, running.size());
    }
    EXPECT_EQ(mostAtOnce, 2u);
    EXPECT_EQ(log.Texts().at(log.Texts().size() - 2).rfind("Total: optimized 12 files", 0), 0u);
    for (const char* name : {"a.sqlite", "b.sqlite", "c.sqlite", "d.sqlite", "e.sqlite", "f.sqlite"})
        EXPECT_EQ(IntegrityCheck(File("p", name)), "ok") << name;
}

// --- Log channel: console mode writes one line per message ----------------------------------------------------

TEST(LogOutput, ConsoleModeWritesOneLinePerMessage) {
    ChildProcess child;
    ASSERT_TRUE(child.Start(EngineHelperPath(), {"log", "Optimizing 'Zürich'", "", "b.sqlite..."}));
    const std::string output = child.ReadAll();
    EXPECT_EQ(child.Wait(), 0);
    if (platform::kWindows) {
        // Standard output is a pipe here: the lines go into it, ended with CRLF, in the helper's console output
        // code page (which may lack the ü).
        EXPECT_EQ(output.rfind("Optimizing 'Z", 0), 0u) << output;
        const std::string end = "rich'\r\n\r\nb.sqlite...\r\n";
        EXPECT_TRUE(output.size() > end.size() && output.compare(output.size() - end.size(), end.size(), end) == 0)
            << output;
    } else {
        EXPECT_EQ(output, "Optimizing 'Zürich'\n\nb.sqlite...\n");
    }
}

// --- Bad input: a folder named like a database ----------------------------------------------------------------

TEST(BadInput, AFolderNamedLikeADatabaseIsReportedButNeverTouched) {
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
    // A name mask (the Mozilla programs') takes the folder, the header test (Chrome's) does not.
    std::vector<std::string> mozillaFiles = mozilla->GetFileList();
    std::sort(mozillaFiles.begin(), mozillaFiles.end());
    EXPECT_EQ(mozillaFiles,
              (std::vector<std::string>{Join({profile, "cookies.sqlite"}), Join({profile, "places.sqlite"})}));
    EXPECT_EQ(chrome->GetFileList(), std::vector<std::string>{Join({userData, "Default", "Cookies"})});

    LogCapture log;
    RunSummary summary;
    EXPECT_TRUE(RunOptimization({mozilla, chrome}, nullptr, nullptr, &summary));
    const std::vector<std::string> lines = log.Texts();
    const auto named = std::find(lines.begin(), lines.end(), "places.sqlite...");
    ASSERT_NE(named, lines.end()) << ::testing::PrintToString(lines);
    EXPECT_EQ(*(named + 1), "Warning: the file is encrypted or not valid");
    EXPECT_EQ(summary.filesNotCompacted, 1u);
    EXPECT_EQ(lines.back().rfind("Completed in ", 0), 0u);
    EXPECT_EQ(ReadFile(Join({profile, "places.sqlite", "inside.sqlite"})), "not a database");
    EXPECT_EQ(ReadFile(Join({userData, "Default", "History", "x"})), SqliteHeaderBytes());
    EXPECT_EQ(IntegrityCheck(Join({profile, "cookies.sqlite"})), "ok");
}
