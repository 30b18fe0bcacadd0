#pragma once
// INI files: reading sections and values, and the parser behind it.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// Reading INI files as the system reads them. On Windows these are the system's profile functions; on Linux a
// reader of our own with the same conventions (comments, white space, CRLF, a UTF-8 byte-order mark, sections and
// keys found ignoring case, the first occurrence winning). Every call reads the file anew; nothing throws.

// The names of all sections in file order, as UTF-8. Empty when the file cannot be read.
std::vector<std::string> IniSectionNames(const std::string& path);

// The raw bytes of a value, as they stand in the file (trimmed, surrounding quotes removed); empty when the file,
// section or key is absent. The caller decides how the bytes are encoded. (On Windows, a file with a byte-order mark
// is decoded by the system itself; its values come as UTF-8.)
std::string IniValueBytes(const std::string& path, const std::string& section, const std::string& key);

// A value read as text, as the system's wide-character profile function gives it, converted to UTF-8.
std::string IniValueText(const std::string& path, const std::string& section, const std::string& key);

struct IniParsedFile;

// One reading of a whole file, for a reader that asks for many values of it: the same answers as the functions
// above gave at the moment it was taken, without looking at the file again (a file that changes meanwhile is not
// read half old, half new). An unreadable file gives empty answers.
class IniSnapshot {
public:
    explicit IniSnapshot(const std::string& path);
    std::vector<std::string> SectionNames() const;
    std::string ValueBytes(const std::string& section, const std::string& key) const;
    std::string ValueText(const std::string& section, const std::string& key) const;

private:
    std::shared_ptr<const IniParsedFile> parsed_;
};

// Decodes bytes in the system's narrow code page (Windows: the ANSI code page; Linux: Latin-1) to UTF-8.
std::string NarrowCodePageToUtf8(const std::string& bytes);

// The INI conventions shared by both systems' readers: sections in brackets, "key=value" lines, comments after ";"
// or "#", white space around names and values ignored, one pair of quotes around a whole value removed, CRLF or LF
// line ends, a UTF-8 byte-order mark before the first line ignored. Lines before the first section and lines
// without "=" carry nothing.

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

// What each system's reader gives the shared one: when a file last changed, its sections, how its names compare
// and how its values read as text. The shared reader keeps the last file parsed while its stamp stays the same, as
// the system keeps its profile files cached: reading every value of a large file would otherwise parse it once per
// value.

// What tells whether a file changed since it was parsed.
struct IniFileStamp {
    std::uint64_t volume = 0; // device and inode on Linux; 0 on Windows, where the path alone names the file
    std::uint64_t index = 0;
    std::uint64_t size = 0;
    std::int64_t modifiedSeconds = 0;
    std::int64_t modifiedNanoseconds = 0;

    bool operator==(const IniFileStamp& other) const {
        return volume == other.volume && index == other.index && size == other.size &&
               modifiedSeconds == other.modifiedSeconds && modifiedNanoseconds == other.modifiedNanoseconds;
    }
};

// The stamp of a regular file; none when there is no readable file at path (missing, a folder, ...).
std::optional<IniFileStamp> StampIniFile(const std::string& path);

// Reads and parses the whole file: its sections with names and keys as UTF-8 and values as they stand in the file;
// text tells whether those values are UTF-8 text too (a file with a byte-order mark on Windows). False when the
// file cannot be read.
bool ReadIniSections(const std::string& path, std::vector<IniSection>& sections, bool& text);

// The same key for every two names that EqualsIgnoringCase finds equal (and perhaps for a few more, which are then
// compared one by one), to look sections up in a hash table.
std::string IniNameKey(const std::string& name);

// A value as the system's wide-character profile function gives it, in UTF-8.
std::string IniValueAsText(const std::string& raw, bool fileIsText);

} // namespace platform
