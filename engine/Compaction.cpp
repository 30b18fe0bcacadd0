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
    done,    // compacted (or already compact); the next file follows
    skipped, // not compacted and reported with a warning or error line; the next file follows
    givenUp, // the owning program still uses the file: the profile is given up
    stopped, // the stop signal ended "VACUUM"
};

std::string ProgramName(const CBrowserProfile& profile) {
    return profile.GetProgram() != nullptr ? profile.GetProgram()->GetName() : std::string();
}

FileResult CompactFile(const CBrowserProfile& profile, const std::string& path, const StopSignal* stop) {
    CLogOutput& log = GetLogOutput();
    // Only a regular file that starts with the SQLite header is ever opened for writing: the engine would make an
    // empty file a new database and write a header over whatever a link leads to (a device, say). The listing
    // tested it already; the file may have changed since.
    const DatabaseFileCheck check = CheckDatabaseFile(path);
    if (check == DatabaseFileCheck::notDatabase) {
        log.Log("Warning: the file is encrypted or not valid", 0);
        return FileResult::skipped;
    }
    engine::Database database;
    // A file held without sharing cannot be opened by the engine either; it would only retry for a while first.
    const engine::DbOutcome opened =
        check == DatabaseFileCheck::held ? engine::DbOutcome::cantOpen : database.Open(path);
    if (opened == engine::DbOutcome::cantOpen && PathExists(path)) {
        // The file is there but cannot be opened: its program holds it without sharing.
        log.Log("Error: SQLITE_CANTOPEN. Seems like related program ('" + ProgramName(profile) + "') is still running",
                0);
        return FileResult::givenUp;
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

bool OptimizeFiles(CBrowserProfile& profile, IProgressBar* progress, const StopSignal* stop, unsigned& notCompacted) {
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
        if (result == FileResult::skipped)
            ++notCompacted;
        if (progress != nullptr)
            progress->SetPos(progress->GetPos() + sizeKb);
        if (result == FileResult::givenUp)
            return false;
    }
    return true;
}

} // namespace

bool OptimizeProfile(CBrowserProfile& profile, IProgressBar* progress, const StopSignal* stop,
                     unsigned* filesNotCompacted) {
    unsigned notCompacted = 0;
    if (filesNotCompacted != nullptr)
        *filesNotCompacted = 0;
    try {
        const bool done = OptimizeFiles(profile, progress, stop, notCompacted);
        if (filesNotCompacted != nullptr)
            *filesNotCompacted = notCompacted;
        return done;
    } catch (...) {
        // Only a failed allocation can get here; the profile counts as not done, which ends the run.
        return false;
    }
}
