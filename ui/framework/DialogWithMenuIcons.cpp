#include "ui/framework/DialogWithMenuIcons.h"

#include "ui/framework/Image.h"

namespace ui {

CDialogWithMenuIcons::~CDialogWithMenuIcons() = default;

void CDialogWithMenuIcons::SetMenuItemIcon(UINT commandId, int iconResourceId) {
    iconResources_[commandId] = iconResourceId;
    icons_.erase(commandId);
}

HICON CDialogWithMenuIcons::GetMenuIcon(UINT commandId) {
    if (auto loaded = icons_.find(commandId); loaded != icons_.end())
        return loaded->second.get();
    if (auto mapped = iconResources_.find(commandId); mapped != iconResources_.end()) {
        platform::UniqueIcon icon(LoadIconResource(mapped->second, GetMenuIconSize()));
        if (!icon)
            return nullptr;
        return icons_.emplace(commandId, std::move(icon)).first->second.get();
    }
    return GetUnmappedMenuIcon(commandId);
}

int CDialogWithMenuIcons::GetMenuIconSize() const {
    const int size = GetSystemMetricForDpi(SM_CXSMICON, GetDpi());
    return size > 0 ? size : ScaleToDpi(kMenuIconSize, GetDpi());
}

void CDialogWithMenuIcons::OnDpiChanged() {
    icons_.clear();
}

HICON CDialogWithMenuIcons::GetUnmappedMenuIcon(UINT) {
    return nullptr;
}

void CDialogWithMenuIcons::PrepareMenu(HMENU menu) {
    MENUINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = MIM_STYLE;
    if (GetMenuInfo(menu, &info)) {
        info.dwStyle |= MNS_CHECKORBMP | MNS_AUTODISMISS;
        SetMenuInfo(menu, &info);
    }
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOW item{};
        item.cbSize = sizeof(item);
        item.fMask = MIIM_ID | MIIM_SUBMENU | MIIM_FTYPE;
        if (!GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &item) || (item.fType & MFT_SEPARATOR) ||
            item.hSubMenu != nullptr || item.wID == 0)
            continue;
        if (GetMenuIcon(item.wID) == nullptr)
            continue;
        MENUITEMINFOW bitmap{};
        bitmap.cbSize = sizeof(bitmap);
        bitmap.fMask = MIIM_BITMAP;
        bitmap.hbmpItem = HBMMENU_CALLBACK;
        SetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &bitmap);
    }
    UpdateMenuCommands(menu);
}

void CDialogWithMenuIcons::DrawMenuIcon(const DRAWITEMSTRUCT& item) {
    HICON icon = GetMenuIcon(item.itemID);
    if (icon == nullptr)
        return;
    const int size = GetMenuIconSize();
    const RECT& rect = item.rcItem;
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    // The rectangle is the bitmap's place in the item; centred in it when it is about the icon's width.
    const int x = width <= 2 * size ? rect.left + (width - size) / 2 : rect.left;
    const int y = rect.top + (height - size) / 2;
    if (item.itemState & (ODS_GRAYED | ODS_DISABLED)) {
        // A disabled command's icon in grey levels, kept away from black and white so that it reads as inactive.
        CxImage grey;
        if (grey.CreateFromIcon(icon)) {
            grey.GrayScale();
            grey.LimitRange(96, 200);
            grey.Draw(item.hDC, x, y);
            return;
        }
    }
    DrawIconEx(item.hDC, x, y, icon, size, size, 0, nullptr, DI_NORMAL);
}

bool CDialogWithMenuIcons::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
    case WM_INITMENUPOPUP:
        if (HIWORD(lParam))
            return false; // the system menu
        PrepareMenu(reinterpret_cast<HMENU>(wParam));
        result = 0;
        return true;
    case WM_MEASUREITEM: {
        auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        if (measure->CtlType != ODT_MENU || GetMenuIcon(measure->itemID) == nullptr)
            return false;
        measure->itemWidth = static_cast<UINT>(GetMenuIconSize());
        measure->itemHeight = static_cast<UINT>(GetMenuIconSize());
        result = TRUE;
        return true;
    }
    case WM_DRAWITEM: {
        const auto* draw = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (draw->CtlType != ODT_MENU)
            return false;
        DrawMenuIcon(*draw);
        result = TRUE;
        return true;
    }
    default:
        return false;
    }
}

} // namespace ui
