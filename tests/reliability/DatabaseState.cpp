#include "DatabaseState.h"

#include "platform/System.h"
#include "platform/Text.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace fs = std::filesystem;

namespace reliability {

namespace {

// FNV-1a, 64 bits: enough to tell two databases apart, and the same in both builds.
class Hash {
public:
    void Add(const void* data, std::size_t size) {
        const auto* bytes = static_cast<const unsigned char*>(data);
        for (std::size_t i = 0; i < size; ++i) {
            value_ ^= bytes[i];
            value_ *= 0x100000001b3ULL;
        }
    }
    void AddNumber(std::uint64_t number) {
        unsigned char bytes[8];
        for (int i = 0; i < 8; ++i)
            bytes[i] = static_cast<unsigned char>(number >> (8 * i));
        Add(bytes, sizeof(bytes));
    }
    // Length first, so that two texts never hash like their concatenation.
    void AddSized(const void* data, std::size_t size) {
        AddNumber(size);
        Add(data, size);
    }
    std::uint64_t Value() const { return value_; }

private:
    std::uint64_t value_ = 0xcbf29ce484222325ULL;
};

class Connection {
public:
    Connection(const std::string& path, int flags) {
        if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
            error_ = db_ != nullptr ? sqlite3_errmsg(db_) : "out of memory";
            sqlite3_close(db_);
            db_ = nullptr;
        }
    }
    ~Connection() { sqlite3_close(db_); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    bool Ok() const { return db_ != nullptr && error_.empty(); }
    const std::string& Error() const { return error_; }
    sqlite3* Get() const { return db_; }

    bool Run(const std::string& sql) {
        if (!Ok())
            return false;
        char* message = nullptr;
        if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
            error_ = sql.substr(0, 60) + ": " + (message != nullptr ? message : "?");
            sqlite3_free(message);
            return false;
        }
        return true;
    }

    // The first column of the first row as text; empty when there is none or the query fails.
    std::string Text(const std::string& sql) {
        std::string text;
        sqlite3_stmt* statement = nullptr;
        if (Ok() && sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK) {
            const int step = sqlite3_step(statement);
            if (step == SQLITE_ROW && sqlite3_column_text(statement, 0) != nullptr)
                text = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
            else if (step != SQLITE_ROW && step != SQLITE_DONE)
                error_ = sql.substr(0, 60) + ": " + sqlite3_errmsg(db_);
        } else if (Ok()) {
            error_ = sql.substr(0, 60) + ": " + sqlite3_errmsg(db_);
        }
        sqlite3_finalize(statement);
        return text;
    }
    std::int64_t Number(const std::string& sql) { return std::strtoll(Text(sql).c_str(), nullptr, 10); }

private:
    sqlite3* db_ = nullptr;
    std::string error_;
};

// Hashes every row the query gives, column by column with the value's type.
bool HashRows(sqlite3* db, const std::string& sql, Hash& hash) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK)
        return false;
    int step;
    while ((step = sqlite3_step(statement)) == SQLITE_ROW) {
        const int columns = sqlite3_column_count(statement);
        hash.AddNumber(static_cast<std::uint64_t>(columns));
        for (int i = 0; i < columns; ++i) {
            const int type = sqlite3_column_type(statement, i);
            hash.AddNumber(static_cast<std::uint64_t>(type));
            switch (type) {
            case SQLITE_INTEGER:
                hash.AddNumber(static_cast<std::uint64_t>(sqlite3_column_int64(statement, i)));
                break;
            case SQLITE_FLOAT: {
                const double number = sqlite3_column_double(statement, i);
                std::uint64_t bits = 0;
                std::memcpy(&bits, &number, sizeof(bits));
                hash.AddNumber(bits);
                break;
            }
            case SQLITE_TEXT:
            case SQLITE_BLOB: {
                const void* data = sqlite3_column_blob(statement, i);
                hash.AddSized(data, static_cast<std::size_t>(sqlite3_column_bytes(statement, i)));
                break;
            }
            default:
                break;
            }
        }
    }
    sqlite3_finalize(statement);
    return step == SQLITE_DONE;
}

std::string Quote(const std::string& name) {
    std::string quoted = "\"";
    for (const char c : name)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

} // namespace

bool DatabaseState::SameContent(const DatabaseState& other) const {
    return Readable() && other.Readable() && content == other.content && userVersion == other.userVersion &&
           applicationId == other.applicationId;
}

std::string DatabaseState::Describe() const {
    if (!Readable())
        return "unreadable: " + error;
    std::ostringstream text;
    text << "integrity " << integrity << ", content " << std::hex << content << std::dec << ", user_version "
         << userVersion << ", application_id " << applicationId << ", " << pageCount << " pages, journal "
         << journalMode;
    return text.str();
}

DatabaseState ReadDatabaseState(const std::string& path) {
    DatabaseState state;
    Connection db(path, SQLITE_OPEN_READWRITE);
    if (!db.Ok()) {
        state.error = db.Error();
        return state;
    }
    // The first read takes the locks and recovers what a killed writer left.
    state.integrity = db.Text("PRAGMA integrity_check");
    state.userVersion = db.Number("PRAGMA user_version");
    state.applicationId = db.Number("PRAGMA application_id");
    state.pageCount = db.Number("PRAGMA page_count");
    state.journalMode = db.Text("PRAGMA journal_mode");

    Hash hash;
    std::vector<std::string> tables;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db.Get(), "SELECT type, name, tbl_name, sql FROM sqlite_schema ORDER BY type, name", -1,
                           &statement, nullptr) == SQLITE_OK) {
        while (sqlite3_step(statement) == SQLITE_ROW) {
            for (int i = 0; i < 4; ++i) {
                const void* text = sqlite3_column_text(statement, i);
                hash.AddSized(text, static_cast<std::size_t>(sqlite3_column_bytes(statement, i)));
            }
            if (std::strcmp(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)), "table") == 0)
                tables.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(statement, 1)));
        }
    }
    sqlite3_finalize(statement);
    for (const std::string& table : tables) {
        hash.AddSized(table.data(), table.size());
        // A table WITHOUT ROWID has no rowid; a plain scan gives its rows in primary-key order.
        if (!HashRows(db.Get(), "SELECT * FROM " + Quote(table) + " ORDER BY rowid", hash) &&
            !HashRows(db.Get(), "SELECT * FROM " + Quote(table), hash))
            state.error = "cannot read table " + table + ": " + sqlite3_errmsg(db.Get());
    }
    state.content = hash.Value();
    if (state.error.empty() && !db.Error().empty())
        state.error = db.Error();
    return state;
}

std::uint64_t FileHash(const std::string& path) {
    std::ifstream in(platform::PathFromUtf8(path), std::ios::binary);
    if (!in)
        return 0;
    Hash hash;
    std::vector<char> buffer(1 << 20);
    while (in) {
        in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        hash.Add(buffer.data(), static_cast<std::size_t>(in.gcount()));
    }
    return hash.Value();
}

std::string MakeFragmentedDatabase(const std::string& path, const FixtureDatabase& how) {
    RemoveAll(path);
    Connection db(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    const std::string keep = std::to_string(how.keepOneRowIn);
    bool ok = db.Run(how.wal ? "PRAGMA journal_mode = WAL" : "PRAGMA journal_mode = DELETE") &&
              db.Run("PRAGMA user_version = " + std::to_string(how.userVersion)) &&
              db.Run("PRAGMA application_id = " + std::to_string(how.applicationId)) &&
              db.Run("CREATE TABLE moz_places (id INTEGER PRIMARY KEY, url TEXT NOT NULL, title TEXT, visits INTEGER, "
                     "frecency REAL);"
                     "CREATE INDEX moz_places_url ON moz_places (url);"
                     "CREATE INDEX moz_places_frecency ON moz_places (frecency, visits);"
                     "CREATE TABLE moz_annos (id INTEGER PRIMARY KEY AUTOINCREMENT, place INTEGER, content BLOB);"
                     "CREATE TABLE moz_meta (key TEXT PRIMARY KEY, value BLOB) WITHOUT ROWID;");
    // Turns of a few hundred rows per table until the file is large enough.
    while (ok && db.Number("PRAGMA page_count") * db.Number("PRAGMA page_size") < how.bytes) {
        ok = db.Run("BEGIN;"
                    "WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < 1500) "
                    "INSERT INTO moz_places (url, title, visits, frecency) SELECT "
                    "'https://example.org/' || hex(randomblob(12)) || '/' || x, "
                    "CASE WHEN x % 5 = 0 THEN NULL ELSE hex(randomblob(abs(random()) % 60)) END, "
                    "abs(random()) % 1000, random() / 1.0e9 FROM n;"
                    "WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < 300) "
                    "INSERT INTO moz_annos (place, content) SELECT abs(random()) % 100000, "
                    "CASE WHEN x % 9 = 0 THEN NULL ELSE randomblob(100 + abs(random()) % 7000) END FROM n;"
                    "WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < 200) "
                    "INSERT OR REPLACE INTO moz_meta (key, value) SELECT hex(randomblob(10)), "
                    "randomblob(abs(random()) % 300) FROM n;"
                    "COMMIT;");
    }
    ok = ok && db.Run("BEGIN;"
                      "DELETE FROM moz_places WHERE abs(random()) % " +
                      keep +
                      " <> 0;"
                      "DELETE FROM moz_annos WHERE abs(random()) % " +
                      keep +
                      " <> 0;"
                      "DELETE FROM moz_meta WHERE abs(random()) % " +
                      keep +
                      " <> 0;"
                      "COMMIT;");
    return ok ? std::string() : db.Error();
}

std::int64_t CompactedPageCount(const std::string& path, const std::string& scratchFolder, std::string& error) {
    const std::string copy = JoinPath(scratchFolder, "compacted.sqlite");
    RemoveAll(copy);
    if (!CopyFileOver(path, copy)) {
        error = "cannot copy " + path;
        return -1;
    }
    std::int64_t pages = -1;
    {
        Connection db(copy, SQLITE_OPEN_READWRITE);
        if (db.Run("VACUUM"))
            pages = db.Number("PRAGMA page_count");
        if (!db.Error().empty())
            error = db.Error();
    }
    for (const char* suffix : {"", "-journal", "-wal", "-shm"})
        RemoveAll(copy + suffix);
    return error.empty() ? pages : -1;
}

bool CopyFileOver(const std::string& from, const std::string& to) {
    std::error_code error;
    return fs::copy_file(platform::PathFromUtf8(from), platform::PathFromUtf8(to), fs::copy_options::overwrite_existing,
                         error);
}

bool FileExists(const std::string& path) {
    std::error_code error;
    return fs::exists(platform::PathFromUtf8(path), error);
}

std::int64_t FileSize(const std::string& path) {
    std::error_code error;
    const auto size = fs::file_size(platform::PathFromUtf8(path), error);
    return error ? -1 : static_cast<std::int64_t>(size);
}

void RemoveAll(const std::string& path) {
    std::error_code error;
    fs::remove_all(platform::PathFromUtf8(path), error);
}

bool MakeFolders(const std::string& path) {
    std::error_code error;
    fs::create_directories(platform::PathFromUtf8(path), error);
    return fs::is_directory(platform::PathFromUtf8(path), error);
}

std::vector<std::string> FolderNames(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(platform::PathFromUtf8(folder), error))
        names.push_back(platform::PathToUtf8(entry.path().filename()));
    std::sort(names.begin(), names.end());
    return names;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty() || platform::IsPathSeparator(folder.back()))
        return folder + name;
    return folder + platform::kPathSeparator + name;
}

bool WriteTextFile(const std::string& path, const std::string& text) {
    std::ofstream out(platform::PathFromUtf8(path), std::ios::binary | std::ios::trunc);
    out << text;
    return static_cast<bool>(out.flush());
}

std::string ReadTextFile(const std::string& path) {
    std::ifstream in(platform::PathFromUtf8(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace reliability
