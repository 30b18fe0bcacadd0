#include "support/StringHelpers.h"

#include "platform/Text.h"

#include <algorithm>

namespace {

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

} // namespace

std::string TrimWhitespace(std::string_view text) {
    size_t begin = 0, end = text.size();
    while (begin < end && IsSpace(text[begin]))
        ++begin;
    while (end > begin && IsSpace(text[end - 1]))
        --end;
    return std::string(text.substr(begin, end - begin));
}

std::string ToLowerAscii(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), LowerAscii);
    return lower;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return platform::EqualsIgnoringCase(a, b);
}

std::size_t FindNoCase(std::string_view text, std::string_view what) {
    const auto found = std::search(text.begin(), text.end(), what.begin(), what.end(),
                                   [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
    if (found == text.end())
        return what.empty() ? 0 : std::string::npos;
    return static_cast<std::size_t>(found - text.begin());
}

std::size_t ReplaceAll(std::string& text, std::string_view what, std::string_view with, bool ignoreCase) {
    if (what.empty())
        return 0;
    std::size_t count = 0;
    std::string result;
    std::size_t pos = 0;
    while (pos <= text.size()) {
        const std::string_view rest = std::string_view(text).substr(pos);
        const std::size_t found = ignoreCase ? FindNoCase(rest, what) : rest.find(what);
        if (found == std::string::npos)
            break;
        result.append(rest.substr(0, found));
        result.append(with);
        pos += found + what.size();
        ++count;
    }
    if (count > 0) {
        result.append(std::string_view(text).substr(pos));
        text = std::move(result);
    }
    return count;
}
