#pragma once
// A fake user for catalogue tests: known folders inside a temporary folder, and the data folder of each supported
// program where the program would keep it on this system.

#include "TestSupport.h"

#include "platform/KnownFolders.h"

#include <string>

namespace testing_support {

class FakeUser {
public:
    FakeUser();

    // Windows: Roaming and Local inside the temporary folder; Linux: home and home/.config.
    const platform::KnownFolders& Folders() const { return folders_; }

    // The folder in which the named program keeps its data on this system (its profiles.ini folder, its "User
    // Data" folder, its profile folder or its messenger data folder), without a trailing separator. Empty for a
    // program that has no such folder here. "Chrome SxS" names Chrome's second candidate.
    std::string ProgramFolder(const std::string& program) const;

    // A file starting with the SQLite header, so the header test accepts it.
    static void WriteDatabase(const std::string& path);

    std::string operator/(const std::string& relative) const { return temp_ / relative; }

private:
    TempFolder temp_;
    platform::KnownFolders folders_;
};

// The 16-byte SQLite header and some padding.
std::string SqliteHeaderBytes();

} // namespace testing_support
