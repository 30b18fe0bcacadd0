#pragma once
// A fake user for catalogue tests: known folders inside a temporary folder, and the data folder of each supported
// program where the program would keep it on this system.

#include "TestSupport.h"

#include "catalogue/Browser.h"
#include "platform/System.h"

#include <string>
#include <utility>
#include <vector>

namespace testing_support {

class FakeUser {
public:
    FakeUser();

    // Windows: Roaming and Local inside the temporary folder; Linux: home and home/.config.
    const platform::KnownFolders& Folders() const { return folders_; }

    // The folder in which the named program keeps its data on this system (its profiles.ini folder, its "User
    // Data" folder, its profile folder or its messenger data folder), without a trailing separator. Empty for a
    // program that has no such folder here. "Chrome SxS" and "Edge SxS" name a later candidate of Chrome's and Edge's
    // (Windows: the Canary's).
    std::string ProgramFolder(const std::string& program) const;

    // A file starting with the SQLite header, so the header test accepts it.
    static void WriteDatabase(const std::string& path);

    std::string operator/(const std::string& relative) const { return temp_ / relative; }
    // The temporary folder that holds everything of this user.
    const std::string& Path() const { return temp_.Path(); }

private:
    TempFolder temp_;
    platform::KnownFolders folders_;
};

// (name, path) of every profile that a program holds, in its order.
std::vector<std::pair<std::string, std::string>> ProfilesOf(const CBrowser& program);

// (name, path) of every profile that a program of the given class finds for the user.
template <typename Program> std::vector<std::pair<std::string, std::string>> FoundProfiles(const FakeUser& user) {
    Program program(user.Folders());
    program.FindProfiles();
    return ProfilesOf(program);
}

// The 16-byte SQLite header and some padding.
std::string SqliteHeaderBytes();

} // namespace testing_support
