// The drop-down list and the list box with icons: heights, the copies of the icons, and the painted entries, among
// them one too wide for its box.

#include "tests/ui/ControlTestSupport.h"

#include "catalogue/IconNumbers.h"
#include "ui/controls/IconComboBox.h"
#include "ui/controls/IconListBox.h"

#include <gtest/gtest.h>

namespace {

using control_tests::CaptureWindow;
using control_tests::TestDialog;
using ui::CIconComboBox;
using ui::CIconListBox;

constexpr WORD kComboId = 100;
constexpr WORD kListId = 101;
const wchar_t kLongEntry[] = L"A program whose name is far too long for the box (program.exe)";

ui::CDialogTemplate MakeTemplate() {
    ui::CDialogTemplate page(WS_POPUP | WS_CAPTION, 0, 0, 0, 200, 100, L"Lists");
    page.AddControl(0x0085, WS_CHILD | WS_VISIBLE | WS_VSCROLL | CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS,
                    0, 5, 5, 120, 80, kComboId, L"");
    page.AddControl(0x0083,
                    WS_CHILD | WS_VISIBLE | WS_BORDER | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT, 0,
                    5, 30, 100, 40, kListId, L"");
    return page;
}

struct ListsPage {
    ui::CDialogTemplate pageTemplate = MakeTemplate();
    TestDialog dialog{pageTemplate};
    CIconComboBox combo;
    CIconListBox list;

    ListsPage() {
        dialog.BindControl(kComboId, combo);
        dialog.BindControl(kListId, list);
    }
};

// The text as the list box's font draws it in a width, measured on a context of the list box.
std::wstring FitWithListFont(HWND list, const std::wstring& text, int width) {
    HDC dc = GetDC(list);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(list, WM_GETFONT, 0, 0)));
    std::wstring fitted = CIconListBox::FitText(dc, text, width, false);
    SelectObject(dc, old);
    ReleaseDC(list, dc);
    return fitted;
}

int WidthWithListFont(HWND list, const std::wstring& text) {
    HDC dc = GetDC(list);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(list, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(list, dc);
    return size.cx;
}

TEST(IconLists, TooWideTextIsCutOneCharacterAtATimeAndEndsInDots) {
    ListsPage page;
    ASSERT_TRUE(page.dialog.Open());
    const HWND list = page.list.GetHwnd();
    EXPECT_EQ(FitWithListFont(list, L"short", 200), L"short");
    const std::wstring cut = FitWithListFont(list, kLongEntry, 100);
    ASSERT_GT(cut.size(), 3u);
    EXPECT_EQ(cut.substr(cut.size() - 3), L"...");
    EXPECT_EQ(std::wstring(kLongEntry).rfind(cut.substr(0, cut.size() - 3), 0), 0u);
    EXPECT_LE(WidthWithListFont(list, cut), 100);
    // The longest that fits: one more character would not.
    const std::wstring longer = std::wstring(kLongEntry).substr(0, cut.size() - 2) + L"...";
    EXPECT_GT(WidthWithListFont(list, longer), 100);
    // Nothing fits but the dots.
    EXPECT_EQ(FitWithListFont(list, kLongEntry, 1), L"...");
}

TEST(IconLists, TheListBoxPaintsTheCutEntryAndKeepsItsOwnIcons) {
    ListsPage page;
    ASSERT_TRUE(page.dialog.Open());
    HICON icon = ui::LoadIconResource(IDI_FIREFOX, 16);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(page.list.AddItem(kLongEntry, icon), 0);
    EXPECT_EQ(page.list.AddItem(L"no icon", nullptr), 1);
    DestroyIcon(icon); // the list keeps a copy
    EXPECT_NE(page.list.GetItemIcon(0), nullptr);
    EXPECT_NE(page.list.GetItemIcon(0), icon);
    EXPECT_EQ(page.list.GetItemIcon(1), nullptr);
    EXPECT_EQ(page.list.Send(LB_GETITEMHEIGHT, 0), CIconListBox::kItemHeight);
    page.list.Invalidate();
    UpdateWindow(page.list.GetHwnd());

    // What the entry shows: white, the icon at 1 pixel from the left, the cut text from 21 pixels on.
    RECT item{};
    page.list.Send(LB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item));
    const RECT client = page.list.GetClientRect();
    const int border = (CaptureWindow(page.list.GetHwnd()).width - client.right) / 2;
    const auto shown = CaptureWindow(page.list.GetHwnd());
    EXPECT_EQ(shown.At(border + item.right - 1, border + item.top), RGB(255, 255, 255));
    EXPECT_NE(shown.At(border + 1 + 8, border + item.top + 8), RGB(255, 255, 255)); // the icon's middle

    // The same text drawn by hand from the cut string matches the painted pixels, dots included.
    const int textWidth = item.right - CIconListBox::kTextLeft;
    const std::wstring cut = FitWithListFont(page.list.GetHwnd(), kLongEntry, textWidth);
    ASSERT_EQ(cut.substr(cut.size() - 3), L"...");
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, item.right, item.bottom - item.top);
    HGDIOBJ oldBitmap = SelectObject(memory, bitmap);
    HGDIOBJ oldFont = SelectObject(memory, reinterpret_cast<HGDIOBJ>(page.list.Send(WM_GETFONT)));
    RECT area{0, 0, item.right, item.bottom - item.top};
    FillRect(memory, &area, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    SetTextColor(memory, GetSysColor(COLOR_WINDOWTEXT));
    SetBkMode(memory, TRANSPARENT);
    area.left = CIconListBox::kTextLeft;
    DrawTextW(memory, cut.c_str(), static_cast<int>(cut.size()), &area, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    int differences = 0;
    int textPixels = 0;
    for (int y = 0; y < item.bottom - item.top; ++y) {
        for (int x = CIconListBox::kTextLeft; x < item.right; ++x) {
            const COLORREF expected = GetPixel(memory, x, y);
            textPixels += expected != RGB(255, 255, 255) ? 1 : 0;
            differences += shown.At(border + x, border + item.top + y) != expected ? 1 : 0;
        }
    }
    SelectObject(memory, oldFont);
    SelectObject(memory, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    EXPECT_GT(textPixels, 50);
    EXPECT_EQ(differences, 0);

    // A selected entry is filled with the highlight colour.
    page.list.Send(LB_SETCURSEL, 1);
    UpdateWindow(page.list.GetHwnd());
    RECT second{};
    page.list.Send(LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&second));
    EXPECT_EQ(CaptureWindow(page.list.GetHwnd()).At(border + second.right - 2, border + second.top + 2),
              GetSysColor(COLOR_HIGHLIGHT));

    page.list.ResetContent();
    EXPECT_EQ(page.list.GetCount(), 0);
}

TEST(IconLists, TheDropDownListSizesItsEntriesByTheIcon) {
    ListsPage page;
    ASSERT_TRUE(page.dialog.Open());
    const int icon = GetSystemMetrics(SM_CYSMICON);
    EXPECT_EQ(page.combo.GetIconSize(), icon);
    // The selection field is set to the icon's height (Wine answers it with its 2-pixel edit padding added).
    const auto field = static_cast<int>(page.combo.Send(CB_GETITEMHEIGHT, static_cast<WPARAM>(-1)));
    EXPECT_GE(field, icon);
    EXPECT_LE(field, icon + 2);
    EXPECT_EQ(page.combo.Send(CB_GETITEMHEIGHT, 0), icon + 4); // a margin of 2 above and below at 96 dpi

    HICON firefox = ui::LoadIconResource(IDI_FIREFOX, icon);
    HICON chrome = ui::LoadIconResource(IDI_CHROME, icon);
    EXPECT_EQ(page.combo.AddItem(L"Firefox", firefox), 0);
    EXPECT_EQ(page.combo.AddItem(L"Chrome", chrome), 1);
    DestroyIcon(firefox);
    DestroyIcon(chrome);
    EXPECT_EQ(page.combo.GetCount(), 2);
    EXPECT_EQ(page.combo.GetItemText(1), L"Chrome");
    EXPECT_NE(page.combo.GetItemIcon(0), nullptr);
    EXPECT_NE(page.combo.GetItemIcon(0), page.combo.GetItemIcon(1));

    // The selection field shows the chosen entry's icon at its left and the text after it.
    page.combo.SetCurSel(1);
    page.combo.Invalidate();
    UpdateWindow(page.combo.GetHwnd());
    const auto shown = CaptureWindow(page.combo.GetHwnd());
    int coloured = 0;
    for (int y = 0; y < shown.height; ++y) {
        for (int x = 0; x < 30; ++x) {
            const COLORREF c = shown.At(x, y);
            coloured += (GetRValue(c) != GetGValue(c) || GetGValue(c) != GetBValue(c)) ? 1 : 0;
        }
    }
    EXPECT_GT(coloured, 40);

    page.combo.ResetContent();
    EXPECT_EQ(page.combo.GetCount(), 0);
}

} // namespace
