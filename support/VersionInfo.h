#pragma once
// Version information of program files: the description, company and version of a file's version resource, and
// of the running program.

#include <cstdint>
#include <string>

struct FileVersionInfo {
    std::string description; // FileDescription, trimmed
    std::string company;     // CompanyName, trimmed
    std::string versionText; // FileVersion, trimmed, every ", " replaced by "."
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::uint32_t patch = 0;
    std::uint32_t build = 0;
    bool notLoaded = true; // until a version resource with a translation table was read

    // Stores text as the version text and reads the four numbers from it. A text with "," is read as
    // "%u, %u, %u, %u" and then has every ", " replaced by "." ("1, 5, 0, 42" gives 1.5.0.42); otherwise a text
    // with "." is read as "%u.%u.%u.%u". Reading stops at the first number that cannot be read; that number and
    // the ones after it keep their values. An empty text changes no number.
    void SetFileVersionText(const std::string& text);
};

// Fills info from the version resource of the file at path, from the first translation it lists: only the values
// present and not empty after trimming are stored. False, with info unchanged, when nothing exists at path or the
// file has no version resource with a translation table (so always on Linux, whose files carry none); true
// otherwise, also when some or all of the three values are missing.
bool ReadFileVersionInfo(const std::string& path, FileVersionInfo& info);

// As ReadFileVersionInfo for the file of a loaded module (a module handle on Windows; the running program for
// none). On Linux the running program's information is the one the build gave it.
bool ReadModuleVersionInfo(const void* module, FileVersionInfo& info);

// The full path of a loaded module (the running program for none), of any length; empty on failure.
std::string GetModuleFilePath(const void* module = nullptr);

// The build number (the fourth version number) of a loaded module (the running program for none); 0 when its
// version information cannot be read.
int GetModuleBuildNumber(const void* module = nullptr);
