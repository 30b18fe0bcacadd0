#include "engine/Optimization.h"

#include "engine/Compaction.h"

#include "catalogue/Browser.h"
#include "engine/CompactionQueue.h"
#include "engine/LogOutput.h"
#include "engine/ProgressBar.h"
#include "engine/StopSignal.h"
#include "platform/Files.h"
#include "platform/Storage.h"
#include "platform/Text.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <thread>

namespace {

// More workers than this gain little: the disk becomes the limit, and each worker keeps a compaction's memory.
constexpr unsigned kMostWorkers = 4;

// The rule that keeps a disk that seeks from compacting several files at once: a file runs alone when its volume
// seeks, when the volume of the database engine's temporary folder (where "VACUUM" builds the compacted copy)
// seeks, or when the system cannot tell. Each volume is asked once.
class SeekRule {
public:
    SeekRule() : temporaryFolderSeeks_(Seeks(platform::DatabaseTemporaryFolder())) {}

    bool operator()(const std::string& path) {
        if (temporaryFolderSeeks_)
            return true;
        const std::optional<platform::FileIdentity> identity = platform::GetFileIdentity(path);
        if (!identity)
            return Seeks(path);
        auto known = volumes_.find(identity->volume);
        if (known == volumes_.end())
            known = volumes_.emplace(identity->volume, Seeks(path)).first;
        return known->second;
    }

private:
    static bool Seeks(const std::string& path) {
        return path.empty() || platform::QuerySeekPenalty(path) != platform::SeekPenalty::none;
    }

    bool temporaryFolderSeeks_;
    std::map<std::uint64_t, bool> volumes_;
};

// The options with the program's defaults filled in.
RunOptions Resolve(const RunOptions& options) {
    RunOptions resolved = options;
    if (resolved.workers == 0) {
        // The tests that run the whole program choose this way; nothing else sets the variable.
        const char* forced = std::getenv("TIDYQUILL_TEST_WORKERS");
        const int forcedWorkers = forced != nullptr ? std::atoi(forced) : 0;
        if (forcedWorkers > 0) {
            resolved.workers = static_cast<unsigned>(forcedWorkers);
            if (!resolved.runsAlone)
                resolved.runsAlone = [](const std::string&) { return false; };
        } else {
            resolved.workers = std::clamp(std::thread::hardware_concurrency(), 1u, kMostWorkers);
        }
    }
    if (resolved.workers > 1 && !resolved.runsAlone)
        resolved.runsAlone = SeekRule();
    return resolved;
}

std::uint32_t TickCount() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

std::string SizesText(std::uint32_t files, std::uint64_t after, std::uint64_t before) {
    return std::to_string(files) + " files, new size: " + FormatFileSize(after) + " (was " + FormatFileSize(before) +
           ")";
}

std::string SecondsText(std::uint32_t milliseconds) {
    char text[64];
    std::snprintf(text, sizeof(text), "%.2f", milliseconds / 1000.0);
    return text;
}

bool Run(const std::vector<CBrowserProfile*>& profiles, IProgressBar* progress, const StopSignal* stop,
         RunSummary& summary, const RunOptions& options) {
    CLogOutput& log = GetLogOutput();
    log.Log("Starting optimization", 0);

    std::uint64_t sizeBefore = 0;
    std::uint32_t fileCount = 0;
    // Each run lists the files anew: a program may have made or removed databases since the last one.
    for (CBrowserProfile* profile : profiles)
        profile->RefreshFileList();
    // Each profile's files and size before, taken here, before any file of the run starts. The lists are kept: a
    // program that had no files would be asked again by the next GetFileList.
    std::vector<std::vector<std::string>> lists;
    std::vector<std::uint64_t> profileBefore;
    for (CBrowserProfile* profile : profiles) {
        profileBefore.push_back(profile->GetTotalSize());
        sizeBefore += profileBefore.back();
        lists.push_back(profile->GetFileList());
        fileCount += static_cast<std::uint32_t>(lists.back().size());
    }
    if (progress != nullptr)
        progress->SetRange(static_cast<std::uint32_t>(sizeBefore >> 10));

    // The sizes and the disks matter only to files compacted side by side.
    const RunOptions how = Resolve(options);
    const bool parallel = how.workers > 1;
    std::vector<CompactionJob> jobs;
    for (std::size_t i = 0; i < profiles.size(); ++i) {
        const CBrowser* program = profiles[i]->GetProgram();
        const std::string programName = program != nullptr ? program->GetName() : "";
        for (const std::string& path : lists[i])
            jobs.push_back(
                {path, programName, parallel ? QueryDatabaseSize(path) : 0, parallel && how.runsAlone(path)});
    }
    const std::uint32_t start = TickCount();
    CompactionQueue queue(std::move(jobs), how.workers, progress, stop, how.onFile);

    const bool several = profiles.size() > 1;
    std::uint64_t sizeAfter = 0;
    std::size_t firstFile = 0;
    for (std::size_t i = 0; i < profiles.size(); ++i) {
        CBrowserProfile* profile = profiles[i];
        ProfileCounts counts;
        const bool done = LogProfileCompaction(*profile, lists[i], queue, firstFile, stop, counts);
        firstFile += lists[i].size();
        summary.filesNotCompacted += counts.notCompacted;
        // What turned out to be no database is no optimized file.
        fileCount -= counts.notDatabases;
        if (!done || IsStopRequested(stop)) {
            // The run ends once every file has: none is left half-written behind its last line.
            queue.Finish();
            log.Log(done ? "Operation terminated" : "Operation not completed", 1);
            return false;
        }
        const std::uint64_t profileAfter = profile->GetTotalSize();
        if (several) {
            const auto files = static_cast<std::uint32_t>(lists[i].size()) - counts.notDatabases;
            log.Log("Optimized " + SizesText(files, profileAfter, profileBefore[i]), 0);
        }
        sizeAfter += profileAfter;
    }
    queue.Finish();
    const std::uint32_t milliseconds = TickCount() - start;
    log.Log("Total: optimized " + SizesText(fileCount, sizeAfter, sizeBefore), 0);
    log.Log("Completed in " + SecondsText(milliseconds) + " seconds", 1);
    return true;
}

} // namespace

bool RunOptimization(std::vector<CBrowserProfile*> profiles, IProgressBar* progress, const StopSignal* stop,
                     RunSummary* summary, const RunOptions& options) {
    RunSummary local;
    RunSummary& result = summary != nullptr ? *summary : local;
    result = RunSummary();
    try {
        result.completed = Run(profiles, progress, stop, result, options);
        return result.completed;
    } catch (...) {
        // Only a failed allocation can get here; the run ends as if given up, if that can still be said.
        try {
            GetLogOutput().Log("Operation not completed", 1);
        } catch (...) {
        }
        return false;
    }
}

std::string FormatFileSize(std::uint64_t bytes) {
    return platform::FormatByteSize(bytes);
}
