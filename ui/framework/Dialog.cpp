#include "ui/framework/Dialog.h"

#include <algorithm>
#include <cstdint>

namespace ui {

namespace {

// Messages whose result a dialog procedure returns itself instead of through DWLP_MSGRESULT.
bool ReturnsResultDirectly(UINT message) {
    switch (message) {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
    case WM_INITDIALOG:
        return true;
    default:
        return false;
    }
}

// Windows 10 (1703 on) scales a dialog of a per-monitor aware program by itself when its DPI changes; the dialog
// does that itself instead (ApplyDpi), on Windows as under Wine, so the system's own scaling is turned off.
void DisableSystemDialogScaling(HWND dialog) {
    using SetBehaviorFunction = BOOL(WINAPI*)(HWND, int, int);
    static const auto setBehavior = FindUser32Function<SetBehaviorFunction>("SetDialogDpiChangeBehavior");
    constexpr int kDisableAll = 1; // DDC_DISABLE_ALL
    if (setBehavior != nullptr)
        setBehavior(dialog, kDisableAll, kDisableAll);
}

} // namespace

CDialog::CDialog(UINT templateId) : templateId_(templateId) {}

CDialog::CDialog(const DLGTEMPLATE* dialogTemplate) : template_(dialogTemplate) {}

CDialog::~CDialog() {
    if (GetHwnd() != nullptr && IsWindow(GetHwnd())) {
        SetWindowLongPtrW(GetHwnd(), DWLP_USER, 0);
        DestroyWindow(Detach());
    }
}

bool CDialog::Create(HWND owner) {
    if (GetHwnd() != nullptr)
        return false;
    ended_ = false;
    const LPARAM self = reinterpret_cast<LPARAM>(this);
    HWND window = template_ != nullptr
                      ? CreateDialogIndirectParamW(GetResourceModule(), template_, owner, DialogProc, self)
                      : CreateDialogParamW(GetResourceModule(), MAKEINTRESOURCEW(templateId_), owner, DialogProc, self);
    return window != nullptr;
}

INT_PTR CDialog::DoModal(HWND owner) {
    modal_ = true;
    result_ = -1;
    // The owner takes no input from before the dialog can be seen (a template may make it visible at once).
    const bool ownerWasEnabled = owner != nullptr && IsWindowEnabled(owner);
    if (ownerWasEnabled)
        EnableWindow(owner, FALSE);
    if (!Create(owner)) {
        if (ownerWasEnabled)
            EnableWindow(owner, TRUE);
        modal_ = false;
        return -1;
    }
    if (!ended_)
        ShowWindow(GetHwnd(), SW_SHOW);

    MSG message;
    while (!ended_) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        if (got == -1)
            break;
        if (!PreTranslateMessage(message) && !IsDialogMessageW(GetHwnd(), &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }

    // The owner is enabled before the dialog goes, so that the system activates it and not another program.
    if (ownerWasEnabled) {
        EnableWindow(owner, TRUE);
        SetActiveWindow(owner);
    }
    if (GetHwnd() != nullptr) {
        SetWindowLongPtrW(GetHwnd(), DWLP_USER, 0);
        DestroyWindow(Detach());
    }
    modal_ = false;
    return result_;
}

void CDialog::EndDialog(INT_PTR result) {
    result_ = result;
    ended_ = true;
    if (!modal_ && GetHwnd() != nullptr) {
        SetWindowLongPtrW(GetHwnd(), DWLP_USER, 0);
        DestroyWindow(Detach());
    }
}

void CDialog::Bind(int id, CWindow& window) {
    if (GetHwnd() != nullptr)
        window.Attach(GetItem(id));
    else
        windows_.emplace_back(id, &window);
}

void CDialog::Bind(int id, CControl& control) {
    if (std::find(boundControls_.begin(), boundControls_.end(), &control) == boundControls_.end())
        boundControls_.push_back(&control);
    if (GetHwnd() != nullptr)
        control.SubclassDlgItem(GetHwnd(), id);
    else
        controls_.emplace_back(id, &control);
}

bool CDialog::OnCommand(UINT id, UINT, HWND) {
    if (id == IDOK) {
        OnOK();
        return true;
    }
    if (id == IDCANCEL) {
        OnCancel();
        return true;
    }
    return false;
}

bool CDialog::OnNotify(NMHDR&, LRESULT&) {
    return false;
}

bool CDialog::OnMessage(UINT, WPARAM, LPARAM, LRESULT&) {
    return false;
}

bool CDialog::PreTranslateMessage(MSG&) {
    return false;
}

std::optional<bool> CDialog::IsCommandEnabled(UINT) {
    return std::nullopt;
}

void CDialog::UpdateMenuCommands(HMENU menu) {
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        const UINT id = GetMenuItemID(menu, i);
        if (id == 0 || id == static_cast<UINT>(-1))
            continue; // separators and sub-menus
        if (const std::optional<bool> enabled = IsCommandEnabled(id))
            EnableMenuItem(menu, static_cast<UINT>(i), MF_BYPOSITION | (*enabled ? MF_ENABLED : MF_GRAYED));
    }
}

INT_PTR CDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    // Only top-level windows hear that the system colours changed (a high-contrast scheme switched on, say); the
    // controls must be told, or the common controls keep painting with the colours they started with.
    if (message == WM_SYSCOLORCHANGE)
        EnumChildWindows(
            GetHwnd(),
            [](HWND child, LPARAM) -> BOOL {
                SendMessageW(child, WM_SYSCOLORCHANGE, 0, 0);
                return TRUE;
            },
            0);
    LRESULT result = 0;
    bool handled = OnMessage(message, wParam, lParam, result);
    if (!handled)
        handled = CControl::ReflectToChild(GetHwnd(), message, wParam, lParam, result);
    if (!handled) {
        switch (message) {
        case WM_INITDIALOG:
            DoDataExchange();
            result = OnInitDialog() ? TRUE : FALSE;
            handled = true;
            break;
        case WM_COMMAND:
            handled = OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
            break;
        case WM_NOTIFY:
            handled = OnNotify(*reinterpret_cast<NMHDR*>(lParam), result);
            break;
        case WM_INITMENUPOPUP:
            if (!HIWORD(lParam)) // not the system menu
                UpdateMenuCommands(reinterpret_cast<HMENU>(wParam));
            break;
        case WM_DPICHANGED:
            ApplyDpi(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
            result = 0;
            handled = true;
            break;
        default:
            break;
        }
    }
    if (!handled)
        return FALSE;
    if (ReturnsResultDirectly(message))
        return static_cast<INT_PTR>(result);
    SetWindowLongPtrW(GetHwnd(), DWLP_MSGRESULT, result);
    return TRUE;
}

void CDialog::ApplyDpi(int dpi, const RECT& suggested) {
    if (dpi <= 0)
        return;
    const HWND window = GetHwnd();
    if (layoutDpi_ == 0) {
        layoutDpi_ = dpi_;
        for (HWND child = GetWindow(window, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
            layout_.emplace_back(child, CWindow(child).GetRectInParent());
        auto font = reinterpret_cast<HFONT>(Send(WM_GETFONT));
        if (font == nullptr)
            font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
        GetObjectW(font, sizeof(layoutFont_), &layoutFont_);
        // The family of the font the system chose for the template's name ("MS Shell Dlg" only names one, and
        // may name another at another size), so that the larger font is the same typeface.
        HDC dc = GetDC(window);
        HGDIOBJ old = SelectObject(dc, font);
        if (const UINT size = GetOutlineTextMetricsW(dc, 0, nullptr); size >= sizeof(OUTLINETEXTMETRICW)) {
            std::vector<char> buffer(size);
            auto* metrics = reinterpret_cast<OUTLINETEXTMETRICW*>(buffer.data());
            if (GetOutlineTextMetricsW(dc, size, metrics) != 0) {
                // The name's place is given as an offset from the start of the structure.
                const auto offset = reinterpret_cast<std::uintptr_t>(metrics->otmpFamilyName);
                if (offset >= sizeof(OUTLINETEXTMETRICW) && offset < size)
                    lstrcpynW(layoutFont_.lfFaceName, reinterpret_cast<const wchar_t*>(buffer.data() + offset),
                              LF_FACESIZE);
            }
        }
        SelectObject(dc, old);
        ReleaseDC(window, dc);
    }
    dpi_ = dpi;
    const auto scale = [this](LONG length) { return static_cast<int>(MulDiv(length, dpi_, layoutDpi_)); };

    LOGFONTW description = layoutFont_;
    description.lfHeight = scale(layoutFont_.lfHeight);
    description.lfWidth = scale(layoutFont_.lfWidth);
    platform::UniqueFont font(CreateFontIndirectW(&description));
    SetWindowPos(window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    for (const auto& [child, rect] : layout_) {
        if (!IsWindow(child))
            continue;
        if (font)
            SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
        SetWindowPos(child, nullptr, scale(rect.left), scale(rect.top), scale(rect.right) - scale(rect.left),
                     scale(rect.bottom) - scale(rect.top), SWP_NOZORDER | SWP_NOACTIVATE);
    }
    // The controls hold the new font now; the one before may go.
    if (font)
        font_ = std::move(font);
    for (CControl* control : boundControls_)
        control->SetDpi(dpi_);
    OnDpiChanged();
    InvalidateRect(window, nullptr, TRUE);
}

INT_PTR CALLBACK CDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        auto* dialog = reinterpret_cast<CDialog*>(GetWindowLongPtrW(window, DWLP_USER));
        if (message == WM_INITDIALOG) {
            dialog = reinterpret_cast<CDialog*>(lParam);
            SetWindowLongPtrW(window, DWLP_USER, lParam);
            dialog->Attach(window);
            dialog->dpi_ = GetWindowDpi(window);
            DisableSystemDialogScaling(window);
            for (auto& [id, member] : dialog->windows_)
                member->Attach(GetDlgItem(window, id));
            for (auto& [id, control] : dialog->controls_)
                control->SubclassDlgItem(window, id);
        }
        if (dialog == nullptr)
            return FALSE;
        if (message == WM_NCDESTROY) {
            SetWindowLongPtrW(window, DWLP_USER, 0);
            dialog->Detach();
            return FALSE;
        }
        return dialog->HandleMessage(message, wParam, lParam);
    } catch (...) {
        ReportFatalException();
    }
}

} // namespace ui
