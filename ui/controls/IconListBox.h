#pragma once
// A list box that shows a 16x16 icon before each entry. Owner-drawn with strings; it keeps its own copy of every
// icon it was given, destroyed with the control.

#include "ui/controls/IconItemControl.h"

#include <string>
#include <vector>

namespace ui {

// A list box of style LBS_OWNERDRAWFIXED | LBS_HASSTRINGS. A text too wide for its entry is cut and ends in "...".
class CIconListBox : public CIconItemControl {
public:
    // Entry height and where the text starts, at 96 dots per inch (scaled with the control's DPI).
    static constexpr int kItemHeight = 16;
    static constexpr int kTextLeft = 21;

    CIconListBox();
    ~CIconListBox() override;

    // Adds an entry as the base does, after setting the entry height.
    int AddItem(const std::wstring& text, HICON icon);

    // The text as drawn in the given width with the context's font: whole when it fits, otherwise shortened one
    // character at a time and ended with "..." until it fits.
    static std::wstring FitText(HDC dc, const std::wstring& text, int width, bool expandTabs);

protected:
    void DrawItem(const DRAWITEMSTRUCT& item) override;
    int MeasureItemHeight(UINT itemId) const override;
    // The entries' height and icons follow the new DPI.
    void OnDpiChanged() override;

private:
    int ItemHeight() const;
};

} // namespace ui
