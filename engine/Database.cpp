#include "engine/Database.h"

#include "engine/StopSignal.h"
#include "platform/System.h"
#include "platform/Text.h"

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
