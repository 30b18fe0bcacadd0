#pragma once
// Reading the start of a file the way the SQLite header test needs it.

#include <cstddef>
#include <optional>
#include <string>

namespace platform {

// Up to count bytes from the start of the file, opened for reading while others may read and write it; fewer when
// the file is shorter. Only a regular file (after following links) is read: a folder, device, FIFO or socket gives
// an empty answer without being read. None when the file cannot be opened (missing, no access, held without
// sharing).
std::optional<std::string> ReadFileHead(const std::string& path, std::size_t count);

} // namespace platform
