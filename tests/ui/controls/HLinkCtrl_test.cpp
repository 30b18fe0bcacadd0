// The hyperlink: its settings from the registry, its colours and underline as painted, hover, a failed and a
// successful open, and its transparent background.

#include "tests/ui/ControlTestSupport.h"

#include "ui/controls/HLinkCtrl.h"

#include <commctrl.h>

#include <gtest/gtest.h>

namespace {

using control_tests::CaptureWindow;
using control_tests::RecordingShell;
using control_tests::ScopedRegistryValue;
using control_tests::TestDialog;
using ui::CHLinkCtrl;

const wchar_t kSettings[] = L"Software\\Microsoft\\Internet Explorer\\Settings";
const wchar_t kMain[] = L"Software\\Microsoft\\Internet Explorer\\Main";
constexpr WORD kLinkId = 100;
constexpr COLORREF kDialogColour = RGB(0x20, 0xa0, 0x40);

ui::CDialogTemplate MakeTemplate() {
    ui::CDialogTemplate page(WS_POPUP | WS_CAPTION, 0, 0, 0, 160, 40, L"Link");
    page.AddControl(0x0082, WS_CHILD | WS_VISIBLE | SS_NOTIFY, 0, 10, 10, 100, 10, kLinkId, L"Home page of the link");
    return page;
}

// A dialog with one link on a background of its own colour.
struct LinkPage {
    ui::CDialogTemplate pageTemplate = MakeTemplate();
    TestDialog dialog{pageTemplate};
    CHLinkCtrl link;

    LinkPage() {
        dialog.BindControl(kLinkId, link);
        dialog.SetBackground(kDialogColour);
    }
    bool Open() {
        if (!dialog.Open())
            return false;
        link.SetURL(L"https://www.quartzmoore.com/tidyquill/");
        return true;
    }
};

// Whether the colour draws a line as long as most of the text: the underline.
bool Underlined(const control_tests::Capture& capture, COLORREF colour) {
    const auto [first, last] = capture.ColumnSpan(colour);
    return first >= 0 && capture.LongestRowRun(colour) >= (last - first + 1) * 9 / 10;
}

// --- Settings ------------------------------------------------------------------------------------------------------
TEST(HLinkCtrl, DefaultsWithoutRegistryValues) {
    CHLinkCtrl link;
    EXPECT_EQ(link.GetLinkColor(),
              CHLinkCtrl::DefaultLinkColor(GetSysColor(COLOR_HOTLIGHT), GetSysColor(COLOR_BTNFACE)));
    // The hot-track colour when it can be read on the dialog, a link blue when it is too light.
    EXPECT_EQ(CHLinkCtrl::DefaultLinkColor(RGB(0, 102, 204), RGB(240, 240, 240)), RGB(0, 102, 204));
    EXPECT_EQ(CHLinkCtrl::DefaultLinkColor(RGB(0, 0, 200), RGB(240, 240, 240)), RGB(0, 0, 200));
    EXPECT_EQ(CHLinkCtrl::DefaultLinkColor(RGB(224, 224, 224), RGB(240, 240, 240)), CHLinkCtrl::kReadableLinkColor);
    EXPECT_EQ(CHLinkCtrl::DefaultLinkColor(RGB(255, 255, 0), RGB(30, 30, 30)), RGB(255, 255, 0));
    const COLORREF text = GetSysColor(COLOR_WINDOWTEXT);
    const COLORREF window = GetSysColor(COLOR_WINDOW);
    EXPECT_EQ(link.GetVisitedColor(), RGB((GetRValue(text) + GetRValue(window)) / 2, GetGValue(text),
                                          (GetBValue(text) + GetBValue(window)) / 2));
    EXPECT_EQ(link.GetHoverColor(), RGB(255, 0, 0));
    EXPECT_TRUE(link.IsHoverEnabled());
    EXPECT_EQ(link.GetUnderlineMode(), CHLinkCtrl::kUnderlineAlways);
    // Black text on white gives purple.
    EXPECT_EQ(CHLinkCtrl::DefaultVisitedColor(RGB(0, 0, 0), RGB(255, 255, 255)), RGB(127, 0, 127));
}

TEST(HLinkCtrl, ColourTextsKeepTheDefaultForWhatTheyLack) {
    const COLORREF base = RGB(1, 2, 3);
    const std::pair<const wchar_t*, COLORREF> cases[] = {
        {L"10,20,30", RGB(10, 20, 30)},
        {L"10", RGB(10, 2, 3)},
        {L"10,20", RGB(10, 20, 3)},
        {L"", base},
        {L"red", base},
        {L"10,x,30", RGB(10, 2, 3)},
        {L"300,20,30", RGB(1, 20, 30)},
    };
    for (const auto& [text, colour] : cases)
        EXPECT_EQ(CHLinkCtrl::ParseColor(text, base), colour) << text;
}

TEST(HLinkCtrl, RegistryValuesOfThePrefixAreRead) {
    {
        ScopedRegistryValue colour(kSettings, L"Anchor Color", L"0,0,200");
        ScopedRegistryValue visited(kSettings, L"Anchor Color Visited", L"90,10");
        ScopedRegistryValue hover(kSettings, L"Anchor Color Hover", L"0,150,0");
        ScopedRegistryValue useHover(kSettings, L"Use Anchor Hover Color", L"No");
        ScopedRegistryValue underline(kMain, L"Anchor Underline", L"hover");
        CHLinkCtrl link;
        EXPECT_EQ(link.GetLinkColor(), RGB(0, 0, 200));
        const COLORREF defaultVisited =
            CHLinkCtrl::DefaultVisitedColor(GetSysColor(COLOR_WINDOWTEXT), GetSysColor(COLOR_WINDOW));
        EXPECT_EQ(link.GetVisitedColor(), RGB(90, 10, GetBValue(defaultVisited)));
        EXPECT_EQ(link.GetHoverColor(), RGB(0, 150, 0));
        EXPECT_FALSE(link.IsHoverEnabled());
        EXPECT_EQ(link.GetUnderlineMode(), CHLinkCtrl::kUnderlineHover);
    }
    {
        ScopedRegistryValue useHover(kSettings, L"Use Anchor Hover Color", L"yes");
        ScopedRegistryValue underline(kMain, L"Anchor Underline", L"NO");
        CHLinkCtrl link;
        EXPECT_TRUE(link.IsHoverEnabled());
        EXPECT_EQ(link.GetUnderlineMode(), CHLinkCtrl::kUnderlineNever);
    }
    {
        ScopedRegistryValue underline(kMain, L"Anchor Underline", L"whatever");
        EXPECT_EQ(CHLinkCtrl().GetUnderlineMode(), CHLinkCtrl::kUnderlineAlways);
    }
}

// --- Painting ------------------------------------------------------------------------------------------------------
TEST(HLinkCtrl, PaintsNormalHoveredAndVisitedColoursOnTheParentsBackground) {
    ScopedRegistryValue colour(kSettings, L"Anchor Color", L"0,0,200");
    ScopedRegistryValue visited(kSettings, L"Anchor Color Visited", L"120,0,120");
    ScopedRegistryValue hover(kSettings, L"Anchor Color Hover", L"200,0,0");
    LinkPage page;
    ASSERT_TRUE(page.Open());

    auto shown = CaptureWindow(page.link.GetHwnd());
    EXPECT_GT(shown.Count(RGB(0, 0, 200)), 20);
    // Transparent: the parent's colour shows around the text, not the button face.
    EXPECT_EQ(shown.At(0, 0), kDialogColour);
    EXPECT_EQ(shown.At(shown.width - 1, shown.height - 1), kDialogColour);

    page.link.Send(WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
    EXPECT_EQ(page.link.GetState(), CHLinkCtrl::kHovered);
    shown = CaptureWindow(page.link.GetHwnd());
    EXPECT_GT(shown.Count(RGB(200, 0, 0)), 20);
    EXPECT_EQ(shown.Count(RGB(0, 0, 200)), 0);
    EXPECT_EQ(shown.At(0, 0), kDialogColour);

    page.link.Send(WM_MOUSELEAVE);
    EXPECT_EQ(page.link.GetState(), CHLinkCtrl::kNormal);
    EXPECT_GT(CaptureWindow(page.link.GetHwnd()).Count(RGB(0, 0, 200)), 20);

    RecordingShell shell(true);
    page.link.Send(WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    EXPECT_EQ(page.link.GetState(), CHLinkCtrl::kVisited);
    shown = CaptureWindow(page.link.GetHwnd());
    EXPECT_GT(shown.Count(RGB(120, 0, 120)), 20);
    EXPECT_EQ(shown.Count(RGB(0, 0, 200)), 0);
}

TEST(HLinkCtrl, UnderlineModesAsPainted) {
    {
        LinkPage page; // no registry value: always underlined
        ASSERT_TRUE(page.Open());
        EXPECT_TRUE(Underlined(CaptureWindow(page.link.GetHwnd()), page.link.GetLinkColor()));
    }
    {
        ScopedRegistryValue underline(kMain, L"Anchor Underline", L"no");
        LinkPage page;
        ASSERT_TRUE(page.Open());
        EXPECT_FALSE(Underlined(CaptureWindow(page.link.GetHwnd()), page.link.GetLinkColor()));
        page.link.Send(WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
        EXPECT_FALSE(Underlined(CaptureWindow(page.link.GetHwnd()), page.link.GetHoverColor()));
    }
    {
        ScopedRegistryValue underline(kMain, L"Anchor Underline", L"hover");
        LinkPage page;
        ASSERT_TRUE(page.Open());
        const auto before = CaptureWindow(page.link.GetHwnd());
        EXPECT_GT(before.Count(page.link.GetLinkColor()), 20);
        EXPECT_FALSE(Underlined(before, page.link.GetLinkColor()));
        page.link.Send(WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
        EXPECT_TRUE(page.link.IsUnderlinedNow());
        EXPECT_TRUE(Underlined(CaptureWindow(page.link.GetHwnd()), page.link.GetHoverColor()));
        page.link.Send(WM_MOUSELEAVE);
        EXPECT_FALSE(Underlined(CaptureWindow(page.link.GetHwnd()), page.link.GetLinkColor()));
    }
}

// --- Opening -------------------------------------------------------------------------------------------------------
TEST(HLinkCtrl, AFailedOpenKeepsTheColourASuccessfulOneVisitsForGood) {
    LinkPage page;
    ASSERT_TRUE(page.Open());
    page.link.SetVerb(L"");
    {
        RecordingShell shell(false);
        page.link.Send(WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
        ASSERT_EQ(shell.requests.size(), 1u);
        EXPECT_EQ(shell.requests[0].address, "https://www.quartzmoore.com/tidyquill/");
        EXPECT_EQ(shell.requests[0].verb, "");
        EXPECT_EQ(shell.requests[0].owner, page.dialog.GetHwnd());
        EXPECT_EQ(page.link.GetState(), CHLinkCtrl::kNormal);
        EXPECT_GT(CaptureWindow(page.link.GetHwnd()).Count(page.link.GetLinkColor()), 20);
    }
    {
        // Failing while hovered: back to the normal colour when the mouse leaves.
        RecordingShell shell(false);
        page.link.Send(WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
        page.link.Send(WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
        page.link.Send(WM_MOUSELEAVE);
        EXPECT_EQ(page.link.GetState(), CHLinkCtrl::kNormal);
    }
    {
        // Succeeding while hovered: visited, and still after hovering again and leaving.
        RecordingShell shell(true);
        page.link.Send(WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
        page.link.Send(WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
        EXPECT_EQ(page.link.GetState(), CHLinkCtrl::kVisited);
        page.link.Send(WM_MOUSEMOVE, 0, MAKELPARAM(4, 4));
        EXPECT_EQ(page.link.GetState(), CHLinkCtrl::kHovered);
        page.link.Send(WM_MOUSELEAVE);
        EXPECT_EQ(page.link.GetState(), CHLinkCtrl::kVisited);
        // A later failure takes nothing back.
        shell.answer = false;
        page.link.Send(WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
        EXPECT_EQ(page.link.GetState(), CHLinkCtrl::kVisited);
        EXPECT_GT(CaptureWindow(page.link.GetHwnd()).Count(page.link.GetVisitedColor()), 20);
    }
    {
        // No address: nothing is asked of the shell.
        RecordingShell shell(true);
        page.link.SetURL(L"");
        EXPECT_FALSE(page.link.OpenLink());
        EXPECT_TRUE(shell.requests.empty());
    }
}

TEST(HLinkCtrl, TheMouseReachesTheStaticAndHoverCanBeOff) {
    ScopedRegistryValue useHover(kSettings, L"Use Anchor Hover Color", L"no");
    LinkPage page;
    ASSERT_TRUE(page.Open());
    EXPECT_EQ(page.link.Send(WM_NCHITTEST, 0, 0), HTCLIENT);
    EXPECT_EQ(page.link.Send(WM_SETCURSOR, reinterpret_cast<WPARAM>(page.link.GetHwnd()), HTCLIENT), TRUE);
    page.link.Send(WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
    EXPECT_EQ(page.link.GetState(), CHLinkCtrl::kNormal);
    // A disabled link is painted by the static itself, not in the link colour.
    page.link.Enable(false);
    EXPECT_EQ(CaptureWindow(page.link.GetHwnd()).Count(page.link.GetLinkColor()), 0);
}

// The tooltip window of this thread that has a tool for the window.
HWND TooltipOf(HWND window) {
    struct Search {
        HWND tool;
        HWND found;
    } search{window, nullptr};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND candidate, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            wchar_t name[64] = {};
            GetClassNameW(candidate, name, 64);
            TOOLINFOW tool{};
            tool.cbSize = sizeof(tool);
            tool.hwnd = s->tool;
            tool.uId = reinterpret_cast<UINT_PTR>(s->tool);
            if (lstrcmpiW(name, TOOLTIPS_CLASSW) == 0 &&
                SendMessageW(candidate, TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&tool))) {
                s->found = candidate;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

TEST(HLinkCtrl, TheTooltipShowsTheStartOfTheAddress) {
    LinkPage page;
    ASSERT_TRUE(page.Open());
    const std::wstring address = L"https://www.quartzmoore.com/" + std::wstring(100, L'a');
    page.link.SetURL(address);
    HWND tooltip = TooltipOf(page.link.GetHwnd());
    ASSERT_NE(tooltip, nullptr);

    NMTTDISPINFOW wide{};
    wide.hdr.hwndFrom = tooltip;
    wide.hdr.code = TTN_GETDISPINFOW;
    page.link.Send(WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&wide));
    ASSERT_NE(wide.lpszText, nullptr);
    EXPECT_EQ(std::wstring(wide.lpszText), address.substr(0, 79));

    NMTTDISPINFOA narrow{};
    narrow.hdr.hwndFrom = tooltip;
    narrow.hdr.code = TTN_GETDISPINFOA;
    page.link.Send(WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&narrow));
    ASSERT_NE(narrow.lpszText, nullptr);
    EXPECT_EQ(std::string(narrow.lpszText), std::string(address.begin(), address.begin() + 79));

    // Without tooltips there is no tool.
    LinkPage quiet;
    quiet.link.EnableTooltips(false);
    ASSERT_TRUE(quiet.Open());
    EXPECT_EQ(TooltipOf(quiet.link.GetHwnd()), nullptr);
}

} // namespace
