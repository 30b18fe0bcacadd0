#include "engine/Optimization.h"

#include "engine/Compaction.h"

#include "catalogue/Browser.h"
#include "engine/LogOutput.h"
#include "engine/ProgressBar.h"
#include "engine/StopSignal.h"
#include "platform/Text.h"

#include <chrono>
#include <cstdio>

namespace {

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
         RunSummary& summary) {
    CLogOutput& log = GetLogOutput();
    log.Log("Starting optimization", 0);

    std::uint64_t sizeBefore = 0;
    std::uint32_t fileCount = 0;
    // Each run lists the files anew: a program may have made or removed databases since the last one.
    for (CBrowserProfile* profile : profiles)
        profile->RefreshFileList();
    for (CBrowserProfile* profile : profiles) {
        sizeBefore += profile->GetTotalSize();
        fileCount += static_cast<std::uint32_t>(profile->GetFileList().size());
    }
    if (progress != nullptr)
        progress->SetRange(static_cast<std::uint32_t>(sizeBefore >> 10));

    const bool several = profiles.size() > 1;
    std::uint64_t sizeAfter = 0;
    std::uint32_t milliseconds = 0;
    for (CBrowserProfile* profile : profiles) {
        const std::uint32_t start = TickCount();
        const std::uint64_t profileBefore = profile->GetTotalSize();
        unsigned notCompacted = 0;
        unsigned notDatabases = 0;
        const bool done = OptimizeProfile(*profile, progress, stop, &notCompacted, &notDatabases);
        summary.filesNotCompacted += notCompacted;
        // What turned out to be no database is no optimized file.
        fileCount -= notDatabases;
        if (!done) {
            log.Log("Operation not completed", 1);
            return false;
        }
        if (IsStopRequested(stop)) {
            log.Log("Operation terminated", 1);
            return false;
        }
        const std::uint32_t duration = TickCount() - start;
        const std::uint64_t profileAfter = profile->GetTotalSize();
        if (several) {
            const auto files = static_cast<std::uint32_t>(profile->GetFileList().size()) - notDatabases;
            log.Log("Optimized " + SizesText(files, profileAfter, profileBefore), 0);
        }
        milliseconds += duration;
        sizeAfter += profileAfter;
    }
    log.Log("Total: optimized " + SizesText(fileCount, sizeAfter, sizeBefore), 0);
    log.Log("Completed in " + SecondsText(milliseconds) + " seconds", 1);
    return true;
}

} // namespace

bool RunOptimization(std::vector<CBrowserProfile*> profiles, IProgressBar* progress, const StopSignal* stop,
                     RunSummary* summary) {
    RunSummary local;
    RunSummary& result = summary != nullptr ? *summary : local;
    result = RunSummary();
    try {
        result.completed = Run(profiles, progress, stop, result);
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
