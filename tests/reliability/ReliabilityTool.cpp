// The reliability tests' tool, built for both systems (run under Wine for Windows):
//
//   kill --program <tidyquill> [--kills N] [--megabytes M] [--random R]
//       Runs the real program on a Pale Moon profile of large fragmented databases, once per journal mode
//       (rollback, WAL), compacting its files one after the other and then both at once, and kills it at random
//       moments until N kills per mode and way have landed. After each kill every database must pass
//       integrity_check, hold the same rows, user_version and application_id as before, and be either untouched or
//       compacted. Prints one line per mode and way ("kill wal parallel: ...") and a verdict; exit status 1 on any
//       failure.
//   make <database> <bytes> rollback|wal     makes a fragmented database
//   state <database>...                      one line per file: its bytes' hash, then what SQLite reads in it
//   compacted-pages <database>               the page count "VACUUM" gives a copy of it

#include "ChildProcess.h"
#include "DatabaseState.h"

#include "platform/System.h"
#include "platform/Text.h"

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

using namespace reliability;
using testing_support::ChildProcess;
using testing_support::SetEnvironment;

namespace {

using Clock = std::chrono::steady_clock;

const char* const kProgramName = "Pale Moon";

std::string Hex(std::uint64_t value) {
    char text[32];
    std::snprintf(text, sizeof(text), "%016llx", static_cast<unsigned long long>(value));
    return text;
}

// A folder of our own under the system's temporary folder.
std::string MakeWorkFolder(const char* prefix) {
    std::random_device random;
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path candidate = base / (prefix + std::to_string(random()));
        std::error_code error;
        if (std::filesystem::create_directory(candidate, error))
            return platform::PathToUtf8(candidate);
    }
    return {};
}

struct Database {
    std::string name;
    std::int64_t bytes;
    DatabaseState before;
    std::uint64_t fileHash = 0;
    std::int64_t compactedPages = 0;
};

struct Mode {
    std::string name; // also the profile's name
    bool wal;
    std::vector<Database> databases;
    std::string pristine; // the databases as made, copied back before each run
    std::string profile;
};

struct Tally {
    int kills = 0;
    int duringVacuum = 0;
    int inCopyBack = 0;
    int endedFirst = 0;
    int untouched = 0;
    int compacted = 0;
    int temporaryLeftovers = 0;
    int inertJournals = 0;
    int failures = 0;
};

class KillTest {
public:
    KillTest(std::string program, int kills, int megabytes, unsigned random)
        : program_(std::move(program)), wantedKills_(kills), megabytes_(megabytes), random_(random),
          generator_(random) {}

    int Run();

private:
    bool Prepare();
    bool PrepareMode(Mode& mode);
    void Restore(const Mode& mode);
    bool RunToEnd(Mode& mode, Tally& tally, const char* when, double* seconds);
    void KillRuns(Mode& mode, Tally& tally, double seconds);
    // Checks every database of the mode after a run; counts how each came out.
    void Check(Mode& mode, Tally& tally, const std::string& when, bool mustBeCompacted);
    void Fail(Tally& tally, const std::string& what);
    void CleanUp();

    std::string program_;
    int wantedKills_;
    int megabytes_;
    unsigned random_;
    std::mt19937 generator_;

    std::string work_;
    std::string temp_;   // the child's temporary folder, where SQLite builds the compacted copy
    std::string output_; // the child's output (Linux)
    std::string programFolder_;
    std::string preferences_;
    bool hadPreferences_ = false;
    std::string savedPreferences_;
    std::vector<Mode> modes_;
    std::string way_; // how the program compacts in this pass, for the failure messages
};

void KillTest::Fail(Tally& tally, const std::string& what) {
    ++tally.failures;
    std::printf("FAILED: %s%s\n", way_.c_str(), what.c_str());
    const std::string output = ReadTextFile(output_);
    if (!output.empty())
        std::printf("  the program wrote:\n%s", output.c_str());
    std::fflush(stdout);
}

bool KillTest::Prepare() {
    work_ = MakeWorkFolder("tidyquill-kill-");
    if (work_.empty()) {
        std::puts("FAILED: cannot make a work folder");
        return false;
    }
    temp_ = JoinPath(work_, "temp");
    output_ = JoinPath(work_, "output.txt");
    MakeFolders(temp_);
    if (platform::kWindows) {
        // The prefix's own AppData: the program finds its Pale Moon there. This test owns that folder while it runs.
        const std::string roaming = platform::GetSpecialFolder(platform::kFolderRoamingAppData);
        programFolder_ = JoinPath(roaming, "Moonchild Productions\\Pale Moon");
        preferences_ = JoinPath(roaming, "Quartzmoore Software\\Tidyquill\\preferences.xml");
        RemoveAll(programFolder_);
        hadPreferences_ = FileExists(preferences_);
        savedPreferences_ = ReadTextFile(preferences_);
        SetEnvironment("TEMP", temp_);
        SetEnvironment("TMP", temp_);
    } else {
        const std::string home = JoinPath(work_, "home");
        const std::string runtime = JoinPath(work_, "run");
        MakeFolders(runtime);
        std::filesystem::permissions(platform::PathFromUtf8(runtime), std::filesystem::perms::owner_all);
        SetEnvironment("HOME", home);
        SetEnvironment("XDG_CONFIG_HOME", JoinPath(home, ".config"));
        SetEnvironment("XDG_RUNTIME_DIR", runtime);
        SetEnvironment("SQLITE_TMPDIR", temp_);
        SetEnvironment("TMPDIR", temp_);
        programFolder_ = JoinPath(home, ".moonchild productions/pale moon");
        preferences_ = JoinPath(home, ".config/tidyquill/preferences.xml");
    }

    modes_ = {{"rollback", false, {}, {}, {}}, {"wal", true, {}, {}, {}}};
    std::string ini;
    for (std::size_t i = 0; i < modes_.size(); ++i)
        ini += "[Profile" + std::to_string(i) + "]\r\nName=" + modes_[i].name + "\r\nIsRelative=1\r\nPath=Profiles/" +
               modes_[i].name + "\r\n\r\n";
    if (!MakeFolders(programFolder_) || !WriteTextFile(JoinPath(programFolder_, "profiles.ini"), ini)) {
        std::printf("FAILED: cannot write %s\n", programFolder_.c_str());
        return false;
    }
    for (Mode& mode : modes_)
        if (!PrepareMode(mode))
            return false;
    return true;
}

bool KillTest::PrepareMode(Mode& mode) {
    mode.pristine = JoinPath(JoinPath(work_, "pristine"), mode.name);
    mode.profile = JoinPath(JoinPath(programFolder_, "Profiles"), mode.name);
    MakeFolders(mode.pristine);
    MakeFolders(mode.profile);
    const std::int64_t total = static_cast<std::int64_t>(megabytes_) << 20;
    mode.databases = {{"places.sqlite", total * 3 / 4, {}, 0, 0}, {"favicons.sqlite", total / 4, {}, 0, 0}};
    std::int64_t number = 1;
    for (Database& database : mode.databases) {
        const std::string path = JoinPath(mode.pristine, database.name);
        FixtureDatabase how;
        how.bytes = database.bytes;
        how.wal = mode.wal;
        how.userVersion = 50 + number;
        how.applicationId = 0x5451 + number++;
        std::string error = MakeFragmentedDatabase(path, how);
        if (error.empty()) {
            database.before = ReadDatabaseState(path);
            database.fileHash = FileHash(path);
            database.compactedPages = CompactedPageCount(path, work_, error);
        }
        if (!error.empty() || database.before.integrity != "ok" || database.compactedPages <= 0 ||
            database.compactedPages * 2 > database.before.pageCount) {
            std::printf("FAILED: cannot make %s: %s %s\n", path.c_str(), error.c_str(),
                        database.before.Describe().c_str());
            return false;
        }
    }
    return true;
}

void KillTest::Restore(const Mode& mode) {
    RemoveAll(mode.profile);
    MakeFolders(mode.profile);
    for (const Database& database : mode.databases)
        CopyFileOver(JoinPath(mode.pristine, database.name), JoinPath(mode.profile, database.name));
}

void KillTest::Check(Mode& mode, Tally& tally, const std::string& when, bool mustBeCompacted) {
    std::vector<std::string> expectedNames;
    for (Database& database : mode.databases) {
        const std::string path = JoinPath(mode.profile, database.name);
        expectedNames.push_back(database.name);
        const DatabaseState after = ReadDatabaseState(path);
        const std::string what = mode.name + " " + database.name + " " + when;
        if (!after.Readable() || after.integrity != "ok") {
            Fail(tally, what + ": " + after.Describe());
        } else if (!after.SameContent(database.before)) {
            Fail(tally,
                 what + ": the content changed: " + after.Describe() + "; before: " + database.before.Describe());
        } else if (after.pageCount == database.compactedPages) {
            ++tally.compacted;
        } else if (mustBeCompacted) {
            Fail(tally, what + ": not compacted: " + std::to_string(after.pageCount) + " pages, a compacted copy has " +
                            std::to_string(database.compactedPages));
        } else if (after.pageCount != database.before.pageCount) {
            Fail(tally, what + ": neither untouched nor compacted: " + std::to_string(after.pageCount) +
                            " pages, before " + std::to_string(database.before.pageCount) + ", compacted " +
                            std::to_string(database.compactedPages));
        } else if (!mode.wal && FileHash(path) != database.fileHash) {
            // A rolled-back rollback-journal database is restored byte for byte; a WAL database only logically.
            Fail(tally, what + ": the file's bytes changed although its pages did not");
        } else {
            ++tally.untouched;
        }
    }
    // A kill before SQLite marked its journal valid (it writes the header's first bytes last, once the rest is on the
    // disk, and the database only after that) leaves a journal that starts with a zero byte or is empty: not hot,
    // ignored by every reader and replaced at the next write. Only a kill can leave one.
    if (!mustBeCompacted) {
        for (const Database& database : mode.databases) {
            const std::string journal = JoinPath(mode.profile, database.name + "-journal");
            if (!FileExists(journal))
                continue;
            const std::string bytes = ReadTextFile(journal);
            if (bytes.empty() || bytes[0] == '\0') {
                ++tally.inertJournals;
                expectedNames.push_back(database.name + "-journal");
            }
        }
    }
    std::sort(expectedNames.begin(), expectedNames.end());
    const std::vector<std::string> names = FolderNames(mode.profile);
    if (names != expectedNames) {
        std::string list;
        for (const std::string& name : names)
            list += " " + name;
        Fail(tally, mode.name + " " + when + ": the profile folder holds" + list);
    }
}

bool KillTest::RunToEnd(Mode& mode, Tally& tally, const char* when, double* seconds) {
    ChildProcess child;
    const auto start = Clock::now();
    if (!child.StartWithOutputFile(program_, {"/" + std::string(kProgramName) + ":" + mode.name}, output_)) {
        Fail(tally, "cannot start " + program_);
        return false;
    }
    const int exitCode = child.Wait();
    if (seconds != nullptr)
        *seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (exitCode != 0) {
        Fail(tally, mode.name + " " + when + ": the run ended with exit status " + std::to_string(exitCode));
        return false;
    }
    const int failures = tally.failures;
    const int compacted = tally.compacted;
    Check(mode, tally, when, true);
    tally.compacted = compacted;
    return tally.failures == failures;
}

void KillTest::KillRuns(Mode& mode, Tally& tally, double seconds) {
    std::uniform_real_distribution<double> moment(0.0, seconds);
    const int maxAttempts = wantedKills_ * 4 + 10;
    for (int attempt = 0; attempt < maxAttempts && tally.kills < wantedKills_; ++attempt) {
        Restore(mode);
        RemoveAll(temp_);
        MakeFolders(temp_);
        const double delay = moment(generator_);
        ChildProcess child;
        const auto start = Clock::now();
        if (!child.StartWithOutputFile(program_, {"/" + std::string(kProgramName) + ":" + mode.name}, output_)) {
            Fail(tally, "cannot start " + program_);
            return;
        }
        std::this_thread::sleep_until(start + std::chrono::duration<double>(delay));
        const bool inVacuum = child.HoldsTemporaryDatabase(temp_);
        const bool killed = child.Kill();
        if (!killed) {
            ++tally.endedFirst;
            continue;
        }
        ++tally.kills;
        if (inVacuum)
            ++tally.duringVacuum;
        // A rollback journal, or frames in the WAL, means the kill came while "VACUUM" wrote the compacted copy back.
        bool copyBack = false;
        for (const Database& database : mode.databases) {
            const std::string path = JoinPath(mode.profile, database.name);
            copyBack = copyBack || FileSize(path + "-journal") > 0 || FileSize(path + "-wal") > 0;
        }
        if (copyBack)
            ++tally.inCopyBack;
        char when[64];
        std::snprintf(when, sizeof(when), "after a kill at %.3f s", delay);
        Check(mode, tally, when, false);
        // SQLite's temporary files are its own; count what a killed process leaves of them.
        tally.temporaryLeftovers += static_cast<int>(FolderNames(temp_).size());
    }
    if (tally.kills < wantedKills_)
        Fail(tally, mode.name + ": only " + std::to_string(tally.kills) + " of " + std::to_string(wantedKills_) +
                        " runs could be killed before they ended");
}

void KillTest::CleanUp() {
    if (platform::kWindows) {
        RemoveAll(programFolder_);
        if (hadPreferences_)
            WriteTextFile(preferences_, savedPreferences_);
        else
            RemoveAll(preferences_);
    }
    if (!work_.empty())
        RemoveAll(work_);
}

int KillTest::Run() {
    bool ok = Prepare();
    // Each mode twice: one file after the other, then both at once.
    std::vector<Tally> tallies(modes_.size() * 2);
    for (std::size_t i = 0; ok && i < modes_.size() * 2; ++i) {
        Mode& mode = modes_[i / 2];
        Tally& tally = tallies[i];
        // The program's choice, made for it: one file after the other, then both files at once (on any disk).
        const bool parallel = i % 2 == 1;
        SetEnvironment("TIDYQUILL_TEST_WORKERS", parallel ? "2" : "1");
        const std::string label = mode.name + (parallel ? " parallel" : "");
        way_ = parallel ? "both files at once: " : "";
        double seconds = 0;
        Restore(mode);
        if (!RunToEnd(mode, tally, "in a whole run", &seconds))
            continue;
        KillRuns(mode, tally, seconds);
        // The next run after the kills finds nothing in its way (no lock, no stale file) and compacts everything.
        RunToEnd(mode, tally, "in the run after the kills", nullptr);
        std::printf("kill %s: %d kills survived (%d during VACUUM, %d in its copy-back, which overlap; %d runs ended "
                    "before the kill), databases afterwards: %d untouched, %d compacted; a whole run takes %.2f s",
                    label.c_str(), tally.kills, tally.duringVacuum, tally.inCopyBack, tally.endedFirst, tally.untouched,
                    tally.compacted, seconds);
        if (tally.inertJournals > 0)
            std::printf("; journals not yet valid left by kills (ignored by SQLite, removed by the next run): %d",
                        tally.inertJournals);
        if (tally.temporaryLeftovers > 0)
            std::printf("; SQLite's temporary files left by killed runs: %d", tally.temporaryLeftovers);
        std::printf("\n");
        std::fflush(stdout);
    }
    int failures = ok ? 0 : 1;
    for (const Tally& tally : tallies)
        failures += tally.failures;
    CleanUp();
    std::printf("kill: %s, %d MB per profile, random %u\n", failures == 0 ? "passed" : "FAILED", megabytes_, random_);
    return failures == 0 ? 0 : 1;
}

int Usage() {
    std::puts("usage: reliability_tool kill --program <tidyquill> [--kills N] [--megabytes M] [--random R]\n"
              "       reliability_tool make <database> <bytes> rollback|wal\n"
              "       reliability_tool state <database>...\n"
              "       reliability_tool compacted-pages <database>");
    return 2;
}

int KillCommand(int argc, char** argv) {
    std::string program;
    int kills = 5;
    int megabytes = 32;
    unsigned random = std::random_device()();
    for (int i = 2; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--program") == 0)
            program = argv[i + 1];
        else if (std::strcmp(argv[i], "--kills") == 0)
            kills = std::atoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--megabytes") == 0)
            megabytes = std::atoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--random") == 0)
            random = static_cast<unsigned>(std::strtoul(argv[i + 1], nullptr, 10));
        else
            return Usage();
    }
    if (program.empty() || kills < 1 || megabytes < 1)
        return Usage();
    return KillTest(program, kills, megabytes, random).Run();
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return Usage();
    const std::string command = argv[1];
    if (command == "kill")
        return KillCommand(argc, argv);
    if (command == "make" && argc == 5) {
        FixtureDatabase how;
        how.bytes = std::atoll(argv[3]);
        how.wal = std::strcmp(argv[4], "wal") == 0;
        how.userVersion = 7;
        how.applicationId = 0x54515549;
        const std::string error = MakeFragmentedDatabase(argv[2], how);
        if (!error.empty())
            std::printf("failed: %s\n", error.c_str());
        return error.empty() ? 0 : 1;
    }
    if (command == "state" && argc >= 3) {
        for (int i = 2; i < argc; ++i) {
            // The bytes first: reading the database may recover it.
            const std::uint64_t bytes = FileHash(argv[i]);
            std::printf("%s bytes %s, %s\n", argv[i], Hex(bytes).c_str(),
                        ReadDatabaseState(argv[i]).Describe().c_str());
        }
        return 0;
    }
    if (command == "compacted-pages" && argc == 3) {
        std::string error;
        const std::string scratch = MakeWorkFolder("tidyquill-compact-");
        const std::int64_t pages = CompactedPageCount(argv[2], scratch, error);
        RemoveAll(scratch);
        if (pages < 0) {
            std::printf("failed: %s\n", error.c_str());
            return 1;
        }
        std::printf("%lld\n", static_cast<long long>(pages));
        return 0;
    }
    return Usage();
}
