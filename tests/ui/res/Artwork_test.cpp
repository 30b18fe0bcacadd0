// The artwork in the program's resources: every icon number has an icon, the application icon holds each size the
// system asks for, and the drawn sizes come out at their size.

#include "catalogue/IconNumbers.h"
#include "ui/framework/Window.h"
#include "ui/res/resource.h"

#include <gtest/gtest.h>

#include <set>

namespace {

// The sizes an icon resource group lists.
std::set<int> GroupSizes(int id) {
    std::set<int> sizes;
    HRSRC found = FindResourceW(ui::GetResourceModule(), MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(14));
    if (found == nullptr)
        return sizes;
    const auto* bytes = static_cast<const BYTE*>(LockResource(LoadResource(ui::GetResourceModule(), found)));
    const WORD count = *reinterpret_cast<const WORD*>(bytes + 4);
    for (WORD i = 0; i < count; ++i) {
        const BYTE width = bytes[6 + 14 * i]; // GRPICONDIRENTRY: width first, 0 for 256
        sizes.insert(width == 0 ? 256 : width);
    }
    return sizes;
}

int LoadedSize(int id, int size) {
    HICON icon = ui::LoadIconResource(id, size);
    if (icon == nullptr)
        return 0;
    ICONINFO info{};
    GetIconInfo(icon, &info);
    BITMAP shape{};
    GetObjectW(info.hbmColor != nullptr ? info.hbmColor : info.hbmMask, sizeof(shape), &shape);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyIcon(icon);
    return shape.bmWidth;
}

TEST(Artwork, TheApplicationIconHoldsEverySize) {
    EXPECT_EQ(GroupSizes(IDR_MAINFRAME), (std::set<int>{16, 24, 32, 48, 256}));
    for (int size : {16, 24, 32, 48, 256})
        EXPECT_EQ(LoadedSize(IDR_MAINFRAME, size), size) << size;
}

TEST(Artwork, EveryIconNumberHasItsIcon) {
    const int numbers[] = {IDI_ABOUT,
                           IDI_QUIT,
                           IDI_MISSING_PROFILE,
                           IDI_FIREFOX,
                           IDI_FIREFOX_PROFILE,
                           IDI_THUNDERBIRD,
                           IDI_THUNDERBIRD_PROFILE,
                           IDI_CHROME,
                           IDI_CHROME_PROFILE,
                           IDI_SKYPE,
                           IDI_SKYPE_PROFILE,
                           IDI_CHROMIUM,
                           IDI_PALEMOON,
                           IDI_PALEMOON_PROFILE,
                           IDI_EPIC,
                           IDI_EPIC_PROFILE,
                           IDI_OPERA,
                           IDI_OPERA_PROFILE,
                           IDI_SEAMONKEY_PROFILE,
                           IDI_SEAMONKEY,
                           IDI_YANDEX,
                           IDI_YANDEX_PROFILE,
                           IDI_CYBERFOX_PROFILE,
                           IDI_CYBERFOX,
                           IDI_FOSSAMAIL,
                           IDI_VIBER,
                           IDI_VIBER_PROFILE,
                           IDI_SLIMJET,
                           IDI_SLIMJET_PROFILE,
                           IDI_VIVALDI,
                           IDI_VIVALDI_PROFILE,
                           IDI_BRAVE,
                           IDI_EDGE,
                           IDI_EDGE_PROFILE,
                           IDI_OPERAGX,
                           IDI_OPERAGX_PROFILE,
                           IDI_WATERFOX,
                           IDI_WATERFOX_PROFILE,
                           IDI_LIBREWOLF,
                           IDI_LIBREWOLF_PROFILE,
                           IDI_FLOORP,
                           IDI_FLOORP_PROFILE,
                           IDI_ZEN,
                           IDI_ZEN_PROFILE};
    for (int number : numbers) {
        // 16 pixels for the tree and menus at 96 dpi, 24 at 144.
        EXPECT_TRUE(GroupSizes(number).count(16)) << number;
        EXPECT_TRUE(GroupSizes(number).count(24)) << number;
        EXPECT_EQ(LoadedSize(number, 16), 16) << number;
    }
}

} // namespace
