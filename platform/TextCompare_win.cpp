#include "platform/TextCompare.h"

#include "platform/Utf8.h"
#include "platform/WideText.h"

#include <windows.h>

#include <string>

namespace platform {

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a == b)
        return true;
    // Text that is not UTF-8 would turn into replacement characters and match other such text: it is compared
    // byte for byte, A to Z folded.
    if (!IsWellFormedUtf8(a) || !IsWellFormedUtf8(b)) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (a.size() != b.size())
            return false;
        for (std::size_t i = 0; i < a.size(); ++i)
            if (lower(a[i]) != lower(b[i]))
                return false;
        return true;
    }
    const std::wstring wideA = Utf8ToWide(a);
    const std::wstring wideB = Utf8ToWide(b);
    return CompareStringOrdinal(wideA.c_str(), static_cast<int>(wideA.size()), wideB.c_str(),
                                static_cast<int>(wideB.size()), TRUE) == CSTR_EQUAL;
}

} // namespace platform
