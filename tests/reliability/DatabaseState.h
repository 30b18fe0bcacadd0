#pragma once
// What the reliability tests compare in a database file before and after a run: whether SQLite finds it intact,
// what it holds, and how many pages it has; and the large fragmented databases they run on.

#include <cstdint>
#include <string>
#include <vector>

namespace reliability {

struct DatabaseState {
    std::string error;         // empty when the file could be read; otherwise why not
    std::string integrity;     // "ok", or the first problem PRAGMA integrity_check found
    std::uint64_t content = 0; // hash over the schema and every table's rows in rowid order
    std::int64_t userVersion = 0;
    std::int64_t applicationId = 0;
    std::int64_t pageCount = 0;
    std::string journalMode;

    bool Readable() const { return error.empty(); }
    // The same schema, rows, user_version and application_id.
    bool SameContent(const DatabaseState& other) const;
    // One line for a report.
    std::string Describe() const;
};

// Opens the file for reading and writing, as the next program to use it would, so that SQLite rolls back a hot
// journal or recovers a WAL first, then reads its state. A missing file is never created.
DatabaseState ReadDatabaseState(const std::string& path);

// A hash over the file's bytes; 0 when it cannot be read.
std::uint64_t FileHash(const std::string& path);

struct FixtureDatabase {
    std::int64_t bytes = 0; // about this large before compaction
    bool wal = false;       // WAL journal mode, else the rollback journal (DELETE)
    int keepOneRowIn = 3;   // the share of rows left after the random deletions
    std::int64_t userVersion = 0;
    std::int64_t applicationId = 0;
};

// Makes a database like a browser's after long use: several tables with indices, rows with text, numbers, NULLs
// and blobs (some longer than a page), filled in turns so that the tables' pages interleave, then mostly emptied
// at random, so that free pages are scattered all over the file. Gives an empty text, or what went wrong.
std::string MakeFragmentedDatabase(const std::string& path, const FixtureDatabase& how);

// The page count "VACUUM" gives the database: a copy is compacted in scratchFolder with this build's SQLite.
// -1, with error set, when that fails.
std::int64_t CompactedPageCount(const std::string& path, const std::string& scratchFolder, std::string& error);

// File helpers on UTF-8 paths.
bool CopyFileOver(const std::string& from, const std::string& to);
bool FileExists(const std::string& path);
std::int64_t FileSize(const std::string& path); // -1 when missing
void RemoveAll(const std::string& path);
bool MakeFolders(const std::string& path);
// The names in a folder, sorted; empty when it is missing.
std::vector<std::string> FolderNames(const std::string& folder);
// Joins two path components with the system's separator.
std::string JoinPath(const std::string& folder, const std::string& name);
// Replaces the file's content; false on failure.
bool WriteTextFile(const std::string& path, const std::string& text);
std::string ReadTextFile(const std::string& path);

} // namespace reliability
