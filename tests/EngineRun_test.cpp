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
        EXPECT_FALSE(RunOptimization({first, second, third}, &bar, &stop));
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
    EXPECT_FALSE(RunOptimization({first, second}, &bar, &stop));

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
    EXPECT_FALSE(RunOptimization({first, second}, &bar, &stop));
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
