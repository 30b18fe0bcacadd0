#pragma once
// The base of the program's own controls: it subclasses an existing child window (SetWindowSubclass) and receives
// both the window's own messages and the notifications that the parent reflects to it (WM_NOTIFY, WM_COMMAND,
// WM_DRAWITEM, WM_MEASUREITEM, WM_CTLCOLOR*), so that a control handles its own notifications.

#include "ui/framework/Window.h"

namespace ui {

class CControl : public CWindow {
public:
    CControl() = default;
    ~CControl() override;
    CControl(const CControl&) = delete;
    CControl& operator=(const CControl&) = delete;

    // Attaches to the dialog's child with this id (or to the window) and subclasses it; PreSubclassWindow runs
    // first. False when there is no such window or it is already attached.
    bool SubclassDlgItem(HWND dialog, int id);
    bool SubclassWindow(HWND window);
    // Removes the subclass; the window stays.
    void UnsubclassWindow();

    // The control object attached to a window, or none.
    static CControl* FromHandle(HWND window);

    // The DPI the control sizes its pictures, image lists and rows for: its window's when it was attached, then the
    // one its dialog passes on when the window moves to a monitor of another DPI.
    int GetDpi() const { return dpi_; }
    // Called by the dialog after it gave its controls the font and the place for the new DPI.
    void SetDpi(int dpi);
    // Gives a message that the parent received for this control to the control object attached to the child
    // window it names, if any. True when the control handled it, with its result.
    static bool ReflectToChild(HWND parent, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

protected:
    // Called with the handle set (and GetDpi the window's), before the subclass is installed.
    virtual void PreSubclassWindow() {}
    // The DPI changed: pictures, image lists and rows are made anew at the new size.
    virtual void OnDpiChanged() {}
    // The window's own messages; answer true with a result to stop the default handling.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // A notification the parent received about this control (the parent's message and parameters).
    virtual bool OnReflect(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // The next window procedure in the chain (the class's own, or the next subclass).
    LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam);
    // For a static that takes clicks: the mouse reaches it (a static is transparent to the mouse unless it says
    // otherwise) and shows the given cursor over it. True when the message was one of those two.
    static bool HandleClickableStatic(UINT message, HCURSOR cursor, LRESULT& result);

private:
    static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR data);
    bool subclassed_ = false;
    int dpi_ = kDefaultDpi;
};

} // namespace ui
