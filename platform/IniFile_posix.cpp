
#include "platform/IniFile.h"

#include "platform/Text.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <unordered_map>

namespace platform {

struct IniParsedFile {
    std::string path;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = -1;
    timespec modified{};
    std::vector<IniSection> sections;
    // The first section of each name, by its name with case folded: a look-up costs the same in a file of 80,000
    // sections as in one of three.
    std::unordered_map<std::string, size_t> firstSection;
};

namespace {

using ParsedFile = IniParsedFile;

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

    IniParser parser;
    char buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof(buffer), file.get())) > 0)
        parser.Feed(buffer, got);
    parsed->sections = std::move(parser.Finish());
    parsed->firstSection.reserve(parsed->sections.size());
    for (size_t i = 0; i < parsed->sections.size(); ++i)
        parsed->firstSection.emplace(CaseFoldKey(parsed->sections[i].name), i);

    std::lock_guard<std::mutex> guard(cacheLock);
    cache = parsed;
    return parsed;
}

} // namespace

namespace {

std::vector<std::string> SectionNamesOf(const std::shared_ptr<const ParsedFile>& parsed) {
    return parsed ? SectionNames(parsed->sections) : std::vector<std::string>();
}

std::string ValueOf(const std::shared_ptr<const ParsedFile>& parsed, const std::string& section,
                    const std::string& key) {
    if (!parsed)
        return {};
    const auto found = parsed->firstSection.find(CaseFoldKey(section));
    if (found == parsed->firstSection.end())
        return {};
    for (const IniEntry& entry : parsed->sections[found->second].entries)
        if (EqualsIgnoringCase(entry.key, key))
            return entry.value;
    return {};
}

std::string AsText(const std::string& bytes) {
    return IsWellFormedUtf8(bytes) ? bytes : Latin1ToUtf8(bytes);
}

} // namespace

std::vector<std::string> IniSectionNames(const std::string& path) {
    return SectionNamesOf(Load(path));
}

std::string IniValueBytes(const std::string& path, const std::string& section, const std::string& key) {
    return ValueOf(Load(path), section, key);
}

IniSnapshot::IniSnapshot(const std::string& path) : parsed_(Load(path)) {}

std::vector<std::string> IniSnapshot::SectionNames() const {
    return SectionNamesOf(parsed_);
}

std::string IniSnapshot::ValueBytes(const std::string& section, const std::string& key) const {
    return ValueOf(parsed_, section, key);
}

std::string IniSnapshot::ValueText(const std::string& section, const std::string& key) const {
    return AsText(ValueOf(parsed_, section, key));
}

std::string IniValueText(const std::string& path, const std::string& section, const std::string& key) {
    return AsText(IniValueBytes(path, section, key));
}

std::string NarrowCodePageToUtf8(const std::string& bytes) {
    return Latin1ToUtf8(bytes);
}

} // namespace platform
