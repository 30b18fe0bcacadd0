#include "FailingVfs.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>

namespace reliability {

namespace {

struct State {
    bool armed = false;
    DiskFill fill = DiskFill::everyWrite;
    std::int64_t budget = 0;
    std::string database; // only the thread that has this database open fills the disk; empty: every thread
    std::int64_t written = 0;
    int failedWrites = 0;
    std::vector<WriteRecord> writes;
};
// Several connections may write at once, each on its own thread.
std::mutex mutex;
State state;
// The thread has the armed database open: a compaction runs on one thread, and every file that its connection
// opens meanwhile (its journal, WAL, temporary copy) belongs to that database.
thread_local bool fillingThread = false;

// True when the path's last component is fileName.
bool NamesFile(const char* path, const std::string& fileName) {
    const std::size_t length = path != nullptr ? std::strlen(path) : 0;
    if (fileName.empty() || length <= fileName.size() ||
        std::strcmp(path + length - fileName.size(), fileName.c_str()) != 0)
        return false;
    const char before = path[length - fileName.size() - 1];
    return before == '/' || before == '\\';
}

sqlite3_vfs* real = nullptr;
sqlite3_vfs vfs;

// Our file: the method table SQLite calls, followed in the same allocation by the real file.
struct File {
    sqlite3_file base;
    sqlite3_file* real;
    FileKind kind;
    bool armedDatabase; // the main database file that makes its thread fill the disk
};

FileKind KindOf(int openFlags) {
    if (openFlags & SQLITE_OPEN_MAIN_DB)
        return FileKind::database;
    if (openFlags & SQLITE_OPEN_MAIN_JOURNAL)
        return FileKind::journal;
    if (openFlags & SQLITE_OPEN_WAL)
        return FileKind::wal;
    if (openFlags & (SQLITE_OPEN_TEMP_DB | SQLITE_OPEN_TRANSIENT_DB | SQLITE_OPEN_TEMP_JOURNAL))
        return FileKind::temporary;
    return FileKind::other;
}

sqlite3_file* Real(sqlite3_file* file) {
    return reinterpret_cast<File*>(file)->real;
}

int Close(sqlite3_file* file) {
    const int result = Real(file)->pMethods->xClose(Real(file));
    if (reinterpret_cast<File*>(file)->armedDatabase)
        fillingThread = false;
    return result;
}
int Read(sqlite3_file* file, void* buffer, int amount, sqlite3_int64 offset) {
    return Real(file)->pMethods->xRead(Real(file), buffer, amount, offset);
}
int Write(sqlite3_file* file, const void* buffer, int amount, sqlite3_int64 offset) {
    const std::lock_guard<std::mutex> lock(mutex);
    if (state.armed && (state.database.empty() || fillingThread)) {
        std::int64_t counted = amount;
        if (state.fill == DiskFill::growthOnly) {
            sqlite3_int64 size = 0;
            Real(file)->pMethods->xFileSize(Real(file), &size);
            counted = std::max<std::int64_t>(0, offset + amount - size);
        }
        if (state.written + counted > state.budget) {
            ++state.failedWrites;
            return SQLITE_FULL;
        }
        state.written += counted;
        state.writes.push_back({reinterpret_cast<File*>(file)->kind, state.written});
    }
    return Real(file)->pMethods->xWrite(Real(file), buffer, amount, offset);
}
int Truncate(sqlite3_file* file, sqlite3_int64 size) {
    return Real(file)->pMethods->xTruncate(Real(file), size);
}
int Sync(sqlite3_file* file, int flags) {
    return Real(file)->pMethods->xSync(Real(file), flags);
}
int FileSize(sqlite3_file* file, sqlite3_int64* size) {
    return Real(file)->pMethods->xFileSize(Real(file), size);
}
int Lock(sqlite3_file* file, int level) {
    return Real(file)->pMethods->xLock(Real(file), level);
}
int Unlock(sqlite3_file* file, int level) {
    return Real(file)->pMethods->xUnlock(Real(file), level);
}
int CheckReservedLock(sqlite3_file* file, int* result) {
    return Real(file)->pMethods->xCheckReservedLock(Real(file), result);
}
int FileControl(sqlite3_file* file, int op, void* argument) {
    return Real(file)->pMethods->xFileControl(Real(file), op, argument);
}
int SectorSize(sqlite3_file* file) {
    return Real(file)->pMethods->xSectorSize(Real(file));
}
int DeviceCharacteristics(sqlite3_file* file) {
    return Real(file)->pMethods->xDeviceCharacteristics(Real(file));
}
int ShmMap(sqlite3_file* file, int region, int size, int extend, void volatile** address) {
    return Real(file)->pMethods->xShmMap(Real(file), region, size, extend, address);
}
int ShmLock(sqlite3_file* file, int offset, int count, int flags) {
    return Real(file)->pMethods->xShmLock(Real(file), offset, count, flags);
}
void ShmBarrier(sqlite3_file* file) {
    Real(file)->pMethods->xShmBarrier(Real(file));
}
int ShmUnmap(sqlite3_file* file, int deleteFlag) {
    return Real(file)->pMethods->xShmUnmap(Real(file), deleteFlag);
}
int Fetch(sqlite3_file* file, sqlite3_int64 offset, int amount, void** page) {
    return Real(file)->pMethods->xFetch(Real(file), offset, amount, page);
}
int Unfetch(sqlite3_file* file, sqlite3_int64 offset, void* page) {
    return Real(file)->pMethods->xUnfetch(Real(file), offset, page);
}

// One table per method-table version, so that SQLite never calls a method the real file lacks.
sqlite3_io_methods methods[3] = {};

int Open(sqlite3_vfs*, const char* name, sqlite3_file* file, int flags, int* outFlags) {
    File* ours = reinterpret_cast<File*>(file);
    ours->real = reinterpret_cast<sqlite3_file*>(ours + 1);
    ours->kind = KindOf(flags);
    {
        const std::lock_guard<std::mutex> lock(mutex);
        ours->armedDatabase = ours->kind == FileKind::database && NamesFile(name, state.database);
    }
    const int result = real->xOpen(real, name, ours->real, flags, outFlags);
    if (ours->armedDatabase)
        fillingThread = result == SQLITE_OK;
    const sqlite3_io_methods* realMethods = ours->real->pMethods;
    if (realMethods == nullptr) {
        ours->base.pMethods = nullptr;
        return result;
    }
    ours->base.pMethods = &methods[std::clamp(realMethods->iVersion, 1, 3) - 1];
    return result;
}
int Delete(sqlite3_vfs*, const char* name, int syncFolder) {
    return real->xDelete(real, name, syncFolder);
}
int Access(sqlite3_vfs*, const char* name, int flags, int* result) {
    return real->xAccess(real, name, flags, result);
}
int FullPathname(sqlite3_vfs*, const char* name, int size, char* out) {
    return real->xFullPathname(real, name, size, out);
}
void* DlOpen(sqlite3_vfs*, const char* name) {
    return real->xDlOpen(real, name);
}
void DlError(sqlite3_vfs*, int size, char* message) {
    real->xDlError(real, size, message);
}
void (*DlSym(sqlite3_vfs*, void* library, const char* symbol))(void) {
    return real->xDlSym(real, library, symbol);
}
void DlClose(sqlite3_vfs*, void* library) {
    real->xDlClose(real, library);
}
int Randomness(sqlite3_vfs*, int size, char* out) {
    return real->xRandomness(real, size, out);
}
int Sleep(sqlite3_vfs*, int microseconds) {
    return real->xSleep(real, microseconds);
}
int CurrentTime(sqlite3_vfs*, double* now) {
    return real->xCurrentTime(real, now);
}
int GetLastError(sqlite3_vfs*, int size, char* message) {
    return real->xGetLastError(real, size, message);
}
int CurrentTimeInt64(sqlite3_vfs*, sqlite3_int64* now) {
    return real->xCurrentTimeInt64(real, now);
}

} // namespace

FailingVfs::FailingVfs() {
    real = sqlite3_vfs_find(nullptr);
    if (real == nullptr || real->iVersion < 2)
        return;
    for (int i = 0; i < 3; ++i) {
        sqlite3_io_methods& table = methods[i];
        table.iVersion = i + 1;
        table.xClose = Close;
        table.xRead = Read;
        table.xWrite = Write;
        table.xTruncate = Truncate;
        table.xSync = Sync;
        table.xFileSize = FileSize;
        table.xLock = Lock;
        table.xUnlock = Unlock;
        table.xCheckReservedLock = CheckReservedLock;
        table.xFileControl = FileControl;
        table.xSectorSize = SectorSize;
        table.xDeviceCharacteristics = DeviceCharacteristics;
        if (i >= 1) {
            table.xShmMap = ShmMap;
            table.xShmLock = ShmLock;
            table.xShmBarrier = ShmBarrier;
            table.xShmUnmap = ShmUnmap;
        }
        if (i >= 2) {
            table.xFetch = Fetch;
            table.xUnfetch = Unfetch;
        }
    }
    std::memset(&vfs, 0, sizeof(vfs));
    vfs.iVersion = 2;
    vfs.szOsFile = static_cast<int>(sizeof(File)) + real->szOsFile;
    vfs.mxPathname = real->mxPathname;
    vfs.zName = "tidyquill-failing";
    vfs.xOpen = Open;
    vfs.xDelete = Delete;
    vfs.xAccess = Access;
    vfs.xFullPathname = FullPathname;
    vfs.xDlOpen = DlOpen;
    vfs.xDlError = DlError;
    vfs.xDlSym = DlSym;
    vfs.xDlClose = DlClose;
    vfs.xRandomness = Randomness;
    vfs.xSleep = Sleep;
    vfs.xCurrentTime = CurrentTime;
    vfs.xGetLastError = GetLastError;
    vfs.xCurrentTimeInt64 = CurrentTimeInt64;
    installed_ = sqlite3_vfs_register(&vfs, 1) == SQLITE_OK;
    state = State();
}

FailingVfs::~FailingVfs() {
    if (!installed_)
        return;
    sqlite3_vfs_unregister(&vfs);
    sqlite3_vfs_register(real, 1);
}

void FailingVfs::Arm(std::int64_t budget, DiskFill fill, const std::string& database) {
    const std::lock_guard<std::mutex> lock(mutex);
    state.armed = true;
    state.fill = fill;
    state.budget = budget;
    state.database = database;
    state.written = 0;
    state.failedWrites = 0;
    state.writes.clear();
}

void FailingVfs::Disarm() {
    const std::lock_guard<std::mutex> lock(mutex);
    state.armed = false;
}

std::int64_t FailingVfs::Written() {
    const std::lock_guard<std::mutex> lock(mutex);
    return state.written;
}

int FailingVfs::FailedWrites() {
    const std::lock_guard<std::mutex> lock(mutex);
    return state.failedWrites;
}

std::vector<WriteRecord> FailingVfs::Writes() {
    const std::lock_guard<std::mutex> lock(mutex);
    return state.writes;
}

} // namespace reliability
