#include "BloatedDatabases.h"

#include "platform/Text.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

namespace testing_support {

namespace {

// A connection that makes a fixture file; every failure is remembered and printed once.
class Maker {
public:
    explicit Maker(const std::string& path) : path_(path) {
        std::error_code error;
        std::filesystem::remove(platform::PathFromUtf8(path), error);
        if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK)
            Fail("open");
    }
    ~Maker() { sqlite3_close(db_); }
    Maker(const Maker&) = delete;
    Maker& operator=(const Maker&) = delete;

    void Run(const std::string& sql) {
        if (ok_ && sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
            Fail(sql);
    }

    // Inserts rows with one statement; bind fills in row i's values.
    template <typename Bind> void Insert(const std::string& sql, int rows, Bind bind) {
        sqlite3_stmt* statement = nullptr;
        if (!ok_ || sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
            Fail(sql);
            return;
        }
        Run("BEGIN");
        for (int i = 0; i < rows && ok_; ++i) {
            bind(statement, i);
            if (sqlite3_step(statement) != SQLITE_DONE)
                Fail(sql);
            sqlite3_reset(statement);
        }
        sqlite3_finalize(statement);
        Run("COMMIT");
    }

    // Deletes about percent in a hundred rows of table, chosen by the round, the same on every run.
    void DeleteSome(const std::string& table, int percent, int round) {
        Run("DELETE FROM " + table + " WHERE (id * 2654435761 + " + std::to_string(round * 7919) + ") % 100 < " +
            std::to_string(percent));
    }

    // Leaves the write-ahead log as it is when the connection closes: its committed pages stay in it.
    void KeepLogOnClose() { sqlite3_db_config(db_, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr); }

    bool Ok() const { return ok_; }

private:
    void Fail(const std::string& what) {
        if (ok_)
            std::fprintf(stderr, "cannot make %s: %s: %s\n", path_.c_str(), what.c_str(),
                         db_ != nullptr ? sqlite3_errmsg(db_) : "?");
        ok_ = false;
    }

    std::string path_;
    sqlite3* db_ = nullptr;
    bool ok_ = true;
};

class Random {
public:
    explicit Random(unsigned start) : engine_(start) {}
    int Between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(engine_); }
    std::string Text(int length) {
        static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789/.-_";
        std::string text(static_cast<std::size_t>(length), ' ');
        for (char& c : text)
            c = kLetters[Between(0, static_cast<int>(sizeof(kLetters)) - 2)];
        return text;
    }
    std::string Bytes(int length) {
        std::string bytes(static_cast<std::size_t>(length), '\0');
        for (char& c : bytes)
            c = static_cast<char>(Between(0, 255));
        return bytes;
    }
    std::int64_t Large() { return std::uniform_int_distribution<std::int64_t>(0, std::int64_t(1) << 50)(engine_); }

private:
    std::mt19937 engine_;
};

void BindText(sqlite3_stmt* statement, int index, const std::string& text) {
    sqlite3_bind_text(statement, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

void BindBlob(sqlite3_stmt* statement, int index, const std::string& bytes) {
    sqlite3_bind_blob(statement, index, bytes.data(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
}

int Scaled(double scale, int count) {
    return std::max(1, static_cast<int>(count * scale));
}

// Browsing history: pages with four indexes and their visits with two, added and then mostly expired, round after
// round. 32 KB pages in WAL mode, closed cleanly (the log was copied back and removed).
void MakeHistory(Maker& db, Random& random, double scale, int rounds) {
    db.Run("PRAGMA page_size = 32768; PRAGMA journal_mode = WAL;"
           "CREATE TABLE places(id INTEGER PRIMARY KEY, url TEXT, title TEXT, host TEXT, visits INTEGER, "
           "frecency INTEGER, last_visit INTEGER, guid TEXT, url_hash INTEGER);"
           "CREATE INDEX places_url_hash ON places(url_hash); CREATE INDEX places_host ON places(host);"
           "CREATE INDEX places_frecency ON places(frecency); CREATE UNIQUE INDEX places_guid ON places(guid);"
           "CREATE TABLE visits(id INTEGER PRIMARY KEY, from_visit INTEGER, place INTEGER, date INTEGER, "
           "type INTEGER);"
           "CREATE INDEX visits_place ON visits(place, date); CREATE INDEX visits_date ON visits(date);");
    for (int round = 0; round < rounds; ++round) {
        db.Insert("INSERT INTO places(url, title, host, visits, frecency, last_visit, guid, url_hash) "
                  "VALUES (?, ?, ?, ?, ?, ?, ?, ?)",
                  Scaled(scale, 500), [&](sqlite3_stmt* s, int) {
                      BindText(s, 1, "https://" + random.Text(random.Between(20, 140)));
                      BindText(s, 2, random.Text(random.Between(0, 80)));
                      BindText(s, 3, random.Text(15));
                      sqlite3_bind_int(s, 4, random.Between(1, 50));
                      sqlite3_bind_int(s, 5, random.Between(0, 10000));
                      sqlite3_bind_int64(s, 6, random.Large());
                      BindText(s, 7, random.Text(12));
                      sqlite3_bind_int64(s, 8, random.Large());
                  });
        db.Insert("INSERT INTO visits(from_visit, place, date, type) VALUES (0, ?, ?, 1)", Scaled(scale, 1200),
                  [&](sqlite3_stmt* s, int) {
                      sqlite3_bind_int(s, 1, random.Between(1, 500 * (round + 1)));
                      sqlite3_bind_int64(s, 2, random.Large());
                  });
        db.DeleteSome("places", 55, round);
        db.DeleteSome("visits", 60, round);
    }
}

// Icons and thumbnails: blobs from a few hundred bytes (a leaf cell of their own) to many kilobytes (overflow
// pages), most of them replaced over time.
void MakeBlobs(Maker& db, Random& random, double scale, int rounds, int count, int smallest, int largest) {
    db.Run("CREATE TABLE icons(id INTEGER PRIMARY KEY, url TEXT, width INTEGER, data BLOB, expires INTEGER);"
           "CREATE INDEX icons_url ON icons(url);");
    for (int round = 0; round < rounds; ++round) {
        db.Insert("INSERT INTO icons(url, width, data, expires) VALUES (?, 16, ?, ?)", Scaled(scale, count),
                  [&](sqlite3_stmt* s, int i) {
                      BindText(s, 1, "https://" + random.Text(random.Between(20, 90)));
                      // A third small, a third middling, a third large.
                      const int third = (largest - smallest) / 3;
                      const int low = smallest + (i % 3) * third;
                      BindBlob(s, 2, random.Bytes(random.Between(low, low + third)));
                      sqlite3_bind_int64(s, 3, random.Large());
                  });
        db.DeleteSome("icons", 60, round);
    }
}

// Cookies: small rows under a unique index, most expiring every round.
void MakeCookies(Maker& db, Random& random, double scale, int rounds, int count) {
    db.Run("CREATE TABLE cookies(id INTEGER PRIMARY KEY, host TEXT, name TEXT, value TEXT, path TEXT, "
           "expiry INTEGER); CREATE UNIQUE INDEX cookies_key ON cookies(name, host, path);");
    for (int round = 0; round < rounds; ++round) {
        db.Insert("INSERT INTO cookies(host, name, value, path, expiry) VALUES (?, ?, ?, '/', ?)", Scaled(scale, count),
                  [&](sqlite3_stmt* s, int i) {
                      BindText(s, 1, random.Text(15));
                      BindText(s, 2, random.Text(8) + std::to_string(round) + "." + std::to_string(i));
                      BindText(s, 3, random.Text(random.Between(10, 300)));
                      sqlite3_bind_int64(s, 4, random.Large());
                  });
        db.DeleteSome("cookies", 70, round);
    }
}

// Overwrites the page at number (counted from 1) with bytes that are no page of any kind.
bool DamagePage(const std::string& path, int pageSize, int number) {
    std::fstream file(platform::PathFromUtf8(path), std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(static_cast<std::streamoff>(pageSize) * (number - 1));
    Random random(static_cast<unsigned>(number));
    const std::string garbage = random.Bytes(pageSize);
    file.write(garbage.data(), pageSize);
    return static_cast<bool>(file);
}

} // namespace

std::vector<std::string> MakeBloatedDatabases(const std::string& folder, double scale) {
    const std::string base = folder + (folder.empty() || folder.back() == '/' || folder.back() == '\\' ? "" : "/");
    Random random(20240601);
    bool ok = true;
    const auto make = [&](const std::string& name, auto fill) {
        Maker db(base + name);
        fill(db);
        ok = ok && db.Ok();
    };

    make("history.sqlite", [&](Maker& db) { MakeHistory(db, random, scale, 5); });
    make("favicons.sqlite", [&](Maker& db) { MakeBlobs(db, random, scale, 4, 60, 200, 12000); });
    make("thumbnails.sqlite", [&](Maker& db) {
        db.Run("PRAGMA page_size = 65536");
        MakeBlobs(db, random, scale, 3, 25, 2000, 40000);
    });
    make("cookies.sqlite", [&](Maker& db) {
        db.Run("PRAGMA auto_vacuum = INCREMENTAL");
        MakeCookies(db, random, scale, 6, 400);
    });
    // Two programs killed before they copied their logs back: one left its shared-memory file, one lost it. The
    // log was copied back every thousand pages, as SQLite does by default; what came after is only in the log.
    for (const char* name : {"sessions.sqlite", "formhistory.sqlite"}) {
        make(name, [&](Maker& db) {
            db.Run("PRAGMA journal_mode = WAL");
            MakeCookies(db, random, scale, 4, 300);
            db.KeepLogOnClose();
        });
    }
    std::error_code error;
    std::filesystem::remove(platform::PathFromUtf8(base + "formhistory.sqlite-shm"), error);
    make("settings.sqlite", [&](Maker& db) {
        MakeCookies(db, random, scale, 1, 300);
        db.Run("VACUUM");
    });
    { std::ofstream empty(platform::PathFromUtf8(base + "empty.sqlite"), std::ios::binary); }
    make("damaged.sqlite", [&](Maker& db) { MakeCookies(db, random, scale, 3, 300); });
    // Page 2 is the root of the first table.
    ok = ok && DamagePage(base + "damaged.sqlite", 4096, 2);
    if (!ok)
        return {};
    return {"history.sqlite",     "favicons.sqlite", "thumbnails.sqlite", "cookies.sqlite", "sessions.sqlite",
            "formhistory.sqlite", "settings.sqlite", "empty.sqlite",      "damaged.sqlite"};
}

} // namespace testing_support
