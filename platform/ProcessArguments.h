#pragma once
// The arguments the process was started with.

#include <string>
#include <vector>

namespace platform {

// Every argument of the process, the program path first, as UTF-8. Windows splits the process's own command line
// by the system's rules (CommandLineToArgvW on GetCommandLineW) and ignores argc and argv, which the C runtime
// would give in the ANSI code page; elsewhere the arguments are argv as given.
std::vector<std::string> GetProcessArguments(int argc, const char* const* argv);

} // namespace platform
