// The control page: each of the program's own controls in its states.

#include "tests/ui/screenshots/Scene.h"

#include "catalogue/IconNumbers.h"
#include "ui/controls/AdsStatic.h"
#include "ui/controls/HLinkCtrl.h"
#include "ui/controls/IconComboBox.h"
#include "ui/controls/IconListBox.h"
#include "ui/controls/StaticEx.h"
#include "ui/framework/DialogTemplate.h"
#include "ui/framework/DialogWithMenuIcons.h"
#include "ui/res/resource.h"

namespace {

enum : WORD {
    kLinkNormal = 100,
    kLinkVisited,
    kLinkHovered,
    kLinkUnderlineHover,
    kLinkUnderlineNever,
    kLinkDisabled,
    kStrip0 = 110,
    kStrip1,
    kStrip2,
    kImageNone = 120,
    kImageLighter,
    kImageGrey,
    kImageDisabled,
    kBoldText,
    kColouredText,
    kDisabledText,
    kCombo = 130,
    kList,
};

constexpr WORD kStatic = 0x0082;
constexpr WORD kListBox = 0x0083;
constexpr WORD kComboBox = 0x0085;

ui::CDialogTemplate MakeControlPage() {
    ui::CDialogTemplate page(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 0, 0, 0, 352, 262,
                             L"Tidyquill controls");
    const DWORD child = WS_CHILD | WS_VISIBLE;
    page.AddControl(kStatic, child, 0, 7, 4, 200, 9, 0xffff, L"Links: normal, visited, hovered");
    page.AddControl(kStatic, child | SS_NOTIFY, 0, 7, 15, 60, 9, kLinkNormal, L"Home page");
    page.AddControl(kStatic, child | SS_NOTIFY, 0, 72, 15, 60, 9, kLinkVisited, L"Release notes");
    page.AddControl(kStatic, child | SS_NOTIFY, 0, 137, 15, 60, 9, kLinkHovered, L"Forum");
    page.AddControl(kStatic, child, 0, 7, 28, 300, 9, 0xffff, L"Underline on hover only, never, and a disabled link");
    page.AddControl(kStatic, child | SS_NOTIFY, 0, 7, 39, 80, 9, kLinkUnderlineHover, L"Underlined on hover");
    page.AddControl(kStatic, child | SS_NOTIFY, 0, 92, 39, 80, 9, kLinkUnderlineNever, L"Never underlined");
    page.AddControl(kStatic, child | SS_NOTIFY | WS_DISABLED, 0, 177, 39, 60, 9, kLinkDisabled, L"Disabled");

    page.AddControl(kStatic, child, 0, 7, 53, 300, 9, 0xffff, L"The advert strip's three pictures");
    for (WORD i = 0; i < 3; ++i)
        page.AddControl(kStatic, child | SS_BITMAP, 0, 7, static_cast<short>(64 + 35 * i), 337, 32,
                        static_cast<WORD>(kStrip0 + i), L"");

    page.AddControl(kStatic, child, 0, 7, 170, 330, 9, 0xffff,
                    L"Pictures: as they are, lighter, grey, disabled; bold, coloured and disabled text");
    const wchar_t* captions[] = {L"as is", L"lighter", L"grey", L"disabled"};
    for (WORD i = 0; i < 4; ++i) {
        const auto x = static_cast<short>(7 + 34 * i);
        page.AddControl(kStatic, child | (i == 3 ? WS_DISABLED : 0), 0, x, 181, 30, 22,
                        static_cast<WORD>(kImageNone + i), L"");
        page.AddControl(kStatic, child | SS_CENTER, 0, x, 204, 30, 9, 0xffff, captions[i]);
    }
    page.AddControl(kStatic, child | SS_CENTERIMAGE, 0, 147, 181, 70, 10, kBoldText, L"Bold text");
    page.AddControl(kStatic, child | SS_CENTERIMAGE | SS_CENTER, 0, 222, 181, 122, 12, kColouredText,
                    L"Colours of its own");
    page.AddControl(kStatic, child | SS_CENTERIMAGE | WS_DISABLED, 0, 147, 196, 70, 10, kDisabledText,
                    L"Disabled text");

    page.AddControl(kStatic, child, 0, 7, 218, 160, 9, 0xffff, L"Drop-down list and list box with icons");
    page.AddControl(kComboBox, child | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS,
                    0, 7, 230, 120, 90, kCombo, L"");
    page.AddControl(kListBox,
                    child | WS_BORDER | WS_VSCROLL | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT, 0, 137,
                    218, 120, 38, kList, L"");
    return page;
}

class ControlPage : public ui::CDialogWithMenuIcons {
public:
    explicit ControlPage(const DLGTEMPLATE* dialogTemplate)
        : CDialogWithMenuIcons(dialogTemplate), bold(true), coloured(true) {}

    ui::CHLinkCtrl links[6];
    ui::CAdsStatic strips[3];
    ui::CStaticEx images[4];
    ui::CStaticEx bold;
    ui::CStaticEx coloured;
    ui::CStaticEx disabledText;
    ui::CIconComboBox combo;
    ui::CIconListBox list;

protected:
    void DoDataExchange() override {
        for (int i = 0; i < 6; ++i)
            Bind(kLinkNormal + i, links[i]);
        for (int i = 0; i < 3; ++i)
            Bind(kStrip0 + i, strips[i]);
        for (int i = 0; i < 4; ++i)
            Bind(kImageNone + i, images[i]);
        Bind(kBoldText, bold);
        Bind(kColouredText, coloured);
        Bind(kDisabledText, disabledText);
        Bind(kCombo, combo);
        Bind(kList, list);
    }
};

struct ProgramEntry {
    int icon;
    const wchar_t* name;
};

const ProgramEntry kPrograms[] = {
    {IDI_FIREFOX, L"Firefox"}, {IDI_THUNDERBIRD, L"Thunderbird"},
    {IDI_CHROME, L"Chrome"},   {IDI_VIVALDI, L"Vivaldi"},
    {IDI_OPERA, L"Opera"},     {IDI_SKYPE, L"Skype"},
};

} // namespace

TIDYQUILL_SCENE("controls") {
    const auto& pageTemplate = scene.Make<ui::CDialogTemplate>(MakeControlPage());
    auto& page = scene.Make<ControlPage>(pageTemplate.Get());
    if (!page.Create())
        return nullptr;

    for (auto& link : page.links)
        link.SetURL(L"https://www.quartzmoore.com/tidyquill/");
    page.links[1].OpenLink(); // the picture program's shell answers yes: visited
    page.links[3].SetUnderlineMode(ui::CHLinkCtrl::kUnderlineHover);
    page.links[4].SetUnderlineMode(ui::CHLinkCtrl::kUnderlineNever);
    // The rotation moved on once and twice.
    page.strips[1].Send(WM_TIMER, IDT_ADS_ROTATE);
    page.strips[2].Send(WM_TIMER, IDT_ADS_ROTATE);
    page.strips[2].Send(WM_TIMER, IDT_ADS_ROTATE);

    const int size = GetSystemMetrics(SM_CXICON);
    HICON appIcon = ui::LoadIconResource(IDR_MAINFRAME, size);
    const ui::CStaticEx::ImageEffect effects[] = {ui::CStaticEx::kEffectNone, ui::CStaticEx::kEffectLighten,
                                                  ui::CStaticEx::kEffectGray, ui::CStaticEx::kEffectNone};
    for (int i = 0; i < 4; ++i) {
        page.images[i].SetImageAlignment(ui::CStaticEx::kImageCenter);
        page.images[i].SetImageEffect(effects[i]);
        page.images[i].SetImageIcon(appIcon);
    }
    if (appIcon != nullptr)
        DestroyIcon(appIcon);
    page.coloured.SetBackgroundColor(RGB(0x1f, 0x4e, 0x79));
    page.coloured.SetTextColor(RGB(0xff, 0xff, 0xff));

    const int small = GetSystemMetrics(SM_CXSMICON);
    for (const ProgramEntry& program : kPrograms) {
        HICON icon = ui::LoadIconResource(program.icon, small);
        page.combo.AddItem(program.name, icon);
        if (icon != nullptr)
            DestroyIcon(icon);
    }
    page.combo.SetCurSel(0);
    HICON firefox = ui::LoadIconResource(IDI_FIREFOX, 16);
    HICON chrome = ui::LoadIconResource(IDI_CHROME, 16);
    page.list.AddItem(L"Firefox (firefox.exe)", firefox);
    page.list.AddItem(L"Chrome with a name far too long for its box (chrome.exe)", chrome);
    page.list.Send(LB_SETCURSEL, 0);
    if (firefox != nullptr)
        DestroyIcon(firefox);
    if (chrome != nullptr)
        DestroyIcon(chrome);

    // The real pointer rests on the third link, so that it shows hovered; the drop-down list is open, its second
    // entry chosen, and pictured with the page.
    HWND hovered = page.links[2].GetHwnd();
    HWND pageWindow = page.GetHwnd();
    HWND combo = page.combo.GetHwnd();
    scene.AfterShown([&scene, hovered, pageWindow, combo] {
        screenshots::Scene::PointAt(hovered);
        SendMessageW(hovered, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
        SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
        SendMessageW(combo, CB_SETCURSEL, 1, 0);
        COMBOBOXINFO info{};
        info.cbSize = sizeof(info);
        GetComboBoxInfo(combo, &info);
        screenshots::Scene::Settle(300);
        if (info.hwndList != nullptr && IsWindowVisible(info.hwndList))
            scene.TakePicture({pageWindow, info.hwndList});
        SendMessageW(combo, CB_SHOWDROPDOWN, FALSE, 0);
    });
    return pageWindow;
}
