#pragma once
// The process's last line of defence against a fault that nothing handles: on Windows an unhandled-exception filter
// that writes a minidump of the process, runs a step of the caller's (the report), and ends the process with exit
// code 1. What the dump is named and what the step does are the caller's.

#include <functional>
#include <string>
#include <vector>

namespace platform {

struct CrashHandlerSteps {
    // The dump file's name, without a folder; asked when a fault happens.
    std::function<std::string()> dumpFileName;
    // Runs on the faulting thread after the dump was written, with its full path.
    std::function<void(const std::string& dumpPath)> afterDump;
};

// Installs the filter and then locks it in place, so that later attempts of any code in the process to replace it
// do nothing. Only the first call installs; false when none could be installed (always on Linux, where the
// system's own crash handling stays).
bool InstallCrashHandler(CrashHandlerSteps steps);

// "<major>.<minor>_<architecture>" of the running system, "10.0_x64" for example: on Windows the version that
// GetVersion reports and _x64 or _x86 by the native processor; on Linux the kernel's release and machine.
std::string GetWindowsVersionTag();

// Creates an empty file named fileName in the first of the folders that takes it (replacing a file of that name)
// and answers its full path; empty when none does. The full path is at most 2047 characters. The filter places its
// dump this way in the current folder, else in the user's temporary folder.
std::string CreateDumpFile(const std::string& fileName, const std::vector<std::string>& folders);

} // namespace platform
