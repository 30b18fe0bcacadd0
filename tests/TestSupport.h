#pragma once
// Shared helpers for the test suites: throwaway folders and files, paths with the platform separator.

#include "platform/System.h"

#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

// A fresh, empty folder under the system's temporary folder, removed with everything in it at destruction.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder's path, without a trailing separator.
    const std::string& Path() const { return path_; }
    // The folder's path joined with the given relative parts.
    std::string operator/(const std::string& relative) const;

private:
    std::string path_;
};

// The platform's path separator as text.
inline const std::string kSep(1, platform::kPathSeparator);

// Joins path components with the platform separator.
std::string Join(const std::vector<std::string>& parts);

// Creates a file (and its missing parent folders) holding exactly the given bytes.
void WriteFile(const std::string& path, const std::string& bytes);
// Creates a folder and its missing parents.
void MakeFolder(const std::string& path);
// The whole content of a file; empty when it cannot be read.
std::string ReadFile(const std::string& path);

// The names in a folder, sorted; empty when it cannot be listed.
std::vector<std::string> FolderNames(const std::string& folder);

// Bytes that depend only on size and start, not on the system or the run.
std::string RandomBytes(std::size_t size, unsigned start);

} // namespace testing_support
