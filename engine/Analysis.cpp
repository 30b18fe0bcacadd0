#include "engine/Analysis.h"

#include "catalogue/Browser.h"
#include "engine/Database.h"
#include "engine/RunningPrograms.h"
#include "engine/StopSignal.h"
#include "platform/Files.h"
#include "support/FolderHelpers.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>

namespace {

using engine::TreeLayout;
using engine::TreePage;

constexpr char kSqliteMagic[16] = "SQLite format 3"; // with its terminating zero

std::uint32_t BigEndian16(const std::string& bytes, std::size_t offset) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[offset]) << 8 |
                                      static_cast<unsigned char>(bytes[offset + 1]));
}

std::uint32_t BigEndian32(const std::string& bytes, std::size_t offset) {
    return BigEndian16(bytes, offset) << 16 | BigEndian16(bytes, offset + 2);
}

// The pages that "VACUUM" fills when it rebuilds the file, from the pages of its trees as the scan reports them.
// A rebuild copies each table and index in key order and fills every leaf page with cells until the next one does
// not fit; it copies overflow pages as they are and needs a few inner pages above the leaves. So the unused bytes of
// a leaf page only count as far as the cells after it can fill them: the cells of each page are packed anew, in the
// scan's order (which is the keys' order), each taken as the page's average size. Unused bytes on overflow pages
// stay, as does the slack at the end of each rebuilt leaf page.
class RebuildModel {
public:
    explicit RebuildModel(std::uint32_t usableSize) : usable_(usableSize) {}

    void Add(const TreePage& page) {
        if (page.tree != tree_) {
            EndTree();
            tree_ = page.tree;
        }
        switch (page.kind) {
        case TreePage::Kind::overflow:
            ++overflow_;
            break;
        case TreePage::Kind::internal:
            ++internalBefore_;
            break;
        case TreePage::Kind::damaged:
            damaged_ = true;
            break;
        case TreePage::Kind::leaf: {
            ++leavesBefore_;
            // Page 1 starts with the file's header.
            const double header = kLeafHeader + (page.page == 1 ? kFileHeader : 0);
            const double used = static_cast<double>(usable_) - page.unused - header;
            if (page.cells > 0 && used > 0)
                Pack(page.cells, used / page.cells);
            break;
        }
        }
    }

    // The pages of the rebuilt file: every tree's pages, and the pointer-map pages an auto-vacuum file keeps.
    std::uint64_t Pages(bool autoVacuum) {
        EndTree();
        if (!autoVacuum || usable_ < 5)
            return pages_;
        // Each pointer-map page lists the pages after it, five bytes for each.
        const std::uint64_t perMap = usable_ / 5;
        return pages_ + (pages_ + perMap - 1) / perMap;
    }

    // A page that the scan could not make sense of: "VACUUM" fails on such a file.
    bool Damaged() const { return damaged_; }

private:
    static constexpr double kLeafHeader = 8;
    static constexpr double kFileHeader = 100;

    // Adds count cells of cellBytes each (cell pointer included) after the cells packed so far.
    void Pack(std::uint32_t count, double cellBytes) {
        const double capacity = usable_ - kLeafHeader;
        while (count > 0) {
            auto fits =
                static_cast<std::uint32_t>(std::min<double>(count, std::floor((capacity - fill_) / cellBytes + 1e-9)));
            if (fits == 0 && fill_ == 0)
                fits = 1; // no cell is larger than a page; this only guards the loop
            fill_ += fits * cellBytes;
            count -= fits;
            if (count > 0) {
                ++leaves_;
                fill_ = 0;
            }
        }
    }

    void EndTree() {
        if (tree_ < 0)
            return;
        std::uint64_t leaves = leaves_ + (fill_ > 0 ? 1 : 0);
        if (leaves == 0)
            leaves = 1; // an empty tree keeps its root page
        // The inner pages shrink with the leaves they point to; a tree of more than one leaf needs at least one.
        std::uint64_t inner = 0;
        if (leavesBefore_ > 0)
            inner = static_cast<std::uint64_t>(
                std::llround(static_cast<double>(internalBefore_) * static_cast<double>(leaves) / leavesBefore_));
        if (leaves > 1 && inner == 0)
            inner = 1;
        pages_ += leaves + inner + overflow_;
        leaves_ = leavesBefore_ = internalBefore_ = overflow_ = 0;
        fill_ = 0;
    }

    std::uint32_t usable_;
    int tree_ = -1;
    std::uint64_t leaves_ = 0; // rebuilt leaf pages of the current tree that are full
    double fill_ = 0;          // bytes of cells on the rebuilt leaf page being filled
    std::uint64_t leavesBefore_ = 0;
    std::uint64_t internalBefore_ = 0;
    std::uint64_t overflow_ = 0;
    std::uint64_t pages_ = 0; // of the trees that are done
    bool damaged_ = false;
};

FileEstimate FromHeader(FileEstimate estimate, const HeaderFigures& header, EstimateBasis basis) {
    estimate.reclaimable = std::min(header.reclaimable, estimate.size);
    estimate.basis = basis;
    return estimate;
}

} // namespace

HeaderFigures ReadHeaderFigures(const std::string& header, std::uint64_t fileSize) {
    HeaderFigures figures;
    if (header.size() < 100 || std::memcmp(header.data(), kSqliteMagic, sizeof(kSqliteMagic)) != 0)
        return figures;
    const std::uint32_t pageSize = BigEndian16(header, 16) == 1 ? 65536 : BigEndian16(header, 16);
    const std::uint32_t reserved = static_cast<unsigned char>(header[20]);
    // A power of two from 512 to 65536, of which at least 480 bytes are usable.
    if (pageSize < 512 || (pageSize & (pageSize - 1)) != 0 || pageSize - reserved < 480)
        return figures;
    figures.valid = true;
    figures.pageSize = pageSize;
    figures.reservedBytes = reserved;
    // The header's page count holds only when the file was last written by a version that keeps it, which then
    // copies the change counter into "version valid for"; otherwise the file's length tells.
    const std::uint32_t counted = BigEndian32(header, 28);
    const bool countCurrent = counted != 0 && BigEndian32(header, 24) == BigEndian32(header, 92);
    figures.pageCount = countCurrent ? counted : fileSize / pageSize;
    figures.freePages = std::min<std::uint64_t>(BigEndian32(header, 36), figures.pageCount);
    const std::uint64_t pagesBytes = figures.pageCount * pageSize;
    figures.reclaimable = figures.freePages * pageSize + (fileSize > pagesBytes ? fileSize - pagesBytes : 0);
    return figures;
}

namespace {

FileEstimate EstimateOne(const std::string& path, bool programRunning, const StopSignal* stop) {
    FileEstimate estimate;
    estimate.path = path;
    estimate.size = QueryDatabaseSize(path);

    const platform::FileHead head = platform::ReadFileHead(path, 100);
    switch (head.result) {
    case platform::HeadRead::read:
        break;
    case platform::HeadRead::held:
        estimate.basis = EstimateBasis::held;
        return estimate;
    case platform::HeadRead::denied:
        estimate.basis = EstimateBasis::denied;
        return estimate;
    case platform::HeadRead::notRegular:
        estimate.basis = EstimateBasis::notDatabase;
        return estimate;
    default:
        estimate.basis = EstimateBasis::unreadable;
        return estimate;
    }
    // An empty file is an empty database: there is nothing in it to give back.
    if (head.bytes.empty()) {
        estimate.basis = programRunning ? EstimateBasis::headerRunning : EstimateBasis::pages;
        return estimate;
    }
    if (head.bytes.size() < sizeof(kSqliteMagic) ||
        std::memcmp(head.bytes.data(), kSqliteMagic, sizeof(kSqliteMagic)) != 0) {
        estimate.basis = EstimateBasis::notDatabase;
        return estimate;
    }
    const HeaderFigures header = ReadHeaderFigures(head.bytes, QueryFileSize(path));
    if (!header.valid) {
        estimate.basis = EstimateBasis::invalid;
        return estimate;
    }
    if (programRunning)
        return FromHeader(estimate, header, EstimateBasis::headerRunning);

    engine::Database database;
    TreeLayout layout;
    RebuildModel model(header.pageSize - header.reservedBytes);
    engine::DbOutcome outcome = database.OpenReadOnly(path);
    if (outcome == engine::DbOutcome::ok)
        outcome = database.ScanTreePages(stop, layout, [&model](const TreePage& page) { model.Add(page); });
    switch (outcome) {
    case engine::DbOutcome::ok:
        break;
    case engine::DbOutcome::busy:
    case engine::DbOutcome::interrupted:
        return FromHeader(estimate, header, EstimateBasis::headerInUse);
    case engine::DbOutcome::cantOpen:
        estimate.basis = EstimateBasis::unreadable;
        return estimate;
    default:
        estimate.basis = EstimateBasis::invalid;
        return estimate;
    }
    if (model.Damaged() || layout.pageSize != header.pageSize) {
        // A damaged page makes "VACUUM" fail. The page size in the header and in the log's newest first page only
        // differ when the file is damaged, or was rewritten by hand, too.
        estimate.basis = EstimateBasis::invalid;
        return estimate;
    }
    const std::uint64_t rebuilt = model.Pages(layout.autoVacuum) * layout.pageSize;
    estimate.reclaimable = estimate.size > rebuilt ? estimate.size - rebuilt : 0;
    estimate.basis = EstimateBasis::pages;
    return estimate;
}

} // namespace

FileEstimate EstimateFile(const std::string& path, bool programRunning, const StopSignal* stop) {
    try {
        return EstimateOne(path, programRunning, stop);
    } catch (...) {
        // Only a failed allocation can get here.
        return {};
    }
}

ProfileToEstimate DescribeProfile(const CBrowserProfile& profile) {
    ProfileToEstimate described;
    described.key = &profile;
    described.name = profile.GetName();
    described.path = profile.GetPath();
    described.program = profile.GetProgram();
    return described;
}

void MarkRunningPrograms(std::vector<ProfileToEstimate>& profiles) {
    std::vector<CBrowser*> programs;
    for (const ProfileToEstimate& profile : profiles)
        if (profile.program != nullptr &&
            std::find(programs.begin(), programs.end(), profile.program) == programs.end())
            programs.push_back(profile.program);
    const std::vector<bool> running = FindRunningProgramsAmong(programs);
    for (ProfileToEstimate& profile : profiles) {
        const auto found = std::find(programs.begin(), programs.end(), profile.program);
        profile.programRunning = found != programs.end() && running[static_cast<std::size_t>(found - programs.begin())];
    }
}

namespace {

bool EstimateEach(const std::vector<ProfileToEstimate>& profiles, const StopSignal* stop,
                  const std::function<void(ProfileEstimate&& estimate)>& onProfile) {
    for (const ProfileToEstimate& profile : profiles) {
        ProfileEstimate estimate;
        estimate.key = profile.key;
        estimate.name = profile.name;
        estimate.path = profile.path;
        estimate.programRunning = profile.programRunning;
        std::vector<std::string> files;
        if (profile.program != nullptr) {
            estimate.programName = profile.program->GetName();
            files = profile.program->GetDatabaseFiles(profile.path);
        }
        for (const std::string& file : files) {
            if (IsStopRequested(stop))
                return false;
            FileEstimate figures = EstimateFile(file, profile.programRunning, stop);
            estimate.size += figures.size;
            estimate.reclaimable += figures.reclaimable;
            if (!figures.WasRead())
                ++estimate.filesNotRead;
            if (figures.basis == EstimateBasis::notDatabase)
                ++estimate.notDatabases;
            estimate.files.push_back(std::move(figures));
        }
        if (IsStopRequested(stop))
            return false;
        if (onProfile)
            onProfile(std::move(estimate));
    }
    return true;
}

} // namespace

bool EstimateProfiles(const std::vector<ProfileToEstimate>& profiles, const StopSignal* stop,
                      const std::function<void(ProfileEstimate&& estimate)>& onProfile) {
    try {
        return EstimateEach(profiles, stop, onProfile);
    } catch (...) {
        // Only a failed allocation can get here; the figures end as a stop ends them, incomplete.
        return false;
    }
}

void ProfileEstimates::Store(ProfileEstimate estimate) {
    const CBrowserProfile* key = estimate.key;
    estimates_[key] = std::move(estimate);
}

const ProfileEstimate* ProfileEstimates::Find(const CBrowserProfile* key) const {
    const auto found = estimates_.find(key);
    return found != estimates_.end() ? &found->second : nullptr;
}

void ProfileEstimates::Forget(const CBrowserProfile* key) {
    estimates_.erase(key);
}

void ProfileEstimates::Clear() {
    estimates_.clear();
}

ProfileEstimates::Sum ProfileEstimates::SumOf(const std::vector<const CBrowserProfile*>& profiles) const {
    Sum sum;
    std::set<const CBrowserProfile*> counted;
    for (const CBrowserProfile* profile : profiles) {
        if (!counted.insert(profile).second)
            continue;
        const ProfileEstimate* estimate = Find(profile);
        if (estimate == nullptr) {
            ++sum.profilesWithout;
            continue;
        }
        sum.size += estimate->size;
        sum.reclaimable += estimate->reclaimable;
        sum.files += estimate->DatabaseCount();
        sum.filesNotRead += estimate->filesNotRead;
    }
    return sum;
}
