#pragma once
// Marker files: the names by which a folder is recognised as a program's profile.

#include "support/FolderHelpers.h"

#include <string>
#include <vector>

// Counts the distinct marker names among the entries of a folder that match the mask (files only, or files and
// sub-folders), ignoring letter case. Distinct: a case-sensitive file system may hold both History and history,
// which must not stand in for a missing marker.
int CountMarkerFiles(const std::string& folder, const std::vector<std::string>& markers,
                     const std::string& mask = "*.*", FolderEntries entries = FolderEntries::FilesOnly);
