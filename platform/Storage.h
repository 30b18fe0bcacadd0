#pragma once
// Storage: what kind of disk holds a file, and where the database engine writes its temporary files. A run
// compacts several files at once only where no disk has to move its heads between them.

#include <string>

namespace platform {

// Whether reads and writes at scattered places of a volume cost a seek.
enum class SeekPenalty {
    none,    // no seek penalty: a solid-state disk, memory
    seeks,   // a spinning disk
    unknown, // the system does not tell (a network share, a volume over several disks, no access, no such path)
};

// What the system says of the volume that holds path (an existing file or folder). Windows: the volume's storage
// property StorageDeviceSeekPenaltyProperty (IOCTL_STORAGE_QUERY_PROPERTY). Linux: the block device's
// queue/rotational flag, the whole disk's for a partition; a file system without a device number of its own
// (btrfs, tmpfs) is found in the mount table: memory has no penalty, a device named there is asked in turn.
SeekPenalty QuerySeekPenalty(const std::string& path);

// The folder in which SQLite makes the temporary files of this process (the compacted copy that "VACUUM" builds),
// found by SQLite's own rule; empty when there is none. Windows: the user's temporary folder (GetTempPathW).
// Linux: the first of $SQLITE_TMPDIR, $TMPDIR, /var/tmp, /usr/tmp and /tmp that is a folder this process may write
// in.
std::string DatabaseTemporaryFolder();

#ifndef _WIN32
// QuerySeekPenalty with another copy of /sys and of /proc/self/mountinfo, so that tests can describe disks.
SeekPenalty QuerySeekPenaltyFrom(const std::string& path, const std::string& sysFolder,
                                 const std::string& mountInfoFile);
#endif

} // namespace platform
