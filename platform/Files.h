#pragma once
// Files and folders: reading the start and status of a file, listing a folder, a file's identity, replacing
// a file's content at once, and matching names against masks.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Replacing a file's content so that a crash or a full disk never leaves it cut short.

// Replaces the file at path with bytes, so that path always holds either its old content or the whole new one.
// The bytes go to path + ".tmp" in the same folder and are flushed to the disk; the temporary file is then renamed
// over path (Windows: MoveFileExW with MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH; Linux: fsync, rename,
// and fsync of the folder). A path that is a symbolic link stays one: the file it leads to is replaced (made, when
// the link leads to no file yet), through any chain of links; a loop of links is a failure. On any failure the
// temporary file is removed, the old file stays as it was, and the answer is false.
bool ReplaceFileContent(const std::string& path, std::string_view bytes);

// File status and the start of a file, the way the folder helpers and the SQLite header test need them. Paths may
// name files whose names read as devices on Windows (CON, com1.db): they are still the files.

// What reading the start of a file came to.
enum class HeadRead {
    read,       // bytes holds up to count bytes from the start (fewer when the file is shorter)
    notRegular, // a folder, device, FIFO or socket (after following links): nothing was read from it
    missing,    // no such file
    held,       // the file exists but another process holds it open without sharing
    denied,     // the file exists but this user may not read it (another account's file, an encrypted one)
    unreadable, // the file exists but cannot be read for another reason
};

struct FileHead {
    HeadRead result = HeadRead::missing;
    std::string bytes;
};

// Up to count bytes from the start of a regular file, opened for reading while others may read, write and delete it
// (an indexer or a backup program that holds a file with delete sharing does not make it held).
FileHead ReadFileHead(const std::string& path, std::size_t count);

struct FileStatus {
    bool isFolder = false;  // a folder, or a link or junction that leads to one
    std::uint64_t size = 0; // bytes of a file; 0 for a folder
};

// The status of the file or folder at path, following links; none when nothing is there or it cannot be asked.
// A file held open without sharing still has a status.
std::optional<FileStatus> QueryFileStatus(const std::string& path);

// Listing one folder, and telling whether two paths name the same folder.

struct FolderEntry {
    std::string name;       // the entry's name alone, UTF-8
    bool isFolder = false;  // a folder, or a link or junction that leads to one
    bool isLink = false;    // the entry itself is a symbolic link or a junction
    std::uint64_t size = 0; // file size in bytes; 0 for folders
};

// Calls visit for every entry of the folder except "." and "..", in the order in which the file system lists them,
// until visit answers false. Returns false when the folder cannot be listed (missing, not a folder, no access).
bool ForEachFolderEntry(const std::string& folder, const std::function<bool(const FolderEntry&)>& visit);

// What makes a folder itself, whatever path leads to it (device and inode; volume and file index).
struct FileIdentity {
    std::uint64_t volume = 0;
    std::uint64_t index = 0;
    bool operator<(const FileIdentity& other) const {
        return volume != other.volume ? volume < other.volume : index < other.index;
    }
    bool operator==(const FileIdentity& other) const { return volume == other.volume && index == other.index; }
};

// The identity of the file or folder at path, following links; none when it cannot be read.
std::optional<FileIdentity> GetFileIdentity(const std::string& path);

// The shell's wildcard match: '*' and '?', letter case ignored, several masks separated by ';'.

// True when text (usually a full path) matches one of the masks. "*.*" matches everything; '*' also matches
// separators, so "*.sqlite" matches a full path that ends in ".sqlite".
bool MatchSpec(const std::string& text, const std::string& masks);

} // namespace platform
