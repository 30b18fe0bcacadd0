#pragma once
// Helpers for the engine's tests: a program of their own, a progress bar that remembers, a capture of the log
// channel, and SQLite fixture files.

#include "FakeProgram.h"
#include "catalogue/Browser.h"
#include "engine/LogOutput.h"
#include "engine/ProgressBar.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

namespace testing_support {

// The engine's tests take every "*.sqlite" file of a profile folder for a database of their fake programs.
constexpr FakeProgram::Databases kEverySqliteFile = FakeProgram::Databases::EverySqliteFile;

// Remembers its range and position; calls onSetPos (when set) after each new position.
class TestProgressBar : public IProgressBar {
public:
    void SetRange(std::uint32_t upper) override { range = upper; }
    std::uint32_t GetPos() const override { return pos; }
    void SetPos(std::uint32_t newPos) override {
        pos = newPos;
        ++setPosCalls;
        if (onSetPos)
            onSetPos(newPos);
    }

    std::uint32_t range = 0;
    std::uint32_t pos = 0;
    int setPosCalls = 0;
    std::function<void(std::uint32_t)> onSetPos;
};

struct LogLine {
    std::string text;
    int bold = 0;
    bool operator==(const LogLine& other) const { return text == other.text && bold == other.bold; }
};
std::ostream& operator<<(std::ostream& out, const LogLine& line);

// Puts the log channel into window mode for its lifetime and keeps every message; back to console mode after.
class LogCapture {
public:
    // onLine, when given, is called with each message on the logging thread before Log returns.
    explicit LogCapture(std::function<void(const LogLine&)> onLine = nullptr);
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::vector<LogLine> Lines() const;
    std::vector<std::string> Texts() const;

private:
    mutable std::mutex mutex_;
    std::vector<LogLine> lines_;
    std::function<void(const LogLine&)> onLine_;
};

// Creates a database of rows x about rowBytes bytes with an index, then deletes all rows but every keepEvery-th,
// so that the file keeps its size and "VACUUM" shrinks it. keepEvery 1 deletes nothing. wal: in WAL journal mode.
void MakeDatabase(const std::string& path, int rows, int rowBytes, int keepEvery, bool wal = false);
// Like MakeDatabase in WAL mode, but the rows and the deletions stay in path + "-wal" as committed pages that were
// never copied into the database, as a program that was killed leaves them.
void MakeDatabaseWithCommittedLog(const std::string& path, int rows, int rowBytes, int keepEvery);
// Creates a small database whose index uses a collation that only its creator knew: "VACUUM" fails on it.
void MakeDatabaseWithUnknownCollation(const std::string& path);
// The number of rows of the table MakeDatabase made; -1 when the file cannot be read.
int CountRows(const std::string& path);
// What "PRAGMA integrity_check" says of a database ("ok" when sound); "cannot open" when it cannot be opened.
std::string IntegrityCheck(const std::string& path);

} // namespace testing_support
