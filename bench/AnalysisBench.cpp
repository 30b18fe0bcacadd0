// Benchmark of the analysis (Linux): on a profile of database files bloated the way real use bloats them (see
// tests/BloatedDatabases.h), it compares, file by file and in total,
//   - the bytes that the analysis says a "VACUUM" would give back with the bytes that our compaction of a copy of
//     the profile gave back, and
//   - the time the analysis took with the time the compaction took (wall-clock and processor time),
//   - the time from setting the stop signal to the analysis returning, at random moments, as a window cancels it,
// and checks that the analysis left every file of the profile as it was (bytes and modification times). Each round
// analyses the profile three times and compacts a fresh copy of it once; the best time of each counts (on a busy
// machine the shorter analysis is the likelier to be disturbed, so it gets more tries). The last line is the verdict:
// the estimate within 10 % of the real gain in total, the analysis at most 10 % of the compaction's time, every stop
// within 50 ms.
//
// --smoke makes a small profile and checks the results, not the times.

#include "catalogue/Browser.h"
#include "engine/Analysis.h"
#include "engine/Compaction.h"
#include "engine/LogOutput.h"
#include "engine/StopSignal.h"
#include "support/FolderHelpers.h"
#include "tests/BloatedDatabases.h"
#include "tests/FakeProgram.h"

#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

struct Options {
    bool smoke = false;
    double scale = 60; // about 175 MB
    int rounds = 5;
    int stops = 20;
    std::string folder; // where the profile is made (default: a new folder in $TMPDIR or /tmp)
};

double Megabytes(std::uint64_t bytes) {
    return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

double Seconds(Clock::duration duration) {
    return std::chrono::duration<double>(duration).count();
}

// The processor time this process has used so far, in seconds.
double ProcessorSeconds() {
    timespec now = {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// Every file of a folder with its bytes and modification time, to see that the analysis changed nothing.
std::map<std::string, std::pair<std::string, fs::file_time_type>> Snapshot(const std::string& folder) {
    std::map<std::string, std::pair<std::string, fs::file_time_type>> files;
    for (const auto& entry : fs::directory_iterator(folder)) {
        std::ifstream in(entry.path(), std::ios::binary);
        files[entry.path().filename().string()] = {
            std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()), entry.last_write_time()};
    }
    return files;
}

// Copies every file of a folder, written through to the disk so that the compaction does not pay for the copy.
void CopyFolder(const std::string& from, const std::string& to) {
    fs::remove_all(to);
    fs::create_directories(to);
    for (const auto& entry : fs::directory_iterator(from)) {
        const fs::path target = fs::path(to) / entry.path().filename();
        fs::copy_file(entry.path(), target);
        const int fd = open(target.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd >= 0) {
            fsync(fd);
            close(fd);
        }
    }
    sync();
}

struct Round {
    double guardSeconds = 0; // the look at the running programs, which the run makes before a compaction too
    double analysisSeconds = 0;
    double analysisProcessorSeconds = 0;
    double compactionSeconds = 0;
    double compactionProcessorSeconds = 0;
    std::map<std::string, FileEstimate> estimates; // by file name
    std::map<std::string, std::uint64_t> gains;    // by file name
};

bool RunRound(const std::string& source, const std::string& work, Round& round) {
    testing_support::FakeProgram program("Bench", testing_support::FakeProgram::Databases::EverySqliteFile);
    CBrowserProfile* profile = program.AddProfile(source, "bench", false);

    // The analysis, as the command line does it: which programs run, then every profile's files. The compaction's
    // time does not count the run's own look at the running programs, so the analysis's does not either.
    const Clock::time_point guardStart = Clock::now();
    std::vector<ProfileToEstimate> profiles = {DescribeProfile(*profile)};
    MarkRunningPrograms(profiles);
    round.guardSeconds = Seconds(Clock::now() - guardStart);
    for (int attempt = 0; attempt < 3; ++attempt) {
        const Clock::time_point start = Clock::now();
        const double processorStart = ProcessorSeconds();
        EstimateProfiles(profiles, nullptr, [&](ProfileEstimate&& estimate) {
            for (FileEstimate& file : estimate.files)
                round.estimates[LastPathComponent(file.path)] = file;
        });
        const double seconds = Seconds(Clock::now() - start);
        const double processor = ProcessorSeconds() - processorStart;
        round.analysisSeconds = attempt == 0 ? seconds : std::min(round.analysisSeconds, seconds);
        round.analysisProcessorSeconds = attempt == 0 ? processor : std::min(round.analysisProcessorSeconds, processor);
    }

    CopyFolder(source, work);
    CBrowserProfile* copy = program.AddProfile(work, "copy", false);
    std::map<std::string, std::uint64_t> before;
    for (const std::string& file : copy->GetFileList())
        before[LastPathComponent(file)] = QueryDatabaseSize(file);
    GetLogOutput().SetWindowSink([](const std::string&, int) {});
    const Clock::time_point compactionStart = Clock::now();
    const double processorStart = ProcessorSeconds();
    const bool done = OptimizeProfile(*copy, nullptr, nullptr);
    round.compactionSeconds = Seconds(Clock::now() - compactionStart);
    round.compactionProcessorSeconds = ProcessorSeconds() - processorStart;
    GetLogOutput().SetWindowSink(nullptr);
    for (const std::string& file : copy->GetFileList()) {
        const std::uint64_t after = QueryDatabaseSize(file);
        const std::uint64_t was = before[LastPathComponent(file)];
        round.gains[LastPathComponent(file)] = was > after ? was - after : 0;
    }
    return done;
}

// Starts the analysis of the profile on a worker, sets the stop signal after delay, and answers the milliseconds
// from then until the worker returned; negative when the analysis had ended before the stop.
double StopOnce(const std::string& source, std::chrono::microseconds delay) {
    testing_support::FakeProgram program("Bench", testing_support::FakeProgram::Databases::EverySqliteFile);
    const std::vector<ProfileToEstimate> profiles = {DescribeProfile(*program.AddProfile(source, "bench", false))};
    StopSignal stop;
    bool stopped = false;
    Clock::time_point returnedAt;
    std::thread worker([&] {
        stopped = !EstimateProfiles(profiles, &stop, nullptr);
        returnedAt = Clock::now();
    });
    std::this_thread::sleep_for(delay);
    const Clock::time_point setAt = Clock::now();
    stop.Set();
    worker.join();
    return stopped ? std::chrono::duration<double, std::milli>(returnedAt - setAt).count() : -1;
}

const char* BasisName(EstimateBasis basis) {
    switch (basis) {
    case EstimateBasis::pages:
        return "pages";
    case EstimateBasis::headerRunning:
        return "header (program running)";
    case EstimateBasis::headerInUse:
        return "header (in use)";
    case EstimateBasis::held:
        return "held";
    case EstimateBasis::denied:
        return "denied";
    case EstimateBasis::unreadable:
        return "unreadable";
    case EstimateBasis::notDatabase:
        return "no database";
    case EstimateBasis::invalid:
        return "not valid";
    }
    return "?";
}

int Fail(const std::string& why) {
    std::printf("verdict: FAIL (%s)\n", why.c_str());
    return 1;
}

int Benchmark(const Options& options) {
    std::string root = options.folder;
    if (root.empty()) {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/tidyquill-bench-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr)
            return Fail("cannot make a work folder");
        root = pattern;
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
    const std::string source = root + "/profile/";
    const std::string work = root + "/copy/";
    fs::create_directories(source);

    std::printf("generating a bloated profile (scale %g)...\n", options.scale);
    std::fflush(stdout);
    const std::vector<std::string> names = testing_support::MakeBloatedDatabases(source, options.scale);
    if (names.empty())
        return Fail("cannot generate the profile");
    const auto untouched = Snapshot(source);

    std::vector<Round> rounds(static_cast<std::size_t>(options.rounds));
    for (Round& round : rounds)
        if (!RunRound(source, work, round))
            return Fail("the compaction did not complete");
    if (Snapshot(source) != untouched)
        return Fail("the analysis changed a file of the profile, or made or removed one");

    // The figures of the first round (every round reads the same files); the best time of each side.
    const Round& first = rounds.front();
    std::uint64_t size = 0;
    std::uint64_t estimated = 0;
    std::uint64_t gained = 0;
    std::printf("%-20s %10s %12s %12s %8s %8s  %s\n", "file", "size MB", "estimate MB", "real MB", "error", "time ms",
                "basis");
    for (const std::string& name : names) {
        const auto estimate = first.estimates.find(name);
        const auto gain = first.gains.find(name);
        if (estimate == first.estimates.end() || gain == first.gains.end())
            return Fail(name + " was not analysed or not compacted");
        const FileEstimate& figures = estimate->second;
        size += figures.size;
        estimated += figures.reclaimable;
        gained += gain->second;
        const double error =
            gain->second > 0 ? (static_cast<double>(figures.reclaimable) / gain->second - 1) * 100 : 0.0;
        // The file's own analysis time, the best of three.
        double milliseconds = 0;
        for (int i = 0; i < 3; ++i) {
            const Clock::time_point start = Clock::now();
            EstimateFile(figures.path, false, nullptr);
            const double taken = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
            milliseconds = i == 0 ? taken : std::min(milliseconds, taken);
        }
        std::printf("%-20s %10.2f %12.3f %12.3f %7.1f%% %8.1f  %s\n", name.c_str(), Megabytes(figures.size),
                    Megabytes(figures.reclaimable), Megabytes(gain->second), error, milliseconds,
                    BasisName(figures.basis));
    }
    const double error = gained > 0 ? (static_cast<double>(estimated) / gained - 1) * 100 : 0.0;
    std::printf("total: %zu files, %.2f MB; estimate %.3f MB, compaction gave back %.3f MB: error %+.2f %%\n",
                names.size(), Megabytes(size), Megabytes(estimated), Megabytes(gained), error);

    double guard = rounds.front().guardSeconds;
    double analysis = rounds.front().analysisSeconds;
    double compaction = rounds.front().compactionSeconds;
    double analysisProcessor = rounds.front().analysisProcessorSeconds;
    double compactionProcessor = rounds.front().compactionProcessorSeconds;
    for (const Round& round : rounds) {
        guard = std::min(guard, round.guardSeconds);
        analysis = std::min(analysis, round.analysisSeconds);
        compaction = std::min(compaction, round.compactionSeconds);
        analysisProcessor = std::min(analysisProcessor, round.analysisProcessorSeconds);
        compactionProcessor = std::min(compactionProcessor, round.compactionProcessorSeconds);
    }
    const double share = analysis / compaction * 100;
    std::printf("time (best of %d rounds): analysis %.3f s, compaction %.3f s: the analysis takes %.1f %% of the "
                "compaction's time (processor time %.3f s / %.3f s: %.1f %%; the look at the running programs "
                "before either: %.3f s)\n",
                options.rounds, analysis, compaction, share, analysisProcessor, compactionProcessor,
                analysisProcessor / compactionProcessor * 100, guard);
    std::printf("files of the profile unchanged by the analysis: yes\n");

    // Stops at random moments of an analysis; those that came after its end do not count.
    std::mt19937 random(std::random_device{}());
    std::uniform_int_distribution<long long> moment(0, static_cast<long long>(analysis * 1e6));
    std::vector<double> latencies;
    for (int attempt = 0; static_cast<int>(latencies.size()) < options.stops && attempt < options.stops * 5;
         ++attempt) {
        const double latency = StopOnce(source, std::chrono::microseconds(moment(random)));
        if (latency >= 0)
            latencies.push_back(latency);
    }
    if (latencies.empty())
        return Fail("no stop fell into an analysis");
    std::sort(latencies.begin(), latencies.end());
    const double maxLatency = latencies.back();
    std::printf("stop latency: maximum %.1f ms over %zu stops at random moments (median %.1f ms)\n", maxLatency,
                latencies.size(), latencies[latencies.size() / 2]);
    if (Snapshot(source) != untouched)
        return Fail("a stopped analysis changed a file of the profile, or made or removed one");

    if (std::fabs(error) > 10)
        return Fail("the estimate is more than 10 % off the real gain");
    if (options.smoke) {
        std::printf("verdict: PASS (smoke run: estimate and files checked, times not judged)\n");
        return 0;
    }
    if (share > 10)
        return Fail("the analysis takes more than 10 % of the compaction's time");
    if (maxLatency > 50)
        return Fail("a stop took more than 50 ms");
    std::printf("verdict: PASS (limits: error 10 %%, time 10 %% of the compaction's, stop latency 50 ms)\n");
    return 0;
}

bool ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--smoke") {
            options.smoke = true;
            options.scale = 2;
            options.rounds = 1;
            options.stops = 3;
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
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr, "usage: analysis_bench [--smoke] [--scale N] [--rounds N] [--stops N] [--folder DIR]\n");
        return 2;
    }
    return Benchmark(options);
}
