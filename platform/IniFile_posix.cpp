#include "platform/IniFile.h"

#include "platform/Text.h"

#include <cstdio>
#include <memory>
#include <sys/stat.h>

namespace platform {

namespace {

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};

} // namespace

std::optional<IniFileStamp> StampIniFile(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    IniFileStamp stamp;
    stamp.volume = static_cast<std::uint64_t>(info.st_dev);
    stamp.index = static_cast<std::uint64_t>(info.st_ino);
    stamp.size = static_cast<std::uint64_t>(info.st_size);
    stamp.modifiedSeconds = info.st_mtim.tv_sec;
    stamp.modifiedNanoseconds = info.st_mtim.tv_nsec;
    return stamp;
}

bool ReadIniSections(const std::string& path, std::vector<IniSection>& sections, bool& text) {
    std::unique_ptr<FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file)
        return false;
    IniParser parser;
    char buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof(buffer), file.get())) > 0)
        parser.Feed(buffer, got);
    sections = std::move(parser.Finish());
    // Linux files carry no mark: each value is taken as UTF-8 where it is, else as Latin-1.
    text = false;
    return true;
}

std::string IniNameKey(const std::string& name) {
    return CaseFoldKey(name);
}

std::string IniValueAsText(const std::string& raw, bool) {
    return IsWellFormedUtf8(raw) ? raw : Latin1ToUtf8(raw);
}

std::string NarrowCodePageToUtf8(const std::string& bytes) {
    return Latin1ToUtf8(bytes);
}

} // namespace platform
