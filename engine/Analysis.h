#pragma once
// What compacting would give back, known before anything is compacted: for each database file of a profile its size
// and the bytes that a "VACUUM" would reclaim, per profile, and summed over any set of profiles.
//
// The analysis only reads. It never creates, changes or deletes a journal, write-ahead log or shared-memory file,
// never holds a lock for longer than one read of one file, and changes no file's modification time, whether or not
// the file's program is running.
//
// Use from a window (or any caller with a worker thread):
//   1. On the thread that owns the catalogue, copy the profiles to estimate with DescribeProfile. The copies hold
//      no reference to a profile that the window may delete meanwhile (key is only compared, never followed).
//   2. On the worker, MarkRunningPrograms, then EstimateProfiles with a stop signal that the worker shares with its
//      owner. Each profile's figures are handed to onProfile on the worker as soon as they are complete; hand them
//      to the owning thread from there (a posted message). A stop is seen before every file and, inside the scan of
//      a file's pages, within a few hundred pages: EstimateProfiles then returns at once and hands over nothing
//      more, so the owner can set the signal and go without waiting, as long as the worker owns what it reads (the
//      copies, the signal).
//   3. On the owning thread, keep the figures in a ProfileEstimates table: SumOf any set of profiles (the checked
//      ones) is formed at once, without touching a file, each time the set changes.
// The command line (--analyze) does the same on its main thread, without a stop signal.

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

class CBrowser;
class CBrowserProfile;
class StopSignal;

// How a file's figure was come by.
enum class EstimateBasis {
    pages,         // the header and every page, read read-only: what a rebuild of the file would need
    headerRunning, // the 100-byte header alone, because the file's program is running
    headerInUse,   // the header alone, because a writer holds the file locked or a write never finished
    held,          // nothing: another process holds the file open without sharing (its program is running)
    denied,        // nothing: this user may not read the file
    unreadable,    // nothing: the file is missing or cannot be read for another reason
    invalid,       // nothing: a database file that is encrypted or damaged, which "VACUUM" could not compact either
    notDatabase,   // nothing: no database at all (another header, a folder, a device); the run does not count it
};

struct FileEstimate {
    std::string path;
    std::uint64_t size = 0;        // the file with its write-ahead log, as the run counts it
    std::uint64_t reclaimable = 0; // the bytes a "VACUUM" would give back; 0 when nothing could be read
    EstimateBasis basis = EstimateBasis::unreadable;

    // Whether the file could be read at all (its figure may still be the header's alone).
    bool WasRead() const { return basis == EstimateBasis::pages || IsHeaderOnly(); }
    bool IsHeaderOnly() const { return basis == EstimateBasis::headerRunning || basis == EstimateBasis::headerInUse; }
};

// What the first 100 bytes of a database file say about the space inside it.
struct HeaderFigures {
    bool valid = false;              // an SQLite header with a valid page size
    std::uint32_t pageSize = 0;      // 512 to 65536
    std::uint32_t reservedBytes = 0; // unused bytes at the end of every page
    std::uint64_t pageCount = 0;     // the header's count when it is current, else the whole pages of the file
    std::uint64_t freePages = 0;     // pages on the free list
    std::uint64_t reclaimable = 0;   // free pages times the page size, plus the bytes of the file past its pages
};

// The figures of a header (the first 100 bytes of the file, or what there is of them) of a file of fileSize bytes.
HeaderFigures ReadHeaderFigures(const std::string& header, std::uint64_t fileSize);

// The estimate for one database file. With programRunning only the header is read. Otherwise every page is read
// as well, read-only, and the figure is the file's size less the pages that a rebuild of its tables and indexes
// would fill; it falls back to the header's when a writer holds the file. A stop ends the page scan early, and the
// answer then means nothing.
FileEstimate EstimateFile(const std::string& path, bool programRunning, const StopSignal* stop);

// One profile as the analysis needs it, copied on the thread that owns the catalogue.
struct ProfileToEstimate {
    const CBrowserProfile* key = nullptr; // names the profile in the answers; never followed
    std::string name;
    std::string path;
    CBrowser* program = nullptr; // lives as long as the process; lists the profile's database files
    bool programRunning = false; // set by MarkRunningPrograms
};
ProfileToEstimate DescribeProfile(const CBrowserProfile& profile);

// Looks once at the running processes and marks the profiles whose program runs (by the running-program guard's
// rules).
void MarkRunningPrograms(std::vector<ProfileToEstimate>& profiles);

struct ProfileEstimate {
    const CBrowserProfile* key = nullptr;
    std::string name;
    std::string path;
    std::string programName;
    bool programRunning = false;
    std::vector<FileEstimate> files; // the profile's database files, in the order the run takes them
    std::uint64_t size = 0;          // of all files
    std::uint64_t reclaimable = 0;   // of all files
    unsigned filesNotRead = 0;       // files that gave no figure (held, denied, unreadable, invalid, no database)
    unsigned notDatabases = 0;       // files of the list that are no database at all

    // The database files, as the run counts them: the listed files less those that are no database at all.
    std::uint32_t DatabaseCount() const { return static_cast<std::uint32_t>(files.size()) - notDatabases; }
};

// Estimates the profiles in list order: lists each profile's database files as the run does and estimates each
// file. onProfile receives each profile's figures once all its files are done. Answers false when the stop signal
// (or a failed allocation) ended it; the profile it was working on is then not handed over.
bool EstimateProfiles(const std::vector<ProfileToEstimate>& profiles, const StopSignal* stop,
                      const std::function<void(ProfileEstimate&& estimate)>& onProfile);

// The figures of many profiles, kept by one thread (the window's), with sums over any set of them.
class ProfileEstimates {
public:
    struct Sum {
        std::uint64_t size = 0;
        std::uint64_t reclaimable = 0;
        std::uint32_t files = 0; // database files, as the run counts them
        unsigned filesNotRead = 0;
        unsigned profilesWithout = 0; // profiles of the set that have no figures (yet)
    };

    // Keeps the figures of one profile, in place of any earlier ones.
    void Store(ProfileEstimate estimate);
    // The figures of a profile; none when there are none.
    const ProfileEstimate* Find(const CBrowserProfile* key) const;
    // Drops one profile's figures (a profile that is removed) or all of them (before they are computed anew).
    void Forget(const CBrowserProfile* key);
    void Clear();
    // The sums over the given profiles; each profile counts once, however often it is given.
    Sum SumOf(const std::vector<const CBrowserProfile*>& profiles) const;

private:
    std::map<const CBrowserProfile*, ProfileEstimate> estimates_;
};
