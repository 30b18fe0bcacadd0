#pragma once
// The guard against compacting the databases of a program that is still running.

#include <string>
#include <vector>

class CBrowser;

// The executables of the running processes that belong to one of the given programs, in the order of the system's
// process list, one entry per process. A process belongs to a program when its executable's file name is one of the
// program's process names: ignoring letter case on Windows, exactly on Linux (where the executable cannot be read,
// its command name; that name then stands in the answer). A name elsewhere in the path does not count. This process
// never counts.
std::vector<std::string> FindRunningPrograms(const std::vector<CBrowser*>& programs);

// For each of the given programs, whether a process that belongs to it runs, by the same rules, from one look at the
// system's process list.
std::vector<bool> FindRunningProgramsAmong(const std::vector<CBrowser*>& programs);
