#pragma once
// A thin, non-owning wrapper of a window handle, the base of the dialog and control classes, and the few helpers
// every window of the program shares.

#include <windows.h>

#include <string>

namespace ui {

class CWindow {
public:
    CWindow() = default;
    explicit CWindow(HWND window) : window_(window) {}
    virtual ~CWindow() = default;

    HWND GetHwnd() const { return window_; }
    operator HWND() const { return window_; }
    void Attach(HWND window) { window_ = window; }
    HWND Detach() {
        HWND window = window_;
        window_ = nullptr;
        return window;
    }

    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return SendMessageW(window_, message, wParam, lParam);
    }
    bool Post(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return PostMessageW(window_, message, wParam, lParam) != FALSE;
    }

    HWND GetItem(int id) const { return GetDlgItem(window_, id); }
    std::wstring GetText() const;
    void SetText(const std::wstring& text) const { SetWindowTextW(window_, text.c_str()); }
    void Show(bool show = true) const { ShowWindow(window_, show ? SW_SHOW : SW_HIDE); }
    bool IsVisible() const { return IsWindowVisible(window_) != FALSE; }
    void Enable(bool enable = true) const { EnableWindow(window_, enable ? TRUE : FALSE); }
    bool IsEnabled() const { return IsWindowEnabled(window_) != FALSE; }
    void Invalidate(bool erase = true) const { InvalidateRect(window_, nullptr, erase ? TRUE : FALSE); }
    RECT GetClientRect() const;
    // The window's rectangle in its parent's client coordinates (screen coordinates for a top-level window).
    RECT GetRectInParent() const;

private:
    HWND window_ = nullptr;
};

// Dots per inch. Windows sizes everything for 96 at 100 % and for 144 at 150 %; a window that is aware of each
// monitor's DPI (as this program's manifest says) sizes its pictures, fonts and rows from its own monitor's.
inline constexpr int kDefaultDpi = 96;
// The DPI of the monitor a window is on, as the window sees it: GetDpiForWindow, looked up at run time (Windows 10
// from 1607 on), else the system's DPI. Wine has one DPI for every window.
int GetWindowDpi(HWND window);
// A system metric (SM_CXSMICON, say) at a DPI: GetSystemMetricsForDpi where the system has it, else the system's
// metric scaled from the system's DPI.
int GetSystemMetricForDpi(int index, int dpi);
// A length given for 96 dots per inch, at another DPI.
inline int ScaleToDpi(int length, int dpi) {
    return MulDiv(length, dpi, kDefaultDpi);
}

// A function of user32.dll looked up by name, for calls that newer systems have and older ones (or Wine) may lack;
// null when there is none.
template <typename Function> Function FindUser32Function(const char* name) {
    const HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return user32 != nullptr ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name)))
                             : nullptr;
}

// The application's module, whose resources every window loads.
HINSTANCE GetResourceModule();
// Loads an icon resource of the program at the given size; null when it does not exist.
HICON LoadIconResource(int id, int size);
// A text of the program's own for the user, converted from UTF-8.
std::wstring Widen(const std::string& utf8);

// The outer edge of every window procedure: an exception that reaches it is a crash like any other. With the crash
// handler installed it gets the crash report (a dump and its box); otherwise a message box titled "Tidyquill" says
// so. Either way the process ends with status 1, as nothing after it could be trusted.
[[noreturn]] void ReportFatalException() noexcept;

// Registers every common-control class of the system's library (tree, list view, progress bar, links, ...); the
// program calls it once before its first window or dialog.
void RegisterCommonControls();

} // namespace ui
