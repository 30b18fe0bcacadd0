#include "platform/CommonControls.h"

#include <windows.h>

#include <commctrl.h>

namespace platform {

void RegisterCommonControls() {
    INITCOMMONCONTROLSEX classes{};
    classes.dwSize = sizeof(classes);
    classes.dwICC = 0xFF;
    InitCommonControlsEx(&classes);
}

} // namespace platform
