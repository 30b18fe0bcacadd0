#include "ui/controls/ListCtrlLog.h"

#include "platform/Text.h"

#include <commdlg.h>
#include <shlwapi.h>

#include <ctime>
#include <iterator>

namespace ui {

namespace {

// Cell texts longer than this are cut when drawn.
constexpr int kCellBuffer = 2048;
// Room kept free right of a shortened path.
constexpr int kPathMargin = 20;

int ColumnCount(HWND list) {
    HWND header = ListView_GetHeader(list);
    return header != nullptr ? Header_GetItemCount(header) : 0;
}

} // namespace

void CListCtrlLog::ApplySystemColours() {
    // The rows paint themselves; the list's own background (below the last row) follows the window colour too, also
    // when the scheme changes while the list is shown.
    ListView_SetBkColor(GetHwnd(), GetSysColor(COLOR_WINDOW));
    ListView_SetTextBkColor(GetHwnd(), GetSysColor(COLOR_WINDOW));
    ListView_SetTextColor(GetHwnd(), GetSysColor(COLOR_WINDOWTEXT));
}

void CListCtrlLog::PreSubclassWindow() {
    ApplySystemColours();
    MakeBoldFont();
}

void CListCtrlLog::MakeBoldFont() {
    auto font = reinterpret_cast<HFONT>(Send(WM_GETFONT));
    if (font == nullptr)
        font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    LOGFONTW description{};
    if (GetObjectW(font, sizeof(description), &description) != 0) {
        description.lfWeight = 900;
        boldFont_.reset(CreateFontIndirectW(&description));
    }
}

int CListCtrlLog::TimeColumnWidth() const {
    HWND list = GetHwnd();
    HDC dc = GetDC(list);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(Send(WM_GETFONT)));
    SIZE size{};
    GetTextExtentPoint32W(dc, L"00:00:00", 8, &size);
    // One average character of room, so that the time does not run into the message.
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(list, dc);
    return size.cx + metrics.tmAveCharWidth;
}

void CListCtrlLog::CreateColumns(int totalWidth) {
    HWND list = GetHwnd();
    SIZE size{TimeColumnWidth(), 0};

    wchar_t first[] = L"Column0";
    wchar_t second[] = L"Column1";
    LVCOLUMNW column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = size.cx;
    column.pszText = first;
    column.iSubItem = 0;
    ListView_InsertColumn(list, 0, &column);
    column.cx = std::max<int>(0, totalWidth - size.cx);
    column.pszText = second;
    column.iSubItem = 1;
    ListView_InsertColumn(list, 1, &column);
    ListView_SetExtendedListViewStyleEx(list, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER,
                                        LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
}

std::wstring CListCtrlLog::FormatTimeNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_s(&local, &now) != 0)
        return {};
    wchar_t buffer[128] = {};
    if (std::wcsftime(buffer, std::size(buffer), L"%H:%M:%S", &local) == 0)
        return {};
    return buffer;
}

void CListCtrlLog::AddLine(const std::wstring& message, bool bold) {
    AddLine(FormatTimeNow(), message, bold);
}

void CListCtrlLog::AddLine(const std::wstring& time, const std::wstring& message, bool bold) {
    HWND list = GetHwnd();
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = ListView_GetItemCount(list);
    item.pszText = const_cast<wchar_t*>(time.c_str());
    const int row = ListView_InsertItem(list, &item);
    if (row < 0)
        return;
    // Each row finds its flag at its own index.
    rowFlags_.insert(rowFlags_.begin() + std::min<size_t>(static_cast<size_t>(row), rowFlags_.size()), bold ? 1 : 0);
    ListView_EnsureVisible(list, row, FALSE);
    ListView_SetItemText(list, row, 1, const_cast<wchar_t*>(message.c_str()));
}

void CListCtrlLog::DeleteAllLines() {
    ListView_DeleteAllItems(GetHwnd());
    rowFlags_.clear();
}

int CListCtrlLog::GetLineCount() const {
    return ListView_GetItemCount(GetHwnd());
}

std::wstring CListCtrlLog::GetCellText(int row, int column) const {
    // The whole text, however long: the buffer grows until the text fits with room to spare.
    for (size_t size = kCellBuffer;; size *= 2) {
        std::wstring text(size, L'\0');
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = text.data();
        item.cchTextMax = static_cast<int>(size);
        const auto length = static_cast<size_t>(
            SendMessageW(GetHwnd(), LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)));
        if (length + 1 < size || size >= (size_t{1} << 24)) {
            text.resize(std::min(length, size - 1));
            return text;
        }
    }
}

bool CListCtrlLog::IsLineBold(int row) const {
    return row >= 0 && static_cast<size_t>(row) < rowFlags_.size() && rowFlags_[static_cast<size_t>(row)] != 0;
}

std::string CListCtrlLog::FormatLog() const {
    const int rows = GetLineCount();
    const int columns = ColumnCount(GetHwnd());
    std::string file;
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            const std::wstring text = GetCellText(row, column);
            file += platform::WideToCodePage(text, CP_THREAD_ACP);
            if (column + 1 < columns)
                file += '\t';
            if (text.empty())
                file += '\t';
        }
        file += '\n';
    }
    return file;
}

bool CListCtrlLog::SaveLog(const std::wstring& path) const {
    platform::UniqueKernelHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    const std::string text = FormatLog();
    DWORD written = 0;
    return text.empty() || (WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                            written == text.size());
}

std::wstring CListCtrlLog::ChooseLogFile(HWND owner) {
    const std::wstring filter = L"Text Files (*.txt)|*.txt|All Files (*.*)|*.*||";
    std::wstring systemFilter = filter;
    for (wchar_t& character : systemFilter)
        if (character == L'|')
            character = L'\0';
    wchar_t path[MAX_PATH] = L"Tidyquill_Log";
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = systemFilter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = path;
    dialog.nMaxFile = MAX_PATH;
    // The extension without its dot: the system appends it after one.
    dialog.lpstrDefExt = L"txt";
    dialog.Flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_EXPLORER;
    if (!GetSaveFileNameW(&dialog))
        return {};
    return path;
}

std::wstring CListCtrlLog::FitCellText(HDC dc, const std::wstring& text, int width, bool lastColumn) {
    wchar_t buffer[kCellBuffer] = {};
    text.copy(buffer, kCellBuffer - 1);
    // A path keeps its start and its file name; when even the name does not fit, the end is cut when drawn.
    if (lastColumn && text.find(L'\\') != std::wstring::npos &&
        !PathCompactPathW(dc, buffer, static_cast<UINT>(std::max(0, width - kPathMargin))))
        return text.substr(0, kCellBuffer - 1);
    return buffer;
}

void CListCtrlLog::DrawRow(HDC dc, int row, const RECT& rowRect, bool selected) const {
    HWND list = GetHwnd();
    FillRect(dc, &rowRect, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColour = SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    const HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0)));
    const int columns = ColumnCount(list);
    RECT cell = rowRect;
    for (int column = 0; column < columns; ++column) {
        cell.right = cell.left + ListView_GetColumnWidth(list, column);
        const bool last = column + 1 == columns;
        if (last && IsLineBold(row) && boldFont_.get() != nullptr)
            SelectObject(dc, boldFont_.get());
        const std::wstring text = FitCellText(dc, GetCellText(row, column), cell.right - cell.left, last);
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &cell,
                  DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
        cell.left = cell.right;
    }
    SelectObject(dc, oldFont);
    SetTextColor(dc, oldColour);
}

void CListCtrlLog::DrawItem(const DRAWITEMSTRUCT& item) const {
    if (ColumnCount(GetHwnd()) == 0)
        return;
    const RECT target = item.rcItem;
    const int width = target.right - target.left;
    const int height = target.bottom - target.top;
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    // The row is drawn off screen and copied in one step, so it never flickers.
    platform::UniqueMemoryDC memory(CreateCompatibleDC(item.hDC));
    platform::UniqueBitmap bitmap(width > 0 && height > 0 ? CreateCompatibleBitmap(item.hDC, width, height) : nullptr);
    if (memory.get() == nullptr || bitmap.get() == nullptr) {
        DrawRow(item.hDC, static_cast<int>(item.itemID), target, selected);
        return;
    }
    const HGDIOBJ old = SelectObject(memory.get(), bitmap.get());
    const RECT local{0, 0, width, height};
    DrawRow(memory.get(), static_cast<int>(item.itemID), local, selected);
    BitBlt(item.hDC, target.left, target.top, width, height, memory.get(), 0, 0, SRCCOPY);
    SelectObject(memory.get(), old);
}

void CListCtrlLog::OnDragSelect(POINT point) {
    HWND list = GetHwnd();
    LVHITTESTINFO hit{};
    hit.pt = point;
    const int row = ListView_HitTest(list, &hit);
    if (row < 0 || ListView_GetNextItem(list, -1, LVNI_SELECTED) == row)
        return;
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(list, row, FALSE);
}

bool CListCtrlLog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
    case WM_MOUSEMOVE:
        if ((wParam & MK_LBUTTON) != 0)
            OnDragSelect(POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
        return false;
    case WM_SIZE:
        result = DefaultProc(message, wParam, lParam);
        if (static_cast<short>(LOWORD(lParam)) > 0) {
            const int columns = ColumnCount(GetHwnd());
            if (columns > 0)
                ListView_SetColumnWidth(GetHwnd(), columns - 1, LVSCW_AUTOSIZE_USEHEADER);
        }
        return true;
    case WM_SYSCOLORCHANGE:
        result = DefaultProc(message, wParam, lParam);
        ApplySystemColours();
        return true;
    case WM_SETFONT:
        // Another font (a monitor of another DPI): the bold one and the time column follow it; the message column
        // takes what is left.
        result = DefaultProc(message, wParam, lParam);
        MakeBoldFont();
        if (ColumnCount(GetHwnd()) == 2) {
            ListView_SetColumnWidth(GetHwnd(), 0, TimeColumnWidth());
            ListView_SetColumnWidth(GetHwnd(), 1, LVSCW_AUTOSIZE_USEHEADER);
        }
        return true;
    case LVM_DELETEALLITEMS:
        rowFlags_.clear();
        return false;
    case LVM_DELETEITEM:
        if (wParam < rowFlags_.size())
            rowFlags_.erase(rowFlags_.begin() + static_cast<std::ptrdiff_t>(wParam));
        return false;
    default:
        return false;
    }
}

bool CListCtrlLog::OnReflect(UINT message, WPARAM, LPARAM lParam, LRESULT& result) {
    if (message != WM_DRAWITEM)
        return false;
    const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    if (item.CtlType != ODT_LISTVIEW)
        return false;
    DrawItem(item);
    result = TRUE;
    return true;
}

} // namespace ui
