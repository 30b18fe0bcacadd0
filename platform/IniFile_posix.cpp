#include "platform/IniFile.h"

#include "platform/TextCompare.h"
#include "platform/Utf8.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>

namespace platform {

namespace {

struct Entry {
    std::string key;
    std::string value;
};

struct Section {
    std::string name;
    std::vector<Entry> entries;
};

struct ParsedFile {
    std::string path;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = -1;
    timespec modified{};
    std::vector<Section> sections;
};

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string Trim(const std::string& text, size_t begin, size_t end) {
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}


void ParseLine(std::string& line, bool first, std::vector<Section>& sections) {
    if (first && line.compare(0, 3, "\xEF\xBB\xBF") == 0)
        line.erase(0, 3);
    size_t begin = 0;
    while (begin < line.size() && IsBlank(line[begin]))
        ++begin;
    if (begin == line.size() || line[begin] == ';' || line[begin] == '#')
        return;
    if (line[begin] == '[') {
        const size_t close = line.find(']', begin + 1);
        sections.push_back({Trim(line, begin + 1, close == std::string::npos ? line.size() : close), {}});
        return;
    }
    // Lines before the first section, and lines without "=", carry nothing that can be asked for.
    const size_t equals = line.find('=', begin);
    if (sections.empty() || equals == std::string::npos)
        return;
    Entry entry{Trim(line, begin, equals), Trim(line, equals + 1, line.size())};
    if (entry.value.size() >= 2 && entry.value.front() == '"' && entry.value.back() == '"')
        entry.value = entry.value.substr(1, entry.value.size() - 2);
    sections.back().entries.push_back(std::move(entry));
}

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};

// The last file read stays parsed while it is unchanged, as the system keeps its profile files cached: reading
// every value of a large file would otherwise parse it once per value.
std::mutex cacheLock;
std::shared_ptr<const ParsedFile> cache;

std::shared_ptr<const ParsedFile> Load(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return nullptr;
    {
        std::lock_guard<std::mutex> guard(cacheLock);
        if (cache && cache->path == path && cache->device == info.st_dev && cache->inode == info.st_ino &&
            cache->size == info.st_size && cache->modified.tv_sec == info.st_mtim.tv_sec &&
            cache->modified.tv_nsec == info.st_mtim.tv_nsec)
            return cache;
    }
    std::unique_ptr<FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file)
        return nullptr;
    auto parsed = std::make_shared<ParsedFile>();
    parsed->path = path;
    parsed->device = info.st_dev;
    parsed->inode = info.st_ino;
    parsed->size = info.st_size;
    parsed->modified = info.st_mtim;

    // Line by line, so an enormous file costs time in proportion to its size and memory only for what it holds.
    std::string line;
    char buffer[65536];
    bool first = true;
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof(buffer), file.get())) > 0) {
        size_t start = 0;
        for (size_t i = 0; i < got; ++i) {
            if (buffer[i] != '\n')
                continue;
            line.append(buffer + start, i - start);
            ParseLine(line, first, parsed->sections);
            first = false;
            line.clear();
            start = i + 1;
        }
        line.append(buffer + start, got - start);
    }
    if (!line.empty())
        ParseLine(line, first, parsed->sections);

    std::lock_guard<std::mutex> guard(cacheLock);
    cache = parsed;
    return parsed;
}

} // namespace

std::vector<std::string> IniSectionNames(const std::string& path) {
    std::vector<std::string> names;
    if (const auto parsed = Load(path))
        for (const Section& section : parsed->sections)
            names.push_back(section.name);
    return names;
}

std::string IniValueBytes(const std::string& path, const std::string& section, const std::string& key) {
    const auto parsed = Load(path);
    if (!parsed)
        return {};
    for (const Section& candidate : parsed->sections) {
        if (!EqualsIgnoringCase(candidate.name, section))
            continue;
        for (const Entry& entry : candidate.entries)
            if (EqualsIgnoringCase(entry.key, key))
                return entry.value;
        return {};
    }
    return {};
}

std::string IniValueText(const std::string& path, const std::string& section, const std::string& key) {
    const std::string bytes = IniValueBytes(path, section, key);
    return IsWellFormedUtf8(bytes) ? bytes : Latin1ToUtf8(bytes);
}

std::string NarrowCodePageToUtf8(const std::string& bytes) {
    return Latin1ToUtf8(bytes);
}

} // namespace platform
