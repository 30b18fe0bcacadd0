#pragma once
// A tree control whose items carry three-state check boxes (unchecked, checked, mixed) kept consistent between a
// parent and its children. The window must be a tree view (the TVS_CHECKBOXES style is fine); the control installs
// its own state images when it is attached, replacing the system's two-state ones.
//
// The user toggles an item by a click on its check box or by the space key on the selected item; every toggle
// propagates (to all descendants, and the parent is recomputed) and sends WM_CHECKS_CHANGED (ui/res/resource.h, no
// parameters) to the tree's parent window.

#include "platform/Handle_win.h"
#include "ui/framework/Control.h"

#include <commctrl.h>

#include <algorithm>
#include <iterator>

namespace ui {

// The size of the tree's images at a DPI: the system's small-icon size (16 pixels at 96 dots per inch, 24 at 144).
int SmallImageSize(int dpi);

class CThreeStateTreeCtrl : public CControl {
public:
    // State-image numbers (bits 12 to 15 of an item's state).
    static constexpr int kNoCheckBox = 0;
    static constexpr int kUnchecked = 1;
    static constexpr int kChecked = 2;
    static constexpr int kMixed = 3;

    // The item's state-image number, 0 to 3 (0 for no item).
    int GetCheckState(HTREEITEM item) const;
    // Writes the state-image number. With notify, an item with children passes the state to all its descendants
    // and an item without children has its parent recomputed; then WM_CHECKS_CHANGED goes to the parent window.
    // Answers whether the tree accepted the state.
    bool SetCheckState(HTREEITEM item, int state, bool notify);
    // The user's toggle: unchecked becomes checked, anything else unchecked; propagates and notifies like
    // SetCheckState with notify.
    void ToggleCheckState(HTREEITEM item);
    // Gives every descendant of item the state, depth first. No notification.
    void SetSubtreeCheckState(HTREEITEM item, int state);
    // Recomputes the state of item's parent (only that one level): checked when every child is checked, unchecked
    // when every child is unchecked, else mixed when a child is checked or mixed; otherwise it keeps its state.
    // No notification.
    void UpdateParentCheckState(HTREEITEM item);

    // Plain tree navigation (null at the end).
    HTREEITEM GetRootItem() const { return TreeView_GetRoot(GetHwnd()); }
    HTREEITEM GetChildItem(HTREEITEM item) const { return TreeView_GetChild(GetHwnd(), item); }
    HTREEITEM GetNextSiblingItem(HTREEITEM item) const { return TreeView_GetNextSibling(GetHwnd(), item); }
    HTREEITEM GetParentItem(HTREEITEM item) const { return TreeView_GetParent(GetHwnd(), item); }
    HTREEITEM GetSelectedItem() const { return TreeView_GetSelection(GetHwnd()); }
    bool SelectItem(HTREEITEM item) const { return TreeView_SelectItem(GetHwnd(), item) != FALSE; }
    std::wstring GetItemText(HTREEITEM item) const;

    // The state image list in use (owned by the control).
    HIMAGELIST GetStateImageList() const { return stateImages_.get(); }

protected:
    // Builds the state images and installs them (derived classes call this first).
    void PreSubclassWindow() override;
    // The space key on the selected item toggles it.
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    // The check boxes again, at the new size.
    void OnDpiChanged() override;
    // A click (or double click) on a check box toggles it; anywhere else the system's handling runs.
    bool OnReflect(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

    // The item whose check box lies under the position of the message being handled, or null.
    HTREEITEM HitStateIconAtMessagePos() const;
    void NotifyChecksChanged() const;
    // Called for every item whose state-image number SetCheckState has written (also by the propagation to
    // descendants and the parent's recomputation), before WM_CHECKS_CHANGED goes out.
    virtual void OnCheckStateSet(HTREEITEM item, int state) {
        (void)item;
        (void)state;
    }

private:
    void BuildStateImages();
    void Propagate(HTREEITEM item, int state);

    platform::UniqueImageList stateImages_;
};

} // namespace ui
