#pragma once
// Text helpers on UTF-8 strings.

#include <cstddef>
#include <string>
#include <string_view>

// Removes white space (space, tab, line feed, vertical tab, form feed, carriage return) from both ends.
std::string TrimWhitespace(std::string_view text);

// Replaces every occurrence of what in text from left to right, continuing behind each inserted text, and returns
// the number of replacements. An empty what replaces nothing.
std::size_t ReplaceAll(std::string& text, std::string_view what, std::string_view with, bool ignoreCase);

// The first position of what in text, ignoring the case of A to Z; std::string::npos when absent.
std::size_t FindNoCase(std::string_view text, std::string_view what);

// Lower-cases A to Z.
std::string ToLowerAscii(std::string_view text);

// Compares ignoring letter case beyond A to Z (the system's rule; see platform::EqualsIgnoringCase).
bool EqualsNoCase(std::string_view a, std::string_view b);
