#pragma once
// Where the running program's file is.

#include <string>

namespace platform {

// The full path of a loaded module (a module handle on Windows; the running program for none), of any length;
// empty on failure. On Linux only the running program can be asked (through /proc/self/exe): any other module
// gives an empty path.
std::string GetModuleFilePath(const void* module);

} // namespace platform
