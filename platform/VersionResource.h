#pragma once
// The version resource of a program file: the strings of its first translation.

#include <optional>
#include <string>

namespace platform {

// The three strings the application reads, as stored (not trimmed); each none when the resource lacks it.
struct VersionStrings {
    std::optional<std::string> fileDescription;
    std::optional<std::string> companyName;
    std::optional<std::string> fileVersion;
};

// The strings of the first translation named in the file's "\VarFileInfo\Translation". None when the file has no
// version resource, or one without a translation table. Linux files carry no version resource: always none there.
std::optional<VersionStrings> ReadVersionResource(const std::string& path);

// The same for the running program. On Linux, whose executables carry no resource, these are the strings the
// build gave the program (the same that the Windows build writes into its resource).
std::optional<VersionStrings> ReadRunningProgramVersion();

} // namespace platform
