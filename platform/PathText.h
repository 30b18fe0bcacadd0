#pragma once
// The one conversion between the core's UTF-8 text and std::filesystem::path.
//
// Never build a path from a raw string elsewhere: on Windows path(std::string) decodes the ANSI code page, not
// UTF-8, and on Linux a wide string goes through the "C" locale and throws on anything non-ASCII.

#include <filesystem>
#include <string>
#include <string_view>

namespace platform {

std::filesystem::path PathFromUtf8(std::string_view utf8);
std::string PathToUtf8(const std::filesystem::path& path);

// The form of a path that file calls should use. On Windows the verbatim "\\?\" form of the absolute path: its last
// component names a file even when it reads as a device (CON, AUX, COM1, con.db), a path may exceed 260
// characters, and a trailing dot or space stays part of the name. The folder part is first made absolute and
// normalised the usual way (current folder, "." and "..", forward slashes). A path already in a "\\?\" or "\\.\"
// form stays as it is. On Linux the path as it is.
std::string FileCallPath(std::string_view utf8);

} // namespace platform
