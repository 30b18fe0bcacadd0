#include "engine/Compaction.h"

#include "catalogue/Browser.h"
#include "engine/CompactionQueue.h"
#include "engine/Database.h"
#include "engine/LogOutput.h"
#include "engine/StopSignal.h"
#include "support/FolderHelpers.h"

namespace {

std::string ProgramName(const CBrowserProfile& profile) {
    return profile.GetProgram() != nullptr ? profile.GetProgram()->GetName() : std::string();
}

// What a file that cannot be opened comes to, by what the start of the file says now: held by another process
// (its program still runs: the profile is given up), not this user's to read (a line of its own, and the next file
// follows), or any other failure (the engine's error, and the next file follows).
FileOutcome ReportOpenFailure(const std::string& path, const std::string& programName, DatabaseFileCheck check,
                              const std::string& engineError, std::vector<LogMessage>& lines) {
    switch (check) {
    case DatabaseFileCheck::held:
        lines.push_back(
            {"Error: SQLITE_CANTOPEN. Seems like related program ('" + programName + "') is still running", 0});
        return FileOutcome::givenUp;
    case DatabaseFileCheck::denied:
        lines.push_back({"Warning: cannot open " + LastPathComponent(path) + ": access is denied", 0});
        return FileOutcome::skipped;
    default:
        lines.push_back({"Error: cannot open the file, error " + engineError, 0});
        return FileOutcome::skipped;
    }
}

FileOutcome Compact(const std::string& path, const std::string& programName, const StopSignal* stop,
                    const StopSignal* cancel, FileCompaction& file) {
    std::vector<LogMessage>& lines = file.lines;
    // Only a regular file that starts with the SQLite header is ever opened for writing: the engine would make an
    // empty file a new database and write a header over whatever a link leads to (a device, say). The listing
    // tested it already; the file may have changed since.
    const DatabaseFileCheck check = CheckDatabaseFile(path);
    switch (check) {
    case DatabaseFileCheck::notDatabase:
        lines.push_back({"Warning: the file is encrypted or not valid", 0});
        return FileOutcome::notDatabase;
    case DatabaseFileCheck::empty:
        return FileOutcome::done; // an empty database: nothing to compact
    case DatabaseFileCheck::held:
    case DatabaseFileCheck::denied:
        // The engine could not open it either; it would only retry for a while first.
        return ReportOpenFailure(path, programName, check, {}, lines);
    default:
        break;
    }
    engine::Database database;
    const engine::DbOutcome opened = database.Open(path);
    if (opened == engine::DbOutcome::cantOpen && PathExists(path)) {
        // The file is there but the engine cannot open it: only another process holding it without sharing means
        // that its program still runs. Ask the file again, since it may have changed since the first look.
        return ReportOpenFailure(path, programName, CheckDatabaseFile(path), database.ErrorText(), lines);
    }
    if (opened != engine::DbOutcome::ok) {
        lines.push_back({"Error: cannot open the file, error " + database.ErrorText(), 0});
        return FileOutcome::skipped;
    }

    // Read before the hook is installed: a stop must not end this read instead of "VACUUM".
    const std::int64_t versionBefore = database.SchemaVersion();
    database.InterruptOnStop(stop, cancel);
    const engine::DbOutcome vacuumed = database.Execute("VACUUM");
    // A stop wins over whatever "VACUUM" answered: an interrupted statement fails, and one stopped during its
    // final copy may even have finished.
    if (IsStopRequested(stop) || IsStopRequested(cancel))
        return FileOutcome::stopped;

    switch (vacuumed) {
    case engine::DbOutcome::ok:
        // In WAL mode the compacted pages went to the write-ahead log: copy them back into the database now and
        // empty the log, so that the sizes after the run are the real ones. The close would checkpoint too, but
        // leaves the log at its full size when something else keeps it open.
        database.Checkpoint();
        return FileOutcome::done;
    case engine::DbOutcome::busy:
        lines.push_back(
            {"Error: the file is locked. Seems like related program ('" + programName + "') is still running", 0});
        return FileOutcome::givenUp;
    case engine::DbOutcome::notADatabase:
        lines.push_back({"Warning: the file is encrypted or not valid", 0});
        return FileOutcome::skipped;
    default:
        // "VACUUM" can fail after it committed the compacted file: it writes out the rest of its temporary copy
        // afterwards, and a full disk can stop that. The commit raised the schema cookie; the file is compacted.
        if (versionBefore >= 0 && database.SchemaVersion() == versionBefore + 1)
            return FileOutcome::done;
        file.noRoom = vacuumed == engine::DbOutcome::noRoom;
        lines.push_back({"Warning: the file was not compacted: " + database.ErrorText(), 0});
        return FileOutcome::skipped;
    }
}

} // namespace

FileCompaction CompactDatabaseFile(const std::string& path, const std::string& programName, const StopSignal* stop,
                                   const StopSignal* cancel) {
    FileCompaction file;
    // The size before compaction is what the run counted into the bar's range.
    file.sizeKb = static_cast<std::uint32_t>(QueryDatabaseSize(path) >> 10);
    file.outcome = Compact(path, programName, stop, cancel, file);
    return file;
}

bool LogProfileCompaction(const CBrowserProfile& profile, const std::vector<std::string>& files, CompactionQueue& queue,
                          std::size_t firstFile, const StopSignal* stop, ProfileCounts& counts) {
    CLogOutput& log = GetLogOutput();
    log.Log("Optimizing '" + profile.GetName() + "'", 1);
    log.Log("Path: " + profile.GetPath(), 0);

    for (std::size_t i = 0; i < files.size(); ++i) {
        // A file that has not started by the time the stop came never starts.
        if (IsStopRequested(stop) || !queue.WaitUntilStarted(firstFile + i))
            break;
        log.Log(LastPathComponent(files[i]) + "...", 0);
        const FileCompaction file = queue.WaitUntilFinished(firstFile + i);
        // A stop ends the log at the file it finds, as it ends a compaction one file after another at the file it
        // interrupts: whatever else came of that file is not told.
        if (file.outcome == FileOutcome::stopped || IsStopRequested(stop))
            break;
        for (const LogMessage& line : file.lines)
            log.Log(line.text, line.bold);
        if (file.outcome == FileOutcome::skipped || file.outcome == FileOutcome::notDatabase)
            ++counts.notCompacted;
        if (file.outcome == FileOutcome::notDatabase)
            ++counts.notDatabases;
        if (file.outcome == FileOutcome::givenUp)
            return false;
    }
    return true;
}

bool OptimizeProfile(CBrowserProfile& profile, IProgressBar* progress, const StopSignal* stop,
                     unsigned* filesNotCompacted, unsigned* filesNotDatabases) {
    ProfileCounts counts;
    const auto report = [&] {
        if (filesNotCompacted != nullptr)
            *filesNotCompacted = counts.notCompacted;
        if (filesNotDatabases != nullptr)
            *filesNotDatabases = counts.notDatabases;
    };
    report();
    try {
        // The list as it is now: a program that had none may have one when it is asked again.
        const std::vector<std::string> files = profile.GetFileList();
        std::vector<CompactionJob> jobs;
        for (const std::string& path : files)
            jobs.push_back({path, ProgramName(profile), 0, false});
        CompactionQueue queue(std::move(jobs), 1, progress, stop);
        const bool done = LogProfileCompaction(profile, files, queue, 0, stop, counts);
        queue.Finish();
        report();
        return done;
    } catch (...) {
        // Only a failed allocation can get here; the profile counts as not done, which ends the run.
        return false;
    }
}
