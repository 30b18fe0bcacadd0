#pragma once
// Listing one folder, and telling whether two paths name the same folder.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace platform {

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

} // namespace platform
