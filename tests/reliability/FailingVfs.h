#pragma once
// A disk that fills up, for SQLite: a file system (VFS) over the system's default one that, once armed, lets so
// many bytes be written and then fails every further write with SQLITE_FULL. Registered as the default while it
// is installed, so that the engine's own connections and their temporary files use it without knowing. It may be
// armed for one database only: then only the compaction of that database, on the thread that has it open, fills
// the disk, while other compactions on other threads write freely.

#include <cstdint>
#include <string>
#include <vector>

namespace reliability {

enum class DiskFill {
    everyWrite, // every byte written counts, overwriting included: a disk that cannot even rewrite in place
    growthOnly, // only bytes that make a file larger count, as on a file system whose free blocks ran out
};

// Which of a connection's files a write went to.
enum class FileKind { database, journal, wal, temporary, other };

struct WriteRecord {
    FileKind kind;
    std::int64_t countedAfter; // the bytes counted since Arm, this write included
};

class FailingVfs {
public:
    // Registers the file system as SQLite's default; the previous default comes back at destruction.
    FailingVfs();
    ~FailingVfs();
    FailingVfs(const FailingVfs&) = delete;
    FailingVfs& operator=(const FailingVfs&) = delete;

    bool Installed() const { return installed_; }

    // From now on, writes beyond budget bytes fail with SQLITE_FULL. With a database (a file name such as
    // "a.sqlite"), only the writes of the thread that has a database of that name open count and fail, from its
    // open to its close.
    static void Arm(std::int64_t budget, DiskFill fill, const std::string& database = {});
    // Writes go through again.
    static void Disarm();
    // The bytes counted since Arm, and how many writes failed.
    static std::int64_t Written();
    static int FailedWrites();
    // Every write that went through since Arm, in order.
    static std::vector<WriteRecord> Writes();

private:
    bool installed_ = false;
};

} // namespace reliability
