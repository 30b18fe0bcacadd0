#include "catalogue/Ini.h"

#include "platform/IniFile.h"
#include "platform/System.h"
#include "platform/Text.h"
#include "support/StringHelpers.h"

#include <cstdlib>

CIni::CIni(std::string path, bool snapshot) : path_(std::move(path)) {
    if (snapshot)
        snapshot_ = std::make_shared<const platform::IniSnapshot>(path_);
}

std::string CIni::Bytes(const std::string& section, const std::string& key) const {
    return snapshot_ ? snapshot_->ValueBytes(section, key) : platform::IniValueBytes(path_, section, key);
}

std::string CIni::Text(const std::string& section, const std::string& key) const {
    return snapshot_ ? snapshot_->ValueText(section, key) : platform::IniValueText(path_, section, key);
}

void CIni::GetSectionNames(std::vector<std::string>& names) const {
    names = snapshot_ ? snapshot_->SectionNames() : platform::IniSectionNames(path_);
}

std::string CIni::GetString(const std::string& section, const std::string& key) const {
    const std::string bytes = Bytes(section, key);
    // Linux file names are bytes with no code page: a path that is no UTF-8 names a real folder only as it stands.
    if (platform::IsWellFormedUtf8(bytes) || !platform::kWindows)
        return bytes;
    return platform::NarrowCodePageToUtf8(bytes);
}

namespace {

// The leading decimal number of the text, as the C library's wcstol with base 10 reads it: optional white space,
// an optional sign, digits. Only whether it is zero matters, so overflow cannot change the answer.
bool LeadingNumberIsNonZero(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        if (text[i] != '0')
            return true;
    return false;
}

// The first 64 characters (code points) of a UTF-8 text.
std::string FirstCharacters(const std::string& text, size_t count) {
    size_t end = 0;
    for (size_t characters = 0; end < text.size() && characters < count; ++characters) {
        ++end;
        while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
            ++end;
    }
    return text.substr(0, end);
}

} // namespace

bool CIni::GetBool(const std::string& section, const std::string& key) const {
    const std::string value = FirstCharacters(Text(section, key), 64);
    if (value.empty())
        return false;
    // Keywords, not names: only A to Z fold.
    const std::string lower = ToLowerAscii(value);
    return lower == "true" || lower == "yes" || LeadingNumberIsNonZero(value);
}
