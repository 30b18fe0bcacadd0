#include "ui/controls/BrowsersTreeCtrl.h"

#include "catalogue/Browser.h"
#include "catalogue/Catalogue.h"
#include "support/FolderHelpers.h"
#include "ui/res/resource.h"

namespace ui {

namespace {

// Programs named in the empty-tree hint before "...".
constexpr size_t kHintNames = 7;

std::wstring ProfileItemText(const CBrowserProfile& profile) {
    return Widen(profile.GetName() + " [" + profile.GetPath() + "]");
}

// Inserts an item with its box already in the given state: one message per item, since every message about an item
// costs a search through all items in some tree implementations (Wine's).
HTREEITEM InsertItem(HWND tree, HTREEITEM parent, const std::wstring& text, int image, CMyTreeCtrlItem* object,
                     int checkState) {
    TVINSERTSTRUCTW insert{};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM | TVIF_STATE;
    insert.item.state = INDEXTOSTATEIMAGEMASK(checkState);
    insert.item.stateMask = TVIS_STATEIMAGEMASK;
    insert.item.pszText = const_cast<wchar_t*>(text.c_str());
    insert.item.iImage = image;
    insert.item.iSelectedImage = image;
    insert.item.lParam = reinterpret_cast<LPARAM>(object);
    return TreeView_InsertItem(tree, &insert);
}

} // namespace

void CBrowsersTreeCtrl::PreSubclassWindow() {
    CThreeStateTreeCtrl::PreSubclassWindow();
    const int size = SmallImageSize(GetDpi());
    images_.reset(ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, 0, 20));
    TreeView_SetImageList(GetHwnd(), images_.get(), TVSIL_NORMAL);
}

void CBrowsersTreeCtrl::OnDpiChanged() {
    CThreeStateTreeCtrl::OnDpiChanged();
    const int size = SmallImageSize(GetDpi());
    platform::UniqueImageList images(ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, 0, 20));
    if (!images)
        return;
    for (const int resourceId : imageResources_)
        AddIconTo(images.get(), resourceId, size);
    TreeView_SetImageList(GetHwnd(), images.get(), TVSIL_NORMAL);
    images_ = std::move(images);
}

int CBrowsersTreeCtrl::AddIcon(int resourceId) {
    const int index = AddIconTo(images_.get(), resourceId, SmallImageSize(GetDpi()));
    if (index >= 0)
        imageResources_.push_back(resourceId);
    return index;
}

int CBrowsersTreeCtrl::AddIconTo(HIMAGELIST images, int resourceId, int size) {
    platform::UniqueIcon icon(LoadIconResource(resourceId, size));
    int index = icon.get() != nullptr ? ImageList_AddIcon(images, icon.get()) : -1;
    if (index < 0) {
        // Keep one image per slot even without the picture, so that the other items keep theirs.
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = size;
        info.bmiHeader.biHeight = size;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        platform::UniqueBitmap blank(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        platform::UniqueBitmap blankMask(CreateBitmap(size, size, 1, 1, nullptr));
        if (blank.get() != nullptr && blankMask.get() != nullptr) {
            // A set mask bit leaves the background as it is: the slot draws nothing.
            HDC dc = CreateCompatibleDC(nullptr);
            HGDIOBJ old = SelectObject(dc, blankMask.get());
            PatBlt(dc, 0, 0, size, size, WHITENESS);
            SelectObject(dc, old);
            DeleteDC(dc);
            index = ImageList_Add(images, blank.get(), blankMask.get());
        }
    }
    return index;
}

void CBrowsersTreeCtrl::DeleteAllItems() {
    TreeView_DeleteAllItems(GetHwnd());
}

void CBrowsersTreeCtrl::FillTree() {
    HWND tree = GetHwnd();
    DeleteAllItems();
    filling_ = true;
    Send(WM_SETREDRAW, FALSE);
    // Every rebuild starts from an empty list, so refreshing does not make it grow.
    if (images_.get() != nullptr)
        ImageList_RemoveAll(images_.get());
    imageResources_.clear();
    const int missingImage = AddIcon(IDI_MISSING_PROFILE);
    if (catalogue_ != nullptr) {
        for (const auto& program : catalogue_->Programs()) {
            if (program->GetProfiles().empty())
                continue;
            const int programImage = AddIcon(program->GetIconId());
            const int profileImage = AddIcon(program->GetProfileIconId());
            // The program's box follows its profiles' boxes: known before any item is made.
            size_t checked = 0;
            for (const auto& profile : program->GetProfiles()) {
                profile->missing = !PathExists(profile->GetPath());
                if (profile->checked && !profile->missing)
                    ++checked;
            }
            const int programState = checked == program->GetProfiles().size() ? kChecked
                                     : checked == 0                           ? kUnchecked
                                                                              : kMixed;
            HTREEITEM programItem =
                InsertItem(tree, TVI_ROOT, Widen(program->GetName()), programImage, program.get(), programState);
            if (programItem == nullptr)
                continue;
            for (const auto& profile : program->GetProfiles())
                InsertItem(tree, programItem, ProfileItemText(*profile), profile->missing ? missingImage : profileImage,
                           profile.get(), profile->checked && !profile->missing ? kChecked : kUnchecked);
            TreeView_Expand(tree, programItem, TVE_EXPAND);
        }
    }
    filling_ = false;
    Send(WM_SETREDRAW, TRUE);
    Invalidate();
    NotifyChecksChanged();
}

void CBrowsersTreeCtrl::OnCheckStateSet(HTREEITEM item, int state) {
    if (filling_)
        return;
    CMyTreeCtrlItem* object = GetItemObject(item);
    if (object != nullptr && object->GetItemKind() == 1)
        static_cast<CBrowserProfile*>(object)->checked = state == kChecked;
}

std::vector<CBrowserProfile*> CBrowsersTreeCtrl::GetCheckedProfiles() const {
    std::vector<CBrowserProfile*> checked;
    for (HTREEITEM program = GetRootItem(); program != nullptr; program = GetNextSiblingItem(program)) {
        for (HTREEITEM item = GetChildItem(program); item != nullptr; item = GetNextSiblingItem(item)) {
            CMyTreeCtrlItem* object = GetItemObject(item);
            if (object == nullptr || object->GetItemKind() != 1 || GetCheckState(item) != kChecked)
                continue;
            auto* profile = static_cast<CBrowserProfile*>(object);
            if (!profile->missing)
                checked.push_back(profile);
        }
    }
    return checked;
}

std::vector<ProfileCheckState> CBrowsersTreeCtrl::GetProfileCheckStates() const {
    std::vector<ProfileCheckState> states;
    for (HTREEITEM program = GetRootItem(); program != nullptr; program = GetNextSiblingItem(program)) {
        for (HTREEITEM item = GetChildItem(program); item != nullptr; item = GetNextSiblingItem(item)) {
            CMyTreeCtrlItem* object = GetItemObject(item);
            if (object != nullptr && object->GetItemKind() == 1) {
                const auto* profile = static_cast<const CBrowserProfile*>(object);
                states.push_back({profile, profile->checked});
            }
        }
    }
    return states;
}

CMyTreeCtrlItem* CBrowsersTreeCtrl::GetItemObject(HTREEITEM item) const {
    if (item == nullptr)
        return nullptr;
    TVITEMW data{};
    data.mask = TVIF_HANDLE | TVIF_PARAM;
    data.hItem = item;
    if (!TreeView_GetItem(GetHwnd(), &data))
        return nullptr;
    return reinterpret_cast<CMyTreeCtrlItem*>(data.lParam);
}

CBrowserProfile* CBrowsersTreeCtrl::GetSelectedProfile() const {
    CMyTreeCtrlItem* object = GetItemObject(GetSelectedItem());
    return object != nullptr && object->GetItemKind() == 1 ? static_cast<CBrowserProfile*>(object) : nullptr;
}

HTREEITEM CBrowsersTreeCtrl::FindItem(const CMyTreeCtrlItem* object) const {
    for (HTREEITEM program = GetRootItem(); program != nullptr; program = GetNextSiblingItem(program)) {
        if (GetItemObject(program) == object)
            return program;
        for (HTREEITEM item = GetChildItem(program); item != nullptr; item = GetNextSiblingItem(item))
            if (GetItemObject(item) == object)
                return item;
    }
    return nullptr;
}

std::wstring CBrowsersTreeCtrl::GetEmptyTreeHint() const {
    std::string names;
    if (catalogue_ != nullptr) {
        const auto& programs = catalogue_->Programs();
        for (size_t index = 0; index < programs.size(); ++index) {
            if (index == kHintNames) {
                names += "...";
                break;
            }
            if (index > 0)
                names += ", ";
            names += programs[index]->GetName();
        }
    }
    return L"No " + Widen(names) + L" profiles detected.";
}

platform::UniqueMenu CBrowsersTreeCtrl::BuildContextMenu() const {
    platform::UniqueMenu menu(CreatePopupMenu());
    if (menu.get() == nullptr)
        return menu;
    CMyTreeCtrlItem* object = GetItemObject(GetSelectedItem());
    if (object == nullptr) {
        AppendMenuW(menu.get(), MF_STRING, ID_ADD_CUSTOM_PROFILE, L"Add custom profile...");
        AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
        AppendMenuW(menu.get(), MF_STRING, ID_REFRESH, L"Refresh\tF5");
    } else if (object->GetItemKind() == 0) {
        AppendMenuW(menu.get(), MF_STRING, ID_ADD_CUSTOM_PROFILE, L"Add custom profile...");
    } else {
        const bool custom = static_cast<CBrowserProfile*>(object)->custom;
        AppendMenuW(menu.get(), MF_STRING, ID_BROWSE_PROFILE, L"Browse...");
        AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
        // Disabled but not greyed, as the command is simply not offered for a profile that was found.
        AppendMenuW(menu.get(), MF_STRING | (custom ? 0 : MF_DISABLED), ID_DELETE_PROFILE, L"Delete from the list");
    }
    return menu;
}

void CBrowsersTreeCtrl::ShowContextMenu(POINT screenPoint) {
    TVHITTESTINFO hit{};
    hit.pt = screenPoint;
    ScreenToClient(GetHwnd(), &hit.pt);
    HTREEITEM item = TreeView_HitTest(GetHwnd(), &hit);
    // Anywhere on an item's row counts: its indent, its button, its icons, its text and the space right of it.
    constexpr UINT kOnRow = TVHT_ONITEM | TVHT_ONITEMINDENT | TVHT_ONITEMBUTTON | TVHT_ONITEMRIGHT;
    if (item != nullptr && (hit.flags & kOnRow) == 0)
        item = nullptr;
    ShowMenuFor(item, screenPoint);
}

void CBrowsersTreeCtrl::ShowMenuFor(HTREEITEM item, POINT screenPoint) {
    SelectItem(item);
    platform::UniqueMenu menu = BuildContextMenu();
    if (menu.get() == nullptr)
        return;
    TrackPopupMenu(menu.get(), TPM_LEFTALIGN | TPM_RIGHTBUTTON, screenPoint.x, screenPoint.y, 0, GetParent(GetHwnd()),
                   nullptr);
}

void CBrowsersTreeCtrl::DrawEmptyText(HDC dc) const {
    if (!IsEnabled() || GetRootItem() != nullptr)
        return;
    const std::wstring firstLine = GetEmptyTreeHint();
    const std::wstring text = firstLine + L"\nYou can drag a custom profile folder.";
    const int saved = SaveDC(dc);
    // An empty tree may leave its background unpainted: the hint brings its own.
    const RECT client = GetClientRect();
    const COLORREF treeBackground = TreeView_GetBkColor(GetHwnd());
    const COLORREF background =
        treeBackground == static_cast<COLORREF>(-1) ? GetSysColor(COLOR_WINDOW) : treeBackground;
    SetBkColor(dc, background);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &client, nullptr, 0, nullptr);
    SetBkMode(dc, TRANSPARENT);
    SelectObject(dc, reinterpret_cast<HFONT>(Send(WM_GETFONT)));
    SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    SIZE first{};
    GetTextExtentPoint32W(dc, firstLine.c_str(), static_cast<int>(firstLine.size()), &first);
    RECT bounds{};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &bounds, DT_CALCRECT | DT_NOPREFIX);
    // Both lines centred on the first line's width, the first line's middle at the middle of the window.
    const int width = std::max<int>(first.cx, bounds.right - bounds.left);
    RECT target = client;
    target.left = (client.left + client.right - width) / 2;
    target.right = target.left + width;
    target.top = (client.top + client.bottom) / 2 - first.cy / 2;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &target, DT_CENTER | DT_NOPREFIX);
    RestoreDC(dc, saved);
}

bool CBrowsersTreeCtrl::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
    case WM_PAINT:
    case WM_PRINTCLIENT: {
        CThreeStateTreeCtrl::OnMessage(message, wParam, lParam, result);
        result = DefaultProc(message, wParam, lParam);
        HDC dc = message == WM_PRINTCLIENT || wParam != 0 ? reinterpret_cast<HDC>(wParam) : GetDC(GetHwnd());
        if (dc != nullptr) {
            DrawEmptyText(dc);
            if (dc != reinterpret_cast<HDC>(wParam))
                ReleaseDC(GetHwnd(), dc);
        }
        return true;
    }
    case WM_CONTEXTMENU:
        // From the keyboard (Shift+F10, the menu key): the menu of the selected item, below its text. A right click
        // has shown its menu already.
        if (lParam == -1) {
            POINT point{0, 0};
            RECT text{};
            if (HTREEITEM item = GetSelectedItem();
                item != nullptr && TreeView_GetItemRect(GetHwnd(), item, &text, TRUE))
                point = POINT{text.left, text.bottom};
            ClientToScreen(GetHwnd(), &point);
            ShowMenuFor(GetSelectedItem(), point);
        }
        result = 0;
        return true;
    case WM_DESTROY:
        TreeView_SetImageList(GetHwnd(), nullptr, TVSIL_NORMAL);
        break;
    default:
        break;
    }
    return CThreeStateTreeCtrl::OnMessage(message, wParam, lParam, result);
}

bool CBrowsersTreeCtrl::OnReflect(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (message == WM_NOTIFY && reinterpret_cast<const NMHDR*>(lParam)->code == NM_RCLICK) {
        const DWORD position = GetMessagePos();
        ShowContextMenu(POINT{static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))});
        result = 0;
        return true;
    }
    return CThreeStateTreeCtrl::OnReflect(message, wParam, lParam, result);
}

} // namespace ui
