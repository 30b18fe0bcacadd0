#include "ui/controls/IconItemControl.h"

namespace ui {

int CIconItemControl::AddItem(const std::wstring& text, HICON icon) {
    const auto index = static_cast<int>(Send(messages_.addString, 0, reinterpret_cast<LPARAM>(text.c_str())));
    if (index < 0)
        return index;
    if (icon != nullptr) {
        icons_.emplace_back(CopyIcon(icon));
        Send(messages_.setItemData, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(icons_.back().get()));
    }
    return index;
}

void CIconItemControl::ResetContent() {
    Send(messages_.resetContent);
    icons_.clear();
}

int CIconItemControl::GetCount() const {
    return static_cast<int>(Send(messages_.getCount));
}

std::wstring CIconItemControl::GetItemText(int index) const {
    const auto length = static_cast<int>(Send(messages_.getTextLength, static_cast<WPARAM>(index)));
    if (length < 0)
        return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const auto got =
        static_cast<int>(Send(messages_.getText, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data())));
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
}

HICON CIconItemControl::GetItemIcon(int index) const {
    const LRESULT data = Send(messages_.getItemData, static_cast<WPARAM>(index));
    return data == messages_.error ? nullptr : reinterpret_cast<HICON>(data);
}

bool CIconItemControl::OnMessage(UINT message, WPARAM, LPARAM, LRESULT&) {
    if (message == WM_DESTROY)
        icons_.clear();
    return false;
}

bool CIconItemControl::OnReflect(UINT message, WPARAM, LPARAM lParam, LRESULT& result) {
    if (message == WM_DRAWITEM) {
        DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        result = TRUE;
        return true;
    }
    if (message == WM_MEASUREITEM) {
        auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        measure->itemHeight = static_cast<UINT>(MeasureItemHeight(measure->itemID));
        result = TRUE;
        return true;
    }
    return false;
}

HGDIOBJ CIconItemControl::BeginItemText(HDC dc, const DRAWITEMSTRUCT& item) const {
    const COLORREF color = (item.itemState & ODS_SELECTED)   ? GetSysColor(COLOR_HIGHLIGHTTEXT)
                           : (item.itemState & ODS_DISABLED) ? GetSysColor(COLOR_GRAYTEXT)
                                                             : GetSysColor(COLOR_WINDOWTEXT);
    ::SetTextColor(dc, color);
    SetBkMode(dc, TRANSPARENT);
    return SelectObject(dc, reinterpret_cast<HGDIOBJ>(Send(WM_GETFONT)));
}

} // namespace ui
