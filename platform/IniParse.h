#pragma once
// The INI conventions shared by both systems' readers: sections in brackets, "key=value" lines, comments after ";"
// or "#", white space around names and values ignored, one pair of quotes around a whole value removed, CRLF or LF
// line ends, a UTF-8 byte-order mark before the first line ignored. Lines before the first section and lines
// without "=" carry nothing.

#include <cstddef>
#include <string>
#include <vector>

namespace platform {

struct IniEntry {
    std::string key;
    std::string value;
};

struct IniSection {
    std::string name;
    std::vector<IniEntry> entries;
};

// The names of the sections, in file order.
std::vector<std::string> SectionNames(const std::vector<IniSection>& sections);

// Takes a file in pieces of any size, so that an enormous file costs time in proportion to its size and memory only
// for what it holds.
class IniParser {
public:
    void Feed(const char* data, std::size_t size);
    // Parses the last line when the file does not end with a line end; answers the sections in file order.
    std::vector<IniSection>& Finish();

private:
    void ParseLine();

    std::string line_;
    bool first_ = true;
    std::vector<IniSection> sections_;
};

} // namespace platform
