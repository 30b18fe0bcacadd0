#include "BenchSupport.h"

#include <sqlite3.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

extern char** environ;

namespace fs = std::filesystem;

namespace bench {

double Megabytes(std::uint64_t bytes) {
    return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

bool SameBytes(const std::string& a, const std::string& b) {
    std::ifstream left(a, std::ios::binary);
    std::ifstream right(b, std::ios::binary);
    return left && right &&
           std::equal(std::istreambuf_iterator<char>(left), std::istreambuf_iterator<char>(),
                      std::istreambuf_iterator<char>(right), std::istreambuf_iterator<char>());
}

void CopyFile(const std::string& from, const std::string& to) {
    fs::copy_file(from, to, fs::copy_options::overwrite_existing);
    const int fd = open(to.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
    sync();
}

bool MakeFragmentedDatabase(const std::string& path, double sizeMb) {
    fs::remove(path);
    sqlite3* db = nullptr;
    // A row takes about 1210 bytes with its index entry and its share of the pages.
    const long long rows = std::max(1LL, static_cast<long long>(sizeMb * 1048576.0 / 1210.0));
    const std::string sql =
        "PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF;"
        "CREATE TABLE t(id INTEGER PRIMARY KEY, a TEXT, b BLOB); CREATE INDEX t_a ON t(a);"
        "WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < " +
        std::to_string(rows) +
        ") INSERT INTO t(a, b) SELECT hex(randomblob(16)), randomblob(abs(random()) % 1500 + 200) FROM n;"
        "DELETE FROM t WHERE abs(random()) % 4 <> 0;";
    char* message = nullptr;
    const bool made = sqlite3_open(path.c_str(), &db) == SQLITE_OK &&
                      sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) == SQLITE_OK;
    if (!made)
        std::fprintf(stderr, "cannot make %s: %s\n", path.c_str(), message != nullptr ? message : "?");
    sqlite3_free(message);
    sqlite3_close(db);
    return made;
}

ChildRun RunChild(const std::vector<std::string>& command) {
    std::vector<char*> argv;
    for (const std::string& part : command)
        argv.push_back(const_cast<char*>(part.c_str()));
    argv.push_back(nullptr);
    ChildRun run;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        std::fprintf(stderr, "cannot start %s\n", argv[0]);
        return run;
    }
    int status = 0;
    rusage usage = {};
    if (wait4(pid, &status, 0, &usage) != pid)
        return run;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                     static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    run.peakMb = static_cast<double>(usage.ru_maxrss) / 1024.0; // ru_maxrss is in kilobytes
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

std::string SelfPath() {
    return fs::read_symlink("/proc/self/exe").string();
}

std::string MakeWorkFolder(const std::string& prefix) {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/" + prefix + "-XXXXXX";
    return mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
}

double Best(const std::vector<double>& values) {
    return *std::min_element(values.begin(), values.end());
}

} // namespace bench
