#pragma once
// What the fuzz targets share: a throwaway work folder for the process, small file helpers, a capture of the log
// channel, and the check that turns a broken property into a finding. No GoogleTest here: a finding must abort, so
// that libFuzzer keeps the input that caused it.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fuzz {

// Prints what was expected and aborts.
[[noreturn]] void Fail(const std::string& what);

inline void Check(bool condition, const std::string& what) {
    if (!condition)
        Fail(what);
}

// A folder of this process under $TMPDIR (else /tmp), made on first use and removed when the process exits.
const std::string& WorkFolder();

// Creates the file and its missing parent folders, holding exactly these bytes.
void WriteBytes(const std::string& path, const std::string& bytes);
// The whole file; empty when it cannot be read.
std::string ReadBytes(const std::string& path);
void MakeFolder(const std::string& path);
void RemoveAll(const std::string& path);
bool Exists(const std::string& path);

// The input as text, with every "~" replaced by the given folder: the committed inputs cannot know the absolute
// paths of the work folder, so they name its places through this mark.
std::string ExpandHome(const std::uint8_t* data, std::size_t size, const std::string& folder);

// The text cut at each line break into at most maxParts parts (the rest stays in the last one).
std::vector<std::string> SplitLines(const std::string& text, std::size_t maxParts);

// Letters A to Z lowered, nothing else.
std::string LowerAscii(std::string text);

// Puts the log channel into window mode for its lifetime and keeps every message.
class LogLines {
public:
    LogLines();
    ~LogLines();
    LogLines(const LogLines&) = delete;
    LogLines& operator=(const LogLines&) = delete;

    // The messages so far, then forgets them.
    std::vector<std::string> Take();

private:
    std::vector<std::string> lines_;
};

} // namespace fuzz
