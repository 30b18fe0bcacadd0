#include "ui/framework/Control.h"

#include <commctrl.h>

namespace ui {

namespace {

const wchar_t kControlProperty[] = L"Tidyquill.Control";
const UINT_PTR kSubclassId = 0x7164;

// The child window a parent's message is about, for the messages that the parent reflects.
HWND ChildOfMessage(HWND parent, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_NOTIFY:
        return reinterpret_cast<const NMHDR*>(lParam)->hwndFrom;
    case WM_COMMAND:
        return reinterpret_cast<HWND>(lParam); // null for menus and accelerators
    case WM_DRAWITEM:
        return reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)->CtlType == ODT_MENU
                   ? nullptr
                   : reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)->hwndItem;
    case WM_MEASUREITEM:
        return wParam == 0 ? nullptr : GetDlgItem(parent, static_cast<int>(wParam));
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX:
        return reinterpret_cast<HWND>(lParam);
    default:
        return nullptr;
    }
}

} // namespace

CControl::~CControl() {
    UnsubclassWindow();
}

bool CControl::SubclassDlgItem(HWND dialog, int id) {
    return SubclassWindow(GetDlgItem(dialog, id));
}

bool CControl::SubclassWindow(HWND window) {
    if (window == nullptr || subclassed_ || FromHandle(window) != nullptr)
        return false;
    Attach(window);
    dpi_ = GetWindowDpi(window);
    PreSubclassWindow();
    if (!SetWindowSubclass(window, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this))) {
        Detach();
        return false;
    }
    SetPropW(window, kControlProperty, this);
    subclassed_ = true;
    return true;
}

void CControl::UnsubclassWindow() {
    if (!subclassed_)
        return;
    if (IsWindow(GetHwnd())) {
        RemoveWindowSubclass(GetHwnd(), SubclassProc, kSubclassId);
        RemovePropW(GetHwnd(), kControlProperty);
    }
    subclassed_ = false;
    Detach();
}

void CControl::SetDpi(int dpi) {
    if (dpi <= 0 || dpi == dpi_)
        return;
    dpi_ = dpi;
    OnDpiChanged();
}

CControl* CControl::FromHandle(HWND window) {
    return window == nullptr ? nullptr : static_cast<CControl*>(GetPropW(window, kControlProperty));
}

bool CControl::ReflectToChild(HWND parent, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    CControl* control = FromHandle(ChildOfMessage(parent, message, wParam, lParam));
    return control != nullptr && control->OnReflect(message, wParam, lParam, result);
}

bool CControl::OnMessage(UINT, WPARAM, LPARAM, LRESULT&) {
    return false;
}

bool CControl::OnReflect(UINT, WPARAM, LPARAM, LRESULT&) {
    return false;
}

bool CControl::HandleClickableStatic(UINT message, HCURSOR cursor, LRESULT& result) {
    if (message == WM_SETCURSOR && cursor != nullptr) {
        SetCursor(cursor);
        result = TRUE;
        return true;
    }
    if (message == WM_NCHITTEST) {
        result = HTCLIENT;
        return true;
    }
    return false;
}

LRESULT CControl::DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefSubclassProc(GetHwnd(), message, wParam, lParam);
}

LRESULT CALLBACK CControl::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                        DWORD_PTR data) {
    try {
        auto* control = reinterpret_cast<CControl*>(data);
        if (message == WM_NCDESTROY) {
            // The window goes first: the object stays, detached, and may be attached again.
            const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
            RemoveWindowSubclass(window, SubclassProc, kSubclassId);
            RemovePropW(window, kControlProperty);
            control->subclassed_ = false;
            control->Detach();
            return result;
        }
        LRESULT result = 0;
        if (control->OnMessage(message, wParam, lParam, result))
            return result;
        return DefSubclassProc(window, message, wParam, lParam);
    } catch (...) {
        ReportFatalException();
    }
}

} // namespace ui
