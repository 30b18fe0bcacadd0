#include "support/VersionInfo.h"

#include "platform/Application.h"
#include "platform/Text.h"
#include "support/StringHelpers.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <system_error>

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Reads an unsigned number as the "%u" conversion does: white space skipped, an optional sign, at least one digit.
// A value too large for 32 bits saturates.
bool ReadNumber(const std::string& text, size_t& pos, std::uint32_t& value) {
    size_t at = pos;
    while (at < text.size() && IsSpace(text[at]))
        ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-'))
        negative = text[at++] == '-';
    if (at >= text.size() || text[at] < '0' || text[at] > '9')
        return false;
    std::uint64_t number = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at)
        number = std::min<std::uint64_t>(number * 10 + static_cast<unsigned>(text[at] - '0'), 0xFFFFFFFFu);
    const auto result = static_cast<std::uint32_t>(number);
    value = negative ? static_cast<std::uint32_t>(0u - result) : result;
    pos = at;
    return true;
}

// Reads up to four numbers in the form "%u, %u, %u, %u" (separator ',') or "%u.%u.%u.%u" (separator '.'): the
// separator must follow a number at once, and white space after it is skipped by the next number.
void ReadVersionNumbers(const std::string& text, char separator, FileVersionInfo& info) {
    std::uint32_t* const numbers[4] = {&info.major, &info.minor, &info.patch, &info.build};
    size_t pos = 0;
    for (int i = 0; i < 4; ++i) {
        if (i > 0) {
            if (pos >= text.size() || text[pos] != separator)
                return;
            ++pos;
        }
        if (!ReadNumber(text, pos, *numbers[i]))
            return;
    }
}

bool Apply(const std::optional<platform::VersionStrings>& strings, FileVersionInfo& info) {
    if (!strings)
        return false;
    info.notLoaded = false;
    auto store = [](const std::optional<std::string>& value, auto&& assign) {
        if (!value)
            return;
        std::string trimmed = TrimWhitespace(*value);
        if (!trimmed.empty())
            assign(std::move(trimmed));
    };
    store(strings->fileDescription, [&](std::string text) { info.description = std::move(text); });
    store(strings->companyName, [&](std::string text) { info.company = std::move(text); });
    store(strings->fileVersion, [&](std::string text) { info.SetFileVersionText(text); });
    return true;
}

} // namespace

void FileVersionInfo::SetFileVersionText(const std::string& text) {
    versionText = text;
    if (text.empty())
        return;
    if (text.find(',') != std::string::npos) {
        ReadVersionNumbers(text, ',', *this);
        ReplaceAll(versionText, ", ", ".", false);
    } else if (text.find('.') != std::string::npos) {
        ReadVersionNumbers(text, '.', *this);
    }
}

bool ReadFileVersionInfo(const std::string& path, FileVersionInfo& info) {
    std::error_code error;
    if (path.empty() || !std::filesystem::exists(platform::PathFromUtf8(path), error) || error)
        return false;
    return Apply(platform::ReadVersionResource(path), info);
}

bool ReadModuleVersionInfo(const void* module, FileVersionInfo& info) {
    if (module == nullptr)
        return Apply(platform::ReadRunningProgramVersion(), info);
    return ReadFileVersionInfo(GetModuleFilePath(module), info);
}

std::string GetModuleFilePath(const void* module) {
    return platform::GetModuleFilePath(module);
}

int GetModuleBuildNumber(const void* module) {
    FileVersionInfo info;
    if (!ReadModuleVersionInfo(module, info))
        return 0;
    return static_cast<int>(info.build);
}
