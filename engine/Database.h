#pragma once
// The one place that talks to SQLite. The compaction sees only this class and the outcome codes below, never the
// engine's own types or texts: outcomes are decided on the engine's result codes.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

struct sqlite3;
class StopSignal;

namespace engine {

// What an engine call came to, as far as the compaction cares.
enum class DbOutcome {
    ok,
    cantOpen,     // the file could not be opened (missing, or held by another program without sharing)
    busy,         // another connection holds a lock on the file
    notADatabase, // the file is not a database, or it is encrypted
    interrupted,  // the stop signal interrupted the statement
    noRoom,       // the disk or the memory ran out, or the system failed a read or a write (as a full disk can make
                  // it do); ErrorText says what
    failed,       // anything else; ErrorText says what
};

// One page of a table or index as the page scan reports it.
struct TreePage {
    enum class Kind { internal, leaf, overflow, damaged }; // damaged: not a page of the kind its tree needs
    Kind kind = Kind::leaf;
    int tree = 0;             // counts up from 0, one number per table or index, in the order the scan meets them
    std::uint32_t page = 0;   // the page number (1 holds the file's header before its own)
    std::uint32_t cells = 0;  // cells on the page; 0 on an overflow page
    std::uint32_t unused = 0; // bytes of the page that neither its header, nor its cell pointers, nor its cells use
};

// What the page scan reads besides the pages.
struct TreeLayout {
    std::uint32_t pageSize = 0;
    bool autoVacuum = false; // the file keeps pointer-map pages (full or incremental auto-vacuum)
};

class Database {
public:
    Database() = default;
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Opens an existing database file for reading and writing. A missing file is never created: it gives cantOpen.
    DbOutcome Open(const std::string& utf8Path);

    // Opens an existing database file for reading only, through a file layer that opens every file of the database
    // (the database, its journal, its write-ahead log) read-only and deletes nothing, so that nothing beside the
    // file is created, changed or removed, not even the shared-memory file of a WAL database: committed pages in a
    // write-ahead log are read from the log itself. A WAL database without its log is read as unchangeable (no lock
    // at all); any other file takes the usual shared lock for the length of each read: a writer's lock makes the read
    // busy, as does the journal of a write that never finished (which a read-only connection cannot roll back).
    DbOutcome OpenReadOnly(const std::string& utf8Path);

    // Reads, in one read transaction, the page size and every page of every table and index (SQLite's dbstat
    // table), each tree's pages in the order of its keys, and hands each to visit. The stop signal interrupts the
    // scan between two pages (interrupted). Needs a connection from OpenReadOnly.
    DbOutcome ScanTreePages(const StopSignal* stop, TreeLayout& layout,
                            const std::function<void(const TreePage&)>& visit);

    // Lets a running statement end with interrupted soon after stop or cancel is set (either may be none). The engine
    // checks the signals every kStopCheckInterval steps of its virtual machine: atomic loads, cheap even in a long
    // "VACUUM". A thousand steps take well under a millisecond; how soon a stop is seen depends on the engine's few
    // long single steps, not on this interval. The final copy of "VACUUM" runs no steps and cannot be interrupted.
    void InterruptOnStop(const StopSignal* stop, const StopSignal* cancel = nullptr);
    static constexpr int kStopCheckInterval = 1000;

    // Runs SQL without results ("VACUUM").
    DbOutcome Execute(const char* sql);

    // Copies the pages of the write-ahead log into the database and empties the log; nothing for a database in
    // rollback mode. A reader elsewhere can keep it from finishing, which is no failure.
    void Checkpoint();

    // The schema cookie (PRAGMA schema_version), which a "VACUUM" raises by one when it commits; -1 when it cannot
    // be read. Leaves ErrorText as it was.
    std::int64_t SchemaVersion();

    // The engine's message for the last failed Open or Execute.
    const std::string& ErrorText() const { return errorText_; }

    // Closes the connection (also the one a failed Open leaves behind); the destructor does the same.
    void Close();

private:
    DbOutcome Outcome(int resultCode);

    struct Closer {
        void operator()(sqlite3* connection) const;
    };
    std::unique_ptr<sqlite3, Closer> connection_;
    std::string errorText_;
    // The progress hook, and its context: the signals that interrupt a statement. A non-zero answer makes the
    // engine interrupt it.
    struct Signals {
        const StopSignal* stop = nullptr;
        const StopSignal* cancel = nullptr;
    } signals_;
    static int StopHook(void* context);
};

} // namespace engine
