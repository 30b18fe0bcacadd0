#include "platform/HttpGet.h"

namespace platform {

// The Linux build has no update check: nothing is fetched.
std::optional<std::string> HttpGet(const std::string&, const HttpGetOptions&, HttpCancellation*) {
    return std::nullopt;
}

} // namespace platform
