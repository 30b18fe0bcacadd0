// A helper program that the engine tests start as another process:
//   lock <database>   holds an exclusive transaction on the database, as a running browser does;
//   hold <file>       holds the file open without sharing (Windows; elsewhere simply open);
//   wait              only runs (the running-program guard looks for it);
//   log <text>...     writes each text through the log channel in console mode.
// Each holding mode prints "ready" once it holds what it should, and ends when its input ends.

#include "engine/LogOutput.h"

#include <sqlite3.h>

#include <cstdio>
#include <cstring>
#include <string>

#ifdef _WIN32
#include "platform/WideText.h"
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

int HoldWithoutSharing(const char* path) {
#ifdef _WIN32
    const int fd = _wsopen(platform::Utf8ToWide(path).c_str(), _O_RDWR | _O_BINARY, _SH_DENYRW);
#else
    const int fd = open(path, O_RDWR);
#endif
    if (fd < 0) {
        std::puts("failed: cannot open");
        return 1;
    }
    ReadyAndWaitForEndOfInput();
#ifdef _WIN32
    _close(fd);
#else
    close(fd);
#endif
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "lock") == 0)
        return HoldExclusiveLock(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "hold") == 0)
        return HoldWithoutSharing(argv[2]);
    if (argc == 2 && std::strcmp(argv[1], "wait") == 0) {
        ReadyAndWaitForEndOfInput();
        return 0;
    }
    if (argc >= 2 && std::strcmp(argv[1], "log") == 0) {
        for (int i = 2; i < argc; ++i)
            GetLogOutput().Log(argv[i], 0);
        return 0;
    }
    std::puts("usage: engine_helper lock|hold <file> | wait | log <text>...");
    return 2;
}
