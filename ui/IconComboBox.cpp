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

const ItemListMessages kComboBoxMessages = {CB_ADDSTRING, CB_RESETCONTENT, CB_GETCOUNT,    CB_GETLBTEXTLEN,
                                            CB_GETLBTEXT, CB_GETITEMDATA,  CB_SETITEMDATA, CB_ERR};

CIconComboBox::CIconComboBox()
    : CIconItemControl(kComboBoxMessages), iconSize_(GetSystemMetrics(SM_CYSMICON)), margin_(2) {
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

int CIconComboBox::GetCurSel() const {
    return static_cast<int>(Send(CB_GETCURSEL));
}

void CIconComboBox::SetCurSel(int index) {
    Send(CB_SETCURSEL, static_cast<WPARAM>(index));
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
        HGDIOBJ oldFont = BeginItemText(buffer, item);
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

int CIconComboBox::MeasureItemHeight(UINT itemId) const {
    return itemId == static_cast<UINT>(-1) ? iconSize_ : GetItemHeight();
}

} // namespace ui
