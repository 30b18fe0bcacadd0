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

} // namespace platform
