#pragma once
// Facts about the system this build targets, for the few rules that differ between Windows and Linux.

namespace platform {

#ifdef _WIN32
inline constexpr bool kWindows = true;
// Separator between the components of a path.
inline constexpr char kPathSeparator = '\\';
// Windows file systems ignore letter case; profile paths are compared accordingly.
inline constexpr bool kCaseInsensitivePaths = true;
#else
inline constexpr bool kWindows = false;
inline constexpr char kPathSeparator = '/';
inline constexpr bool kCaseInsensitivePaths = false;
#endif

// True for the characters that end a path component on this system.
constexpr bool IsPathSeparator(char c) {
    return c == kPathSeparator || (kWindows && c == '/');
}

} // namespace platform
