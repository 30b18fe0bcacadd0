#include "ui/windows/XMessageBox.h"

#include "platform/Handle_win.h"
#include "support/CrashReport.h"
#include "ui/framework/Dialog.h"
#include "ui/framework/DialogTemplate.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace ui {

namespace {

constexpr WORD kIconControlId = 1000;
constexpr WORD kMessageControlId = 1001;
// Pop-up, visible, caption, system menu, modal frame, centred.
constexpr DWORD kDialogStyle = 0x90C80880;
constexpr std::size_t kMaxItems = 20;
constexpr std::size_t kMaxText = 65535;
constexpr std::size_t kMaxButtonText = 260;
constexpr std::size_t kMaxCopiedText = 8192;
constexpr wchar_t kDashes[] = L"---------------------------\r\n";

// Pixels of the modern layout.
constexpr int kIconLeft = 24;
constexpr int kIconTop = 24;
constexpr int kMessageLeft = 16;
constexpr int kMessageTop = 32;
constexpr int kGapAfterIcon = 24;
constexpr int kMarginRight = 16;
constexpr int kButtonGap = 6;
constexpr int kGapAboveButtonArea = 14;
constexpr int kButtonAreaPadding = 10;
constexpr int kMinClientHeight = 70;

struct Button {
    WORD id;
    std::wstring text;
};

// The buttons of the style's set, left to right, with the texts that replace the built-in ones.
std::vector<Button> MakeButtons(UINT type, const XMessageBoxParams& params) {
    const auto& custom = params.userDefinedButtonCaptions;
    const auto text = [&params](const std::wstring& replacement, const wchar_t* builtIn) {
        if (params.useUserDefinedButtonCaptions && !replacement.empty())
            return replacement.substr(0, kMaxButtonText);
        return std::wstring(builtIn);
    };
    const Button ok{IDOK, text(custom.ok, L"OK")};
    const Button cancel{IDCANCEL, text(custom.cancel, L"Cancel")};
    const Button yes{IDYES, text(custom.yes, L"&Yes")};
    const Button no{IDNO, text(custom.no, L"&No")};
    const Button retry{IDRETRY, text(custom.retry, L"&Retry")};
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL:
        return {ok, cancel};
    case MB_ABORTRETRYIGNORE:
        return {{IDABORT, text(custom.abort, L"&Abort")}, retry, {IDIGNORE, text(custom.ignore, L"&Ignore")}};
    case MB_YESNOCANCEL:
        return {yes, no, cancel};
    case MB_YESNO:
        return {yes, no};
    case MB_RETRYCANCEL:
        return {retry, cancel};
    default:
        return {ok};
    }
}

// The system icon of the style's icon class; none without one.
HICON IconOfClass(UINT type) {
    switch (type & MB_ICONMASK) {
    case MB_ICONHAND:
        return LoadIconW(nullptr, IDI_HAND);
    case MB_ICONQUESTION:
        return LoadIconW(nullptr, IDI_QUESTION);
    case MB_ICONEXCLAMATION:
        return LoadIconW(nullptr, IDI_EXCLAMATION);
    case MB_ICONASTERISK:
        return LoadIconW(nullptr, IDI_ASTERISK);
    default:
        return nullptr;
    }
}

// One control of the box's template, in dialog units; the box places it in pixels once it exists.
class CXDialogItem {
public:
    CXDialogItem(WORD controlClass, DWORD style, WORD id, std::wstring text)
        : style_(style), id_(id), controlClass_(controlClass), text_(std::move(text)) {}
    virtual ~CXDialogItem() = default;

    void AddTo(CDialogTemplate& dialogTemplate) const {
        dialogTemplate.AddControl(controlClass_, style_, extendedStyle_, x_, y_, cx_, cy_, id_, text_);
    }

private:
    DWORD style_;
    DWORD extendedStyle_ = 0;
    short x_ = 0;
    short y_ = 0;
    short cx_ = 1;
    short cy_ = 1;
    WORD id_;
    WORD controlClass_;
    std::wstring text_;
};

// What the box shows, and its template made from it. A base of the dialog, so that it exists before the dialog is
// made from the template.
class XMessageBoxContent {
protected:
    XMessageBoxContent(const std::wstring& text, const std::wstring& caption, UINT type,
                       const XMessageBoxParams& params)
        : text_(text.substr(0, kMaxText)), caption_(caption.empty() ? L"Error" : caption.substr(0, kMaxText)),
          buttons_(MakeButtons(type, params)) {
        if (params.iconId != 0)
            ownedIcon_.reset(LoadIconResource(static_cast<int>(params.iconId), GetSystemMetrics(SM_CXICON)));
        icon_ = ownedIcon_ ? ownedIcon_.get() : IconOfClass(type);

        if (icon_ != nullptr)
            items_.emplace_back(0x0082, WS_VISIBLE | SS_OWNERDRAW, kIconControlId, L"");
        items_.emplace_back(0x0082, WS_VISIBLE | WS_GROUP | SS_LEFT | SS_NOPREFIX, kMessageControlId, text_);
        for (std::size_t i = 0; i < buttons_.size() && items_.size() < kMaxItems; ++i)
            items_.emplace_back(0x0080,
                                WS_VISIBLE | WS_TABSTOP | (i == 0 ? WS_GROUP | BS_DEFPUSHBUTTON : BS_PUSHBUTTON),
                                buttons_[i].id, buttons_[i].text);
        for (const CXDialogItem& item : items_)
            item.AddTo(template_);
    }

    const DLGTEMPLATE* Template() const { return template_.Get(); }

    std::wstring text_;
    std::wstring caption_;
    std::vector<Button> buttons_;
    platform::UniqueIcon ownedIcon_;
    HICON icon_ = nullptr;
    std::vector<CXDialogItem> items_;
    CDialogTemplate template_{kDialogStyle, 0, 0, 0, 100, 50, caption_, L""};
};

// The box: lays its controls out in pixels from the system's dialog base units and message font, paints the
// message area in the window colour, ignores Escape and the close box unless it has a Cancel button, and copies
// its content on Ctrl+C.
class CXDialogTemplate : private XMessageBoxContent, public CDialog {
public:
    CXDialogTemplate(const std::wstring& text, const std::wstring& caption, UINT type, const XMessageBoxParams& params)
        : XMessageBoxContent(text, caption, type, params), CDialog(Template()) {}

protected:
    bool OnInitDialog() override {
        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof metrics;
        if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
            font_.reset(CreateFontIndirectW(&metrics.lfMessageFont));
        const HFONT font = font_ ? font_.get() : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
        for (HWND child = GetWindow(GetHwnd(), GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
            SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);

        Layout(font);
        if (!HasButton(IDCANCEL))
            EnableMenuItem(GetSystemMenu(GetHwnd(), FALSE), SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
        Send(DM_SETDEFID, buttons_.front().id);
        SetFocus(GetItem(buttons_.front().id));
        SetForegroundWindow(GetHwnd());
        return false;
    }

    bool OnCommand(UINT id, UINT code, HWND) override {
        // Escape and the close box arrive as IDCANCEL, Enter as the default button's code: only a button of the
        // set ends the box.
        if (HasButton(static_cast<WORD>(id)) && code == BN_CLICKED)
            EndDialog(static_cast<INT_PTR>(id));
        return true;
    }

    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
        switch (message) {
        case WM_ERASEBKGND: {
            const HDC dc = reinterpret_cast<HDC>(wParam);
            RECT client = GetClientRect();
            RECT messageArea = client;
            messageArea.bottom = std::min<LONG>(buttonAreaTop_, client.bottom);
            FillRect(dc, &messageArea, GetSysColorBrush(COLOR_WINDOW));
            client.top = messageArea.bottom;
            FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
            result = TRUE;
            return true;
        }
        case WM_CTLCOLORSTATIC: {
            const HDC dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
            SetBkColor(dc, GetSysColor(COLOR_WINDOW));
            result = reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
            return true;
        }
        case WM_DRAWITEM: {
            const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            if (item.CtlID != kIconControlId)
                return false;
            FillRect(item.hDC, &item.rcItem, GetSysColorBrush(COLOR_WINDOW));
            DrawIconEx(item.hDC, item.rcItem.left, item.rcItem.top, icon_, iconSize_.cx, iconSize_.cy, 0, nullptr,
                       DI_NORMAL);
            result = TRUE;
            return true;
        }
        default:
            return false;
        }
    }

    bool PreTranslateMessage(MSG& message) override {
        if (message.message != WM_KEYDOWN || message.wParam != 'C' || GetKeyState(VK_CONTROL) >= 0)
            return false;
        if (message.hwnd != GetHwnd() && !IsChild(GetHwnd(), message.hwnd))
            return false;
        CopyToClipboard();
        return true;
    }

private:
    bool HasButton(WORD id) const {
        return std::any_of(buttons_.begin(), buttons_.end(), [id](const Button& button) { return button.id == id; });
    }

    void Layout(HFONT font) {
        const HDC dc = GetDC(GetHwnd());
        const HGDIOBJ previousFont = SelectObject(dc, font);

        const LONG baseUnits = GetDialogBaseUnits();
        const int minButtonWidth = MulDiv(38 + 6, LOWORD(baseUnits), 4);
        const int buttonHeight = MulDiv(13, HIWORD(baseUnits), 8);
        std::vector<int> buttonWidths;
        int buttonRowWidth = 0;
        for (const Button& button : buttons_) {
            RECT extent{};
            DrawTextW(dc, button.text.c_str(), -1, &extent, DT_CALCRECT | DT_SINGLELINE);
            buttonWidths.push_back(std::max<int>(minButtonWidth, extent.right - extent.left + 20));
            buttonRowWidth += buttonWidths.back() + (buttonWidths.size() > 1 ? kButtonGap : 0);
        }

        if (icon_ != nullptr)
            iconSize_ = {GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)};
        const int iconSpace = icon_ != nullptr ? iconSize_.cx + 16 : 0;
        const int widthLimit = std::max<int>(GetSystemMetrics(SM_CXSCREEN) / 2 - 10 - iconSpace, 100);
        RECT textRect{0, 0, widthLimit, 0};
        DrawTextW(dc, text_.c_str(), static_cast<int>(text_.size()), &textRect,
                  DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
        SelectObject(dc, previousFont);
        ReleaseDC(GetHwnd(), dc);

        const int textLeft = kMessageLeft + (icon_ != nullptr ? iconSize_.cx + kGapAfterIcon : 0);
        const int textWidth = textRect.right - textRect.left;
        const int textHeight = textRect.bottom - textRect.top;
        const int contentBottom =
            std::max(kMessageTop + textHeight, icon_ != nullptr ? kIconTop + static_cast<int>(iconSize_.cy) : 0);
        buttonAreaTop_ = contentBottom + kGapAboveButtonArea;
        const int buttonTop = buttonAreaTop_ + kButtonAreaPadding;
        const int clientWidth = std::max(textLeft + textWidth + kMarginRight, buttonRowWidth + 2 * kMarginRight);
        const int clientHeight = std::max(buttonTop + buttonHeight + kButtonAreaPadding, kMinClientHeight);

        const auto place = [this](WORD id, int x, int y, int width, int height) {
            SetWindowPos(GetItem(id), nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
        };
        if (icon_ != nullptr)
            place(kIconControlId, kIconLeft, kIconTop, iconSize_.cx, iconSize_.cy);
        place(kMessageControlId, textLeft, kMessageTop, textWidth, textHeight);
        int x = clientWidth - kMarginRight - buttonRowWidth;
        for (std::size_t i = 0; i < buttons_.size(); ++i) {
            place(buttons_[i].id, x, buttonTop, buttonWidths[i], buttonHeight);
            x += buttonWidths[i] + kButtonGap;
        }

        RECT frame{0, 0, clientWidth, clientHeight};
        AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(GetHwnd(), GWL_STYLE)), FALSE,
                           static_cast<DWORD>(GetWindowLongPtrW(GetHwnd(), GWL_EXSTYLE)));
        const int width = frame.right - frame.left;
        const int height = frame.bottom - frame.top;
        // Over the owner when there is one, else in the middle of the work area.
        RECT area{};
        const HWND owner = GetWindow(GetHwnd(), GW_OWNER);
        if (owner == nullptr || !GetWindowRect(owner, &area))
            SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
        SetWindowPos(GetHwnd(), nullptr, area.left + (area.right - area.left - width) / 2,
                     area.top + (area.bottom - area.top - height) / 2, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    }

    void CopyToClipboard() {
        std::wstring copied = kDashes + caption_ + L"\r\n" + kDashes + text_ + L"\r\n" + kDashes;
        for (HWND child = GetWindow(GetHwnd(), GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
            wchar_t className[16] = {};
            GetClassNameW(child, className, 16);
            const LONG_PTR kind = GetWindowLongPtrW(child, GWL_STYLE) & BS_TYPEMASK;
            if (lstrcmpiW(className, L"Button") != 0 || (kind != BS_PUSHBUTTON && kind != BS_DEFPUSHBUTTON))
                continue;
            std::wstring text = CWindow(child).GetText();
            text.erase(std::remove(text.begin(), text.end(), L'&'), text.end());
            copied += text + L"   ";
        }
        copied += L"\r\n";
        copied += kDashes;
        copied.resize(std::min(copied.size(), kMaxCopiedText));

        if (!OpenClipboard(GetHwnd()))
            return;
        EmptyClipboard();
        const std::size_t bytes = (copied.size() + 1) * sizeof(wchar_t);
        if (const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
            if (void* target = GlobalLock(memory)) {
                std::memcpy(target, copied.c_str(), bytes);
                GlobalUnlock(memory);
                if (SetClipboardData(CF_UNICODETEXT, memory) == nullptr)
                    GlobalFree(memory);
            } else {
                GlobalFree(memory);
            }
        }
        CloseClipboard();
    }

    platform::UniqueFont font_;
    SIZE iconSize_{0, 0};
    int buttonAreaTop_ = 0;
};

} // namespace

int XMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type,
                const XMessageBoxParams* params) noexcept {
    try {
        if (owner == nullptr) {
            if (const HWND active = GetActiveWindow())
                owner = GetLastActivePopup(active);
        }
        XMessageBoxParams options = params != nullptr ? *params : XMessageBoxParams();
        options.options |= kXMessageBoxModernLayout; // every supported system is past Windows XP
        std::unique_ptr<CXDialogTemplate> dialog;
        try {
            dialog = std::make_unique<CXDialogTemplate>(text, caption, type, options);
        } catch (const std::bad_alloc&) {
            return IDCANCEL;
        }
        if ((type & kXMessageBoxNoSound) == 0)
            MessageBeep(type & MB_ICONMASK);
        return static_cast<int>(dialog->DoModal(owner));
    } catch (...) {
        return -1;
    }
}

int ShowCrashMessageBox(const CrashMessageBoxRequest& request) {
    XMessageBoxParams params;
    params.options = kXMessageBoxModernLayout;
    params.iconId = static_cast<std::uint32_t>(request.iconId);
    params.useUserDefinedButtonCaptions = true;
    params.userDefinedButtonCaptions.yes = Widen(request.yesButtonText);
    params.userDefinedButtonCaptions.no = Widen(request.noButtonText);
    return XMessageBox(nullptr, Widen(request.text), Widen(request.title),
                       MB_YESNO | MB_ICONHAND | kXMessageBoxNoResourceTexts | kXMessageBoxNoSound, &params);
}

} // namespace ui
