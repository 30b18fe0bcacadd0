#pragma once
// A drop-down list that shows a small icon before each entry. Owner-drawn with strings; it keeps its own copy of
// every icon it was given, destroyed with the control.

#include "platform/Handle_win.h"
#include "ui/Control.h"

#include <string>
#include <vector>

namespace ui {

// A combo box of style CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS.
class CIconComboBox : public CControl {
public:
    CIconComboBox();
    ~CIconComboBox() override;

    // Adds an entry with a copy of the icon (none leaves the place empty); answers its index, or a negative
    // number when the entry could not be added.
    int AddItem(const std::wstring& text, HICON icon);
    // Removes every entry and its icon.
    void ResetContent();
    int GetCount() const;
    int GetCurSel() const;
    void SetCurSel(int index);
    std::wstring GetItemText(int index) const;
    // The copy kept for an entry, or null.
    HICON GetItemIcon(int index) const;

    int GetIconSize() const { return iconSize_; }
    // The height of an entry in the drop-down list: the icon and a margin above and below.
    int GetItemHeight() const { return iconSize_ + 2 * margin_; }

protected:
    // Sets the heights of the selection field (the icon) and of the entries.
    void PreSubclassWindow() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    bool OnReflect(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void DrawItem(const DRAWITEMSTRUCT& item);

    // The copies of the icons; each entry names its own in its item data.
    std::vector<platform::UniqueIcon> icons_;
    int iconSize_;
    int margin_;
    int textGap_ = 5; // pixels at 96 dots per inch, like the margin
};

} // namespace ui
