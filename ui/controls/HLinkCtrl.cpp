#include "ui/controls/HLinkCtrl.h"

#include "platform/Processes.h"
#include "platform/Text.h"

#include <commctrl.h>

#include <cwchar>

namespace ui {

namespace {

const wchar_t kSettingsKey[] = L"Software\\Microsoft\\Internet Explorer\\Settings";
const wchar_t kMainKey[] = L"Software\\Microsoft\\Internet Explorer\\Main";
// The tooltip shows at most this many characters of the address.
constexpr size_t kTooltipLength = 79;

// A text value under HKEY_CURRENT_USER; false when the key or value is missing or is not text.
bool ReadTextValue(const wchar_t* key, const wchar_t* value, std::wstring& text) {
    platform::UniqueRegistryKey opened;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, key, 0, KEY_QUERY_VALUE, opened.put()) != ERROR_SUCCESS)
        return false;
    DWORD type = 0;
    DWORD bytes = 0;
    if (RegQueryValueExW(opened.get(), value, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return false;
    std::wstring buffer(bytes / sizeof(wchar_t) + 1, L'\0');
    bytes = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    if (RegQueryValueExW(opened.get(), value, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &bytes) !=
        ERROR_SUCCESS)
        return false;
    buffer.resize(wcsnlen(buffer.c_str(), bytes / sizeof(wchar_t)));
    text = buffer;
    return true;
}

} // namespace

CHLinkCtrl::CHLinkCtrl() {
    handCursor_ = LoadCursorW(nullptr, IDC_HAND);
    linkColor_ = ReadColorSetting(kSettingsKey, L"Anchor Color",
                                  DefaultLinkColor(GetSysColor(COLOR_HOTLIGHT), GetSysColor(COLOR_BTNFACE)));
    visitedColor_ = ReadColorSetting(kSettingsKey, L"Anchor Color Visited",
                                     DefaultVisitedColor(GetSysColor(COLOR_WINDOWTEXT), GetSysColor(COLOR_WINDOW)));
    hoverColor_ = ReadColorSetting(kSettingsKey, L"Anchor Color Hover", RGB(255, 0, 0));
    hoverEnabled_ = ReadYesNoSetting(kSettingsKey, L"Use Anchor Hover Color", true);
    underline_ = ReadUnderlineSetting(kMainKey, L"Anchor Underline", kUnderlineAlways);
}

CHLinkCtrl::~CHLinkCtrl() {
    if (tooltip_ != nullptr && IsWindow(tooltip_))
        DestroyWindow(tooltip_);
}

COLORREF CHLinkCtrl::ParseColor(const std::wstring& text, COLORREF defaultColor) {
    unsigned short parts[3] = {GetRValue(defaultColor), GetGValue(defaultColor), GetBValue(defaultColor)};
    unsigned short read[3] = {parts[0], parts[1], parts[2]};
    const int count = swscanf(text.c_str(), L"%hu,%hu,%hu", &read[0], &read[1], &read[2]);
    for (int i = 0; i < count && i < 3; ++i) {
        if (read[i] <= 255) // a component out of range keeps the default's
            parts[i] = read[i];
    }
    return RGB(parts[0], parts[1], parts[2]);
}

COLORREF CHLinkCtrl::DefaultLinkColor(COLORREF hotTrack, COLORREF face) {
    // Some themes make the hot-track colour a light grey that vanishes on a dialog; a link must stay readable.
    auto luma = [](COLORREF c) { return (GetRValue(c) * 299 + GetGValue(c) * 587 + GetBValue(c) * 114) / 1000; };
    const int difference = luma(hotTrack) - luma(face);
    return difference >= kMinimumContrast || difference <= -kMinimumContrast ? hotTrack : kReadableLinkColor;
}

COLORREF CHLinkCtrl::DefaultVisitedColor(COLORREF windowText, COLORREF window) {
    return RGB((GetRValue(windowText) + GetRValue(window)) / 2, GetGValue(windowText),
               (GetBValue(windowText) + GetBValue(window)) / 2);
}

COLORREF CHLinkCtrl::ReadColorSetting(const wchar_t* key, const wchar_t* value, COLORREF defaultColor) {
    std::wstring text;
    return ReadTextValue(key, value, text) ? ParseColor(text, defaultColor) : defaultColor;
}

bool CHLinkCtrl::ReadYesNoSetting(const wchar_t* key, const wchar_t* value, bool defaultValue) {
    std::wstring text;
    if (!ReadTextValue(key, value, text))
        return defaultValue;
    return _wcsicmp(text.c_str(), L"no") != 0;
}

CHLinkCtrl::Underline CHLinkCtrl::ReadUnderlineSetting(const wchar_t* key, const wchar_t* value,
                                                       Underline defaultMode) {
    std::wstring text;
    if (!ReadTextValue(key, value, text))
        return defaultMode;
    if (_wcsicmp(text.c_str(), L"no") == 0)
        return kUnderlineNever;
    if (_wcsicmp(text.c_str(), L"hover") == 0)
        return kUnderlineHover;
    return kUnderlineAlways;
}

void CHLinkCtrl::SetURL(const std::wstring& address) {
    address_ = address;
    Repaint();
}

void CHLinkCtrl::SetUnderlineMode(Underline mode) {
    underline_ = mode;
    ApplyFont();
    Repaint();
}

COLORREF CHLinkCtrl::GetCurrentColor() const {
    switch (state_) {
    case kVisited:
        return visitedColor_;
    case kHovered:
        return hoverColor_;
    default:
        return linkColor_;
    }
}

bool CHLinkCtrl::IsUnderlinedNow() const {
    return underline_ == kUnderlineAlways || (underline_ == kUnderlineHover && state_ == kHovered);
}

bool CHLinkCtrl::OpenLink() {
    if (address_.empty())
        return false;
    HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    const bool opened = platform::OpenWithShell(platform::WideToUtf8(address_), platform::WideToUtf8(verb_),
                                                GetHwnd() != nullptr ? GetParent(GetHwnd()) : nullptr);
    SetCursor(previous);
    if (opened) {
        // Visited for good: leaving a hover later comes back to the visited colour.
        stateBeforeHover_ = kVisited;
        SetState(kVisited);
    }
    return opened;
}

void CHLinkCtrl::PreSubclassWindow() {
    normalFont_ = reinterpret_cast<HFONT>(Send(WM_GETFONT));
    MakeUnderlineFont();
    ApplyFont();
    if (tooltipsEnabled_)
        CreateTooltip();
}

void CHLinkCtrl::MakeUnderlineFont() {
    LOGFONTW font{};
    HGDIOBJ source = normalFont_ != nullptr ? static_cast<HGDIOBJ>(normalFont_) : GetStockObject(DEFAULT_GUI_FONT);
    if (GetObjectW(source, sizeof(font), &font) == 0)
        return;
    font.lfUnderline = TRUE;
    underlineFont_.reset(CreateFontIndirectW(&font));
}

void CHLinkCtrl::ApplyFont() {
    if (GetHwnd() == nullptr)
        return;
    // The static selects its own font after asking for colours, so the underline is switched on the control.
    HFONT font = IsUnderlinedNow() && underlineFont_ ? underlineFont_.get() : normalFont_;
    applyingFont_ = true;
    Send(WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    applyingFont_ = false;
}

void CHLinkCtrl::CreateTooltip() {
    tooltip_ =
        CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, GetHwnd(), nullptr, GetResourceModule(), nullptr);
    if (tooltip_ == nullptr)
        return;
    TOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = GetHwnd();
    tool.uId = reinterpret_cast<UINT_PTR>(GetHwnd());
    tool.lpszText = LPSTR_TEXTCALLBACKW;
    SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void CHLinkCtrl::SetState(State state) {
    if (state_ == state)
        return;
    state_ = state;
    ApplyFont();
    Repaint();
}

void CHLinkCtrl::Repaint() {
    if (GetHwnd() == nullptr)
        return;
    InvalidateRect(GetHwnd(), nullptr, TRUE);
    UpdateWindow(GetHwnd());
}

void CHLinkCtrl::OnMouseMove(LPARAM lParam) {
    if (!hoverEnabled_)
        return;
    const POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    const RECT client = GetClientRect();
    if (!PtInRect(&client, point)) {
        LeaveHover();
        return;
    }
    if (state_ != kHovered) {
        stateBeforeHover_ = state_;
        SetState(kHovered);
    }
    if (!trackingMouseLeave_) {
        TRACKMOUSEEVENT track{};
        track.cbSize = sizeof(track);
        track.dwFlags = TME_LEAVE;
        track.hwndTrack = GetHwnd();
        trackingMouseLeave_ = TrackMouseEvent(&track) != FALSE;
    }
}

void CHLinkCtrl::LeaveHover() {
    if (state_ == kHovered)
        SetState(stateBeforeHover_);
}

bool CHLinkCtrl::EraseBackground(HDC dc) {
    const RECT client = GetClientRect();
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    HWND parent = GetParent(GetHwnd());
    if (parent == nullptr || width <= 0 || height <= 0)
        return false;
    platform::UniqueMemoryDC memory(CreateCompatibleDC(dc));
    if (!memory)
        return false;
    if (!background_) {
        // The first erase: the parent has painted what lies under the control; keep those pixels.
        background_.reset(CreateCompatibleBitmap(dc, width, height));
        if (!background_)
            return false;
        const RECT inParent = GetRectInParent();
        HDC parentDc = GetDC(parent);
        HGDIOBJ old = SelectObject(memory.get(), background_.get());
        BitBlt(memory.get(), 0, 0, width, height, parentDc, inParent.left, inParent.top, SRCCOPY);
        SelectObject(memory.get(), old);
        ReleaseDC(parent, parentDc);
    }
    HGDIOBJ old = SelectObject(memory.get(), background_.get());
    BitBlt(dc, 0, 0, width, height, memory.get(), 0, 0, SRCCOPY);
    SelectObject(memory.get(), old);
    return true;
}

bool CHLinkCtrl::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (HandleClickableStatic(message, handCursor_, result))
        return true;
    switch (message) {
    case WM_LBUTTONUP:
        OpenLink();
        return false;
    case WM_MOUSEMOVE:
        OnMouseMove(lParam);
        return false;
    case WM_MOUSELEAVE:
        trackingMouseLeave_ = false;
        LeaveHover();
        result = 0;
        return true;
    case WM_SETTEXT:
    case WM_ENABLE:
        result = DefaultProc(message, wParam, lParam);
        Repaint();
        return true;
    case WM_SETFONT:
        if (applyingFont_)
            return false;
        normalFont_ = reinterpret_cast<HFONT>(wParam);
        MakeUnderlineFont();
        ApplyFont();
        if (LOWORD(lParam))
            Repaint();
        result = 0;
        return true;
    case WM_ERASEBKGND:
        if (!EraseBackground(reinterpret_cast<HDC>(wParam)))
            return false;
        result = TRUE;
        return true;
    case WM_DESTROY:
        if (tooltip_ != nullptr)
            DestroyWindow(tooltip_);
        tooltip_ = nullptr;
        background_.reset();
        trackingMouseLeave_ = false;
        return false;
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (header->hwndFrom != tooltip_ || tooltip_ == nullptr)
            return false;
        if (header->code == TTN_GETDISPINFOW) {
            auto* info = reinterpret_cast<NMTTDISPINFOW*>(lParam);
            tooltipText_ = address_.substr(0, kTooltipLength);
            info->lpszText = tooltipText_.data();
            result = 0;
            return true;
        }
        if (header->code == TTN_GETDISPINFOA) {
            auto* info = reinterpret_cast<NMTTDISPINFOA*>(lParam);
            const std::wstring shown = address_.substr(0, kTooltipLength);
            const int written = WideCharToMultiByte(CP_ACP, 0, shown.c_str(), static_cast<int>(shown.size()),
                                                    info->szText, sizeof(info->szText) - 1, nullptr, nullptr);
            info->szText[written > 0 ? written : 0] = '\0';
            info->lpszText = info->szText;
            result = 0;
            return true;
        }
        return false;
    }
    default:
        return false;
    }
}

bool CHLinkCtrl::OnReflect(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
    if (message != WM_CTLCOLORSTATIC || !IsEnabled())
        return false;
    HDC dc = reinterpret_cast<HDC>(wParam);
    SetTextColor(dc, GetCurrentColor());
    SetBkMode(dc, TRANSPARENT);
    result = reinterpret_cast<LRESULT>(GetStockObject(HOLLOW_BRUSH));
    return true;
}

} // namespace ui
