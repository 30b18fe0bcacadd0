#pragma once
// A drop-down list that shows a small icon before each entry. Owner-drawn with strings; it keeps its own copy of
// every icon it was given, destroyed with the control.

#include "ui/controls/IconItemControl.h"

#include <string>
#include <vector>

namespace ui {

// A combo box of style CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS.
class CIconComboBox : public CIconItemControl {
public:
    CIconComboBox();
    ~CIconComboBox() override;

    int GetCurSel() const;
    void SetCurSel(int index);

    int GetIconSize() const { return iconSize_; }
    // The height of an entry in the drop-down list: the icon and a margin above and below.
    int GetItemHeight() const { return iconSize_ + 2 * margin_; }

protected:
    // Sets the heights of the selection field (the icon) and of the entries, for the control's DPI.
    void PreSubclassWindow() override;
    void OnDpiChanged() override;
    void DrawItem(const DRAWITEMSTRUCT& item) override;
    int MeasureItemHeight(UINT itemId) const override;

private:
    void ApplySizes();

    int iconSize_ = 16;
    int margin_ = 2;  // pixels at 96 dots per inch
    int textGap_ = 5; // likewise
};

} // namespace ui
