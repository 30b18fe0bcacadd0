// Menu icons: which items get one, how they are measured and drawn (grey when disabled), and the dialog's enabling
// rules applied to the same menu.

#include "tests/ui/ControlTestSupport.h"

#include "ui/framework/DialogWithMenuIcons.h"
#include "ui/res/resource.h"

#include <gtest/gtest.h>

namespace {

constexpr UINT kUnmapped = 500;
constexpr UINT kPlain = 501;

class MenuDialog : public ui::CDialogWithMenuIcons {
public:
    explicit MenuDialog(const ui::CDialogTemplate& dialogTemplate) : CDialogWithMenuIcons(dialogTemplate.Get()) {
        extra_ = ui::LoadIconResource(IDI_MISSING_PROFILE, 16);
    }
    ~MenuDialog() override { DestroyIcon(extra_); }

    std::function<std::optional<bool>(UINT)> enabledRule;

protected:
    HICON GetUnmappedMenuIcon(UINT commandId) override { return commandId == kUnmapped ? extra_ : nullptr; }
    std::optional<bool> IsCommandEnabled(UINT id) override { return enabledRule ? enabledRule(id) : std::nullopt; }

private:
    HICON extra_;
};

HBITMAP ItemBitmap(HMENU menu, UINT id) {
    MENUITEMINFOW item{};
    item.cbSize = sizeof(item);
    item.fMask = MIIM_BITMAP;
    GetMenuItemInfoW(menu, id, FALSE, &item);
    return item.hbmpItem;
}

// Draws a menu item's icon into a white surface through the dialog, as the menu would.
control_tests::Capture DrawItem(HWND dialog, UINT id, UINT state) {
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 16, 16);
    HGDIOBJ old = SelectObject(memory, bitmap);
    RECT all{0, 0, 16, 16};
    FillRect(memory, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    DRAWITEMSTRUCT draw{};
    draw.CtlType = ODT_MENU;
    draw.itemID = id;
    draw.itemAction = ODA_DRAWENTIRE;
    draw.itemState = state;
    draw.hDC = memory;
    draw.rcItem = all;
    const LRESULT handled = SendMessageW(dialog, WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&draw));
    control_tests::Capture capture;
    capture.width = capture.height = 16;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            capture.pixels.push_back(GetPixel(memory, x, y));
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    EXPECT_TRUE(handled);
    return capture;
}

TEST(MenuIcons, PopupsGetTheIconsAndTheEnablingRules) {
    ui::CDialogTemplate dialogTemplate(WS_POPUP | WS_CAPTION, 0, 0, 0, 100, 40, L"Menus");
    MenuDialog dialog(dialogTemplate);
    dialog.SetMenuItemIcon(ID_ABOUT, IDI_ABOUT);
    dialog.SetMenuItemIcon(ID_QUIT, IDI_QUIT);
    dialog.SetMenuItemIcon(ID_REFRESH, 9999); // no such icon: left alone
    dialog.enabledRule = [](UINT id) -> std::optional<bool> {
        if (id == ID_QUIT)
            return false;
        if (id == kPlain)
            return true;
        return std::nullopt;
    };
    ASSERT_TRUE(dialog.Create());

    HMENU menu = CreatePopupMenu();
    HMENU sub = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, ID_ABOUT, L"About");
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, ID_QUIT, L"Quit");
    AppendMenuW(menu, MF_STRING, kUnmapped, L"Unmapped");
    AppendMenuW(menu, MF_STRING | MF_GRAYED, kPlain, L"Plain");
    AppendMenuW(menu, MF_STRING, ID_REFRESH, L"Refresh");
    AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), L"More");

    // The system menu is not ours.
    dialog.Send(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), MAKELPARAM(0, 1));
    EXPECT_EQ(ItemBitmap(menu, ID_ABOUT), nullptr);

    dialog.Send(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), 0);
    EXPECT_EQ(ItemBitmap(menu, ID_ABOUT), HBMMENU_CALLBACK);
    EXPECT_EQ(ItemBitmap(menu, ID_QUIT), HBMMENU_CALLBACK);
    EXPECT_EQ(ItemBitmap(menu, kUnmapped), HBMMENU_CALLBACK);
    EXPECT_EQ(ItemBitmap(menu, kPlain), nullptr);
    EXPECT_EQ(ItemBitmap(menu, ID_REFRESH), nullptr);
    MENUINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = MIM_STYLE;
    ASSERT_TRUE(GetMenuInfo(menu, &info));
    EXPECT_TRUE(info.dwStyle & MNS_CHECKORBMP);
    // The enabling rules: Quit greyed, Plain enabled, the others as they were.
    EXPECT_TRUE(GetMenuState(menu, ID_QUIT, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_FALSE(GetMenuState(menu, kPlain, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_FALSE(GetMenuState(menu, ID_ABOUT, MF_BYCOMMAND) & MF_GRAYED);

    // Measured at the icon's size; items without an icon are not ours to measure.
    MEASUREITEMSTRUCT measure{};
    measure.CtlType = ODT_MENU;
    measure.itemID = ID_ABOUT;
    EXPECT_TRUE(dialog.Send(WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure)));
    EXPECT_EQ(measure.itemWidth, 16u);
    EXPECT_EQ(measure.itemHeight, 16u);
    measure = {};
    measure.CtlType = ODT_MENU;
    measure.itemID = kPlain;
    EXPECT_FALSE(dialog.Send(WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure)));

    // Drawn: the About icon's blue, with white where the icon is transparent; grey levels in the middle range
    // when disabled.
    const auto enabled = DrawItem(dialog.GetHwnd(), ID_ABOUT, 0);
    EXPECT_EQ(enabled.At(0, 0), RGB(255, 255, 255));
    const COLORREF middle = enabled.At(3, 8);
    EXPECT_GT(GetBValue(middle), GetRValue(middle) + 60);
    const auto disabled = DrawItem(dialog.GetHwnd(), ID_ABOUT, ODS_GRAYED);
    EXPECT_EQ(disabled.At(0, 0), RGB(255, 255, 255));
    for (int y = 2; y < 14; ++y) {
        for (int x = 2; x < 14; ++x) {
            const COLORREF c = disabled.At(x, y);
            EXPECT_TRUE(GetRValue(c) == GetGValue(c) && GetGValue(c) == GetBValue(c)) << x << "," << y;
        }
    }
    const COLORREF greyMiddle = disabled.At(3, 8);
    EXPECT_GE(GetRValue(greyMiddle), 95);
    EXPECT_LE(GetRValue(greyMiddle), 201);

    DestroyMenu(menu);
}

} // namespace
