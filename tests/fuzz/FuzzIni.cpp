// The INI reader on arbitrary files: the three CIni operations on the file, then the profile search of a Firefox
// whose profiles.ini it is. Checked on every input:
// - every answer comes from this file: section names and raw values are pieces of it, no name or value spans a
//   line, a value has no blanks at its ends, and there are no more sections than "[" characters;
// - GetString gives the bytes themselves when they are UTF-8 already, and otherwise UTF-8 on Windows and the bytes
//   as they stand on Linux, where file names are bytes;
// - section and key names are looked up ignoring letter case;
// - GetBool agrees with the C library's reading of the same text (true, yes, or a leading number other than 0);
// - the profile search adds one profile per section whose name starts with "Profile", in file order, named as the
//   section says, its path ending with a separator unless it is empty.

#include "FuzzSupport.h"

#include "platform/System.h"

#include "catalogue/Ini.h"
#include "catalogue/MozillaPrograms.h"
#include "platform/IniFile.h"
#include "platform/Text.h"

#include <algorithm>
#include <cstdlib>

using fuzz::Check;

namespace {

constexpr std::size_t kMaxSections = 16;
constexpr std::size_t kMaxKeys = 16;

struct Fixture {
    Fixture() {
        folders.home = fuzz::WorkFolder() + "/home";
        folders.config = folders.home + "/.config";
        firefoxFolder = folders.home + "/.mozilla/firefox/";
        fuzz::MakeFolder(firefoxFolder);
        fuzz::MakeFolder(folders.config);
    }
    platform::KnownFolders folders;
    std::string firefoxFolder;
};

std::string UpperAscii(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

bool IsBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// The key names that lines of the file carry (the text before "="), plus the ones the profile search asks for.
std::vector<std::string> CandidateKeys(const std::string& input) {
    std::vector<std::string> keys{"Path", "Name", "IsRelative", "Default", ""};
    for (const std::string& line : fuzz::SplitLines(input, 4096)) {
        if (keys.size() >= kMaxKeys)
            break;
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        std::size_t begin = 0, end = equals;
        while (begin < end && IsBlank(line[begin]))
            ++begin;
        while (end > begin && IsBlank(line[end - 1]))
            --end;
        const std::string key = line.substr(begin, end - begin);
        if (std::find(keys.begin(), keys.end(), key) == keys.end())
            keys.push_back(key);
    }
    return keys;
}

// What the C library makes of the first 64 characters of a value.
bool ReferenceBool(const std::string& utf8) {
    const std::u32string characters = platform::DecodeUtf8Lenient(utf8);
    std::string first;
    for (std::size_t i = 0; i < characters.size() && i < 64; ++i)
        platform::AppendUtf8(first, characters[i]);
    if (first.empty())
        return false;
    const std::string lower = fuzz::LowerAscii(first);
    return lower == "true" || lower == "yes" || std::strtol(first.c_str(), nullptr, 10) != 0;
}

void CheckValue(const CIni& ini, const std::string& path, const std::string& input, const std::string& section,
                const std::string& key) {
    const std::string raw = platform::IniValueBytes(path, section, key);
    Check(input.find(raw) != std::string::npos, "a value that is not in the file: [" + section + "] " + key);
    Check(raw.find('\n') == std::string::npos, "a value spans lines: [" + section + "] " + key);
    // Blanks at the ends of a value fall away, except inside the quotes that enclose a whole value, which go.
    Check(raw.empty() || (!IsBlank(raw.front()) && !IsBlank(raw.back())) ||
              input.find('"' + raw + '"') != std::string::npos,
          "a value keeps blanks at its ends: [" + section + "] " + key);

    const std::string text = ini.GetString(section, key);
    if (platform::kWindows)
        Check(platform::IsWellFormedUtf8(text), "GetString gave text that is not UTF-8: [" + section + "] " + key);
    else
        Check(text == raw, "GetString changed a value: [" + section + "] " + key);
    if (platform::IsWellFormedUtf8(raw))
        Check(text == raw, "GetString changed a UTF-8 value: [" + section + "] " + key);
    Check(ini.GetString(UpperAscii(section), UpperAscii(key)) == text,
          "look-up depends on letter case: [" + section + "] " + key);
    Check(ini.GetString(fuzz::LowerAscii(section), fuzz::LowerAscii(key)) == text,
          "look-up depends on letter case: [" + section + "] " + key);
    Check(ini.GetBool(section, key) == ReferenceBool(platform::IniValueText(path, section, key)),
          "GetBool disagrees with strtol: [" + section + "] " + key);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const Fixture fixture;
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::string path = fixture.firefoxFolder + "profiles.ini";
    fuzz::WriteBytes(path, input);

    const CIni ini(path);
    std::vector<std::string> sections{"left over"};
    ini.GetSectionNames(sections);
    Check(sections.size() <= static_cast<std::size_t>(std::count(input.begin(), input.end(), '[')),
          "more sections than '[' characters");
    std::vector<std::string> again;
    ini.GetSectionNames(again);
    Check(again == sections, "two readings of one file differ");

    const std::vector<std::string> keys = CandidateKeys(input);
    for (std::size_t i = 0; i < sections.size() && i < kMaxSections; ++i) {
        const std::string& section = sections[i];
        Check(input.find(section) != std::string::npos, "a section name that is not in the file: " + section);
        Check(section.find('\n') == std::string::npos && section.find(']') == std::string::npos,
              "a section name spans lines or holds ']': " + section);
        for (const std::string& key : keys)
            CheckValue(ini, path, input, section, key);
    }

    // The profile search over the same file.
    CBrowserFirefox firefox(fixture.folders);
    firefox.FindProfiles();
    std::vector<std::string> profileSections;
    for (const std::string& section : sections)
        if (section.compare(0, 7, "Profile") == 0)
            profileSections.push_back(section);
    const auto& profiles = firefox.GetProfiles();
    Check(profiles.size() == profileSections.size(), "not one profile per Profile section");
    for (std::size_t i = 0; i < profiles.size() && i < kMaxSections; ++i) {
        const CBrowserProfile& profile = *profiles[i];
        const std::string& section = profileSections[i];
        Check(profile.GetName() == ini.GetString(section, "Name"), "profile name differs from [" + section + "]");
        // An absolute profile without a Path value keeps its empty path: no separator is added to nothing.
        Check(profile.GetPath().empty() || profile.GetPath().back() == '/',
              "profile path without a trailing separator: " + profile.GetPath());
        const std::string value = ini.GetString(section, "Path");
        const std::string expected = ini.GetBool(section, "IsRelative") ? fixture.firefoxFolder + value : value;
        Check(profile.GetPath() == expected || profile.GetPath() == expected + "/",
              "profile path differs from [" + section + "]: " + profile.GetPath());
    }
    return 0;
}
