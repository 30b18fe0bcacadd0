#pragma once
// Database files bloated the way the programs' own use bloats them, for the analysis tests and benchmark: rows
// added and deleted over several rounds, indexes, blobs large and small, several page sizes, a write-ahead log with
// committed pages (with and without its shared-memory file), an incremental auto-vacuum file, a file with nothing to
// give back, an empty file and a damaged one. Made with SQLite directly; no test framework needed.

#include <string>
#include <vector>

namespace testing_support {

// Makes the set in folder (which must exist) and answers the names of its database files (each ends in ".sqlite";
// beside some lie "-wal" and "-shm" files). scale 1 makes about 2.5 MB in all, and the sizes grow with it; the same
// scale makes the same contents on every run. Answers an empty list, after printing why, when a file cannot be made.
std::vector<std::string> MakeBloatedDatabases(const std::string& folder, double scale);

} // namespace testing_support
