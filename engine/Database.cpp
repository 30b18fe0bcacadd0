#include "engine/Database.h"

#include "engine/StopSignal.h"
#include "platform/Files.h"
#include "platform/System.h"
#include "platform/Text.h"
#include "support/FolderHelpers.h"

#include <sqlite3.h>

#include <cstring>

namespace engine {

namespace {

// On Windows the engine's long-path file layer becomes the default one, once, while the system's plain layer is the
// default: the plain layer cuts full paths at 260 characters' worth of UTF-8 bytes. A layer that someone installed
// over the plain one (a test's failing disk, say) is left in place and keeps seeing every file the engine opens.
void PreferLongPathFileLayer() {
    static const bool once = [] {
        sqlite3_vfs* current = sqlite3_vfs_find(nullptr);
        sqlite3_vfs* longPath = sqlite3_vfs_find("win32-longpath");
        if (current != nullptr && longPath != nullptr && std::strcmp(current->zName, "win32") == 0)
            sqlite3_vfs_register(longPath, 1);
        return true;
    }();
    (void)once;
}

// --- The read-only file layer ------------------------------------------------------------------------------------
// A read-only connection still creates files: the write-ahead log and the shared-memory file of a WAL database
// that has none, so that other connections can find its readers. This layer sits over the default one and opens
// the database, its journal and its log read-only (so a missing one stays missing and SQLite makes do without it),
// refuses every deletion, and answers for the shared memory of the database as SQLite's own layer does when the
// shared-memory file cannot be written and no writer holds it: SQLite then builds the log's index in its own
// memory from the log, takes no shared-memory lock, and never opens the shared-memory file.

struct ReadOnlyFile {
    sqlite3_file base;
    sqlite3_file* real; // the default layer's file, in the same allocation right after this one
};

sqlite3_file* Real(sqlite3_file* file) {
    return reinterpret_cast<ReadOnlyFile*>(file)->real;
}

int RoClose(sqlite3_file* f) {
    return Real(f)->pMethods->xClose(Real(f));
}
int RoRead(sqlite3_file* f, void* buffer, int amount, sqlite3_int64 offset) {
    return Real(f)->pMethods->xRead(Real(f), buffer, amount, offset);
}
int RoWrite(sqlite3_file*, const void*, int, sqlite3_int64) {
    return SQLITE_READONLY;
}
int RoTruncate(sqlite3_file*, sqlite3_int64) {
    return SQLITE_READONLY;
}
int RoSync(sqlite3_file*, int) {
    return SQLITE_OK;
}
int RoFileSize(sqlite3_file* f, sqlite3_int64* size) {
    return Real(f)->pMethods->xFileSize(Real(f), size);
}
int RoLock(sqlite3_file* f, int level) {
    return Real(f)->pMethods->xLock(Real(f), level);
}
int RoUnlock(sqlite3_file* f, int level) {
    return Real(f)->pMethods->xUnlock(Real(f), level);
}
int RoCheckReservedLock(sqlite3_file* f, int* out) {
    return Real(f)->pMethods->xCheckReservedLock(Real(f), out);
}
int RoFileControl(sqlite3_file* f, int op, void* argument) {
    return Real(f)->pMethods->xFileControl(Real(f), op, argument);
}
int RoSectorSize(sqlite3_file* f) {
    return Real(f)->pMethods->xSectorSize(Real(f));
}
int RoDeviceCharacteristics(sqlite3_file* f) {
    return Real(f)->pMethods->xDeviceCharacteristics(Real(f));
}
// "Readable, but nobody keeps it up to date": SQLite reads the write-ahead log into memory of its own instead.
int RoShmMap(sqlite3_file*, int, int, int, void volatile** region) {
    *region = nullptr;
    return SQLITE_READONLY_CANTINIT;
}
int RoShmLock(sqlite3_file*, int, int, int) {
    return SQLITE_OK;
}
void RoShmBarrier(sqlite3_file*) {}
int RoShmUnmap(sqlite3_file*, int) {
    return SQLITE_OK;
}
int RoFetch(sqlite3_file* f, sqlite3_int64 offset, int amount, void** page) {
    const sqlite3_io_methods* methods = Real(f)->pMethods;
    if (methods->iVersion >= 3 && methods->xFetch != nullptr)
        return methods->xFetch(Real(f), offset, amount, page);
    *page = nullptr;
    return SQLITE_OK;
}
int RoUnfetch(sqlite3_file* f, sqlite3_int64 offset, void* page) {
    const sqlite3_io_methods* methods = Real(f)->pMethods;
    if (methods->iVersion >= 3 && methods->xUnfetch != nullptr)
        return methods->xUnfetch(Real(f), offset, page);
    return SQLITE_OK;
}

const sqlite3_io_methods kReadOnlyMethods = {
    3,
    RoClose,
    RoRead,
    RoWrite,
    RoTruncate,
    RoSync,
    RoFileSize,
    RoLock,
    RoUnlock,
    RoCheckReservedLock,
    RoFileControl,
    RoSectorSize,
    RoDeviceCharacteristics,
    RoShmMap,
    RoShmLock,
    RoShmBarrier,
    RoShmUnmap,
    RoFetch,
    RoUnfetch,
};

sqlite3_vfs* Below(sqlite3_vfs* vfs) {
    return static_cast<sqlite3_vfs*>(vfs->pAppData);
}

int RoOpen(sqlite3_vfs* vfs, sqlite3_filename name, sqlite3_file* file, int flags, int* outFlags) {
    auto* ours = reinterpret_cast<ReadOnlyFile*>(file);
    ours->base.pMethods = nullptr;
    ours->real = reinterpret_cast<sqlite3_file*>(ours + 1);
    // The files that belong to the database are opened for reading, never made; temporary files (in the system's
    // temporary folder) are left as SQLite asks for them.
    constexpr int kDatabaseFiles =
        SQLITE_OPEN_MAIN_DB | SQLITE_OPEN_MAIN_JOURNAL | SQLITE_OPEN_WAL | SQLITE_OPEN_SUPER_JOURNAL;
    if (flags & kDatabaseFiles)
        flags = (flags &
                 ~(SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_DELETEONCLOSE | SQLITE_OPEN_EXCLUSIVE)) |
                SQLITE_OPEN_READONLY;
    const int result = Below(vfs)->xOpen(Below(vfs), name, ours->real, flags, outFlags);
    // SQLite closes a file whose methods are set, also after a failed open.
    if (ours->real->pMethods != nullptr)
        ours->base.pMethods = &kReadOnlyMethods;
    return result;
}
int RoDelete(sqlite3_vfs*, const char*, int) {
    return SQLITE_IOERR_DELETE;
}
int RoAccess(sqlite3_vfs* vfs, const char* name, int flags, int* out) {
    return Below(vfs)->xAccess(Below(vfs), name, flags, out);
}
int RoFullPathname(sqlite3_vfs* vfs, const char* name, int size, char* out) {
    return Below(vfs)->xFullPathname(Below(vfs), name, size, out);
}
void* RoDlOpen(sqlite3_vfs* vfs, const char* name) {
    return Below(vfs)->xDlOpen(Below(vfs), name);
}
void RoDlError(sqlite3_vfs* vfs, int size, char* out) {
    Below(vfs)->xDlError(Below(vfs), size, out);
}
void (*RoDlSym(sqlite3_vfs* vfs, void* library, const char* symbol))(void) {
    return Below(vfs)->xDlSym(Below(vfs), library, symbol);
}
void RoDlClose(sqlite3_vfs* vfs, void* library) {
    Below(vfs)->xDlClose(Below(vfs), library);
}
int RoRandomness(sqlite3_vfs* vfs, int size, char* out) {
    return Below(vfs)->xRandomness(Below(vfs), size, out);
}
int RoSleep(sqlite3_vfs* vfs, int microseconds) {
    return Below(vfs)->xSleep(Below(vfs), microseconds);
}
int RoCurrentTime(sqlite3_vfs* vfs, double* now) {
    return Below(vfs)->xCurrentTime(Below(vfs), now);
}
int RoGetLastError(sqlite3_vfs* vfs, int size, char* out) {
    return Below(vfs)->xGetLastError != nullptr ? Below(vfs)->xGetLastError(Below(vfs), size, out) : 0;
}
int RoCurrentTimeInt64(sqlite3_vfs* vfs, sqlite3_int64* now) {
    return Below(vfs)->xCurrentTimeInt64(Below(vfs), now);
}

constexpr const char* kReadOnlyLayer = "tidyquill-readonly";

// Registers the read-only layer over the default one, once (after the long-path layer became the default).
void RegisterReadOnlyLayer() {
    static const bool once = [] {
        static sqlite3_vfs layer;
        sqlite3_vfs* below = sqlite3_vfs_find(nullptr);
        if (below == nullptr)
            return false;
        layer.iVersion = 2;
        layer.szOsFile = static_cast<int>(sizeof(ReadOnlyFile)) + below->szOsFile;
        layer.mxPathname = below->mxPathname;
        layer.zName = kReadOnlyLayer;
        layer.pAppData = below;
        layer.xOpen = RoOpen;
        layer.xDelete = RoDelete;
        layer.xAccess = RoAccess;
        layer.xFullPathname = RoFullPathname;
        layer.xDlOpen = RoDlOpen;
        layer.xDlError = RoDlError;
        layer.xDlSym = RoDlSym;
        layer.xDlClose = RoDlClose;
        layer.xRandomness = RoRandomness;
        layer.xSleep = RoSleep;
        layer.xCurrentTime = RoCurrentTime;
        layer.xGetLastError = RoGetLastError;
        layer.xCurrentTimeInt64 = RoCurrentTimeInt64;
        return sqlite3_vfs_register(&layer, 0) == SQLITE_OK;
    }();
    (void)once;
}

// The path as a URI for sqlite3_open_v2: every byte but letters, digits and "-._~" escaped, so that no character
// of a file name reads as part of the URI's syntax (and a path never starts an authority).
std::string FileUri(const std::string& path, bool immutable) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string uri = "file:";
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9') ||
            byte == '-' || byte == '.' || byte == '_' || byte == '~') {
            uri += c;
        } else {
            uri += '%';
            uri += kHex[byte >> 4];
            uri += kHex[byte & 0x0f];
        }
    }
    return uri + (immutable ? "?mode=ro&immutable=1" : "?mode=ro");
}

} // namespace

int Database::StopHook(void* context) {
    const auto* signals = static_cast<const Signals*>(context);
    return IsStopRequested(signals->stop) || IsStopRequested(signals->cancel) ? 1 : 0;
}

void Database::Closer::operator()(sqlite3* connection) const {
    sqlite3_close(connection);
}

DbOutcome Database::Outcome(int resultCode) {
    // Extended codes (SQLITE_BUSY_SNAPSHOT, SQLITE_CANTOPEN_ISDIR, ...) carry their primary code in the low byte.
    switch (resultCode & 0xff) {
    case SQLITE_OK:
        return DbOutcome::ok;
    case SQLITE_CANTOPEN:
        return DbOutcome::cantOpen;
    case SQLITE_BUSY:
        return DbOutcome::busy;
    case SQLITE_READONLY:
        // A read-only connection that meets the journal of a write that never finished cannot roll it back: the
        // file stays in use until its writer, or a connection that may write, does.
        return resultCode == SQLITE_READONLY_ROLLBACK ? DbOutcome::busy : DbOutcome::failed;
    case SQLITE_NOTADB:
        return DbOutcome::notADatabase;
    case SQLITE_INTERRUPT:
        return DbOutcome::interrupted;
    case SQLITE_FULL:
    case SQLITE_IOERR:
    case SQLITE_NOMEM:
        return DbOutcome::noRoom;
    default:
        return DbOutcome::failed;
    }
}

DbOutcome Database::Open(const std::string& utf8Path) {
    Close();
    sqlite3* connection = nullptr;
    // Without SQLITE_OPEN_CREATE a file that vanished since it was listed is not made anew as an empty database.
    // On Windows the verbatim path form opens a file named CON or com1.db as the file, not the device, and
    // together with the long-path file layer a path may exceed 260 characters.
    if (platform::kWindows)
        PreferLongPathFileLayer();
    const int result =
        sqlite3_open_v2(platform::FileCallPath(utf8Path).c_str(), &connection, SQLITE_OPEN_READWRITE, nullptr);
    connection_.reset(connection);
    if (result != SQLITE_OK)
        errorText_ = connection != nullptr ? sqlite3_errmsg(connection) : sqlite3_errstr(result);
    return Outcome(result);
}

DbOutcome Database::OpenReadOnly(const std::string& utf8Path) {
    Close();
    if (platform::kWindows)
        PreferLongPathFileLayer();
    RegisterReadOnlyLayer();
    // A WAL database without its log holds every committed page, and nobody is writing it (a writer keeps a log):
    // it is read as unchangeable, with no lock at all, since a connection that looks for the log would try to make
    // it. Any other file is read with the usual shared lock, which a writer's lock refuses (busy) and which ends with
    // the read.
    const platform::FileHead head = platform::ReadFileHead(utf8Path, 20);
    const bool walMode = head.bytes.size() == 20 && (head.bytes[18] == 2 || head.bytes[19] == 2);
    const bool immutable = walMode && !PathExists(utf8Path + "-wal");
    sqlite3* connection = nullptr;
    const int result = sqlite3_open_v2(FileUri(platform::FileCallPath(utf8Path), immutable).c_str(), &connection,
                                       SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, kReadOnlyLayer);
    connection_.reset(connection);
    if (result != SQLITE_OK) {
        errorText_ = connection != nullptr ? sqlite3_errmsg(connection) : sqlite3_errstr(result);
        return Outcome(result);
    }
    // Closing the last connection of a WAL database would try to copy the log into the database; a read-only one
    // cannot, but it would first lock the whole file to find out. A page cache of a few pages: the scan reads every
    // page once, and a large cache only costs the allocation of its memory (several times the scan's own time).
    sqlite3_db_config(connection, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    return Execute("PRAGMA query_only = 1; PRAGMA cache_size = 8");
}

DbOutcome Database::ScanTreePages(const StopSignal* stop, TreeLayout& layout,
                                  const std::function<void(const TreePage&)>& visit) {
    if (!connection_) {
        errorText_ = sqlite3_errstr(SQLITE_MISUSE);
        return DbOutcome::failed;
    }
    InterruptOnStop(stop);
    // One read transaction: the page size, the auto-vacuum mode and the pages are of one state of the file, and its
    // shared lock (none for an unchangeable file) ends with the scan.
    DbOutcome outcome = Execute("BEGIN");
    const auto readInteger = [&](const char* sql, std::int64_t& value) {
        sqlite3_stmt* statement = nullptr;
        int result = sqlite3_prepare_v2(connection_.get(), sql, -1, &statement, nullptr);
        if (result == SQLITE_OK) {
            result = sqlite3_step(statement);
            if (result == SQLITE_ROW) {
                value = sqlite3_column_int64(statement, 0);
                result = SQLITE_OK;
            }
        }
        sqlite3_finalize(statement);
        if (result != SQLITE_OK)
            errorText_ = sqlite3_errmsg(connection_.get());
        return Outcome(result);
    };
    std::int64_t pageSize = 0;
    std::int64_t autoVacuum = 0;
    if (outcome == DbOutcome::ok)
        outcome = readInteger("PRAGMA page_size", pageSize);
    if (outcome == DbOutcome::ok)
        outcome = readInteger("PRAGMA auto_vacuum", autoVacuum);
    layout.pageSize = static_cast<std::uint32_t>(pageSize);
    layout.autoVacuum = autoVacuum != 0;

    if (outcome == DbOutcome::ok) {
        sqlite3_stmt* prepared = nullptr;
        int result = sqlite3_prepare_v2(connection_.get(), "SELECT name, pagetype, ncell, unused, pageno FROM dbstat",
                                        -1, &prepared, nullptr);
        // Finalized however the loop ends, also by an exception out of visit.
        const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> scan(prepared, sqlite3_finalize);
        std::string tree;
        TreePage page;
        page.tree = -1;
        while (result == SQLITE_OK || result == SQLITE_ROW) {
            if ((result = sqlite3_step(scan.get())) != SQLITE_ROW)
                break;
            const auto* name = reinterpret_cast<const char*>(sqlite3_column_text(scan.get(), 0));
            const auto* kind = reinterpret_cast<const char*>(sqlite3_column_text(scan.get(), 1));
            if (name == nullptr || kind == nullptr)
                continue;
            if (page.tree < 0 || tree != name) {
                tree = name;
                ++page.tree;
            }
            // dbstat names a page that it cannot read as a tree page "corrupted" and goes on.
            page.kind = std::strcmp(kind, "leaf") == 0       ? TreePage::Kind::leaf
                        : std::strcmp(kind, "internal") == 0 ? TreePage::Kind::internal
                        : std::strcmp(kind, "overflow") == 0 ? TreePage::Kind::overflow
                                                             : TreePage::Kind::damaged;
            page.cells = static_cast<std::uint32_t>(sqlite3_column_int64(scan.get(), 2));
            page.unused = static_cast<std::uint32_t>(sqlite3_column_int64(scan.get(), 3));
            page.page = static_cast<std::uint32_t>(sqlite3_column_int64(scan.get(), 4));
            visit(page);
        }
        if (result != SQLITE_DONE) {
            errorText_ = sqlite3_errmsg(connection_.get());
            outcome = Outcome(result);
        }
    }
    // The scan is over, also when it failed: no further statement needs the hook, and the read lock goes.
    sqlite3_progress_handler(connection_.get(), 0, nullptr, nullptr);
    sqlite3_exec(connection_.get(), "ROLLBACK", nullptr, nullptr, nullptr);
    return outcome;
}

void Database::InterruptOnStop(const StopSignal* stop, const StopSignal* cancel) {
    signals_ = {stop, cancel};
    if (connection_ && (stop != nullptr || cancel != nullptr))
        sqlite3_progress_handler(connection_.get(), kStopCheckInterval, StopHook, &signals_);
}

DbOutcome Database::Execute(const char* sql) {
    if (!connection_) {
        errorText_ = sqlite3_errstr(SQLITE_MISUSE);
        return DbOutcome::failed;
    }
    char* message = nullptr;
    const int result = sqlite3_exec(connection_.get(), sql, nullptr, nullptr, &message);
    if (result != SQLITE_OK)
        errorText_ = message != nullptr ? message : sqlite3_errstr(result);
    sqlite3_free(message);
    return Outcome(result);
}

void Database::Checkpoint() {
    if (connection_)
        sqlite3_wal_checkpoint_v2(connection_.get(), nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
}

std::int64_t Database::SchemaVersion() {
    std::int64_t version = -1;
    sqlite3_stmt* statement = nullptr;
    if (connection_ &&
        sqlite3_prepare_v2(connection_.get(), "PRAGMA schema_version", -1, &statement, nullptr) == SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW)
        version = sqlite3_column_int64(statement, 0);
    sqlite3_finalize(statement);
    return version;
}

void Database::Close() {
    connection_.reset();
}

} // namespace engine
