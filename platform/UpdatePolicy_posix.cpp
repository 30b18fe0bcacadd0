#include "platform/UpdatePolicy.h"

namespace platform {

UpdatePolicy ReadUpdatePolicy() {
    return {};
}

} // namespace platform
