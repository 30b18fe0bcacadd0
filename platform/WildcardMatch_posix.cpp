#include "platform/WildcardMatch.h"

#include "platform/Utf8.h"

#include <string_view>

namespace platform {

namespace {

char32_t Upper(char32_t c) {
    return (c >= U'a' && c <= U'z') ? c - (U'a' - U'A') : c;
}

// One mask against the whole text. '*' matches any run of characters, '?' exactly one. Greedy with a single
// back-track point, which gives the same answers as trying every split but in linear space and quadratic time.
bool MatchSingle(std::u32string_view text, std::u32string_view mask) {
    size_t t = 0, m = 0;
    size_t starMask = std::u32string_view::npos, starText = 0;
    while (t < text.size()) {
        if (m < mask.size() && mask[m] == U'*') {
            starMask = m++;
            starText = t;
        } else if (m < mask.size() && (mask[m] == U'?' || Upper(mask[m]) == Upper(text[t]))) {
            ++m;
            ++t;
        } else if (starMask != std::u32string_view::npos) {
            m = starMask + 1;
            t = ++starText;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == U'*')
        ++m;
    return m == mask.size();
}

} // namespace

bool MatchSpec(const std::string& text, const std::string& masks) {
    if (masks == "*.*")
        return true;
    const std::u32string path = DecodeUtf8Lenient(text);
    const std::u32string all = DecodeUtf8Lenient(masks);
    std::u32string_view rest(all);
    while (!rest.empty()) {
        while (!rest.empty() && rest.front() == U' ')
            rest.remove_prefix(1);
        const size_t end = rest.find(U';');
        if (MatchSingle(path, rest.substr(0, end)))
            return true;
        if (end == std::u32string_view::npos)
            break;
        rest.remove_prefix(end + 1);
    }
    return false;
}

} // namespace platform
