#pragma once
// Opening a path for its status and identity only, shared by the Windows file helpers. Include after windows.h.

#include <windows.h>

#include <string>

namespace platform {

// Opens the file or folder at a UTF-8 path with no data access (so no sharing conflict), following links; the
// verbatim form first, so that a name such as CON is the file; then, when that finds nothing, the path as typed,
// whose last component may end in a dot or space that the usual form drops ("C:\profile." is C:\profile), unless
// it then reads as a device. INVALID_HANDLE_VALUE when it cannot be opened.
HANDLE OpenPathForStatus(const std::string& path);

} // namespace platform
