#include "TestSupport.h"

#include "platform/System.h"
#include "platform/Text.h"
#include "support/FolderHelpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

namespace fs = std::filesystem;

namespace testing_support {

TempFolder::TempFolder() {
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    // The picture program names its folders the same in every run, so that pictures of two builds can be compared
    // pixel for pixel (their paths show in the tree).
    static const bool fixedNames = std::getenv("TIDYQUILL_FIXED_TEMP_NAMES") != nullptr;
    const fs::path base = fs::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path candidate =
            base / ("tidyquill-test-" + std::to_string(fixedNames ? 0u : random()) + "-" + std::to_string(counter++));
        std::error_code error;
        if (fs::create_directory(candidate, error)) {
            path_ = platform::PathToUtf8(candidate);
            return;
        }
    }
    ADD_FAILURE() << "cannot create a temporary folder under " << platform::PathToUtf8(base);
}

TempFolder::~TempFolder() {
    if (path_.empty())
        return;
    std::error_code error;
    // The verbatim form removes files named CON or AUX and folders deeper than 260 characters too.
    fs::remove_all(platform::PathFromUtf8(platform::FileCallPath(path_)), error);
}

std::string TempFolder::operator/(const std::string& relative) const {
    return Join({path_, relative});
}

std::string Join(const std::vector<std::string>& parts) {
    std::string joined;
    for (const std::string& part : parts) {
        if (!joined.empty() && joined.back() != platform::kPathSeparator)
            joined += platform::kPathSeparator;
        joined += part;
    }
    return joined;
}

void MakeFolder(const std::string& path) {
    std::error_code error;
    fs::create_directories(platform::PathFromUtf8(path), error);
    ASSERT_FALSE(error) << "cannot create " << path << ": " << error.message();
}

void WriteFile(const std::string& path, const std::string& bytes) {
    const fs::path target = platform::PathFromUtf8(path);
    if (target.has_parent_path()) {
        std::error_code error;
        fs::create_directories(target.parent_path(), error);
    }
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << "cannot write " << path;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(platform::PathFromUtf8(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string RandomBytes(std::size_t size, unsigned start) {
    std::mt19937 generator(start);
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(generator() & 0xFF);
    return bytes;
}

std::vector<std::string> FolderNames(const std::string& folder) {
    std::vector<std::string> names = ListFolder(folder, "*.*", FolderEntries::FilesAndFolders, EntryNames::NamesOnly);
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace testing_support
