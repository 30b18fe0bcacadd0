#pragma once
// The activity log: a report-view list with two columns (the time of a line, its message), owner-drawn rows in
// which a line's message can be bold, the newest line kept in view, and saving as a text file.
//
// Use from the main window:
//   - Bind(IDC_LOG_LIST, log) in DoDataExchange; in OnInitDialog move the list onto the tree's rectangle and call
//     CreateColumns(rectangle width).
//   - WM_LOG_MESSAGE (wParam: const wchar_t* text, lParam: bold flag): AddLine(text, lParam != 0); result 0.
//   - At the start of a run: DeleteAllLines().
//   - Save log (menu or Ctrl+S, only when the log is visible and no run is active):
//     path = ChooseLogFile(owner); if not empty, SaveLog(path).
// The list's parent must reflect WM_DRAWITEM to it (ui::CDialog does).

#include "platform/Handle_win.h"
#include "ui/framework/Control.h"

#include <commctrl.h>

#include <algorithm>
#include <iterator>

#include <cstdint>
#include <string>
#include <vector>

namespace ui {

class CListCtrlLog : public CControl {
public:
    // Column 0 "Column0" as wide as "00:00:00" and one average character in the list's font, column 1 "Column1" the
    // rest of totalWidth; adds full-row selection and double buffering to the list's extended styles.
    void CreateColumns(int totalWidth);

    // Appends a line: the local time now as "%H:%M:%S", the message, and its bold flag; scrolls it fully into view.
    void AddLine(const std::wstring& message, bool bold);
    // The same with a given time text.
    void AddLine(const std::wstring& time, const std::wstring& message, bool bold);
    void DeleteAllLines();

    int GetLineCount() const;
    std::wstring GetCellText(int row, int column) const;
    bool IsLineBold(int row) const;

    // The file SaveLog writes: one line per row, each cell in the thread's ANSI code page (characters it lacks
    // become its default character), a tab after every cell but the last and one more after an empty cell, a
    // single line feed at the end of each line; no byte-order mark.
    std::string FormatLog() const;
    // Writes FormatLog() to path, replacing an existing file. False when the file cannot be created or written.
    bool SaveLog(const std::wstring& path) const;
    // Asks for a file with the system's save dialog ("Tidyquill_Log", text files); empty when cancelled.
    static std::wstring ChooseLogFile(HWND owner);

    // The text a cell shows in a given width: in the last column a text holding a backslash is shortened as a path
    // ("..." in the middle); other texts are cut at the end with "..." when drawn.
    static std::wstring FitCellText(HDC dc, const std::wstring& text, int width, bool lastColumn);
    // The local time now as "%H:%M:%S"; empty if it cannot be formatted.
    static std::wstring FormatTimeNow();

    HFONT GetBoldFont() const { return boldFont_.get(); }

protected:
    void PreSubclassWindow() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    bool OnReflect(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void ApplySystemColours();
    // The bold font from the list's font; made again whenever the list gets another font (a new DPI, say).
    void MakeBoldFont();
    // The width of "00:00:00" and one average character in the list's font.
    int TimeColumnWidth() const;
    void DrawItem(const DRAWITEMSTRUCT& item) const;
    void DrawRow(HDC dc, int row, const RECT& rowRect, bool selected) const;
    void OnDragSelect(POINT point);

    platform::UniqueFont boldFont_;
    std::vector<std::uint32_t> rowFlags_;
};

} // namespace ui
