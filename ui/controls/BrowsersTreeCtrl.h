#pragma once
// The profiles tree: one top-level item per program of the catalogue that has profiles, one child per profile,
// each with a three-state check box. It shows the catalogue, answers which profiles are checked, offers a context
// menu and paints a hint when it is empty.
//
// Use from the main window:
//   - Bind(IDC_PROFILES_TREE, tree) in DoDataExchange, SetCatalogue(&catalogue), then FillTree() in OnInitDialog,
//     on ID_REFRESH / F5, and after a custom profile was added or deleted.
//   - The tree sends WM_CHECKS_CHANGED (no parameters) to its parent after every change of a check mark, and once
//     at the end of every FillTree.
//   - The context menu's commands arrive at the parent as WM_COMMAND (from a menu, lParam 0):
//       ID_ADD_CUSTOM_PROFILE (32777) "Add custom profile..."  a program item, or empty space
//       ID_BROWSE_PROFILE (256)       "Browse..."              a profile item (the selected one: GetSelectedProfile)
//       ID_DELETE_PROFILE (257)       "Delete from the list"   a profile item; disabled unless it is custom
//       ID_REFRESH (258)              "Refresh\tF5"            empty space
//     The item right-clicked is selected first (empty space clears the selection). The parent carries out the
//     command; before RemoveProfile it must call DeleteAllItems(), since the items point at the profiles.
//   - On closing, GetProfileCheckStates() gives the preferences the profiles with their check marks.

#include "app/Preferences.h"
#include "platform/Handle_win.h"
#include "ui/controls/ThreeStateTreeCtrl.h"

#include <string>
#include <vector>

class Catalogue;
class CBrowser;
class CBrowserProfile;
class CMyTreeCtrlItem;

namespace ui {

class CBrowsersTreeCtrl : public CThreeStateTreeCtrl {
public:
    // The catalogue that FillTree shows; not owned, must outlive the items.
    void SetCatalogue(Catalogue* catalogue) { catalogue_ = catalogue; }

    // Rebuilds every item from the catalogue. A profile whose folder is gone is marked missing and shown unchecked
    // with the missing-profile image; the check marks come from each profile's flag, which every change of a box
    // (a click, the space key, a program's box for its profiles) updates at once, so that a rebuild shows what the
    // user last set. The normal image list starts empty on every rebuild, the missing-profile image first.
    void FillTree();
    // Deletes every item (before a profile the items point at is destroyed).
    void DeleteAllItems();

    // The profiles whose item is checked and whose folder exists, in tree order. The tree's own thread only.
    std::vector<CBrowserProfile*> GetCheckedProfiles() const;
    // Every profile item in tree order with the profile's mark, for the preferences (a missing profile, shown
    // unchecked, keeps the mark the user gave it).
    std::vector<ProfileCheckState> GetProfileCheckStates() const;

    // The program or profile an item shows (null for none).
    CMyTreeCtrlItem* GetItemObject(HTREEITEM item) const;
    // The profile of the selected item, or null when none or a program item is selected.
    CBrowserProfile* GetSelectedProfile() const;
    // The item that shows this program or profile, or null.
    HTREEITEM FindItem(const CMyTreeCtrlItem* object) const;

    // The first line of the empty-tree hint ("No ... profiles detected.").
    std::wstring GetEmptyTreeHint() const;
    // The normal image list (owned by the control).
    HIMAGELIST GetNormalImageList() const { return images_.get(); }

    // Selects the item whose row holds a screen point (none clears the selection) and shows its context menu there;
    // the chosen command goes to the parent window. Shift+F10 and the menu key show the selected item's menu.
    void ShowContextMenu(POINT screenPoint);
    // The context menu as ShowContextMenu builds it, for the current selection; the caller owns it.
    platform::UniqueMenu BuildContextMenu() const;

protected:
    void PreSubclassWindow() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    bool OnReflect(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    // A profile's box changed: its mark changes with it.
    void OnCheckStateSet(HTREEITEM item, int state) override;
    // The check boxes and the items' icons again, at the new size; the items keep their places in the list.
    void OnDpiChanged() override;

private:
    void DrawEmptyText(HDC dc) const;
    // Selects the item (none clears the selection) and shows its menu at a screen point.
    void ShowMenuFor(HTREEITEM item, POINT screenPoint);
    // Adds the icon at the tree's size to the list (a blank image when it cannot be loaded) and answers its index.
    int AddIcon(int resourceId);
    static int AddIconTo(HIMAGELIST images, int resourceId, int size);

    Catalogue* catalogue_ = nullptr;
    platform::UniqueImageList images_;
    std::vector<int> imageResources_; // the icon of each image of the list, in its order
    bool filling_ = false;            // FillTree shows the marks; it does not set them
};

} // namespace ui
