#pragma once
// UTF-8 <-> UTF-16 at the Win32 edge. Windows build only: used by platform/*_win.cpp and ui/.

#include <string>
#include <string_view>

namespace platform {

// Invalid UTF-8 sequences become U+FFFD.
std::wstring Utf8ToWide(std::string_view utf8);
// Unpaired surrogates become U+FFFD.
std::string WideToUtf8(std::wstring_view wide);
// Converts UTF-8 text to a narrow code page such as CP_THREAD_ACP, for the console and saved text files.
std::string Utf8ToCodePage(std::string_view utf8, unsigned codePage);
// Decodes bytes in a narrow code page such as CP_ACP to UTF-8.
std::string CodePageToUtf8(std::string_view bytes, unsigned codePage);
// FileCallPath (PathText.h) in UTF-16, for the Win32 file calls.
std::wstring FileCallWidePath(std::string_view utf8);

} // namespace platform
