#include "support/UpdateFile.h"

#include <climits>

#include "platform/Text.h"

int ReadBuildNumber(std::string_view field) {
    std::size_t i = 0;
    auto isSpace = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    while (i < field.size() && isSpace(field[i]))
        ++i;
    bool negative = false;
    if (i < field.size() && (field[i] == '+' || field[i] == '-'))
        negative = field[i++] == '-';
    long long value = 0;
    for (; i < field.size() && field[i] >= '0' && field[i] <= '9'; ++i) {
        value = value * 10 + (field[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            break; // clamped below; more digits change nothing
    }
    if (negative)
        value = -value;
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}

std::vector<std::string> SplitUpdateFields(std::string_view text) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('|', start);
        if (end == std::string_view::npos)
            end = text.size();
        if (end > start)
            fields.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return fields;
}

std::optional<UpdateAnnouncement> FindNewerVersion(std::string_view file, int runningBuild,
                                                   const std::function<std::string(std::string_view)>& decode) {
    std::string_view bytes = file.substr(0, kUpdateFileReadLimit);
    std::string text = decode ? decode(bytes) : std::string(bytes);
    std::vector<std::string> fields = SplitUpdateFields(text);
    if (fields.size() < 3)
        return std::nullopt;
    int newest = ReadBuildNumber(fields[0]);
    if (newest == 0 || runningBuild >= newest)
        return std::nullopt;
    UpdateAnnouncement announcement;
    announcement.version = MakeVersionDisplayable(fields[1]);
    announcement.furtherFields.assign(fields.begin() + 2, fields.end());
    return announcement;
}

std::string MakeVersionDisplayable(std::string_view version) {
    std::string shown;
    std::size_t characters = 0;
    for (char32_t c : platform::DecodeUtf8Lenient(version)) {
        if (c < 0x20 || (c >= 0x7F && c <= 0x9F))
            continue;
        if (characters++ == kVersionTextLimit)
            break;
        platform::AppendUtf8(shown, c);
    }
    return shown;
}
