#pragma once
// One optimization run over a selection of profiles, and the size form of its report.

#include <cstdint>
#include <string>
#include <vector>

class CBrowserProfile;
class IProgressBar;
class StopSignal;

// Compacts the profiles in list order and reports through the log channel: the start, each profile's files, a line
// per profile when there are several, the totals and the time taken. A profile given up because its program runs
// ends the run with "Operation not completed", a stop with "Operation terminated"; neither reports totals. The
// progress bar's range is set to the selection's size in kilobytes; each file advances it by its own. Answers true
// when the run completed (its totals were reported), so that the command line can tell scripts the outcome.
// summary, when given, receives the outcome with the count of files that were tried but not compacted.
struct RunSummary {
    bool completed = false;
    unsigned filesNotCompacted = 0; // each was reported with a warning or error line
};
bool RunOptimization(std::vector<CBrowserProfile*> profiles, IProgressBar* progress, const StopSignal* stop,
                     RunSummary* summary = nullptr);

// The short byte-size form of the report ("1.30 KB", "2.28 MB"): the system's on Windows, the same text on Linux.
std::string FormatFileSize(std::uint64_t bytes);
