#pragma once
// The command line: the grammar of one argument, the selection that all arguments make, the usage text, and the
// exit statuses.

#include <string>
#include <vector>

class Catalogue;
class CBrowserProfile;

// The profiles of the catalogue named by one argument: "/<program>:<profile name>" (the name ignoring case),
// "/<program>:all" (every profile of the program), or "/<program>:<profile folder>" (the profile with that folder,
// of whatever program; a relative folder is resolved against the current directory). A profile part that names an
// existing file or folder which is no profile's folder is taken as a name (or all) after all. Program names are
// compared with case. Errors are reported through the log channel; the answer is then empty.
std::vector<CBrowserProfile*> ParseProfileArgument(Catalogue& catalogue, const std::string& argument);

struct ProfileSelection {
    std::vector<CBrowserProfile*> profiles; // each profile once
    bool argumentRejected = false;          // some argument selected nothing (and said so)
};

// The profiles that the arguments (without the program path) select: each argument's profiles go to the front, so
// the last argument's come first; a profile already selected by an earlier argument keeps its place.
ProfileSelection SelectProfiles(Catalogue& catalogue, const std::vector<std::string>& arguments);

// What the process tells a script that started it.
enum ExitStatus : int {
    kExitCompleted = 0,   // the run completed; every selected file was compacted or already compact
    kExitNotRun = 1,      // nothing ran, or the run did not complete
    kExitWithWarnings = 2 // the run completed, but an argument was invalid or a file was not compacted
};

// What an argument asks for instead of a run.
enum class InfoRequest { none, usage, version, analyze };
// usage for "--help", "-h" or "/?", version for "--version", analyze for kAnalyzeArgument, among the arguments
// (without the program path); the first such argument decides.
InfoRequest FindInfoRequest(const std::vector<std::string>& arguments);
// Asks for the estimate of what compacting would give back instead of a run; the other arguments select profiles.
inline constexpr const char* kAnalyzeArgument = "--analyze";

// The usage text, one line per entry: the grammar, the program names of the catalogue, an example, the analysis and
// the exit statuses.
std::vector<std::string> UsageLines(const Catalogue& catalogue);
