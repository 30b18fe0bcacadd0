#pragma once
// A list box that shows a 16x16 icon before each entry. Owner-drawn with strings; it keeps its own copy of every
// icon it was given, destroyed with the control.

#include "platform/Handle_win.h"
#include "ui/Control.h"

#include <string>
#include <vector>

namespace ui {

// A list box of style LBS_OWNERDRAWFIXED | LBS_HASSTRINGS. A text too wide for its entry is cut and ends in "...".
class CIconListBox : public CControl {
public:
    // Entry height at 96 dots per inch (scaled on denser screens) and where the text starts.
    static constexpr int kItemHeight = 16;
    static constexpr int kTextLeft = 21;

    CIconListBox();
    ~CIconListBox() override;

    // Adds an entry with a copy of the icon (none leaves the place empty); answers its index, or a negative
    // number when the entry could not be added.
    int AddItem(const std::wstring& text, HICON icon);
    void ResetContent();
    int GetCount() const;
    std::wstring GetItemText(int index) const;
    HICON GetItemIcon(int index) const;

    // The text as drawn in the given width with the context's font: whole when it fits, otherwise shortened one
    // character at a time and ended with "..." until it fits.
    static std::wstring FitText(HDC dc, const std::wstring& text, int width, bool expandTabs);

protected:
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    bool OnReflect(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void DrawItem(const DRAWITEMSTRUCT& item);

    // The copies of the icons; each entry names its own in its item data.
    std::vector<platform::UniqueIcon> icons_;
};

} // namespace ui
