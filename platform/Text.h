#pragma once
// Text and paths: UTF-8 checks and repairs, paths from and to UTF-8, comparing ignoring case, sizes as the
// system writes them, and (Windows) UTF-16 and code pages at the Win32 edge.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace platform {

// UTF-8 decoding and validation, the same on every system.

// True when the bytes are well-formed UTF-8: no overlong forms, no surrogate code points, nothing above U+10FFFF,
// and neither U+FFFE nor U+FFFF. Plain ASCII passes.
bool IsWellFormedUtf8(std::string_view bytes);

// Decodes UTF-8 into code points; each byte that does not start a well-formed sequence becomes U+FFFD.
std::u32string DecodeUtf8Lenient(std::string_view bytes);

// Text that is safe to show on a terminal: every byte that does not start a well-formed UTF-8 sequence becomes
// U+FFFD, the C0 controls and DEL become "\x" and two hex digits (ESC is "\x1b"), and the C1 controls U+0080 to
// U+009F become U+FFFD. Everything else is kept.
std::string MakePrintable(std::string_view bytes);

// Encodes one code point as UTF-8.
void AppendUtf8(std::string& out, char32_t codePoint);

// Decodes Latin-1 (ISO 8859-1) bytes to UTF-8: the code page of text that is not UTF-8 on Linux.
std::string Latin1ToUtf8(std::string_view bytes);

// The one conversion between the core's UTF-8 text and std::filesystem::path.
//
// Never build a path from a raw string elsewhere: on Windows path(std::string) decodes the ANSI code page, not
// UTF-8, and on Linux a wide string goes through the "C" locale and throws on anything non-ASCII.

std::filesystem::path PathFromUtf8(std::string_view utf8);
std::string PathToUtf8(const std::filesystem::path& path);

// The form of a path that file calls should use. On Windows the verbatim "\\?\" form of the absolute path: its last
// component names a file even when it reads as a device (CON, AUX, COM1, con.db), a path may exceed 260
// characters, and a trailing dot or space stays part of the name. The folder part is first made absolute and
// normalised the usual way (current folder, "." and "..", forward slashes). A path already in a "\\?\" or "\\.\"
// form stays as it is. On Linux the path as it is.
std::string FileCallPath(std::string_view utf8);

// Comparing names the way the system's users expect: letter case ignored beyond A to Z.

// True when two UTF-8 texts are equal ignoring letter case. Windows: the system's ordinal comparison ignoring case
// (CompareStringOrdinal). Elsewhere: Unicode simple case folding, one code point for one, so that "Jörg" equals
// "JÖRG" and a final sigma its capital, while the Turkish dotless i stays apart from i and I. Bytes that are not
// valid UTF-8 compare only with the same bytes.
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

#ifndef _WIN32
// The same text for exactly the texts that EqualsIgnoringCase finds equal, to look names up in a hash table: the
// folded code points, four bytes each. (Windows leaves INI look-ups to the system.)
std::string CaseFoldKey(std::string_view text);
#endif

// The short byte-size form of file sizes in the run's report: "1023 bytes", "1.30 KB", "2.28 MB".

// The system's short byte-size form on Windows (StrFormatByteSizeW), ShortByteSize on Linux. Sizes from 2^63
// bytes up are shown as 2^63 - 1 bytes ("7.99 EB"), since the system form takes a signed 64-bit count.
std::string FormatByteSize(std::uint64_t bytes);

// Our own form, the same text as the Windows form for every size: below 1024 the count and " bytes"; otherwise
// three significant digits, truncated, in KB, MB, GB, TB, PB or EB (steps of 1024), where a number from 1000 up
// moves to the next unit ("0.97 MB").
std::string ShortByteSize(std::uint64_t bytes);

#ifdef _WIN32
// UTF-8 <-> UTF-16 at the Win32 edge. Windows build only: used by platform/*_win.cpp and ui/.

// Invalid UTF-8 sequences become U+FFFD.
std::wstring Utf8ToWide(std::string_view utf8);
// Unpaired surrogates become U+FFFD.
std::string WideToUtf8(std::wstring_view wide);
// Converts UTF-8 text to a narrow code page such as CP_THREAD_ACP, for the console and saved text files.
std::string Utf8ToCodePage(std::string_view utf8, unsigned codePage);
// Converts UTF-16 text to a narrow code page; characters the code page lacks become its default character.
std::string WideToCodePage(std::wstring_view wide, unsigned codePage);
// Decodes bytes in a narrow code page such as CP_ACP to UTF-8.
std::string CodePageToUtf8(std::string_view bytes, unsigned codePage);
// FileCallPath (above) in UTF-16, for the Win32 file calls.
std::wstring FileCallWidePath(std::string_view utf8);
#endif

} // namespace platform
