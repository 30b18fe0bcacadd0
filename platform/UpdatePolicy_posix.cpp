#include "platform/UpdatePolicy.h"

namespace platform {

// Linux has no update check and no registry: the defaults.
UpdatePolicy ReadSystemUpdatePolicy() {
    return {};
}

} // namespace platform
