#include "support/FolderHelpers.h"

#include "platform/Files.h"
#include "platform/System.h"
#include "platform/Text.h"

#include <filesystem>
#include <set>
#include <system_error>

namespace fs = std::filesystem;

std::string AppendBackslash(std::string path) {
    if (!path.empty() && path.back() != platform::kPathSeparator)
        path += platform::kPathSeparator;
    return path;
}

bool PathExists(const std::string& path) {
    return platform::QueryFileStatus(path).has_value();
}

bool IsFolder(const std::string& path) {
    const auto status = platform::QueryFileStatus(path);
    return status && status->isFolder;
}

std::uint64_t QueryFileSize(const std::string& path) {
    const auto status = platform::QueryFileStatus(path);
    return status ? status->size : 0;
}

std::vector<std::string> ListFolder(const std::string& folder, const std::string& mask, FolderEntries entries,
                                    EntryNames names) {
    const bool includeFolders = entries == FolderEntries::FilesAndFolders;
    const bool fullPaths = names == EntryNames::FullPaths;
    std::vector<std::string> found;
    if (folder.empty())
        return found;
    const std::string prefix = AppendBackslash(folder);
    platform::ForEachFolderEntry(folder, [&](const platform::FolderEntry& entry) {
        if ((includeFolders || !entry.isFolder) && platform::MatchSpec(entry.name, mask))
            found.push_back(fullPaths ? prefix + entry.name : entry.name);
        return true;
    });
    return found;
}

namespace {

bool Walk(const std::string& folder, const std::string& mask, const FolderVisitor& visitor, bool recursive,
          bool reportFolders, std::set<platform::FileIdentity>& entered) {
    const std::string prefix = AppendBackslash(folder);
    const bool everyFile = mask == "*.*";
    bool carryOn = true;
    platform::ForEachFolderEntry(folder, [&](const platform::FolderEntry& entry) {
        const std::string path = prefix + entry.name;
        if (!entry.isFolder) {
            if (everyFile || platform::MatchSpec(path, mask))
                carryOn = visitor(path, entry.size);
            return carryOn;
        }
        if (reportFolders && !(carryOn = visitor(path, 0)))
            return false;
        // A folder reached through a link lies somewhere else: a link inside a profile may lead anywhere (a whole
        // system folder), so the walk reports it but stays out. The start folder itself may be a link.
        if (recursive && !entry.isLink) {
            // Entered folders are remembered by identity, so a link back to one of them is reported but not
            // walked again. A folder whose identity cannot be read cannot be listed either.
            const auto identity = platform::GetFileIdentity(path);
            if (!identity || entered.insert(*identity).second)
                carryOn = Walk(path, mask, visitor, recursive, reportFolders, entered);
        }
        return carryOn;
    });
    return carryOn;
}

} // namespace

bool WalkFolder(const std::string& folder, const std::string& mask, const FolderVisitor& visitor, WalkDepth depth,
                FolderEntries entries) {
    if (folder.empty())
        return true;
    std::set<platform::FileIdentity> entered;
    if (const auto identity = platform::GetFileIdentity(folder))
        entered.insert(*identity);
    return Walk(folder, mask, visitor, depth == WalkDepth::AllSubFolders, entries == FolderEntries::FilesAndFolders,
                entered);
}

std::string LastPathComponent(const std::string& path) {
    // A separator counts only when something other than another separator follows it, so a trailing separator
    // stays with the last component. On Windows a drive colon ends a component too ("C:x" gives "x").
    const auto isBreak = [](char c) { return platform::IsPathSeparator(c) || (platform::kWindows && c == ':'); };
    size_t start = 0;
    for (size_t i = 0; i + 1 < path.size(); ++i) {
        if (isBreak(path[i]) && !platform::IsPathSeparator(path[i + 1]))
            start = i + 1;
    }
    return path.substr(start);
}
