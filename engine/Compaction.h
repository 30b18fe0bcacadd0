#pragma once
// The compaction of one profile: its database files, one after the other.

class CBrowserProfile;
class IProgressBar;
class StopSignal;

// Compacts every database file of the profile and advances the progress bar by each file's size in kilobytes.
// Answers false when the profile was given up because its program still uses its files (another process holds one
// without sharing, or a lock); a file this user may not read gets a warning line and the next file follows.
// filesNotCompacted, when given, receives how many files were tried but not compacted (not a database, could not be
// opened, "VACUUM" failed); each was reported with a warning or error line. filesNotDatabases, when given, receives
// how many of them were no database at all (a file with a database's name but not its header, a folder, a
// device): the run does not count those as optimized.
bool OptimizeProfile(CBrowserProfile& profile, IProgressBar* progress, const StopSignal* stop,
                     unsigned* filesNotCompacted = nullptr, unsigned* filesNotDatabases = nullptr);
