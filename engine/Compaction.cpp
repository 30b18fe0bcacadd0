#include "engine/Compaction.h"

#include "catalogue/Browser.h"
#include "engine/Database.h"
#include "engine/LogOutput.h"
#include "engine/ProgressBar.h"
#include "engine/StopSignal.h"
#include "support/FolderHelpers.h"

#include <cstdint>
#include <string>

namespace {

enum class FileResult {
    done,        // compacted (or already compact); the next file follows
    skipped,     // not compacted and reported with a warning or error line; the next file follows
    notDatabase, // no database at all (reported with the warning line); the next file follows
    givenUp,     // the owning program still uses the file: the profile is given up
    stopped,     // the stop signal ended "VACUUM"
};

struct FileCounts {
    unsigned notCompacted = 0; // tried but not compacted, each with its line (the files below included)
    unsigned notDatabases = 0; // listed by a name mask but no database at all
};

std::string ProgramName(const CBrowserProfile& profile) {
    return profile.GetProgram() != nullptr ? profile.GetProgram()->GetName() : std::string();
}

// What a file that cannot be opened comes to, by what the start of the file says now: held by another process
// (its program still runs: the profile is given up), not this user's to read (a line of its own, and the next file
// follows), or any other failure (the engine's error, and the next file follows).
FileResult ReportOpenFailure(const CBrowserProfile& profile, const std::string& path, DatabaseFileCheck check,
                             const std::string& engineError) {
    CLogOutput& log = GetLogOutput();
    switch (check) {
    case DatabaseFileCheck::held:
        log.Log("Error: SQLITE_CANTOPEN. Seems like related program ('" + ProgramName(profile) + "') is still running",
                0);
        return FileResult::givenUp;
    case DatabaseFileCheck::denied:
        log.Log("Warning: cannot open " + LastPathComponent(path) + ": access is denied", 0);
        return FileResult::skipped;
    default:
        log.Log("Error: cannot open the file, error " + engineError, 0);
        return FileResult::skipped;
    }
}

FileResult CompactFile(const CBrowserProfile& profile, const std::string& path, const StopSignal* stop) {
    CLogOutput& log = GetLogOutput();
    // Only a regular file that starts with the SQLite header is ever opened for writing: the engine would make an
    // empty file a new database and write a header over whatever a link leads to (a device, say). The listing
    // tested it already; the file may have changed since.
    const DatabaseFileCheck check = CheckDatabaseFile(path);
    switch (check) {
    case DatabaseFileCheck::notDatabase:
        log.Log("Warning: the file is encrypted or not valid", 0);
        return FileResult::notDatabase;
    case DatabaseFileCheck::empty:
        return FileResult::done; // an empty database: nothing to compact
    case DatabaseFileCheck::held:
    case DatabaseFileCheck::denied:
        // The engine could not open it either; it would only retry for a while first.
        return ReportOpenFailure(profile, path, check, {});
    default:
        break;
    }
    engine::Database database;
    const engine::DbOutcome opened = database.Open(path);
    if (opened == engine::DbOutcome::cantOpen && PathExists(path)) {
        // The file is there but the engine cannot open it: only another process holding it without sharing means
        // that its program still runs. Ask the file again, since it may have changed since the first look.
        return ReportOpenFailure(profile, path, CheckDatabaseFile(path), database.ErrorText());
    }
    if (opened != engine::DbOutcome::ok) {
        log.Log("Error: cannot open the file, error " + database.ErrorText(), 0);
        return FileResult::skipped;
    }

    // Read before the hook is installed: a stop must not end this read instead of "VACUUM".
    const std::int64_t versionBefore = database.SchemaVersion();
    // Without a stop signal nothing can interrupt the statement, so no hook slows it down.
    database.InterruptOnStop(stop);
    const engine::DbOutcome vacuumed = database.Execute("VACUUM");
    // A stop wins over whatever "VACUUM" answered: an interrupted statement fails, and one stopped during its
    // final copy may even have finished.
    if (IsStopRequested(stop))
        return FileResult::stopped;

    switch (vacuumed) {
    case engine::DbOutcome::ok:
        // In WAL mode the compacted pages went to the write-ahead log: copy them back into the database now and
        // empty the log, so that the sizes after the run are the real ones. The close would checkpoint too, but
        // leaves the log at its full size when something else keeps it open.
        database.Checkpoint();
        return FileResult::done;
    case engine::DbOutcome::busy:
        log.Log("Error: the file is locked. Seems like related program ('" + ProgramName(profile) +
                    "') is still running",
                0);
        return FileResult::givenUp;
    case engine::DbOutcome::notADatabase:
        log.Log("Warning: the file is encrypted or not valid", 0);
        return FileResult::skipped;
    default:
        // "VACUUM" can fail after it committed the compacted file: it writes out the rest of its temporary copy
        // afterwards, and a full disk can stop that. The commit raised the schema cookie; the file is compacted.
        if (versionBefore >= 0 && database.SchemaVersion() == versionBefore + 1)
            return FileResult::done;
        log.Log("Warning: the file was not compacted: " + database.ErrorText(), 0);
        return FileResult::skipped;
    }
}

bool OptimizeFiles(CBrowserProfile& profile, IProgressBar* progress, const StopSignal* stop, FileCounts& counts) {
    CLogOutput& log = GetLogOutput();
    log.Log("Optimizing '" + profile.GetName() + "'", 1);
    log.Log("Path: " + profile.GetPath(), 0);

    for (const std::string& path : profile.GetFileList()) {
        if (IsStopRequested(stop))
            break;
        log.Log(LastPathComponent(path) + "...", 0);
        // The size before compaction is what the run counted into the bar's range.
        const auto sizeKb = static_cast<std::uint32_t>(QueryDatabaseSize(path) >> 10);

        const FileResult result = CompactFile(profile, path, stop);
        if (result == FileResult::stopped)
            break;
        if (result == FileResult::skipped || result == FileResult::notDatabase)
            ++counts.notCompacted;
        if (result == FileResult::notDatabase)
            ++counts.notDatabases;
        if (progress != nullptr)
            progress->SetPos(progress->GetPos() + sizeKb);
        if (result == FileResult::givenUp)
            return false;
    }
    return true;
}

} // namespace

bool OptimizeProfile(CBrowserProfile& profile, IProgressBar* progress, const StopSignal* stop,
                     unsigned* filesNotCompacted, unsigned* filesNotDatabases) {
    FileCounts counts;
    const auto report = [&] {
        if (filesNotCompacted != nullptr)
            *filesNotCompacted = counts.notCompacted;
        if (filesNotDatabases != nullptr)
            *filesNotDatabases = counts.notDatabases;
    };
    report();
    try {
        const bool done = OptimizeFiles(profile, progress, stop, counts);
        report();
        return done;
    } catch (...) {
        // Only a failed allocation can get here; the profile counts as not done, which ends the run.
        return false;
    }
}
