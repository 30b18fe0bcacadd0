#pragma once
// The popup menu that the calling thread has open (Windows only).

#include <windows.h>

namespace testing_support {

// The shown popup menu of this thread, or null. Programs of the same desktop may have menus open at the same
// moment, so the search keeps to this thread's own windows.
inline HWND OwnPopupMenu() {
    HWND found = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM data) -> BOOL {
            wchar_t name[16] = {};
            GetClassNameW(window, name, 16);
            if (lstrcmpW(name, L"#32768") != 0 || !IsWindowVisible(window))
                return TRUE;
            *reinterpret_cast<HWND*>(data) = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

} // namespace testing_support
