#include "ui/IconComboBox.h"

#include "ui/StaticEx.h"

namespace ui {

namespace {

// The screen's vertical resolution in dots per inch.
int ScreenDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen != nullptr)
        ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

} // namespace

CIconComboBox::CIconComboBox() : iconSize_(GetSystemMetrics(SM_CYSMICON)), margin_(2) {
    const int dpi = ScreenDpi();
    if (dpi > 96) {
        margin_ = MulDiv(margin_, dpi, 96);
        textGap_ = MulDiv(textGap_, dpi, 96);
    }
}

CIconComboBox::~CIconComboBox() = default;

void CIconComboBox::PreSubclassWindow() {
    Send(CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), iconSize_);
    Send(CB_SETITEMHEIGHT, 0, GetItemHeight());
}

int CIconComboBox::AddItem(const std::wstring& text, HICON icon) {
    const auto index = static_cast<int>(Send(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
    if (index < 0)
        return index;
    if (icon != nullptr) {
        icons_.emplace_back(CopyIcon(icon));
        Send(CB_SETITEMDATA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(icons_.back().get()));
    }
    return index;
}

void CIconComboBox::ResetContent() {
    Send(CB_RESETCONTENT);
    icons_.clear();
}

int CIconComboBox::GetCount() const {
    return static_cast<int>(Send(CB_GETCOUNT));
}

int CIconComboBox::GetCurSel() const {
    return static_cast<int>(Send(CB_GETCURSEL));
}

void CIconComboBox::SetCurSel(int index) {
    Send(CB_SETCURSEL, static_cast<WPARAM>(index));
}

std::wstring CIconComboBox::GetItemText(int index) const {
    const auto length = static_cast<int>(Send(CB_GETLBTEXTLEN, static_cast<WPARAM>(index)));
    if (length < 0)
        return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const auto got =
        static_cast<int>(Send(CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data())));
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
}

HICON CIconComboBox::GetItemIcon(int index) const {
    const LRESULT data = Send(CB_GETITEMDATA, static_cast<WPARAM>(index));
    return data == CB_ERR ? nullptr : reinterpret_cast<HICON>(data);
}

void CIconComboBox::DrawItem(const DRAWITEMSTRUCT& item) {
    const RECT rect = item.rcItem;
    CXTPBufferDC buffer(item.hDC, rect, GetSysColor(COLOR_WINDOW));
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    if (selected)
        FillRect(buffer, &rect, GetSysColorBrush(COLOR_HIGHLIGHT));
    if (item.itemID != static_cast<UINT>(-1)) {
        const int height = rect.bottom - rect.top;
        const int index = static_cast<int>(item.itemID);
        if (HICON icon = GetItemIcon(index); icon != nullptr) {
            // The selection field is as high as the icon; the list leaves a margin around it.
            const bool inField = (item.itemState & ODS_COMBOBOXEDIT) != 0;
            const int offset = (height - iconSize_) / 2;
            const int x = inField ? rect.left : rect.left + offset + 1;
            const int y = inField ? rect.top : rect.top + offset;
            DrawIconEx(buffer, x, y, icon, iconSize_, iconSize_, 0, nullptr, DI_NORMAL);
        }
        const COLORREF color = selected                          ? GetSysColor(COLOR_HIGHLIGHTTEXT)
                               : (item.itemState & ODS_DISABLED) ? GetSysColor(COLOR_GRAYTEXT)
                                                                 : GetSysColor(COLOR_WINDOWTEXT);
        ::SetTextColor(buffer, color);
        SetBkMode(buffer, TRANSPARENT);
        HGDIOBJ oldFont = SelectObject(buffer, reinterpret_cast<HGDIOBJ>(Send(WM_GETFONT)));
        RECT textRect = rect;
        textRect.left += iconSize_ + textGap_;
        const std::wstring text = GetItemText(index);
        DrawTextW(buffer, text.c_str(), static_cast<int>(text.size()), &textRect,
                  DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
        SelectObject(buffer, oldFont);
    }
    if ((item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT))
        DrawFocusRect(buffer, &rect);
}

bool CIconComboBox::OnMessage(UINT message, WPARAM, LPARAM, LRESULT&) {
    // The entries go with the window; so do the copies of their icons.
    if (message == WM_DESTROY)
        icons_.clear();
    return false;
}

bool CIconComboBox::OnReflect(UINT message, WPARAM, LPARAM lParam, LRESULT& result) {
    if (message == WM_DRAWITEM) {
        DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        result = TRUE;
        return true;
    }
    if (message == WM_MEASUREITEM) {
        auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        measure->itemHeight = static_cast<UINT>(measure->itemID == static_cast<UINT>(-1) ? iconSize_ : GetItemHeight());
        result = TRUE;
        return true;
    }
    return false;
}

} // namespace ui
