#include "platform/ShellOpen.h"

namespace platform {

// The Linux build has no window and opens nothing.
bool OpenWithSystemShell(const std::string&, const std::string&, void*) {
    return false;
}

} // namespace platform
