#pragma once
// The common part of the icon list box and the icon drop-down list: text entries, each with a copy of an icon that
// the control keeps and destroys with its window.

#include "platform/Handle_win.h"
#include "ui/framework/Control.h"

#include <string>
#include <vector>

namespace ui {

// The messages by which a list box or a combo box keeps its entries.
struct ItemListMessages {
    UINT addString;
    UINT resetContent;
    UINT getCount;
    UINT getTextLength;
    UINT getText;
    UINT getItemData;
    UINT setItemData;
    LRESULT error;
};

class CIconItemControl : public CControl {
public:
    // Adds an entry with a copy of the icon (none leaves the place empty); answers its index, or a negative
    // number when the entry could not be added.
    int AddItem(const std::wstring& text, HICON icon);
    // Removes every entry and its icon.
    void ResetContent();
    int GetCount() const;
    std::wstring GetItemText(int index) const;
    // The copy kept for an entry, or null.
    HICON GetItemIcon(int index) const;

protected:
    explicit CIconItemControl(const ItemListMessages& messages) : messages_(messages) {}
    // The entries go with the window; so do the copies of their icons.
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    // The owner-drawn entries: the parent's WM_DRAWITEM and WM_MEASUREITEM, reflected, go to the two below.
    bool OnReflect(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    virtual void DrawItem(const DRAWITEMSTRUCT& item) = 0;
    // The height of the entry itemId (-1: the selection field of a drop-down list).
    virtual int MeasureItemHeight(UINT itemId) const = 0;
    // Sets dc up for an entry's text: the colour of its state (selected, disabled or plain), a transparent
    // background and the control's font. Answers the font it replaced.
    HGDIOBJ BeginItemText(HDC dc, const DRAWITEMSTRUCT& item) const;

private:
    const ItemListMessages& messages_;
    // The copies of the icons; each entry names its own in its item data.
    std::vector<platform::UniqueIcon> icons_;
};

} // namespace ui
