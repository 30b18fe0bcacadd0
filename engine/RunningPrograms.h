#pragma once
// The guard against compacting the databases of a program that is still running.

#include <string>
#include <vector>

class CBrowser;

// The executables of the running processes that belong to one of the given programs, in the order of the system's
// process list, one entry per process. Windows: a process belongs to a program when one of the program's process
// names occurs anywhere in its executable's path, ignoring case. Linux: when its executable's file name is one of
// them, exactly (or, where the executable cannot be read, its command name; that name then stands in the answer).
// This process never counts; processes that cannot be inspected are not seen.
std::vector<std::string> FindRunningPrograms(const std::vector<CBrowser*>& programs);
