#pragma once
// Where a supported program keeps its data: one of the user's known folders and a path below it. Each program has
// one list of such places for Windows and one for Linux; where several are listed, the first that exists is used.

#include "platform/System.h"

#include <string>
#include <vector>

enum class KnownFolderId { RoamingAppData, LocalAppData, Home, Config };

struct DataLocation {
    KnownFolderId base;
    std::string relative; // with the platform separator; a trailing separator is kept
};

using DataLocations = std::vector<DataLocation>;

// The known folder, a separator and the relative path; empty when the known folder itself is unknown, so that a
// missing folder never turns into a path relative to the current directory.
std::string ResolveLocation(const platform::KnownFolders& folders, const DataLocation& location);

// The Windows value in the Windows build, the Linux value in the Linux build. Returned by value: the arguments are
// often temporaries, and a reference to one would outlive it.
template <typename T> T ForSystem(T windowsValue, T linuxValue) {
    if constexpr (platform::kWindows)
        return windowsValue;
    else
        return linuxValue;
}
