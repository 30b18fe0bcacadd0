// The SQLite header test on arbitrary file contents. The input becomes History, a name without extension as
// Chromium-family programs use, and places.sqlite; beside them lie its first 15 bytes as short, and folders named
// Cookies and x.sqlite. Checked on every input:
// - IsSqliteFile accepts exactly the files that start with the 16 header bytes, never a shorter file or a folder;
// - with an empty mask EnumerateDatabaseFiles lists exactly those files; with "*.sqlite" it lists everything of
//   that name but an empty file (so that the compaction can say what is no database): the folder x.sqlite, and
//   places.sqlite unless the input is empty;
// - nothing in the folder is changed by looking.

#include "FuzzSupport.h"

#include "catalogue/Browser.h"

#include <algorithm>
#include <cstring>

using fuzz::Check;

namespace {

using Paths = std::vector<std::string>;

Paths Sorted(Paths paths) {
    std::sort(paths.begin(), paths.end());
    return paths;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string folder = fuzz::WorkFolder() + "/Default";
    static const bool made = [] {
        fuzz::MakeFolder(folder + "/Cookies");
        fuzz::MakeFolder(folder + "/x.sqlite");
        return true;
    }();
    (void)made;
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::string history = folder + "/History";
    const std::string places = folder + "/places.sqlite";
    const std::string shortFile = folder + "/short";
    fuzz::WriteBytes(history, input);
    fuzz::WriteBytes(places, input);
    fuzz::WriteBytes(shortFile, input.substr(0, 15));

    const bool header = size >= 16 && std::memcmp(data, "SQLite format 3", 16) == 0;
    Check(IsSqliteFile(history) == header, "the header test disagrees with the first 16 bytes");
    Check(!IsSqliteFile(shortFile), "a file shorter than the header passed the header test");
    Check(!IsSqliteFile(folder + "/Cookies"), "a folder passed the header test");
    Check(!IsSqliteFile(folder + "/missing"), "a missing file passed the header test");

    const Paths expected = header ? Paths{history, places} : Paths{};
    Check(Sorted(EnumerateDatabaseFiles(folder, "")) == expected, "the header test's listing is wrong");
    const Paths byName = size > 0 ? Paths{places, folder + "/x.sqlite"} : Paths{folder + "/x.sqlite"};
    Check(Sorted(EnumerateDatabaseFiles(folder, "*.sqlite")) == Sorted(byName), "the mask's listing is wrong");
    Check(fuzz::ReadBytes(history) == input && fuzz::ReadBytes(places) == input, "looking changed a file");
    return 0;
}
