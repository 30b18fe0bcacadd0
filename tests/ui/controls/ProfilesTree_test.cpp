// The profiles tree: three-state propagation, clicks and the space key, rebuilding from the catalogue (stored
// check marks, missing profiles, the image list), the context menu and the empty-tree hint.

#include "CatalogueFixture.h"
#include "FakeProgram.h"
#include "TestWindow.h"
#include "tests/ui/ControlHost.h"
#include "tests/ui/PopupMenu.h"

#include "catalogue/Catalogue.h"
#include "platform/Text.h"
#include "ui/res/resource.h"

#include <gtest/gtest.h>

#include <thread>

using namespace testing_support;
using Tree = ui::CThreeStateTreeCtrl;

namespace {

class ProfilesTree : public ::testing::Test {
protected:
    // Firefox with the named profiles (folders made for those not listed as gone) and Chrome with its Default
    // profile.
    void MakeProfiles(const std::vector<std::string>& names, const std::vector<std::string>& gone = {}) {
        const std::string firefox = user.ProgramFolder("Firefox");
        std::string ini = "[General]\nStartWithLastProfile=1\n";
        int index = 0;
        for (const std::string& name : names) {
            ini += "[Profile" + std::to_string(index++) + "]\nName=" + name + "\nIsRelative=1\nPath=Profiles/" + name +
                   "\n";
            if (std::find(gone.begin(), gone.end(), name) == gone.end())
                MakeFolder(Join({firefox, "Profiles", name}));
        }
        WriteFile(Join({firefox, "profiles.ini"}), ini);
        MakeFolder(Join({user.ProgramFolder("Chrome"), "Default"}));
    }

    void Fill() {
        catalogue = BuildCatalogue(user.Folders());
        host.tree.SetCatalogue(&catalogue);
        host.tree.FillTree();
    }

    HTREEITEM Program(const std::string& name) const { return host.tree.FindItem(catalogue.FindProgramByName(name)); }
    HTREEITEM Child(HTREEITEM parent, int index) const {
        HTREEITEM item = host.tree.GetChildItem(parent);
        while (item != nullptr && index-- > 0)
            item = host.tree.GetNextSiblingItem(item);
        return item;
    }
    CBrowserProfile* ProfileOf(HTREEITEM item) const {
        return static_cast<CBrowserProfile*>(host.tree.GetItemObject(item));
    }
    std::vector<int> States(HTREEITEM parent) const {
        std::vector<int> states{host.tree.GetCheckState(parent)};
        for (HTREEITEM item = host.tree.GetChildItem(parent); item != nullptr;
             item = host.tree.GetNextSiblingItem(item))
            states.push_back(host.tree.GetCheckState(item));
        return states;
    }

    // A click on the item's check box, found by hit-testing left of its text.
    void ClickBox(HTREEITEM item) {
        RECT text{};
        ASSERT_TRUE(TreeView_GetItemRect(host.tree.GetHwnd(), item, &text, TRUE));
        for (int x = text.left - 1; x >= 0; --x) {
            TVHITTESTINFO hit{};
            hit.pt = POINT{x, (text.top + text.bottom) / 2};
            if (TreeView_HitTest(host.tree.GetHwnd(), &hit) == item && (hit.flags & TVHT_ONITEMSTATEICON) != 0) {
                ClickAt(host.tree.GetHwnd(), hit.pt);
                return;
            }
        }
        FAIL() << "no check box found left of the item's text";
    }
    void ClickText(HTREEITEM item) {
        RECT text{};
        ASSERT_TRUE(TreeView_GetItemRect(host.tree.GetHwnd(), item, &text, TRUE));
        ClickAt(host.tree.GetHwnd(), POINT{(text.left + text.right) / 2, (text.top + text.bottom) / 2});
    }

    FakeUser user;
    Catalogue catalogue;
    ControlHost host;
};

} // namespace

// --- Propagation between a program and its profiles ----------------------------------------------------------------
TEST_F(ProfilesTree, ClicksOnBoxesPropagateBetweenProgramAndProfiles) {
    MakeProfiles({"a", "b", "c"});
    Fill();
    HTREEITEM firefox = Program("Firefox");
    ASSERT_NE(firefox, nullptr);
    EXPECT_EQ(States(firefox), (std::vector<int>{2, 2, 2, 2}));

    const int notices = host.checksChanged;
    ClickBox(Child(firefox, 1)); // one of three unticked: mixed
    EXPECT_EQ(States(firefox), (std::vector<int>{3, 2, 1, 2}));
    EXPECT_EQ(host.checksChanged, notices + 1);
    EXPECT_EQ(host.tree.GetSelectedItem(), Child(firefox, 1));

    ClickBox(Child(firefox, 0));
    ClickBox(Child(firefox, 2)); // all unticked: unchecked
    EXPECT_EQ(States(firefox), (std::vector<int>{1, 1, 1, 1}));

    ClickBox(Child(firefox, 0));
    ClickBox(Child(firefox, 1));
    EXPECT_EQ(States(firefox), (std::vector<int>{3, 2, 2, 1}));
    ClickBox(Child(firefox, 2)); // the last unticked one ticked: checked
    EXPECT_EQ(States(firefox), (std::vector<int>{2, 2, 2, 2}));

    ClickBox(Child(firefox, 0));
    ClickBox(firefox); // a mixed program unchecks itself and all its profiles
    EXPECT_EQ(States(firefox), (std::vector<int>{1, 1, 1, 1}));
    ClickBox(firefox); // an unchecked one checks them all
    EXPECT_EQ(States(firefox), (std::vector<int>{2, 2, 2, 2}));
    // The other program is left alone.
    EXPECT_EQ(States(Program("Chrome")), (std::vector<int>{2, 2}));
}

TEST_F(ProfilesTree, AClickOnTheTextSelectsAndTheSpaceKeyTogglesLikeAClick) {
    MakeProfiles({"a", "b"});
    Fill();
    HTREEITEM firefox = Program("Firefox");
    const int notices = host.checksChanged;
    ClickText(Child(firefox, 1));
    EXPECT_EQ(host.tree.GetSelectedItem(), Child(firefox, 1));
    EXPECT_EQ(States(firefox), (std::vector<int>{2, 2, 2}));
    EXPECT_EQ(host.checksChanged, notices);

    host.tree.Send(WM_KEYDOWN, VK_SPACE, 0);
    host.tree.Send(WM_CHAR, L' ', 0);
    EXPECT_EQ(States(firefox), (std::vector<int>{3, 2, 1}));
    host.tree.SelectItem(firefox);
    host.tree.Send(WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_EQ(States(firefox), (std::vector<int>{1, 1, 1}));
    host.tree.Send(WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_EQ(States(firefox), (std::vector<int>{2, 2, 2}));
    EXPECT_EQ(host.checksChanged, notices + 3);
}

TEST_F(ProfilesTree, ADoubleClickOnABoxTogglesTwiceThroughThePropagation) {
    MakeProfiles({"a", "b"});
    Fill();
    HTREEITEM firefox = Program("Firefox");
    ClickBox(Child(firefox, 1));
    EXPECT_EQ(States(firefox), (std::vector<int>{3, 2, 1}));
    // The second press of a double click arrives as a double click: the box toggles back, and the program with it,
    // rather than the system flipping the box alone.
    POINT cursor{};
    GetCursorPos(&cursor);
    ScreenToClient(host.tree.GetHwnd(), &cursor);
    const LPARAM position = MAKELPARAM(cursor.x, cursor.y);
    PostMessageW(host.tree.GetHwnd(), WM_LBUTTONUP, 0, position);
    host.tree.Send(WM_LBUTTONDBLCLK, MK_LBUTTON, position);
    PumpPendingMessages();
    EXPECT_EQ(States(firefox), (std::vector<int>{2, 2, 2}));
}

TEST_F(ProfilesTree, ParentRecomputationRules) {
    MakeProfiles({"a", "b", "c"});
    Fill();
    HTREEITEM firefox = Program("Firefox");
    // Children without a box leave the program as it is; a mixed child makes it mixed.
    for (int index = 0; index < 3; ++index)
        host.tree.SetCheckState(Child(firefox, index), Tree::kNoCheckBox, false);
    host.tree.UpdateParentCheckState(Child(firefox, 0));
    EXPECT_EQ(host.tree.GetCheckState(firefox), Tree::kChecked);
    host.tree.SetCheckState(Child(firefox, 1), Tree::kMixed, false);
    host.tree.UpdateParentCheckState(Child(firefox, 1));
    EXPECT_EQ(host.tree.GetCheckState(firefox), Tree::kMixed);
    // A top-level item has no parent to recompute; without notify nothing is sent.
    const int notices = host.checksChanged;
    host.tree.UpdateParentCheckState(firefox);
    host.tree.SetCheckState(firefox, Tree::kUnchecked, false);
    EXPECT_EQ(host.checksChanged, notices);
    EXPECT_EQ(States(firefox), (std::vector<int>{1, 0, 3, 0}));
}

// --- Rebuilding from the catalogue ---------------------------------------------------------------------------------
TEST_F(ProfilesTree, ItemsShowTheCatalogueAndEveryRebuildShowsWhatTheUserLastSet) {
    MakeProfiles({"a", "b"});
    Fill();
    HTREEITEM firefox = Program("Firefox");
    // Programs in catalogue order, only those with profiles; profile texts "name [path]".
    EXPECT_EQ(host.tree.GetRootItem(), firefox);
    EXPECT_EQ(host.tree.GetNextSiblingItem(firefox), Program("Chrome"));
    EXPECT_EQ(host.tree.GetNextSiblingItem(Program("Chrome")), nullptr);
    EXPECT_EQ(host.tree.GetItemText(firefox), L"Firefox");
    CBrowserProfile* b = ProfileOf(Child(firefox, 1));
    EXPECT_EQ(host.tree.GetItemText(Child(firefox, 1)), ui::Widen("b [" + b->GetPath() + "]"));

    // The marks come from the profiles (as the preferences left them) ...
    CBrowserProfile* a = ProfileOf(Child(firefox, 0));
    b->checked = false;
    host.tree.FillTree();
    firefox = Program("Firefox");
    EXPECT_EQ(States(firefox), (std::vector<int>{3, 2, 1}));
    // ... and every change of a box goes back into its profile at once, so that a rebuild (F5, a custom profile
    // added or deleted) shows what the user last set: a click, the space key, a program's box for its profiles.
    ClickBox(Child(firefox, 0));
    EXPECT_FALSE(a->checked);
    host.tree.FillTree();
    firefox = Program("Firefox");
    EXPECT_EQ(States(firefox), (std::vector<int>{1, 1, 1}));
    host.tree.SelectItem(Child(firefox, 1));
    host.tree.Send(WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_TRUE(b->checked);
    host.tree.FillTree();
    EXPECT_EQ(States(Program("Firefox")), (std::vector<int>{3, 1, 2}));
    ClickBox(Program("Firefox")); // mixed: unchecks them all
    EXPECT_FALSE(a->checked || b->checked);
    ClickBox(Program("Firefox")); // unchecked: checks them all
    EXPECT_TRUE(a->checked && b->checked);
    host.tree.FillTree();
    EXPECT_EQ(States(Program("Firefox")), (std::vector<int>{2, 2, 2}));
    ASSERT_EQ(host.tree.GetProfileCheckStates().size(), 3u);
    EXPECT_TRUE(host.tree.GetProfileCheckStates()[1].checked);
}

TEST_F(ProfilesTree, AMissingProfileStaysUncheckedWithTheMissingImageAndIsNeverReturned) {
    MakeProfiles({"a", "gone", "c"}, {"gone"});
    Fill();
    HTREEITEM firefox = Program("Firefox");
    HTREEITEM gone = Child(firefox, 1);
    EXPECT_TRUE(ProfileOf(gone)->missing);
    // Shown unchecked, but the mark the user gave it is kept for when the folder comes back (a disk not mounted).
    EXPECT_TRUE(ProfileOf(gone)->checked);
    EXPECT_TRUE(host.tree.GetProfileCheckStates().at(1).checked);
    EXPECT_EQ(States(firefox), (std::vector<int>{3, 2, 1, 2}));
    TVITEMW item{};
    item.mask = TVIF_HANDLE | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    item.hItem = gone;
    ASSERT_TRUE(TreeView_GetItem(host.tree.GetHwnd(), &item));
    EXPECT_EQ(item.iImage, 0); // the missing-profile image comes first
    EXPECT_EQ(item.iSelectedImage, 0);
    item.hItem = Child(firefox, 0);
    ASSERT_TRUE(TreeView_GetItem(host.tree.GetHwnd(), &item));
    EXPECT_NE(item.iImage, 0);

    ClickBox(gone);
    EXPECT_EQ(States(firefox), (std::vector<int>{2, 2, 2, 2}));
    const std::vector<CBrowserProfile*> checked = host.tree.GetCheckedProfiles();
    ASSERT_EQ(checked.size(), 3u);
    EXPECT_EQ(checked[0]->GetName(), "a");
    EXPECT_EQ(checked[1]->GetName(), "c");
    EXPECT_EQ(checked[2]->GetProgram()->GetName(), "Chrome");

    // Unticked now by the user: that is the mark it keeps, and shows once its folder is back.
    CBrowserProfile* goneProfile = ProfileOf(gone);
    ClickBox(gone);
    EXPECT_FALSE(goneProfile->checked);
    MakeFolder(goneProfile->GetPath());
    host.tree.FillTree();
    EXPECT_FALSE(goneProfile->missing);
    EXPECT_EQ(States(Program("Firefox")), (std::vector<int>{3, 2, 1, 2}));
}

TEST_F(ProfilesTree, TheImageListDoesNotGrowWithRefreshes) {
    MakeProfiles({"a", "b"});
    Fill();
    const int once = ImageList_GetImageCount(host.tree.GetNormalImageList());
    // The missing-profile image, then a program and a profile image for each of the two programs shown.
    EXPECT_EQ(once, 5);
    for (int refresh = 0; refresh < 10; ++refresh)
        host.tree.FillTree();
    EXPECT_EQ(ImageList_GetImageCount(host.tree.GetNormalImageList()), once);
    EXPECT_EQ(TreeView_GetImageList(host.tree.GetHwnd(), TVSIL_NORMAL), host.tree.GetNormalImageList());
    // Four state images (none, unchecked, checked, mixed), still ours after painting.
    UpdateWindow(host.tree.GetHwnd());
    PumpPendingMessages();
    EXPECT_EQ(TreeView_GetImageList(host.tree.GetHwnd(), TVSIL_STATE), host.tree.GetStateImageList());
    EXPECT_EQ(ImageList_GetImageCount(host.tree.GetStateImageList()), 4);
}

TEST_F(ProfilesTree, ProgramsWhosePicturesCannotBeLoadedKeepTheirImageSlots) {
    // Programs whose icon numbers name no resource: every slot is still filled, so the indices stay right.
    std::vector<std::unique_ptr<CBrowser>> programs;
    programs.push_back(std::make_unique<FakeProgram>("First"));
    programs.push_back(std::make_unique<FakeProgram>("Second"));
    catalogue = Catalogue(std::move(programs));
    for (const auto& program : catalogue.Programs()) {
        const std::string folder = user / program->GetName();
        MakeFolder(folder);
        program->AddProfile(folder, "p", false);
    }
    host.tree.SetCatalogue(&catalogue);
    host.tree.FillTree();
    EXPECT_EQ(ImageList_GetImageCount(host.tree.GetNormalImageList()), 5);
    TVITEMW item{};
    item.mask = TVIF_HANDLE | TVIF_IMAGE;
    item.hItem = Child(host.tree.GetNextSiblingItem(host.tree.GetRootItem()), 0);
    ASSERT_TRUE(TreeView_GetItem(host.tree.GetHwnd(), &item));
    EXPECT_EQ(item.iImage, 4); // the second program's profile image
    UpdateWindow(host.tree.GetHwnd());
}

// --- Context menu --------------------------------------------------------------------------------------------------
namespace {

struct MenuEntry {
    UINT id;
    std::wstring text;
    UINT state;
    bool operator==(const MenuEntry& other) const {
        return id == other.id && text == other.text && state == other.state;
    }
};

std::ostream& operator<<(std::ostream& out, const MenuEntry& entry) {
    return out << "{" << entry.id << ", " << platform::WideToUtf8(entry.text) << ", " << entry.state << "}";
}

std::vector<MenuEntry> Entries(HMENU menu) {
    std::vector<MenuEntry> entries;
    for (int index = 0; index < GetMenuItemCount(menu); ++index) {
        wchar_t text[128] = {};
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_ID | MIIM_STRING | MIIM_STATE | MIIM_FTYPE;
        info.dwTypeData = text;
        info.cch = 127;
        GetMenuItemInfoW(menu, static_cast<UINT>(index), TRUE, &info);
        // Separators are compared by position only (the system may grey them).
        const bool separator = (info.fType & MFT_SEPARATOR) != 0;
        entries.push_back({separator ? 0 : info.wID, text, separator ? 0 : info.fState});
    }
    return entries;
}

} // namespace

TEST_F(ProfilesTree, TheContextMenuOffersWhatFitsTheItem) {
    MakeProfiles({"a"});
    Fill();
    HTREEITEM firefox = Program("Firefox");
    host.tree.SelectItem(nullptr);
    EXPECT_EQ(Entries(host.tree.BuildContextMenu().get()),
              (std::vector<MenuEntry>{
                  {ID_ADD_CUSTOM_PROFILE, L"Add custom profile...", 0}, {0, L"", 0}, {ID_REFRESH, L"Refresh\tF5", 0}}));
    host.tree.SelectItem(firefox);
    EXPECT_EQ(Entries(host.tree.BuildContextMenu().get()),
              (std::vector<MenuEntry>{{ID_ADD_CUSTOM_PROFILE, L"Add custom profile...", 0}}));
    host.tree.SelectItem(Child(firefox, 0));
    // Disabled without greying for a profile that was found; enabled for a custom one.
    const std::vector<MenuEntry> found = {
        {ID_BROWSE_PROFILE, L"Browse...", 0}, {0, L"", 0}, {ID_DELETE_PROFILE, L"Delete from the list", MF_DISABLED}};
    EXPECT_EQ(Entries(host.tree.BuildContextMenu().get()), found);
    ProfileOf(Child(firefox, 0))->custom = true;
    EXPECT_EQ(Entries(host.tree.BuildContextMenu().get())[2].state, 0u);
}

namespace {

// Presses a key and Enter in the popup menu once it is open; until then the timer keeps coming back.
template <WPARAM key> void CALLBACK ChooseWithKey(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND menu = OwnPopupMenu();
    if (menu == nullptr)
        return;
    KillTimer(nullptr, timer);
    PostMessageW(menu, WM_KEYDOWN, key, 0);
    PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
}
// The first entry of the open popup menu, and the last one.
constexpr TIMERPROC ChooseFirstEntry = ChooseWithKey<VK_DOWN>;
constexpr TIMERPROC ChooseLastEntry = ChooseWithKey<VK_UP>;
constexpr TIMERPROC CloseMenu = ChooseWithKey<VK_ESCAPE>;
} // namespace

TEST_F(ProfilesTree, ARightClickAnywhereOnAnItemsRowSelectsThatItem) {
    MakeProfiles({"a"});
    Fill();
    // For each item, the parts of its row left of the text (indent, button, boxes, icon) as the tree tells them,
    // and the space right of the text.
    for (HTREEITEM item : {Program("Firefox"), Child(Program("Firefox"), 0)}) {
        RECT text{};
        ASSERT_TRUE(TreeView_GetItemRect(host.tree.GetHwnd(), item, &text, TRUE));
        const int y = (text.top + text.bottom) / 2;
        std::vector<std::pair<POINT, UINT>> points;
        UINT seen = 0;
        for (int x = 0; x < host.tree.GetClientRect().right; x = x < text.left ? x + 1 : x + 8) {
            TVHITTESTINFO hit{};
            hit.pt = POINT{x, y};
            if (TreeView_HitTest(host.tree.GetHwnd(), &hit) == item && (hit.flags & ~seen) != 0) {
                points.emplace_back(hit.pt, hit.flags);
                seen |= hit.flags;
            }
        }
        // A profile has its indent and a program its button left of the boxes.
        EXPECT_NE(seen & (TVHT_ONITEMINDENT | TVHT_ONITEMBUTTON), 0u) << seen;
        EXPECT_NE(seen & TVHT_ONITEMSTATEICON, 0u) << seen;
        if (item == Program("Firefox")) { // its short text leaves room on its right
            EXPECT_NE(seen & TVHT_ONITEMRIGHT, 0u) << seen;
        }
        for (const auto& [point, flags] : points) {
            host.tree.SelectItem(nullptr);
            POINT screen = point;
            ClientToScreen(host.tree.GetHwnd(), &screen);
            SetTimer(nullptr, 0, 100, CloseMenu);
            host.tree.ShowContextMenu(screen);
            PumpPendingMessages();
            EXPECT_EQ(host.tree.GetSelectedItem(), item) << "hit flags " << flags << " at x " << point.x;
        }
    }
    EXPECT_TRUE(host.commands.empty());
}

TEST_F(ProfilesTree, TheContextMenuSelectsTheItemAndSendsItsCommandToTheParent) {
    MakeProfiles({"a"});
    Fill();
    HTREEITEM profile = Child(Program("Firefox"), 0);
    RECT text{};
    ASSERT_TRUE(TreeView_GetItemRect(host.tree.GetHwnd(), profile, &text, TRUE));
    POINT point{(text.left + text.right) / 2, (text.top + text.bottom) / 2};
    ClientToScreen(host.tree.GetHwnd(), &point);
    SetTimer(nullptr, 0, 200, ChooseFirstEntry);
    host.tree.ShowContextMenu(point);
    PumpPendingMessages();
    EXPECT_EQ(host.tree.GetSelectedItem(), profile);
    EXPECT_EQ(host.commands, (std::vector<UINT>{ID_BROWSE_PROFILE}));
}

TEST_F(ProfilesTree, ARightClickOnEmptySpaceClearsTheSelectionAndOffersRefresh) {
    MakeProfiles({"a"});
    Fill();
    host.tree.SelectItem(Program("Chrome"));
    const RECT client = host.tree.GetClientRect();
    const POINT empty{client.right / 2, client.bottom - 30};
    POINT screen = empty;
    ClientToScreen(host.tree.GetHwnd(), &screen);
    SetCursorPos(screen.x, screen.y);
    // The last entry of the empty-space menu is "Refresh".
    SetTimer(nullptr, 0, 200, ChooseLastEntry);
    const LPARAM position = MAKELPARAM(empty.x, empty.y);
    PostMessageW(host.tree.GetHwnd(), WM_RBUTTONUP, 0, position);
    host.tree.Send(WM_RBUTTONDOWN, MK_RBUTTON, position);
    PumpPendingMessages();
    EXPECT_EQ(host.tree.GetSelectedItem(), nullptr);
    EXPECT_EQ(host.commands, (std::vector<UINT>{ID_REFRESH}));
}

TEST_F(ProfilesTree, TheKeyboardOpensTheSelectedItemsMenu) {
    MakeProfiles({"a"});
    Fill();
    host.tree.SelectItem(Program("Chrome"));
    SetTimer(nullptr, 0, 200, ChooseFirstEntry);
    host.tree.Send(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(host.tree.GetHwnd()), -1);
    PumpPendingMessages();
    EXPECT_EQ(host.tree.GetSelectedItem(), Program("Chrome"));
    EXPECT_EQ(host.commands, (std::vector<UINT>{ID_ADD_CUSTOM_PROFILE}));
}

// --- The empty tree ------------------------------------------------------------------------------------------------
namespace {
// Pixels of the hint's grey in the middle band of a window's picture.
int GreyPixels(HWND window) {
    int width = 0;
    int height = 0;
    const std::vector<std::uint32_t> pixels = PrintClient(window, width, height);
    const COLORREF grey = GetSysColor(COLOR_GRAYTEXT);
    const std::uint32_t wanted = (GetRValue(grey) << 16) | (GetGValue(grey) << 8) | GetBValue(grey);
    int count = 0;
    for (int y = height / 4; y < height * 3 / 4; ++y)
        for (int x = 0; x < width; ++x)
            count += pixels[static_cast<size_t>(y * width + x)] == wanted ? 1 : 0;
    return count;
}
} // namespace

TEST_F(ProfilesTree, AnEmptyTreeShowsTheHintWithSevenProgramNames) {
    Fill();
    EXPECT_EQ(host.tree.GetRootItem(), nullptr);
    EXPECT_EQ(host.tree.GetEmptyTreeHint(),
              L"No Firefox, Pale Moon, Epic, Chrome, Vivaldi, Opera, Skype... profiles detected.");
    const int hint = GreyPixels(host.tree.GetHwnd());
    EXPECT_GT(hint, 50);
    // Disabled, or with items, the tree shows no hint.
    host.tree.Enable(false);
    EXPECT_EQ(GreyPixels(host.tree.GetHwnd()), 0);
    host.tree.Enable(true);
    MakeProfiles({"a"});
    Fill();
    // Only the lines between items may share the grey.
    EXPECT_LT(GreyPixels(host.tree.GetHwnd()), hint / 10);
}
