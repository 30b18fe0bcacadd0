#pragma once
// Comparing names the way the system's users expect: letter case ignored beyond A to Z.

#include <string>
#include <string_view>

namespace platform {

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

} // namespace platform
