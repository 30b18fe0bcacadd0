#pragma once
// What the compaction benchmarks share (Linux): fragmented databases, copies written through to the disk, and timed
// child processes with their peak memory.

#include <cstdint>
#include <string>
#include <vector>

namespace bench {

double Megabytes(std::uint64_t bytes);

bool SameBytes(const std::string& a, const std::string& b);

// Copies and writes the copy through to the disk: otherwise the first fsync of a compaction would also pay for
// writing out the whole fresh copy, a cost that varies with the system's write-back and is not the compaction's.
void CopyFile(const std::string& from, const std::string& to);

// A database of about sizeMb megabytes in which three rows in four, chosen at random, are deleted: "VACUUM" has
// to rebuild the table and its index from pages that are mostly free space.
bool MakeFragmentedDatabase(const std::string& path, double sizeMb);

struct ChildRun {
    bool ok = false;
    double seconds = 0;    // wall-clock time from start to end
    double cpuSeconds = 0; // processor time, user and system
    double peakMb = 0;     // peak resident memory
};

// Runs the command (its first word found on PATH) to its end.
ChildRun RunChild(const std::vector<std::string>& command);

// This program's own path, to run it as a child.
std::string SelfPath();

// A new folder in $TMPDIR (or /tmp) named prefix-XXXXXX; empty when it cannot be made.
std::string MakeWorkFolder(const std::string& prefix);

// The smallest of the values (the best of several timed runs: disturbances only ever add time).
double Best(const std::vector<double>& values);

} // namespace bench
