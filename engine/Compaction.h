#pragma once
// The compaction of one profile: its database files, one after the other.

class CBrowserProfile;
class IProgressBar;
class StopSignal;

// Compacts every database file of the profile and advances the progress bar by each file's size in kilobytes.
// Answers false when the profile was given up because its program still uses its files. filesNotCompacted, when
// given, receives how many files were tried but not compacted (not a database, could not be opened, "VACUUM"
// failed); each was reported with a warning or error line.
bool OptimizeProfile(CBrowserProfile& profile, IProgressBar* progress, const StopSignal* stop,
                     unsigned* filesNotCompacted = nullptr);
