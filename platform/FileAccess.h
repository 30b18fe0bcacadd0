#pragma once
// Reading the start of a file the way the SQLite header test needs it.

#include <cstddef>
#include <string>

namespace platform {

// Up to count bytes from the start of the file, opened for reading while others may read and write it; fewer when
// the file is shorter, empty when it cannot be opened or read (a folder, no access, held without sharing).
std::string ReadFileHead(const std::string& path, std::size_t count);

} // namespace platform
