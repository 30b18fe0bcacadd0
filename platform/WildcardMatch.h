#pragma once
// The shell's wildcard match: '*' and '?', letter case ignored, several masks separated by ';'.

#include <string>

namespace platform {

// True when text (usually a full path) matches one of the masks. "*.*" matches everything; '*' also matches
// separators, so "*.sqlite" matches a full path that ends in ".sqlite".
bool MatchSpec(const std::string& text, const std::string& masks);

} // namespace platform
