#include "ui/controls/IconListBox.h"

#include "ui/framework/Image.h"

namespace ui {

namespace {

const wchar_t kEllipsis[] = L"...";

int TextWidth(HDC dc, const std::wstring& text, bool expandTabs) {
    RECT rect{0, 0, 0, 0};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect,
              DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX | (expandTabs ? DT_EXPANDTABS : 0));
    return rect.right - rect.left;
}

} // namespace

const ItemListMessages kListBoxMessages = {LB_ADDSTRING, LB_RESETCONTENT, LB_GETCOUNT,    LB_GETTEXTLEN,
                                           LB_GETTEXT,   LB_GETITEMDATA,  LB_SETITEMDATA, LB_ERR};

CIconListBox::CIconListBox() : CIconItemControl(kListBoxMessages) {}

CIconListBox::~CIconListBox() = default;

// The entry height: 16 pixels at 96 dots per inch, more at higher ones so that the text is not clipped.
int CIconListBox::ItemHeight() const {
    return ScaleToDpi(kItemHeight, GetDpi());
}

void CIconListBox::OnDpiChanged() {
    Send(LB_SETITEMHEIGHT, 0, ItemHeight());
    Invalidate();
}

int CIconListBox::AddItem(const std::wstring& text, HICON icon) {
    Send(LB_SETITEMHEIGHT, 0, ItemHeight());
    return CIconItemControl::AddItem(text, icon);
}

std::wstring CIconListBox::FitText(HDC dc, const std::wstring& text, int width, bool expandTabs) {
    if (TextWidth(dc, text, expandTabs) <= width)
        return text;
    std::wstring cut = text;
    while (!cut.empty()) {
        cut.pop_back();
        const std::wstring candidate = cut + kEllipsis;
        if (TextWidth(dc, candidate, expandTabs) <= width)
            return candidate;
    }
    return kEllipsis;
}

void CIconListBox::DrawItem(const DRAWITEMSTRUCT& item) {
    const RECT rect = item.rcItem;
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    // The row's background pairs with the text colour the shared base picks (window text, highlight text), so that
    // every colour scheme reads, a high-contrast black one included.
    CXTPBufferDC buffer(item.hDC, rect, GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    if (item.itemID != static_cast<UINT>(-1)) {
        const int index = static_cast<int>(item.itemID);
        const int height = rect.bottom - rect.top;
        const int iconSize = ScaleToDpi(16, GetDpi());
        if (HICON icon = GetItemIcon(index); icon != nullptr)
            DrawIconEx(buffer, rect.left + 1, rect.top + (height - iconSize) / 2, icon, iconSize, iconSize, 0, nullptr,
                       DI_NORMAL);
        HGDIOBJ oldFont = BeginItemText(buffer, item);
        const bool tabs = (GetWindowLongW(GetHwnd(), GWL_STYLE) & LBS_USETABSTOPS) != 0;
        RECT textRect = rect;
        textRect.left += ScaleToDpi(kTextLeft, GetDpi());
        const std::wstring shown = FitText(buffer, GetItemText(index), textRect.right - textRect.left, tabs);
        DrawTextW(buffer, shown.c_str(), static_cast<int>(shown.size()), &textRect,
                  DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | (tabs ? DT_EXPANDTABS : 0));
        SelectObject(buffer, oldFont);
    }
    if (item.itemState & ODS_FOCUS)
        DrawFocusRect(buffer, &rect);
}

int CIconListBox::MeasureItemHeight(UINT) const {
    return ItemHeight();
}

} // namespace ui
