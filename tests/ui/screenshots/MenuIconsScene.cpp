// A popup menu with icons: one highlighted, one greyed by the dialog's enabling rules, one without an icon.

#include "tests/ui/screenshots/Scene.h"

#include "tests/ui/PopupMenu.h"

#include "ui/framework/DialogTemplate.h"
#include "ui/framework/DialogWithMenuIcons.h"
#include "ui/res/resource.h"

namespace {

class MenuPage : public ui::CDialogWithMenuIcons {
public:
    explicit MenuPage(const DLGTEMPLATE* dialogTemplate) : CDialogWithMenuIcons(dialogTemplate) {
        SetMenuItemIcon(ID_HOME_PAGE, IDR_MAINFRAME);
        SetMenuItemIcon(ID_ABOUT, IDI_ABOUT);
        SetMenuItemIcon(ID_QUIT, IDI_QUIT);
        SetMenuItemIcon(ID_DELETE_PROFILE, IDI_MISSING_PROFILE);
    }

protected:
    // Removing a profile is not possible now: its item and icon show greyed.
    std::optional<bool> IsCommandEnabled(UINT id) override {
        if (id == ID_DELETE_PROFILE)
            return false;
        return std::nullopt;
    }
};

// The scene and the menu, for the timer that acts inside the menu's own loop.
screenshots::Scene* menuScene = nullptr;
HWND menuOwner = nullptr;
int menuStep = 0;

void CALLBACK InsideTheMenu(HWND, UINT, UINT_PTR timer, DWORD) {
    if (menuStep++ == 0) {
        // Highlight the first item, as the mouse or the arrow keys would.
        PostMessageW(menuOwner, WM_KEYDOWN, VK_DOWN, 0);
        return;
    }
    KillTimer(nullptr, timer);
    if (HWND menu = testing_support::OwnPopupMenu(); menu != nullptr)
        menuScene->TakePicture({menuOwner, menu});
    EndMenu();
}

} // namespace

TIDYQUILL_SCENE("menu-icons") {
    auto& pageTemplate =
        scene.Make<ui::CDialogTemplate>(WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 0, 0, 200, 110, L"Menu icons");
    pageTemplate.AddControl(0x0082, WS_CHILD | WS_VISIBLE, 0, 7, 7, 180, 9, 0xffff,
                            L"Icons beside the commands of a popup menu");
    auto& page = scene.Make<MenuPage>(pageTemplate.Get());
    if (!page.Create())
        return nullptr;
    HWND owner = page.GetHwnd();
    scene.AfterShown([owner, &scene] {
        HMENU menu = CreatePopupMenu();
        AppendMenuW(menu, MF_STRING, ID_HOME_PAGE, L"&Home page...");
        AppendMenuW(menu, MF_STRING, ID_REFRESH, L"&Refresh");
        AppendMenuW(menu, MF_STRING, ID_DELETE_PROFILE, L"&Delete profile");
        AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(menu, MF_STRING, ID_ABOUT, L"&About Tidyquill...");
        AppendMenuW(menu, MF_STRING, ID_QUIT, L"&Quit");
        menuScene = &scene;
        menuOwner = owner;
        menuStep = 0;
        SetTimer(nullptr, 0, 300, InsideTheMenu);
        RECT rect{};
        GetWindowRect(owner, &rect);
        SetForegroundWindow(owner);
        TrackPopupMenu(menu, TPM_RETURNCMD | TPM_LEFTALIGN, rect.left + 40, rect.top + 60, 0, owner, nullptr);
        DestroyMenu(menu);
    });
    return owner;
}
