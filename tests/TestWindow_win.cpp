#include "TestWindow.h"

#include <windows.h>

namespace testing_support {

void* CreateTestWindow() {
    return CreateWindowExW(0, L"STATIC", L"Tidyquill test window", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 300, 200,
                           nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

void DestroyTestWindow(void* window) {
    if (window != nullptr)
        DestroyWindow(static_cast<HWND>(window));
}

void MinimizeTestWindow(void* window) {
    ShowWindow(static_cast<HWND>(window), SW_MINIMIZE);
}

bool IsTestWindowMinimized(void* window) {
    return IsIconic(static_cast<HWND>(window)) != FALSE;
}

void ActivateTestWindow(void* window) {
    SetForegroundWindow(static_cast<HWND>(window));
}

void* CurrentForegroundWindow() {
    return GetForegroundWindow();
}

bool PumpMessagesUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(timeout.count());
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (condition())
            return true;
        if (GetTickCount64() >= end)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

} // namespace testing_support
