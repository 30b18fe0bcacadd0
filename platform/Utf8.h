#pragma once
// UTF-8 decoding and validation, the same on every system.

#include <string>
#include <string_view>

namespace platform {

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

} // namespace platform
