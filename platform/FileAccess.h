#pragma once
// File status and the start of a file, the way the folder helpers and the SQLite header test need them. Paths may
// name files whose names read as devices on Windows (CON, com1.db): they are still the files.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// What reading the start of a file came to.
enum class HeadRead {
    read,       // bytes holds up to count bytes from the start (fewer when the file is shorter)
    notRegular, // a folder, device, FIFO or socket (after following links): nothing was read from it
    missing,    // no such file
    held,       // the file exists but another process holds it open without sharing
    unreadable, // the file exists but cannot be read (no access, or another failure)
};

struct FileHead {
    HeadRead result = HeadRead::missing;
    std::string bytes;
};

// Up to count bytes from the start of a regular file, opened for reading while others may read and write it.
FileHead ReadFileHead(const std::string& path, std::size_t count);

struct FileStatus {
    bool isFolder = false;  // a folder, or a link or junction that leads to one
    std::uint64_t size = 0; // bytes of a file; 0 for a folder
};

// The status of the file or folder at path, following links; none when nothing is there or it cannot be asked.
// A file held open without sharing still has a status.
std::optional<FileStatus> QueryFileStatus(const std::string& path);

} // namespace platform
