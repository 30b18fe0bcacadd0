#include "platform/WildcardMatch.h"

#include "platform/WideText.h"

#include <windows.h>
#include <shlwapi.h>

namespace platform {

bool MatchSpec(const std::string& text, const std::string& masks) {
    return PathMatchSpecW(Utf8ToWide(text).c_str(), Utf8ToWide(masks).c_str()) != FALSE;
}

} // namespace platform
