#pragma once
// One optimization run over a selection of profiles, and the size form of its report.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class CBrowserProfile;
class IProgressBar;
class StopSignal;

// Compacts the profiles and reports through the log channel, in list order: the start, each profile's files, a
// line per profile when there are several, the totals and the time taken. Several files are compacted at once
// (see RunOptions), but the log reads line for line as if they were compacted one after the other, and every line
// and every move of the progress bar comes from the calling thread. A profile given up because its program runs
// ends the run with "Operation not completed", a stop with "Operation terminated"; neither reports totals, and
// both come once every file has ended. The progress bar's range is set to the selection's size in kilobytes;
// each file that ends advances it by its own. Answers true when the run completed (its totals were reported), so
// that the command line can tell scripts the outcome. summary, when given, receives the outcome with the count of
// files that were tried but not compacted.
struct RunSummary {
    bool completed = false;
    unsigned filesNotCompacted = 0; // each was reported with a warning or error line
};

// How a run spreads its files over threads. The defaults are the program's; tests choose here.
struct RunOptions {
    // Files compacted at once, at most. 0: as many as the machine has processors, at most 4 (for the tests that
    // run the whole program, the environment variable TIDYQUILL_TEST_WORKERS=N makes it N on any disk). 1: one
    // after the other on the calling thread.
    unsigned workers = 0;
    // Whether a file must be compacted with no other beside it. Empty: when the system says that the file's disk,
    // or the one that holds the database engine's temporary folder, seeks or cannot tell.
    std::function<bool(const std::string& path)> runsAlone;
    // Called when a file's compaction starts (started true) and ends, one call at a time, on the thread that
    // compacts it; file counts the run's files in list order from 0.
    std::function<void(std::size_t file, bool started)> onFile;
};
bool RunOptimization(std::vector<CBrowserProfile*> profiles, IProgressBar* progress, const StopSignal* stop,
                     RunSummary* summary = nullptr, const RunOptions& options = RunOptions());

// The short byte-size form of the report ("1.30 KB", "2.28 MB"): the system's on Windows, the same text on Linux.
std::string FormatFileSize(std::uint64_t bytes);
