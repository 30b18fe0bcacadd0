#include "platform/IniFile.h"

#include "platform/Text.h"

#include <mutex>
#include <unordered_map>

namespace platform {

namespace {

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

} // namespace

void IniParser::Feed(const char* data, std::size_t size) {
    std::size_t start = 0;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] != '\n')
            continue;
        line_.append(data + start, i - start);
        ParseLine();
        start = i + 1;
    }
    line_.append(data + start, size - start);
}

std::vector<IniSection>& IniParser::Finish() {
    if (!line_.empty())
        ParseLine();
    return sections_;
}

void IniParser::ParseLine() {
    std::string& line = line_;
    if (first_ && line.compare(0, 3, "\xEF\xBB\xBF") == 0)
        line.erase(0, 3);
    first_ = false;
    size_t begin = 0;
    while (begin < line.size() && IsBlank(line[begin]))
        ++begin;
    if (begin == line.size() || line[begin] == ';' || line[begin] == '#') {
        line.clear();
        return;
    }
    if (line[begin] == '[') {
        const size_t close = line.find(']', begin + 1);
        sections_.push_back({Trim(line, begin + 1, close == std::string::npos ? line.size() : close), {}});
        line.clear();
        return;
    }
    const size_t equals = line.find('=', begin);
    if (!sections_.empty() && equals != std::string::npos) {
        IniEntry entry{Trim(line, begin, equals), Trim(line, equals + 1, line.size())};
        if (entry.value.size() >= 2 && entry.value.front() == '"' && entry.value.back() == '"')
            entry.value = entry.value.substr(1, entry.value.size() - 2);
        sections_.back().entries.push_back(std::move(entry));
    }
    line.clear();
}

std::vector<std::string> SectionNames(const std::vector<IniSection>& sections) {
    std::vector<std::string> names;
    names.reserve(sections.size());
    for (const IniSection& section : sections)
        names.push_back(section.name);
    return names;
}

struct IniParsedFile {
    std::string path;
    IniFileStamp stamp;
    bool text = false;
    std::vector<IniSection> sections;
    // The sections by IniNameKey of their names, each list in file order: a look-up costs the same in a file of
    // 80,000 sections as in one of three.
    std::unordered_map<std::string, std::vector<size_t>> buckets;
};

namespace {

std::mutex cacheLock;
std::shared_ptr<const IniParsedFile> cache;

std::shared_ptr<const IniParsedFile> Load(const std::string& path) {
    const std::optional<IniFileStamp> stamp = path.empty() ? std::nullopt : StampIniFile(path);
    if (!stamp)
        return nullptr;
    {
        std::lock_guard<std::mutex> guard(cacheLock);
        if (cache && cache->path == path && cache->stamp == *stamp)
            return cache;
    }
    auto parsed = std::make_shared<IniParsedFile>();
    parsed->path = path;
    parsed->stamp = *stamp;
    if (!ReadIniSections(path, parsed->sections, parsed->text))
        return nullptr;
    parsed->buckets.reserve(parsed->sections.size());
    for (size_t i = 0; i < parsed->sections.size(); ++i)
        parsed->buckets[IniNameKey(parsed->sections[i].name)].push_back(i);

    std::lock_guard<std::mutex> guard(cacheLock);
    cache = parsed;
    return parsed;
}

// The raw value of the first key of that name in the first section of that name; none when either is absent.
const std::string* FindValue(const std::shared_ptr<const IniParsedFile>& parsed, const std::string& section,
                             const std::string& key) {
    if (!parsed)
        return nullptr;
    const auto bucket = parsed->buckets.find(IniNameKey(section));
    if (bucket == parsed->buckets.end())
        return nullptr;
    for (const size_t index : bucket->second) {
        const IniSection& candidate = parsed->sections[index];
        if (!EqualsIgnoringCase(candidate.name, section))
            continue;
        for (const IniEntry& entry : candidate.entries)
            if (EqualsIgnoringCase(entry.key, key))
                return &entry.value;
        return nullptr;
    }
    return nullptr;
}

std::vector<std::string> SectionNamesOf(const std::shared_ptr<const IniParsedFile>& parsed) {
    return parsed ? SectionNames(parsed->sections) : std::vector<std::string>();
}

std::string BytesOf(const std::shared_ptr<const IniParsedFile>& parsed, const std::string& section,
                    const std::string& key) {
    const std::string* value = FindValue(parsed, section, key);
    return value != nullptr ? *value : std::string();
}

std::string TextOf(const std::shared_ptr<const IniParsedFile>& parsed, const std::string& section,
                   const std::string& key) {
    const std::string* value = FindValue(parsed, section, key);
    return value != nullptr ? IniValueAsText(*value, parsed->text) : std::string();
}

} // namespace

std::vector<std::string> IniSectionNames(const std::string& path) {
    return SectionNamesOf(Load(path));
}

std::string IniValueBytes(const std::string& path, const std::string& section, const std::string& key) {
    return BytesOf(Load(path), section, key);
}

std::string IniValueText(const std::string& path, const std::string& section, const std::string& key) {
    return TextOf(Load(path), section, key);
}

IniSnapshot::IniSnapshot(const std::string& path) : parsed_(Load(path)) {}

std::vector<std::string> IniSnapshot::SectionNames() const {
    return SectionNamesOf(parsed_);
}

std::string IniSnapshot::ValueBytes(const std::string& section, const std::string& key) const {
    return BytesOf(parsed_, section, key);
}

std::string IniSnapshot::ValueText(const std::string& section, const std::string& key) const {
    return TextOf(parsed_, section, key);
}

} // namespace platform
