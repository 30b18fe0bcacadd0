#include "FuzzSupport.h"

#include "engine/LogOutput.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace fuzz {

void Fail(const std::string& what) {
    std::fprintf(stderr, "\n*** property broken: %s\n", what.c_str());
    std::fflush(stderr);
    std::abort();
}

namespace {

struct Work {
    Work() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/tidyquill-fuzz-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr)
            Fail("cannot make a work folder from " + pattern);
        path = pattern;
    }
    ~Work() {
        std::error_code error;
        fs::remove_all(path, error);
    }
    std::string path;
};

} // namespace

const std::string& WorkFolder() {
    static const Work work;
    return work.path;
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    const fs::path target(path);
    std::error_code error;
    fs::create_directories(target.parent_path(), error);
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    Check(!out.fail(), "cannot write " + path);
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void MakeFolder(const std::string& path) {
    std::error_code error;
    fs::create_directories(path, error);
    Check(!error, "cannot make " + path);
}

void RemoveAll(const std::string& path) {
    std::error_code error;
    fs::remove_all(path, error);
}

bool Exists(const std::string& path) {
    return access(path.c_str(), F_OK) == 0;
}

std::string ExpandHome(const std::uint8_t* data, std::size_t size, const std::string& folder) {
    std::string text;
    text.reserve(size);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == '~')
            text += folder;
        else
            text += static_cast<char>(data[i]);
    }
    return text;
}

std::vector<std::string> SplitLines(const std::string& text, std::size_t maxParts) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (parts.size() + 1 < maxParts) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            break;
        parts.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    parts.push_back(text.substr(start));
    return parts;
}

std::string LowerAscii(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

LogLines::LogLines() {
    GetLogOutput().SetWindowSink([this](const std::string& text, int) { lines_.push_back(text); });
}

LogLines::~LogLines() {
    GetLogOutput().SetWindowSink(nullptr);
}

std::vector<std::string> LogLines::Take() {
    std::vector<std::string> lines;
    lines.swap(lines_);
    return lines;
}

} // namespace fuzz
