#include "ui/controls/ThreeStateTreeCtrl.h"

#include "ui/res/resource.h"

#include <uxtheme.h>
#include <vssym32.h>

namespace ui {

namespace {

constexpr UINT kStateMask = TVIS_STATEIMAGEMASK;
// The strip's background, masked out. A colour no check box uses: under Wine the menu colour is the window colour,
// which would make a box's inside transparent.
constexpr COLORREF kMaskColour = RGB(255, 0, 255);

// The square of a check box (13 pixels in a 16-pixel cell, in proportion in larger ones), centred in its cell.
RECT BoxInCell(int cell, int size) {
    const int box = std::max(1, size * 13 / 16);
    const int left = cell * size + (size - box) / 2;
    const int top = (size - box) / 2;
    return RECT{left, top, left + box, top + box};
}

// Visual styles, looked up at run time so that a system without them draws the classic boxes.
class ThemeFunctions {
public:
    ThemeFunctions() : module_(LoadLibraryW(L"uxtheme.dll")) {
        if (module_.get() == nullptr)
            return;
        isAppThemed_ = Lookup<IsAppThemedFn>("IsAppThemed");
        open_ = Lookup<OpenThemeDataFn>("OpenThemeData");
        draw_ = Lookup<DrawThemeBackgroundFn>("DrawThemeBackground");
        close_ = Lookup<CloseThemeDataFn>("CloseThemeData");
        openForDpi_ = Lookup<OpenThemeDataForDpiFn>("OpenThemeDataForDpi");
    }

    template <typename Function> Function Lookup(const char* name) const {
        return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module_.get(), name)));
    }

    // Draws the three boxes into their cells with the "Button" theme at the DPI (the theme's own parts for it where
    // the system has OpenThemeDataForDpi); false when visual styles are not active.
    bool DrawCheckBoxes(HWND window, HDC dc, int size, int dpi) const {
        if (isAppThemed_ == nullptr || open_ == nullptr || draw_ == nullptr || close_ == nullptr || !isAppThemed_())
            return false;
        HTHEME theme =
            openForDpi_ != nullptr ? openForDpi_(window, L"Button", static_cast<UINT>(dpi)) : open_(window, L"Button");
        if (theme == nullptr)
            return false;
        const int states[] = {CBS_UNCHECKEDNORMAL, CBS_CHECKEDNORMAL, CBS_MIXEDNORMAL};
        for (int cell = 1; cell <= 3; ++cell) {
            const RECT rect = BoxInCell(cell, size);
            draw_(theme, dc, BP_CHECKBOX, states[cell - 1], &rect, nullptr);
        }
        close_(theme);
        return true;
    }

private:
    using IsAppThemedFn = BOOL(WINAPI*)();
    using OpenThemeDataFn = HTHEME(WINAPI*)(HWND, LPCWSTR);
    using DrawThemeBackgroundFn = HRESULT(WINAPI*)(HTHEME, HDC, int, int, const RECT*, const RECT*);
    using CloseThemeDataFn = HRESULT(WINAPI*)(HTHEME);
    using OpenThemeDataForDpiFn = HTHEME(WINAPI*)(HWND, LPCWSTR, UINT);

    platform::UniqueModule module_;
    IsAppThemedFn isAppThemed_ = nullptr;
    OpenThemeDataFn open_ = nullptr;
    DrawThemeBackgroundFn draw_ = nullptr;
    CloseThemeDataFn close_ = nullptr;
    OpenThemeDataForDpiFn openForDpi_ = nullptr;
};

void DrawClassicCheckBoxes(HDC dc, int size) {
    const UINT states[] = {DFCS_BUTTONCHECK, DFCS_BUTTONCHECK | DFCS_CHECKED,
                           DFCS_BUTTON3STATE | DFCS_CHECKED | DFCS_INACTIVE};
    for (int cell = 1; cell <= 3; ++cell) {
        RECT rect = BoxInCell(cell, size);
        DrawFrameControl(dc, &rect, DFC_BUTTON, states[cell - 1]);
    }
}

} // namespace

int CThreeStateTreeCtrl::GetCheckState(HTREEITEM item) const {
    if (item == nullptr)
        return kNoCheckBox;
    const UINT state = TreeView_GetItemState(GetHwnd(), item, kStateMask);
    return static_cast<int>((state & kStateMask) >> 12);
}

bool CThreeStateTreeCtrl::SetCheckState(HTREEITEM item, int state, bool notify) {
    if (item == nullptr)
        return false;
    TVITEMW data{};
    data.mask = TVIF_HANDLE | TVIF_STATE;
    data.hItem = item;
    data.state = INDEXTOSTATEIMAGEMASK(state);
    data.stateMask = kStateMask;
    const bool accepted = TreeView_SetItem(GetHwnd(), &data) != FALSE;
    if (accepted)
        OnCheckStateSet(item, state);
    if (accepted && notify) {
        Propagate(item, state);
        NotifyChecksChanged();
    }
    return accepted;
}

void CThreeStateTreeCtrl::ToggleCheckState(HTREEITEM item) {
    if (item == nullptr)
        return;
    SetCheckState(item, GetCheckState(item) == kUnchecked ? kChecked : kUnchecked, true);
}

void CThreeStateTreeCtrl::SetSubtreeCheckState(HTREEITEM item, int state) {
    for (HTREEITEM child = GetChildItem(item); child != nullptr; child = GetNextSiblingItem(child)) {
        SetCheckState(child, state, false);
        SetSubtreeCheckState(child, state);
    }
}

void CThreeStateTreeCtrl::UpdateParentCheckState(HTREEITEM item) {
    HTREEITEM parent = GetParentItem(item);
    if (parent == nullptr)
        return;
    bool allChecked = true;
    bool allUnchecked = true;
    bool anyChecked = false;
    for (HTREEITEM child = GetChildItem(parent); child != nullptr; child = GetNextSiblingItem(child)) {
        const int state = GetCheckState(child);
        allChecked = allChecked && state == kChecked;
        allUnchecked = allUnchecked && state == kUnchecked;
        anyChecked = anyChecked || state == kChecked || state == kMixed;
    }
    if (allChecked)
        SetCheckState(parent, kChecked, false);
    else if (allUnchecked)
        SetCheckState(parent, kUnchecked, false);
    else if (anyChecked)
        SetCheckState(parent, kMixed, false);
}

std::wstring CThreeStateTreeCtrl::GetItemText(HTREEITEM item) const {
    wchar_t buffer[1024] = {};
    TVITEMW data{};
    data.mask = TVIF_HANDLE | TVIF_TEXT;
    data.hItem = item;
    data.pszText = buffer;
    data.cchTextMax = static_cast<int>(std::size(buffer));
    if (!TreeView_GetItem(GetHwnd(), &data))
        return {};
    return buffer;
}

void CThreeStateTreeCtrl::PreSubclassWindow() {
    BuildStateImages();
}

int SmallImageSize(int dpi) {
    const int size = GetSystemMetricForDpi(SM_CXSMICON, dpi);
    return size > 0 ? size : ScaleToDpi(16, dpi);
}

void CThreeStateTreeCtrl::OnDpiChanged() {
    BuildStateImages();
}

void CThreeStateTreeCtrl::BuildStateImages() {
    const int size = SmallImageSize(GetDpi());
    platform::UniqueImageList images(ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, 4, 0));
    if (images.get() == nullptr)
        return;
    HDC windowDc = GetDC(GetHwnd());
    platform::UniqueMemoryDC dc(CreateCompatibleDC(windowDc));
    platform::UniqueBitmap strip(CreateCompatibleBitmap(windowDc, 4 * size, size));
    ReleaseDC(GetHwnd(), windowDc);
    if (dc.get() == nullptr || strip.get() == nullptr)
        return;
    HGDIOBJ oldBitmap = SelectObject(dc.get(), strip.get());
    RECT all{0, 0, 4 * size, size};
    platform::UniqueBrush background(CreateSolidBrush(kMaskColour));
    FillRect(dc.get(), &all, background.get());
    if (!ThemeFunctions().DrawCheckBoxes(GetHwnd(), dc.get(), size, GetDpi()))
        DrawClassicCheckBoxes(dc.get(), size);
    SelectObject(dc.get(), oldBitmap);
    if (ImageList_AddMasked(images.get(), strip.get(), kMaskColour) < 0)
        return;
    // The tree hands back the list it had (the system's own two-state list, if it made one): ours replaces it.
    HIMAGELIST previous = TreeView_SetImageList(GetHwnd(), images.get(), TVSIL_STATE);
    if (previous != nullptr && previous != stateImages_.get())
        ImageList_Destroy(previous);
    stateImages_ = std::move(images);
}

bool CThreeStateTreeCtrl::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
    case WM_KEYDOWN:
        // The tree toggles its own boxes on the space key whatever TVN_KEYDOWN answers, so the key stops here.
        if (wParam == VK_SPACE) {
            if (HTREEITEM item = GetSelectedItem(); item != nullptr)
                ToggleCheckState(item);
            result = 0;
            return true;
        }
        break;
    case WM_CHAR:
        // The space's character would start an incremental search.
        if (wParam == L' ') {
            result = 0;
            return true;
        }
        break;
    case WM_PAINT:
        // The system may put its own state images in at the first painting: ours go back in.
        if (stateImages_.get() != nullptr && TreeView_GetImageList(GetHwnd(), TVSIL_STATE) != stateImages_.get()) {
            HIMAGELIST previous = TreeView_SetImageList(GetHwnd(), stateImages_.get(), TVSIL_STATE);
            if (previous != nullptr && previous != stateImages_.get())
                ImageList_Destroy(previous);
        }
        break;
    case WM_SYSCOLORCHANGE:
        // The boxes are drawn in the system's colours: drawn again in the new ones.
        result = DefaultProc(message, wParam, lParam);
        BuildStateImages();
        return true;
    case WM_DESTROY:
        // The list is ours: the tree must not keep it past the object.
        TreeView_SetImageList(GetHwnd(), nullptr, TVSIL_STATE);
        break;
    default:
        break;
    }
    return false;
}

bool CThreeStateTreeCtrl::OnReflect(UINT message, WPARAM, LPARAM lParam, LRESULT& result) {
    if (message != WM_NOTIFY)
        return false;
    const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
    if (header.code != NM_CLICK && header.code != NM_DBLCLK)
        return false;
    // Answering 1 also stops the tree from selecting, so only a hit on a box is taken here.
    HTREEITEM item = HitStateIconAtMessagePos();
    if (item == nullptr)
        return false;
    SelectItem(item);
    ToggleCheckState(item);
    result = 1;
    return true;
}

HTREEITEM CThreeStateTreeCtrl::HitStateIconAtMessagePos() const {
    const DWORD position = GetMessagePos();
    TVHITTESTINFO hit{};
    hit.pt.x = static_cast<short>(LOWORD(position));
    hit.pt.y = static_cast<short>(HIWORD(position));
    ScreenToClient(GetHwnd(), &hit.pt);
    HTREEITEM item = TreeView_HitTest(GetHwnd(), &hit);
    return item != nullptr && (hit.flags & TVHT_ONITEMSTATEICON) != 0 ? item : nullptr;
}

void CThreeStateTreeCtrl::NotifyChecksChanged() const {
    if (HWND parent = GetParent(GetHwnd()); parent != nullptr)
        SendMessageW(parent, WM_CHECKS_CHANGED, 0, 0);
}

void CThreeStateTreeCtrl::Propagate(HTREEITEM item, int state) {
    if (GetChildItem(item) != nullptr)
        SetSubtreeCheckState(item, state);
    else
        UpdateParentCheckState(item);
}

} // namespace ui
