#pragma once
// A dialog whose popup menus show a 16x16 icon beside the commands that have one, and whose menu items follow the
// dialog's enabling rules (IsCommandEnabled) each time a popup opens.
//
// The icons are drawn by the dialog itself (the item's bitmap is HBMMENU_CALLBACK, answered by WM_MEASUREITEM and
// WM_DRAWITEM): 32-bit premultiplied menu bitmaps are drawn with a plain copy on some systems (transparent pixels
// black, highlighted items inverted), while drawing the icon ourselves looks right everywhere.

#include "platform/Handle_win.h"
#include "ui/framework/Dialog.h"

#include <map>

namespace ui {

class CDialogWithMenuIcons : public CDialog {
public:
    static constexpr int kMenuIconSize = 16;

    using CDialog::CDialog;
    ~CDialogWithMenuIcons() override;

    // Shows the icon resource beside the command in every popup menu of this dialog.
    void SetMenuItemIcon(UINT commandId, int iconResourceId);
    // The icon for a command (loaded on first use at the menu icon size), or null.
    HICON GetMenuIcon(UINT commandId);
    // The small-icon size at the dialog's DPI: 16 pixels at 96 dots per inch, 24 at 144.
    int GetMenuIconSize() const;

    // Puts the icons into a popup menu and runs the command-update pass over it (what WM_INITMENUPOPUP does).
    void PrepareMenu(HMENU menu);

protected:
    // The icon for a command that has no icon resource mapped; the default gives none. The icon stays the
    // caller's and must outlive the menu.
    virtual HICON GetUnmappedMenuIcon(UINT commandId);
    // Handles WM_INITMENUPOPUP, and WM_MEASUREITEM/WM_DRAWITEM of menu items; a subclass that overrides this must
    // call it first for these messages.
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    // The icons are loaded again at the new size when the menus next need them.
    void OnDpiChanged() override;

private:
    void DrawMenuIcon(const DRAWITEMSTRUCT& item);

    std::map<UINT, int> iconResources_;
    std::map<UINT, platform::UniqueIcon> icons_;
};

} // namespace ui
