#include "platform/VersionResource.h"

#include "BuildVersion.h"

namespace platform {

std::optional<VersionStrings> ReadVersionResource(const std::string&) {
    return std::nullopt;
}

std::optional<VersionStrings> ReadRunningProgramVersion() {
    VersionStrings strings;
    strings.fileDescription = TIDYQUILL_FILE_DESCRIPTION;
    strings.companyName = TIDYQUILL_COMPANY_NAME;
    strings.fileVersion = TIDYQUILL_FILE_VERSION_TEXT;
    return strings;
}

} // namespace platform
