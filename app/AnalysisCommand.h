#pragma once
// The command line's analysis, "--analyze [profile arguments]": what compacting would give back, without
// compacting anything.

#include <string>
#include <vector>

class Catalogue;

// Estimates the profiles that the arguments select (the run's grammar and order), or every profile found (and not
// missing) when there is none, and reports through the log channel in the run's shapes: "Analyzing '<name>'" and
// "Path: ..." for each profile, a line per file ("<file>: 94.2 MB, about 67.6 MB can be reclaimed"), a line per
// profile, "Total: ..." and the time taken. It goes ahead while the profiles' programs run: their files are
// estimated from their headers alone, and each such line says so. Answers the exit status: kExitCompleted, or
// kExitWithWarnings when a file could not be read or an argument selected nothing; kExitNotRun when no argument
// selected anything.
int RunAnalysis(Catalogue& catalogue, const std::vector<std::string>& profileArguments);

// The process's analysis: the catalogue of this machine with the preferences file's custom profiles and missing
// folders applied, and RunAnalysis on the arguments without the "--analyze" among them. The preferences are read
// into a document of its own and never written back, so it may run beside the window.
int RunAnalysisCommand(const std::vector<std::string>& arguments);
