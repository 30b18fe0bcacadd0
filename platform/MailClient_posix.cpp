#include "platform/MailClient.h"

namespace platform {

// Linux has no Outlook and no simple mail interface; the report falls back to a mail link.
std::string FindOutlookPath() {
    return {};
}

bool StartCommandLine(const std::string&) {
    return false;
}

bool SendMailMapi(void*, const std::string&, const std::string&, const std::string&, const std::string&) {
    return false;
}

} // namespace platform
