#pragma once
// The compaction of a profile's database files: one file on its own, which any thread may run because it only
// collects what the log is to say of it, and a profile's lines in the log, which read the same whether its files
// were compacted one after the other or several at once.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CBrowserProfile;
class CompactionQueue;
class IProgressBar;
class StopSignal;

// One message for the log channel: its text and its bold flag (1 = bold).
struct LogMessage {
    std::string text;
    int bold = 0;
};

// What came of one file.
enum class FileOutcome {
    done,        // compacted (or already compact); the next file follows
    skipped,     // not compacted and reported with a warning or error line; the next file follows
    notDatabase, // no database at all (reported with the warning line); the next file follows
    givenUp,     // the owning program still uses the file: the profile is given up
    stopped,     // the stop signal or a cancel ended it; nothing is said of it
};

struct FileCompaction {
    FileOutcome outcome = FileOutcome::stopped;
    std::vector<LogMessage> lines; // what the log says of the file after its name line, in order
    std::uint32_t sizeKb = 0;      // its size before compaction, WAL included, in kilobytes: its share of the bar
    bool noRoom = false;           // "VACUUM" failed for want of disk, memory or a working read or write
};

// Compacts one database file and logs nothing: answers what came of it and the lines that say so. programName
// names the owning program in the lines that give up its profile. "VACUUM" ends soon after stop or cancel (either
// may be none) is set, and the answer is then stopped. With neither, no progress hook slows the engine down.
FileCompaction CompactDatabaseFile(const std::string& path, const std::string& programName, const StopSignal* stop,
                                   const StopSignal* cancel);

// How many of a profile's files were tried but not compacted (each was reported with a warning or error line),
// and how many of those were no database at all (a file with a database's name but not its header, a folder, a
// device): the run does not count those as optimized.
struct ProfileCounts {
    unsigned notCompacted = 0;
    unsigned notDatabases = 0;
};

// Logs the compaction of the profile's files as if they were compacted one after the other: the profile's two
// header lines, then for each file in list order its name line and its own lines, each line only once every
// earlier one is out. The files' outcomes come from the queue, which holds them from firstFile on, in list order.
// Stops at a stop request, at a file the stop ended, and after a file that gave the profile up. Answers false
// when the profile was given up. Call it on the queue's owning thread.
bool LogProfileCompaction(const CBrowserProfile& profile, const std::vector<std::string>& files, CompactionQueue& queue,
                          std::size_t firstFile, const StopSignal* stop, ProfileCounts& counts);

// Compacts every database file of the profile, one after the other on the calling thread, logging as it goes, and
// advances the progress bar by each file's size in kilobytes. Answers false when the profile was given up because
// its program still uses its files (another process holds one without sharing, or a lock); a file this user may
// not read gets a warning line and the next file follows. filesNotCompacted and filesNotDatabases, when given,
// receive the profile's counts (see ProfileCounts).
bool OptimizeProfile(CBrowserProfile& profile, IProgressBar* progress, const StopSignal* stop,
                     unsigned* filesNotCompacted = nullptr, unsigned* filesNotDatabases = nullptr);
