#include "ui/framework/Window.h"

#include "platform/Application.h"
#include "platform/Text.h"

#include <windows.h>
#include <commctrl.h>

#include <exception>

namespace ui {

std::wstring CWindow::GetText() const {
    const int length = GetWindowTextLengthW(window_);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window_, text.data(), length + 1)));
    return text;
}

RECT CWindow::GetClientRect() const {
    RECT rect{};
    ::GetClientRect(window_, &rect);
    return rect;
}

RECT CWindow::GetRectInParent() const {
    RECT rect{};
    GetWindowRect(window_, &rect);
    if (HWND parent = GetParent(window_); parent != nullptr && (GetWindowLongW(window_, GWL_STYLE) & WS_CHILD))
        MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

namespace {

// The system's DPI, which every window has where the system cannot tell a window's own.
int SystemDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : kDefaultDpi;
    if (screen != nullptr)
        ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : kDefaultDpi;
}

} // namespace

int GetWindowDpi(HWND window) {
    using DpiForWindowFunction = UINT(WINAPI*)(HWND);
    static const auto dpiForWindow = FindUser32Function<DpiForWindowFunction>("GetDpiForWindow");
    const int dpi = dpiForWindow != nullptr && window != nullptr ? static_cast<int>(dpiForWindow(window)) : 0;
    return dpi > 0 ? dpi : SystemDpi();
}

int GetSystemMetricForDpi(int index, int dpi) {
    using MetricForDpiFunction = int(WINAPI*)(int, UINT);
    static const auto metricForDpi = FindUser32Function<MetricForDpiFunction>("GetSystemMetricsForDpi");
    if (metricForDpi != nullptr)
        return metricForDpi(index, static_cast<UINT>(dpi));
    return MulDiv(GetSystemMetrics(index), dpi, SystemDpi());
}

HINSTANCE GetResourceModule() {
    return GetModuleHandleW(nullptr);
}

HICON LoadIconResource(int id, int size) {
    return static_cast<HICON>(
        LoadImageW(GetResourceModule(), MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
}

std::wstring Widen(const std::string& utf8) {
    return platform::Utf8ToWide(utf8);
}

void ReportFatalException() noexcept {
    // The crash report takes it like any other crash: a dump and its box. It ends the process.
    platform::ReportCrashHere();
    // Without the crash handler (or without a dump): a box of its own.
    std::wstring text = L"Tidyquill ran into an unexpected error and has to close.";
    try {
        throw;
    } catch (const std::exception& error) {
        text += L"\n\n" + platform::Utf8ToWide(error.what());
    } catch (...) {
    }
    MessageBoxW(nullptr, text.c_str(), L"Tidyquill", MB_OK | MB_ICONERROR | MB_TASKMODAL);
    ExitProcess(1);
}

void RegisterCommonControls() {
    INITCOMMONCONTROLSEX classes{};
    classes.dwSize = sizeof(classes);
    classes.dwICC = 0xFF;
    InitCommonControlsEx(&classes);
}

} // namespace ui
