
#include "platform/IniFile.h"

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

} // namespace platform
