#include "EngineTestSupport.h"

#include "TestSupport.h"
#include "platform/System.h"
#include "platform/Text.h"
#include "support/FolderHelpers.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <filesystem>

namespace testing_support {

std::ostream& operator<<(std::ostream& out, const LogLine& line) {
    return out << '{' << line.bold << ", \"" << line.text << "\"}";
}

LogCapture::LogCapture(std::function<void(const LogLine&)> onLine) : onLine_(std::move(onLine)) {
    GetLogOutput().SetWindowSink([this](const std::string& text, int bold) {
        const LogLine line{text, bold};
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            lines_.push_back(line);
        }
        if (onLine_)
            onLine_(line);
    });
}

LogCapture::~LogCapture() {
    GetLogOutput().SetWindowSink(nullptr);
}

std::vector<LogLine> LogCapture::Lines() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return lines_;
}

std::vector<std::string> LogCapture::Texts() const {
    std::vector<std::string> texts;
    for (const LogLine& line : Lines())
        texts.push_back(line.text);
    return texts;
}

namespace {

// A connection for making fixtures; unlike the engine's, it creates the file.
class FixtureDb {
public:
    explicit FixtureDb(const std::string& path) {
        if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK)
            ADD_FAILURE() << "cannot create " << path << ": " << sqlite3_errmsg(db_);
    }
    ~FixtureDb() { sqlite3_close(db_); }
    FixtureDb(const FixtureDb&) = delete;
    FixtureDb& operator=(const FixtureDb&) = delete;

    void Run(const std::string& sql) {
        char* message = nullptr;
        if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK)
            ADD_FAILURE() << sql << ": " << (message != nullptr ? message : "?");
        sqlite3_free(message);
    }
    sqlite3* get() const { return db_; }

private:
    sqlite3* db_ = nullptr;
};

int ReverseCompare(void*, int leftLength, const void* left, int rightLength, const void* right) {
    const std::string a(static_cast<const char*>(left), static_cast<std::size_t>(leftLength));
    const std::string b(static_cast<const char*>(right), static_cast<std::size_t>(rightLength));
    return b.compare(a);
}

// Creates table t with an index and fills it with rows of random text and blobs, of which every keepEvery-th is
// kept; afterSchema runs between the creation and the filling.
void FillTable(FixtureDb& db, int rows, int rowBytes, int keepEvery, const std::string& afterSchema = {}) {
    db.Run("CREATE TABLE t(id INTEGER PRIMARY KEY, a TEXT, b BLOB); CREATE INDEX t_a ON t(a);" + afterSchema +
           "BEGIN;"
           "WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < " +
           std::to_string(rows) + ") INSERT INTO t(a, b) SELECT hex(randomblob(16)), randomblob(" +
           std::to_string(rowBytes) +
           ") FROM n;"
           "COMMIT;");
    if (keepEvery > 1)
        db.Run("DELETE FROM t WHERE id % " + std::to_string(keepEvery) + " <> 0");
}

} // namespace

void MakeDatabase(const std::string& path, int rows, int rowBytes, int keepEvery, bool wal) {
    FixtureDb db(path);
    if (wal)
        db.Run("PRAGMA journal_mode = WAL");
    FillTable(db, rows, rowBytes, keepEvery);
}

void MakeDatabaseWithCommittedLog(const std::string& path, int rows, int rowBytes, int keepEvery) {
    // The pair of files is copied while the connection that wrote them is still open: closing it would copy the
    // log into the database.
    const std::string making = path + ".making";
    {
        FixtureDb db(making);
        FillTable(db, rows, rowBytes, keepEvery, "PRAGMA journal_mode = WAL; PRAGMA wal_autocheckpoint = 0;");
        WriteFile(path, ReadFile(making));
        WriteFile(path + "-wal", ReadFile(making + "-wal"));
    }
    for (const char* suffix : {"", "-wal", "-shm"})
        std::filesystem::remove(platform::PathFromUtf8(making + suffix));
}

void MakeDatabaseWithUnknownCollation(const std::string& path) {
    FixtureDb db(path);
    sqlite3_create_collation(db.get(), "reverse", SQLITE_UTF8, nullptr, ReverseCompare);
    db.Run("CREATE TABLE t(id INTEGER PRIMARY KEY, a TEXT, b BLOB); CREATE INDEX t_a ON t(a COLLATE reverse);"
           "INSERT INTO t(a, b) VALUES ('one', randomblob(3000)), ('two', randomblob(3000));"
           "DELETE FROM t WHERE id = 1;");
}

int CountRows(const std::string& path) {
    sqlite3* db = nullptr;
    int rows = -1;
    sqlite3_stmt* statement = nullptr;
    // As the compaction opens files: names such as CON and paths beyond 260 characters are files on Windows too.
    if (sqlite3_open_v2(platform::FileCallPath(path).c_str(), &db, SQLITE_OPEN_READONLY,
                        platform::kWindows ? "win32-longpath" : nullptr) == SQLITE_OK &&
        sqlite3_prepare_v2(db, "SELECT count(*) FROM t", -1, &statement, nullptr) == SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW)
        rows = sqlite3_column_int(statement, 0);
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return rows;
}

std::string IntegrityCheck(const std::string& path) {
    sqlite3* db = nullptr;
    sqlite3_stmt* statement = nullptr;
    std::string answer = "cannot open";
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
        sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &statement, nullptr) == SQLITE_OK) {
        answer.clear();
        while (sqlite3_step(statement) == SQLITE_ROW)
            answer += reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return answer;
}

} // namespace testing_support
