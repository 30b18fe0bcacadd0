#pragma once
// Folder and file helpers shared by the catalogue, the engine and the preferences. Paths are UTF-8 text with the
// platform separator ("\" on Windows, "/" on Linux); every failure gives an empty or false answer.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Appends the separator to a non-empty path that does not already end with one.
std::string AppendBackslash(std::string path);

// True when a file or folder exists at path; any error counts as not existing.
bool PathExists(const std::string& path);

// True when path names a folder (or a link to one).
bool IsFolder(const std::string& path);

// Size of a file in bytes; 0 when it cannot be read.
std::uint64_t QueryFileSize(const std::string& path);

// Whether a listing or a walk gives the folders it meets besides the files.
enum class FolderEntries { FilesOnly, FilesAndFolders };
// Whether a listing gives the entries' names or their full paths (folder + separator + name).
enum class EntryNames { NamesOnly, FullPaths };
// Whether a walk descends into the folders it meets.
enum class WalkDepth { ThisFolderOnly, AllSubFolders };

// The entries of one folder (not recursive) whose names match mask, in the file system's order, without "." and
// "..". A missing folder gives an empty list.
std::vector<std::string> ListFolder(const std::string& folder, const std::string& mask, FolderEntries entries,
                                    EntryNames names);

// Answers false to end the walk.
using FolderVisitor = std::function<bool(const std::string& fullPath, std::uint64_t size)>;

// Visits the entries below folder. A file is passed with its size when mask is "*.*" or its full path matches
// mask; a folder is passed (size 0) with FilesAndFolders, before the walk descends into it with AllSubFolders. The walk
// never descends into a folder link (symbolic link or junction) below the start folder, which may itself be reached
// through one, and never enters a folder twice, so link loops end. Returns false when the visitor ended the walk.
bool WalkFolder(const std::string& folder, const std::string& mask, const FolderVisitor& visitor, WalkDepth depth,
                FolderEntries entries);

// The text after the last separator; a path that ends with a separator gives its last component with that
// separator ("C:\a\b\" gives "b\").
std::string LastPathComponent(const std::string& path);
