// Benchmark of compaction on several threads (Linux). On profiles shaped like real ones (a browser of the Chromium
// family whose Favicons and History dwarf a dozen small files, a Firefox profile with two big files and many small
// ones, a Thunderbird profile with one big file), all fragmented, it measures in one run:
//   - the wall time of a run that compacts as many files at once as the machine has processors (at most four)
//     against a run that compacts them one after the other, each on fresh copies, over several rounds;
//   - the peak resident memory of both, and of a run with four workers;
//   - what the program itself does on the disk at hand (a disk that seeks makes it compact one file at a time);
//   - the time from a stop to the run's end while four workers compact, at random moments.
// Timed runs are child processes (this program with --run), so that each pays the same start-up and its peak
// memory is its own. Each figure is printed on its own line; the last line is the verdict.
//
// --smoke runs the same steps on small profiles and checks results instead of times: both ways complete, log the
// same lines and leave the same bytes, and every stop leaves each file, byte for byte, as it was or compacted.
// Those checks hold in the full run too.

#include "BenchSupport.h"

#include "catalogue/Browser.h"
#include "engine/LogOutput.h"
#include "engine/Optimization.h"
#include "engine/StopSignal.h"
#include "platform/Storage.h"
#include "support/FolderHelpers.h"
#include "tests/FakeProgram.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <random>
#include <regex>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace bench;

namespace {

struct Options {
    bool smoke = false;
    double scale = 1.0; // times the sizes below
    int rounds = 7;     // timed runs per way; the median of the rounds' ratios counts
    int stops = 20;     // stops with four workers busy
    double stopMb = 32; // each of the four files that the stops interrupt
    std::string folder; // where the profiles are made (default: a new folder in $TMPDIR or /tmp)
};

struct Shape {
    const char* profile;
    std::vector<std::pair<const char*, double>> files; // name and megabytes before three rows in four go
};

// About 350 MB in 37 files: two files take most of the time, as Chromium's Favicons and History do.
const std::vector<Shape> kProfiles = {
    {"chromium",
     {{"Favicons.sqlite", 120},
      {"History.sqlite", 80},
      {"Cookies.sqlite", 4},
      {"Web Data.sqlite", 3},
      {"Login Data.sqlite", 1},
      {"Top Sites.sqlite", 0.5},
      {"Shortcuts.sqlite", 2},
      {"Network Predictor.sqlite", 3},
      {"QuotaManager.sqlite", 0.2},
      {"heavy_ad.sqlite", 0.1},
      {"Affiliation.sqlite", 0.5},
      {"Reporting.sqlite", 0.3},
      {"Trust Tokens.sqlite", 0.1},
      {"DIPS.sqlite", 0.3},
      {"Sync Data.sqlite", 1.5},
      {"MediaDeviceSalts.sqlite", 0.05}}},
    {"firefox",
     {{"places.sqlite", 60},
      {"favicons.sqlite", 25},
      {"cookies.sqlite", 2},
      {"formhistory.sqlite", 1},
      {"permissions.sqlite", 0.1},
      {"content-prefs.sqlite", 0.1},
      {"storage.sqlite", 0.5},
      {"webappsstore.sqlite", 3},
      {"protections.sqlite", 0.2},
      {"storage-sync.sqlite", 0.1},
      {"credentialstate.sqlite", 0.05},
      {"suggest.sqlite", 1.5}}},
    {"thunderbird",
     {{"global-messages-db.sqlite", 40},
      {"abook.sqlite", 0.5},
      {"history.sqlite", 1},
      {"openpgp.sqlite", 0.2},
      {"cookies.sqlite", 0.3},
      {"permissions.sqlite", 0.1},
      {"formhistory.sqlite", 0.1},
      {"storage.sqlite", 0.2},
      {"favicons.sqlite", 1}}},
};

std::string Folder(const std::string& root, const std::string& profile) {
    return root + "/" + profile + "/";
}

// The child: one run over the profile folders below root, with the log going to logFile (or nowhere). Exits 0 when
// the run completed without a warning.
int RunProfiles(const std::string& root, unsigned workers, const std::string& logFile) {
    std::ofstream log;
    if (!logFile.empty())
        log.open(logFile);
    bool clean = true;
    GetLogOutput().SetWindowSink([&](const std::string& text, int bold) {
        if (text.rfind("Error", 0) == 0 || text.rfind("Warning", 0) == 0) {
            std::fprintf(stderr, "%s\n", text.c_str());
            clean = false;
        }
        if (log)
            log << bold << " " << text << "\n";
    });
    testing_support::FakeProgram program("Bench", testing_support::FakeProgram::Databases::SqliteDatabases);
    std::vector<CBrowserProfile*> profiles;
    for (const auto& entry : fs::directory_iterator(root))
        if (entry.is_directory())
            profiles.push_back(
                program.AddProfile(entry.path().string() + "/", entry.path().filename().string(), false));
    std::sort(profiles.begin(), profiles.end(),
              [](const CBrowserProfile* a, const CBrowserProfile* b) { return a->GetName() < b->GetName(); });
    RunOptions options;
    options.workers = workers; // 0: as the program decides, by the disk's seek penalty
    if (workers > 0)
        options.runsAlone = [](const std::string&) { return false; };
    const bool completed = RunOptimization(profiles, nullptr, nullptr, nullptr, options);
    GetLogOutput().SetWindowSink(nullptr);
    return completed && clean ? 0 : 1;
}

int Fail(const std::string& why) {
    std::printf("verdict: FAIL (%s)\n", why.c_str());
    return 1;
}

// The profiles made once into pristine, and copied to work before each run.
class Profiles {
public:
    Profiles(std::string pristine, std::string work) : pristine_(std::move(pristine)), work_(std::move(work)) {}

    bool Make(const std::vector<Shape>& shapes, double scale) {
        for (const Shape& shape : shapes) {
            fs::create_directories(Folder(pristine_, shape.profile));
            fs::create_directories(Folder(work_, shape.profile));
            for (const auto& [name, megabytes] : shape.files) {
                const std::string path = Folder(pristine_, shape.profile) + name;
                if (!MakeFragmentedDatabase(path, megabytes * scale))
                    return false;
                files_.push_back(std::string(shape.profile) + "/" + name);
                bytes_ += fs::file_size(path);
            }
        }
        return true;
    }
    // Fresh copies of the files that a run changed.
    void Restore() {
        for (const std::string& file : files_) {
            const std::string from = pristine_ + "/" + file;
            const std::string to = work_ + "/" + file;
            if (!fs::exists(to) || !SameBytes(from, to))
                CopyFile(from, to);
        }
    }
    std::size_t Count() const { return files_.size(); }
    std::uint64_t Bytes() const { return bytes_; }
    const std::vector<std::string>& Files() const { return files_; }
    const std::string& Work() const { return work_; }
    const std::string& Pristine() const { return pristine_; }

private:
    std::string pristine_;
    std::string work_;
    std::vector<std::string> files_; // profile/name
    std::uint64_t bytes_ = 0;
};

std::string ReadText(const std::string& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The log without the run's time.
std::string WithoutTime(const std::string& log) {
    return std::regex_replace(log, std::regex("Completed in [0-9.]+ seconds"), "Completed in (time)");
}

const char* SeekText(platform::SeekPenalty penalty) {
    switch (penalty) {
    case platform::SeekPenalty::none:
        return "no seek penalty";
    case platform::SeekPenalty::seeks:
        return "seeks";
    default:
        return "cannot tell (counts as seeking)";
    }
}

struct StopSample {
    bool stopped = true; // the stop came before the run ended
    double latencyMs = 0;
    bool inFinalCopy = false; // a file ended compacted after the stop: the stop fell into its final copy
    bool whole = true;        // every file is, byte for byte, the original or the compacted one
};

// One run over the stop profile with four workers, stopped delay after all four are busy. reference holds the
// compacted files.
StopSample StopOnce(Profiles& set, const std::string& reference, std::chrono::microseconds delay) {
    set.Restore();
    testing_support::FakeProgram program("Bench", testing_support::FakeProgram::Databases::SqliteDatabases);
    CBrowserProfile* profile = program.AddProfile(Folder(set.Work(), "stop"), "stop", false);
    StopSignal stop;
    std::mutex mutex;
    std::condition_variable changed;
    int running = 0;
    bool fourBusy = false;
    std::vector<std::pair<std::size_t, Clock::time_point>> ends;
    RunOptions options;
    options.workers = 4;
    options.runsAlone = [](const std::string&) { return false; };
    options.onFile = [&](std::size_t file, bool started) {
        const std::lock_guard<std::mutex> lock(mutex);
        running += started ? 1 : -1;
        if (running == 4)
            fourBusy = true;
        if (!started)
            ends.emplace_back(file, Clock::now());
        changed.notify_all();
    };
    Clock::time_point setAt;
    std::thread stopper([&] {
        {
            std::unique_lock<std::mutex> lock(mutex);
            changed.wait(lock, [&] { return fourBusy; });
        }
        std::this_thread::sleep_for(delay);
        setAt = Clock::now();
        stop.Set();
    });
    GetLogOutput().SetWindowSink([](const std::string&, int) {});
    RunOptimization({profile}, nullptr, &stop, nullptr, options);
    const Clock::time_point returnedAt = Clock::now();
    stopper.join();
    GetLogOutput().SetWindowSink(nullptr);

    StopSample sample;
    sample.stopped = setAt < returnedAt;
    sample.latencyMs = std::chrono::duration<double, std::milli>(returnedAt - setAt).count();
    for (const std::string& file : set.Files()) {
        const bool compacted = SameBytes(set.Work() + "/" + file, reference + "/" + file);
        sample.whole = sample.whole && (compacted || SameBytes(set.Work() + "/" + file, set.Pristine() + "/" + file));
    }
    const std::vector<std::string>& files = profile->GetFileList();
    for (const auto& [file, endedAt] : ends)
        if (endedAt >= setAt && SameBytes(files.at(file), reference + "/stop/" + LastPathComponent(files.at(file))))
            sample.inFinalCopy = true;
    return sample;
}

int Benchmark(const Options& options) {
    std::string root = options.folder;
    if (root.empty()) {
        root = MakeWorkFolder("tidyquill-parallel-bench");
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

    Profiles set(root + "/pristine", root + "/work");
    std::printf("generating profiles shaped like real ones...\n");
    std::fflush(stdout);
    if (!set.Make(kProfiles, options.scale))
        return Fail("cannot generate the profiles");
    const unsigned processors = std::max(1u, std::thread::hardware_concurrency());
    const unsigned workers = std::min(processors, 4u);
    std::printf("profiles: 3, files: %zu, %.1f MB, fragmented (three rows in four deleted); %u processors, so %u "
                "files at once\n",
                set.Count(), Megabytes(set.Bytes()), processors, workers);

    // Time: the ways take turns, each on fresh copies, so that the disk and the page cache treat them alike. The
    // third is the program as it runs here by itself (0 workers: its disk rule decides).
    struct Way {
        const char* name;
        unsigned workers;
        std::vector<double> seconds;
        std::vector<double> cpuSeconds;
        double peakMb = 0;
    };
    std::vector<Way> ways = {{"one after the other", 1, {}, {}, 0},
                             {"several at once", workers, {}, {}, 0},
                             {"the program's own choice", 0, {}, {}, 0}};
    std::string firstLog;
    const std::string reference = root + "/reference";
    for (int round = 0; round < options.rounds; ++round) {
        for (std::size_t turn = 0; turn < ways.size(); ++turn) {
            Way& way = ways[(round + turn) % ways.size()];
            set.Restore();
            const std::string logFile = root + "/log.txt";
            const ChildRun run =
                RunChild({SelfPath(), "--run", set.Work(), "--workers", std::to_string(way.workers), logFile});
            if (!run.ok)
                return Fail(std::string(way.name) + ": the run did not complete cleanly");
            way.seconds.push_back(run.seconds);
            way.cpuSeconds.push_back(run.cpuSeconds);
            way.peakMb = std::max(way.peakMb, run.peakMb);
            // Both ways must log the same lines and leave the same files.
            const std::string log = WithoutTime(ReadText(logFile));
            if (firstLog.empty())
                firstLog = log;
            else if (log != firstLog)
                return Fail(std::string(way.name) + " logged other lines");
            for (const std::string& file : set.Files()) {
                const std::string path = set.Work() + "/" + file;
                if (round == 0 && turn == 0) {
                    fs::create_directories(fs::path(reference + "/" + file).parent_path());
                    fs::copy_file(path, reference + "/" + file);
                } else if (!SameBytes(path, reference + "/" + file)) {
                    return Fail(std::string(way.name) + " left other bytes in " + file);
                }
            }
        }
    }
    // Each round's two runs follow each other, so their ratio sees the same load on a shared machine; the median of
    // those ratios is the figure judged. The ratio of the best runs is shown beside it.
    const auto pairedRatios = [&](const Way& way) {
        std::vector<double> ratios;
        for (int round = 0; round < options.rounds; ++round)
            ratios.push_back(way.seconds[round] / ways[0].seconds[round]);
        std::sort(ratios.begin(), ratios.end());
        return ratios;
    };
    const std::vector<double> ratios = pairedRatios(ways[1]);
    const double ratio = ratios[ratios.size() / 2];
    std::printf("run time, %u at once / one after the other: ratio %.3f (median of %d rounds, from %.3f to %.3f; best "
                "runs %.3f s / %.3f s, ratio %.3f; processor time %.3f s / %.3f s)\n",
                workers, ratio, options.rounds, ratios.front(), ratios.back(), Best(ways[1].seconds),
                Best(ways[0].seconds), Best(ways[1].seconds) / Best(ways[0].seconds), Best(ways[1].cpuSeconds),
                Best(ways[0].cpuSeconds));
    std::printf("peak memory: %.1f MB resident with %u at once, %.1f MB one after the other\n", ways[1].peakMb, workers,
                ways[0].peakMb);
    std::fflush(stdout);

    // Four workers, whatever the machine: their memory.
    set.Restore();
    const ChildRun four = RunChild({SelfPath(), "--run", set.Work(), "--workers", "4", ""});
    if (!four.ok)
        return Fail("the run with four workers did not complete cleanly");
    std::printf("peak memory with 4 at once: %.1f MB resident (%.3f s)\n", four.peakMb, four.seconds);

    // What the program does here by itself: its disk rule decides.
    const platform::SeekPenalty profileDisk = platform::QuerySeekPenalty(set.Work());
    const platform::SeekPenalty temporaryDisk = platform::QuerySeekPenalty(platform::DatabaseTemporaryFolder());
    const bool ownAlone = profileDisk != platform::SeekPenalty::none || temporaryDisk != platform::SeekPenalty::none;
    const std::vector<double> ownRatios = pairedRatios(ways[2]);
    std::printf("the program's own choice here: the profiles' disk %s, the temporary folder's disk %s, so %s; ratio "
                "%.3f to one after the other (median of %d rounds, from %.3f to %.3f)\n",
                SeekText(profileDisk), SeekText(temporaryDisk), ownAlone ? "one file at a time" : "several at once",
                ownRatios[ownRatios.size() / 2], options.rounds, ownRatios.front(), ownRatios.back());
    std::fflush(stdout);

    // Stop latency with four workers busy on four big files.
    Profiles stopSet(root + "/stop-pristine", root + "/stop-work");
    if (!stopSet.Make({{"stop", {{"a.sqlite", 1}, {"b.sqlite", 1}, {"c.sqlite", 1}, {"d.sqlite", 1}}}}, options.stopMb))
        return Fail("cannot generate the stop profile");
    // A whole run with four workers first, to place the stops in its first half, before the final copies; its
    // files are the compacted ones.
    std::chrono::microseconds whole{};
    {
        stopSet.Restore();
        testing_support::FakeProgram program("Bench", testing_support::FakeProgram::Databases::SqliteDatabases);
        RunOptions fourAtOnce;
        fourAtOnce.workers = 4;
        fourAtOnce.runsAlone = [](const std::string&) { return false; };
        StopSignal never;
        GetLogOutput().SetWindowSink([](const std::string&, int) {});
        const Clock::time_point start = Clock::now();
        RunOptimization({program.AddProfile(Folder(stopSet.Work(), "stop"), "stop", false)}, nullptr, &never, nullptr,
                        fourAtOnce);
        whole = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start);
        GetLogOutput().SetWindowSink(nullptr);
        for (const std::string& file : stopSet.Files()) {
            fs::create_directories(fs::path(root + "/stop-reference/" + file).parent_path());
            fs::copy_file(stopSet.Work() + "/" + file, root + "/stop-reference/" + file);
        }
    }
    std::mt19937 random(std::random_device{}());
    std::uniform_int_distribution<long long> moment(0, whole.count() / 2);
    std::vector<double> latencies;
    std::vector<double> finalCopy;
    for (int attempt = 0; static_cast<int>(latencies.size()) < options.stops && attempt < options.stops * 3;
         ++attempt) {
        const StopSample sample =
            StopOnce(stopSet, root + "/stop-reference", std::chrono::microseconds(moment(random)));
        if (!sample.whole)
            return Fail("a stop left a file that is neither the original nor the compacted one");
        if (sample.stopped)
            (sample.inFinalCopy ? finalCopy : latencies).push_back(sample.latencyMs);
    }
    // A smoke run (sanitizers, a busy machine) needs only that every stop left each file whole.
    if (latencies.empty() && !options.smoke)
        return Fail("no stop fell before the final copies");
    std::sort(latencies.begin(), latencies.end());
    const double maxLatency = latencies.empty() ? 0 : latencies.back();
    std::printf("stop latency with 4 at once (a whole run %.0f ms): ", whole.count() / 1000.0);
    if (latencies.empty())
        std::printf("no stop fell before the final copies");
    else
        std::printf("maximum %.1f ms over %zu stops at random moments in its first half (median %.1f ms)", maxLatency,
                    latencies.size(), latencies[latencies.size() / 2]);
    if (!finalCopy.empty())
        std::printf("; %zu more stops fell into a final copy, not counted (up to %.1f ms)", finalCopy.size(),
                    *std::max_element(finalCopy.begin(), finalCopy.end()));
    std::printf("\n");

    if (options.smoke) {
        std::printf("verdict: PASS (smoke run: results checked, times and memory not judged)\n");
        return 0;
    }
    std::string failed;
    if (workers >= 2 && ratio > 0.7)
        failed += " several at once not fast enough;";
    if (maxLatency > 50)
        failed += " stop too slow;";
    if (four.peakMb > 32)
        failed += " too much memory;";
    if (!failed.empty())
        return Fail(failed.substr(1, failed.size() - 2));
    std::printf("verdict: PASS (limits: ratio 0.7 on two processors or more, stop latency 50 ms, memory with 4 at once "
                "32 MB)\n");
    return 0;
}

bool ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--smoke") {
            options.smoke = true;
            options.scale = 0.04;
            options.rounds = 1;
            options.stops = 3;
            options.stopMb = 8;
        } else if (arg == "--scale" && hasValue) {
            options.scale = std::atof(argv[++i]);
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
    return options.scale > 0 && options.rounds > 0 && options.stops > 0;
}

} // namespace

int main(int argc, char** argv) {
    // The timed child: one run over the profile folders below a folder.
    if (argc == 6 && std::strcmp(argv[1], "--run") == 0 && std::strcmp(argv[3], "--workers") == 0)
        return RunProfiles(argv[2], static_cast<unsigned>(std::atoi(argv[4])), argv[5]);
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr, "usage: parallel_bench [--smoke] [--scale F] [--rounds N] [--stops N] [--folder DIR]\n");
        return 2;
    }
    return Benchmark(options);
}
