// Benchmark of the compaction (Linux): on a generated, fragmented database it measures, in one run,
//   - our compaction of a copy against the sqlite3 command's "VACUUM" of an identical copy (same SQLite library),
//   - our compaction with a stop signal given against our compaction without one (the cost of the progress hook),
//   - the time from setting the stop signal to Optimize returning, at random moments before the final copy,
//   - the peak resident memory of our compaction over a larger database.
// Timed compactions run as child processes (this program with --compact), so both sides pay the same start-up and
// their peak memory is the child's own. Each figure is printed on its own line; the last line is the verdict.
//
// --smoke runs the same steps on 16 MB and checks results instead of times: our compaction gives the same
// bytes as the sqlite3 command's, and a stop leaves the file either untouched or fully compacted.

#include "BenchSupport.h"

#include "catalogue/Browser.h"
#include "engine/Compaction.h"
#include "engine/LogOutput.h"
#include "engine/StopSignal.h"
#include "support/FolderHelpers.h"
#include "tests/FakeProgram.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace bench;

namespace {

struct Options {
    bool smoke = false;
    int sizeMb = 200;       // the database of the time measurements
    int memorySizeMb = 500; // the database of the memory measurement
    int rounds = 15;        // timed compactions per contestant; the fastest counts
    int stops = 20;         // stops that must fall before the final copy
    std::string folder;     // where the databases are made (default: a new folder in $TMPDIR or /tmp)
};

// Compacts the profile in folder with the log going nowhere; false when a message said something failed.
bool CompactProfile(const std::string& folder, const StopSignal* stop) {
    bool clean = true;
    GetLogOutput().SetWindowSink([&clean](const std::string& text, int) {
        if (text.rfind("Error", 0) == 0 || text.rfind("Warning", 0) == 0) {
            std::fprintf(stderr, "%s\n", text.c_str());
            clean = false;
        }
    });
    testing_support::FakeProgram program("Bench", testing_support::FakeProgram::Databases::SqliteDatabases);
    const bool done = OptimizeProfile(*program.AddProfile(folder, "bench", false), nullptr, stop);
    GetLogOutput().SetWindowSink(nullptr);
    return done && clean;
}

// --- Measurements -----------------------------------------------------------------------------------------------

struct Contestant {
    Contestant(const char* contestantName, std::vector<std::string> commandLine)
        : name(contestantName), command(std::move(commandLine)) {}
    const char* name;
    std::vector<std::string> command; // compacts the file at work
    std::vector<double> seconds;      // one wall-clock time per round
    std::vector<double> cpuSeconds;   // one processor time per round
    double peakMb = 0;
};

struct StopSample {
    double latencyMs = 0;
    bool beforeFinalCopy = false; // the file kept its size, so the stop ended the build of the compacted copy
    bool whole = true;            // checked: the file is the original or the compacted one, byte for byte
};

// Stops one compaction of work (a copy of source) after delay; the file tells where the stop fell. With check, the
// file is compared with source and with reference (the sqlite3 command's result); work is a fresh copy after.
StopSample StopOnce(const std::string& source, const std::string& reference, const std::string& folder,
                    const std::string& work, std::chrono::microseconds delay, bool check) {
    StopSignal stop;
    Clock::time_point setAt;
    std::thread stopper([&] {
        std::this_thread::sleep_for(delay);
        setAt = Clock::now();
        stop.Set();
    });
    CompactProfile(folder, &stop);
    const Clock::time_point returnedAt = Clock::now();
    stopper.join();

    StopSample sample;
    sample.latencyMs = std::chrono::duration<double, std::milli>(returnedAt - setAt).count();
    sample.beforeFinalCopy = QueryFileSize(work) == QueryFileSize(source);
    if (check)
        sample.whole = SameBytes(work, sample.beforeFinalCopy ? source : reference);
    if (!sample.beforeFinalCopy)
        CopyFile(source, work);
    return sample;
}

int Fail(const std::string& why) {
    std::printf("verdict: FAIL (%s)\n", why.c_str());
    return 1;
}

int Benchmark(const Options& options) {
    std::string root = options.folder;
    if (root.empty()) {
        root = MakeWorkFolder("tidyquill-bench");
        if (root.empty())
            return Fail("cannot make a work folder");
    }
    struct Cleanup {
        std::string folder;
        bool remove;
        ~Cleanup() {
            std::error_code error;
            if (remove)
                fs::remove_all(folder, error);
        }
    } cleanup{root, options.folder.empty()};

    const std::string source = root + "/source.db";
    const std::string profile = root + "/profile/";
    const std::string work = profile + "places.sqlite";
    const std::string reference = root + "/reference.db";
    fs::create_directories(profile);

    std::printf("generating a fragmented database of about %d MB...\n", options.sizeMb);
    std::fflush(stdout);
    if (!MakeFragmentedDatabase(source, options.sizeMb))
        return Fail("cannot generate the database");

    // Time: the contestants take turns, each on a fresh copy, so that the disk and the page cache treat them alike.
    std::vector<Contestant> contestants = {
        {"sqlite3 VACUUM", {"sqlite3", work, "VACUUM"}},
        {"ours", {SelfPath(), "--compact", profile}},
        {"ours with stop signal", {SelfPath(), "--compact", profile, "--with-stop"}},
    };
    for (int round = 0; round < options.rounds; ++round) {
        // Each round starts with another contestant, so that none always runs first.
        for (std::size_t turn = 0; turn < contestants.size(); ++turn) {
            Contestant& contestant = contestants[(round + turn) % contestants.size()];
            CopyFile(source, work);
            const ChildRun run = RunChild(contestant.command);
            if (!run.ok)
                return Fail(std::string(contestant.name) + " failed");
            contestant.seconds.push_back(run.seconds);
            contestant.cpuSeconds.push_back(run.cpuSeconds);
            contestant.peakMb = std::max(contestant.peakMb, run.peakMb);
            if (!fs::exists(reference))
                CopyFile(work, reference);
            else if (!SameBytes(work, reference))
                return Fail(std::string(contestant.name) + " gave other bytes than " + contestants[0].name);
        }
    }
    std::printf("database: %.1f MB, three rows in four deleted; compacted: %.1f MB\n", Megabytes(QueryFileSize(source)),
                Megabytes(QueryFileSize(reference)));
    // The best of several runs is the figure: the machine's disturbances (other processes, the disk's write-back)
    // only ever add time, so the fastest run is the one closest to the compaction's own cost.
    const auto printRatio = [&](const char* what, const Contestant& a, const Contestant& b) {
        const double ratio = Best(a.seconds) / Best(b.seconds);
        std::printf("%s: ratio %.3f (best of %d: %.3f s / %.3f s; processor time %.3f s / %.3f s)\n", what, ratio,
                    options.rounds, Best(a.seconds), Best(b.seconds), Best(a.cpuSeconds), Best(b.cpuSeconds));
        return ratio;
    };
    const double vacuumRatio = printRatio("compaction time, ours / sqlite3 VACUUM", contestants[1], contestants[0]);
    const double hookRatio = printRatio("compaction time, with stop signal / without", contestants[2], contestants[1]);
    std::fflush(stdout);

    // Stop latency. The build phase (until the engine's final copy, which cannot be interrupted) is found first: a
    // stop that fell into it leaves the file as it was, a later one lets the compaction finish. Bisection over the
    // time of a whole compaction finds where the build phase ends; the stops that count then fall at random moments
    // before that point. Stops that still landed in the final copy are counted apart.
    CopyFile(source, work);
    const Clock::time_point start = Clock::now();
    StopSignal unset;
    CompactProfile(profile, &unset);
    long long buildEnd = 0;
    long long copyStart = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count();
    CopyFile(source, work);
    for (int step = 0; step < 8; ++step) {
        const long long middle = (buildEnd + copyStart) / 2;
        const StopSample sample = StopOnce(source, reference, profile, work, std::chrono::microseconds(middle), false);
        (sample.beforeFinalCopy ? buildEnd : copyStart) = middle;
    }
    std::mt19937 random(std::random_device{}());
    std::uniform_int_distribution<long long> moment(0, buildEnd);
    std::vector<double> buildPhase;
    std::vector<double> finalCopy;
    for (int attempt = 0; static_cast<int>(buildPhase.size()) < options.stops && attempt < options.stops * 3;
         ++attempt) {
        const StopSample sample =
            StopOnce(source, reference, profile, work, std::chrono::microseconds(moment(random)), options.smoke);
        (sample.beforeFinalCopy ? buildPhase : finalCopy).push_back(sample.latencyMs);
        if (!sample.whole)
            return Fail("a stop left a file that is neither the original nor the compacted one");
    }
    // Where the build phase ends moves with the machine's load; a smoke run (sanitizers, a busy machine) needs only
    // some stops in it, every one of which left the file whole.
    const std::size_t needed = options.smoke ? 1 : static_cast<std::size_t>(options.stops);
    if (buildPhase.size() < needed)
        return Fail("too few stops fell before the final copy");
    const double maxLatency = *std::max_element(buildPhase.begin(), buildPhase.end());
    std::sort(buildPhase.begin(), buildPhase.end());
    std::printf("stop latency in the build phase (first %.0f ms): maximum %.1f ms over %zu stops at random moments "
                "(median %.1f ms)",
                buildEnd / 1000.0, maxLatency, buildPhase.size(), buildPhase[buildPhase.size() / 2]);
    if (!finalCopy.empty())
        std::printf("; %zu more stops fell into the final copy, not counted (up to %.1f ms)", finalCopy.size(),
                    *std::max_element(finalCopy.begin(), finalCopy.end()));
    std::printf("\n");
    std::fflush(stdout);

    // Memory: one compaction of each kind over the larger database.
    std::printf("generating a fragmented database of about %d MB...\n", options.memorySizeMb);
    std::fflush(stdout);
    fs::remove(reference);
    if (!MakeFragmentedDatabase(source, options.memorySizeMb))
        return Fail("cannot generate the larger database");
    double peakMb = 0;
    for (const Contestant& contestant : {contestants[1], contestants[2]}) {
        CopyFile(source, work);
        const ChildRun run = RunChild(contestant.command);
        if (!run.ok)
            return Fail(std::string(contestant.name) + " failed on the larger database");
        peakMb = std::max(peakMb, run.peakMb);
    }
    CopyFile(source, work);
    const ChildRun vacuum = RunChild(contestants[0].command);
    std::printf("peak memory of the compaction over %.1f MB: maximum %.1f MB resident (sqlite3 VACUUM: %.1f MB)\n",
                Megabytes(QueryFileSize(source)), peakMb, vacuum.peakMb);

    if (options.smoke) {
        std::printf("verdict: PASS (smoke run: results checked, times and memory not judged)\n");
        return 0;
    }
    std::string failed;
    if (vacuumRatio > 1.03)
        failed += " compaction slower than sqlite3 VACUUM;";
    if (hookRatio > 1.03)
        failed += " stop signal costs too much;";
    if (maxLatency > 50)
        failed += " stop too slow;";
    if (peakMb > 32)
        failed += " too much memory;";
    if (!failed.empty())
        return Fail(failed.substr(1, failed.size() - 2));
    std::printf("verdict: PASS (limits: ratios 1.03, stop latency 50 ms, memory 32 MB)\n");
    return 0;
}

bool ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--smoke") {
            options.smoke = true;
            options.sizeMb = 16;
            options.memorySizeMb = 16;
            options.rounds = 1;
            options.stops = 5;
        } else if (arg == "--size-mb" && hasValue) {
            options.sizeMb = std::atoi(argv[++i]);
        } else if (arg == "--memory-size-mb" && hasValue) {
            options.memorySizeMb = std::atoi(argv[++i]);
        } else if (arg == "--rounds" && hasValue) {
            options.rounds = std::atoi(argv[++i]);
        } else if (arg == "--stops" && hasValue) {
            options.stops = std::atoi(argv[++i]);
        } else if (arg == "--folder" && hasValue) {
            options.folder = argv[++i];
        } else {
            return false;
        }
    }
    return options.sizeMb > 0 && options.memorySizeMb > 0 && options.rounds > 0 && options.stops > 0;
}

} // namespace

int main(int argc, char** argv) {
    // The timed child: compacts one profile folder, with or without a stop signal that is never set.
    if (argc >= 3 && std::strcmp(argv[1], "--compact") == 0) {
        StopSignal unset;
        const bool withStop = argc == 4 && std::strcmp(argv[3], "--with-stop") == 0;
        return CompactProfile(argv[2], withStop ? &unset : nullptr) ? 0 : 1;
    }
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr, "usage: compaction_bench [--smoke] [--size-mb N] [--memory-size-mb N] [--rounds N] "
                             "[--stops N] [--folder DIR]\n");
        return 2;
    }
    return Benchmark(options);
}
