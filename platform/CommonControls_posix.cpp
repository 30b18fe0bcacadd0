#include "platform/CommonControls.h"

namespace platform {

void RegisterCommonControls() {}

} // namespace platform
