#include "catalogue/Browser.h"

#include "platform/Files.h"
#include "platform/System.h"
#include "support/FolderHelpers.h"
#include "support/StringHelpers.h"

#include <algorithm>
#include <cstring>

CBrowserProfile::CBrowserProfile(std::string path, std::string name, CBrowser* program)
    : name_(std::move(name)), path_(std::move(path)), program_(program) {}

const std::vector<std::string>& CBrowserProfile::GetFileList() {
    if (files_.empty() && program_ != nullptr)
        files_ = program_->GetDatabaseFiles(path_);
    return files_;
}

std::uint64_t CBrowserProfile::GetTotalSize() {
    std::uint64_t total = 0;
    for (const std::string& file : GetFileList())
        total += QueryDatabaseSize(file);
    return total;
}

CBrowser::CBrowser(ProgramId id, const platform::KnownFolders& folders)
    : facts_(&GetProgramFacts(id)), folders_(folders) {}

int CBrowser::GetIconId() const {
    return facts_ != nullptr ? facts_->iconId : 0;
}

int CBrowser::GetProfileIconId() const {
    return facts_ != nullptr ? facts_->profileIconId : 0;
}

std::string CBrowser::GetName() const {
    return facts_ != nullptr ? facts_->name : std::string();
}

std::vector<std::string> CBrowser::GetProcessNames() const {
    return facts_ != nullptr ? facts_->processNames : std::vector<std::string>();
}

const DataLocations& CBrowser::GetPlaces() const {
    static const DataLocations none;
    return facts_ != nullptr ? facts_->places : none;
}

std::string CBrowser::GetFirstPlace() const {
    const DataLocations& places = GetPlaces();
    return places.empty() ? std::string() : ResolveLocation(folders_, places.front());
}

CBrowserProfile* CBrowser::AddProfile(const std::string& path, const std::string& name, bool custom) {
    profiles_.push_back(std::make_unique<CBrowserProfile>(path, name, this));
    profiles_.back()->custom = custom;
    return profiles_.back().get();
}

void CBrowser::RemoveProfile(CBrowserProfile* profile) {
    const auto found =
        std::find_if(profiles_.begin(), profiles_.end(),
                     [profile](const std::unique_ptr<CBrowserProfile>& p) { return p.get() == profile; });
    if (found != profiles_.end())
        profiles_.erase(found);
}

std::vector<std::string> EnumerateDatabaseFiles(const std::string& folder, const std::string& mask) {
    std::vector<std::string> files;
    WalkFolder(
        folder, mask.empty() ? "*.*" : mask,
        [&](const std::string& path, std::uint64_t) {
            // Folders come without a test of the mask.
            if (!mask.empty() && !platform::MatchSpec(path, mask))
                return true;
            switch (CheckDatabaseFile(path)) {
            case DatabaseFileCheck::database:
            case DatabaseFileCheck::held:
                files.push_back(path);
                break;
            case DatabaseFileCheck::notDatabase:
            case DatabaseFileCheck::denied:
                if (!mask.empty())
                    files.push_back(path);
                break;
            case DatabaseFileCheck::unreadable:
                if (!mask.empty() && PathExists(path))
                    files.push_back(path);
                break;
            case DatabaseFileCheck::empty:
                break;
            }
            return true;
        },
        WalkDepth::ThisFolderOnly, mask.empty() ? FolderEntries::FilesOnly : FolderEntries::FilesAndFolders);
    return files;
}

std::uint64_t QueryDatabaseSize(const std::string& path) {
    return QueryFileSize(path) + QueryFileSize(path + "-wal");
}

DatabaseFileCheck CheckDatabaseFile(const std::string& path) {
    static constexpr char kHeader[16] = "SQLite format 3"; // 15 characters and the terminating zero
    const platform::FileHead head = platform::ReadFileHead(path, sizeof(kHeader));
    switch (head.result) {
    case platform::HeadRead::read:
        if (head.bytes.empty())
            return DatabaseFileCheck::empty;
        return head.bytes.size() == sizeof(kHeader) && std::memcmp(head.bytes.data(), kHeader, sizeof(kHeader)) == 0
                   ? DatabaseFileCheck::database
                   : DatabaseFileCheck::notDatabase;
    case platform::HeadRead::notRegular:
        return DatabaseFileCheck::notDatabase;
    case platform::HeadRead::held:
        return DatabaseFileCheck::held;
    case platform::HeadRead::denied:
        return DatabaseFileCheck::denied;
    default:
        return DatabaseFileCheck::unreadable;
    }
}

bool IsSqliteFile(const std::string& path) {
    return CheckDatabaseFile(path) == DatabaseFileCheck::database;
}

bool SamePath(const std::string& a, const std::string& b) {
    return PathKey(a) == PathKey(b);
}

std::string PathKey(const std::string& path) {
    const std::string key = AppendBackslash(path);
    return platform::kCaseInsensitivePaths ? ToLowerAscii(key) : key;
}
