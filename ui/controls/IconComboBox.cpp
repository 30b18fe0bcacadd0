#include "ui/controls/IconComboBox.h"

#include "ui/framework/Image.h"

namespace ui {

const ItemListMessages kComboBoxMessages = {CB_ADDSTRING, CB_RESETCONTENT, CB_GETCOUNT,    CB_GETLBTEXTLEN,
                                            CB_GETLBTEXT, CB_GETITEMDATA,  CB_SETITEMDATA, CB_ERR};

CIconComboBox::CIconComboBox() : CIconItemControl(kComboBoxMessages) {}

CIconComboBox::~CIconComboBox() = default;

void CIconComboBox::ApplySizes() {
    const int dpi = GetDpi();
    iconSize_ = GetSystemMetricForDpi(SM_CYSMICON, dpi);
    margin_ = ScaleToDpi(2, dpi);
    textGap_ = ScaleToDpi(5, dpi);
    Send(CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), iconSize_);
    Send(CB_SETITEMHEIGHT, 0, GetItemHeight());
}

void CIconComboBox::PreSubclassWindow() {
    ApplySizes();
}

void CIconComboBox::OnDpiChanged() {
    ApplySizes();
    Invalidate();
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
