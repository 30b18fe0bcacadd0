// A helper program that the engine tests start as another process:
//   lock <database>   holds an exclusive transaction on the database, as a running browser does;
//   hold <file>       holds the file open without sharing (Windows; elsewhere simply open);
//   hold-shared <file>  holds the file open for reading and deleting, sharing everything, as an indexer does;
//   wait              only runs (the running-program guard looks for it);
//   log <text>...     writes each text through the log channel in console mode.
// Each holding mode prints "ready" once it holds what it should, and ends when its input ends.
//
// For scripts, which cannot see the output of a program under Wine before it ends, two modes signal through a file
// instead: they create <ready-file> once they hold what they should, and end when it is deleted (or after two
// minutes, so that a script that died never leaves them behind):
//   hold-db read|write|exclusive <database> <ready-file>
//                     another program's connection: a read transaction, an uncommitted write transaction, or
//                     locking_mode=EXCLUSIVE after a write transaction (the lock is kept until the connection ends);
//   hold-file <file> <ready-file>   as hold.

#include "engine/LogOutput.h"
#include "platform/Text.h"

#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <share.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

void ReadyAndWaitForEndOfInput() {
    std::puts("ready");
    std::fflush(stdout);
    while (std::fgetc(stdin) != EOF) {
    }
}

int HoldExclusiveLock(const char* path) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path, &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK ||
        sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) != SQLITE_OK) {
        std::printf("failed: %s\n", sqlite3_errmsg(db));
        sqlite3_close(db);
        return 1;
    }
    ReadyAndWaitForEndOfInput();
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return 0;
}

// Creates the ready file and waits until the script deletes it.
void ReadyFileAndWaitForItsRemoval(const char* readyFile) {
    const std::filesystem::path ready = platform::PathFromUtf8(readyFile);
    std::ofstream(ready) << "ready\n";
    const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    std::error_code error;
    while (std::filesystem::exists(ready, error) && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

bool Run(sqlite3* db, const char* sql) {
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK)
        return true;
    std::printf("failed: %s: %s\n", sql, sqlite3_errmsg(db));
    return false;
}

int HoldDatabase(const char* how, const char* path, const char* readyFile) {
    sqlite3* db = nullptr;
    bool held = sqlite3_open_v2(path, &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK;
    if (!held)
        std::printf("failed: %s\n", sqlite3_errmsg(db));
    else if (std::strcmp(how, "read") == 0)
        // The transaction stays open after the query, and with it the read lock or the WAL snapshot.
        held = Run(db, "BEGIN") && Run(db, "SELECT count(*) FROM sqlite_schema");
    else if (std::strcmp(how, "write") == 0)
        held = Run(db, "BEGIN IMMEDIATE") && Run(db, "PRAGMA user_version = 77");
    else if (std::strcmp(how, "exclusive") == 0)
        // The mode must be set before the first access, or a WAL database keeps using shared memory.
        held = Run(db, "PRAGMA locking_mode = EXCLUSIVE") && Run(db, "BEGIN EXCLUSIVE") && Run(db, "COMMIT");
    else
        held = false;
    if (held)
        ReadyFileAndWaitForItsRemoval(readyFile);
    // An unfinished write is rolled back, so the file keeps what it held.
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return held ? 0 : 1;
}

int HoldWithoutSharing(const char* path, const char* readyFile = nullptr) {
#ifdef _WIN32
    const int fd = _wsopen(platform::Utf8ToWide(path).c_str(), _O_RDWR | _O_BINARY, _SH_DENYRW);
#else
    const int fd = open(path, O_RDWR);
#endif
    if (fd < 0) {
        std::puts("failed: cannot open");
        return 1;
    }
    if (readyFile != nullptr)
        ReadyFileAndWaitForItsRemoval(readyFile);
    else
        ReadyAndWaitForEndOfInput();
#ifdef _WIN32
    _close(fd);
#else
    close(fd);
#endif
    return 0;
}

// An indexer's or a backup program's hold: read and delete access, every kind of sharing allowed.
int HoldSharingEverything(const char* path) {
#ifdef _WIN32
    HANDLE file =
        CreateFileW(platform::Utf8ToWide(path).c_str(), GENERIC_READ | DELETE,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        std::puts("failed: cannot open");
        return 1;
    }
    ReadyAndWaitForEndOfInput();
    CloseHandle(file);
#else
    const int fd = open(path, O_RDONLY);
    if (fd < 0) {
        std::puts("failed: cannot open");
        return 1;
    }
    ReadyAndWaitForEndOfInput();
    close(fd);
#endif
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "lock") == 0)
        return HoldExclusiveLock(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "hold-shared") == 0)
        return HoldSharingEverything(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "hold") == 0)
        return HoldWithoutSharing(argv[2]);
    if (argc == 5 && std::strcmp(argv[1], "hold-db") == 0)
        return HoldDatabase(argv[2], argv[3], argv[4]);
    if (argc == 4 && std::strcmp(argv[1], "hold-file") == 0)
        return HoldWithoutSharing(argv[2], argv[3]);
    if (argc == 2 && std::strcmp(argv[1], "wait") == 0) {
        ReadyAndWaitForEndOfInput();
        return 0;
    }
    if (argc >= 2 && std::strcmp(argv[1], "log") == 0) {
        for (int i = 2; i < argc; ++i)
            GetLogOutput().Log(argv[i], 0);
        return 0;
    }
    std::puts("usage: engine_helper lock|hold <file> | wait | log <text>... | hold-db read|write|exclusive <database> "
              "<ready-file> | hold-file <file> <ready-file>");
    return 2;
}
