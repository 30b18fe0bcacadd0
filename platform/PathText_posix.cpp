#include "platform/PathText.h"

namespace platform {

// Linux paths are byte strings; the core's UTF-8 text is used as it is.
std::filesystem::path PathFromUtf8(std::string_view utf8) {
    return std::filesystem::path(std::string(utf8));
}

std::string PathToUtf8(const std::filesystem::path& path) {
    return path.native();
}

std::string FileCallPath(std::string_view utf8) {
    return std::string(utf8);
}

} // namespace platform
