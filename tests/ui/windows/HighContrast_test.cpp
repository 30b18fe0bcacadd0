// Every window of the program under a high-contrast scheme with a black window colour: each owner-drawn control
// paints with pairs of system colours that belong together (window and window text, highlight and highlight text,
// button face and button text), never white text on a white background.
//
// Wine keeps the system colours for the whole prefix, so the scheme set here is seen by every program started
// meanwhile: the test runs alone (RUN_SERIAL) and puts the colours back when it ends.

#include "tests/ui/ControlTestSupport.h"
#include "tests/ui/MainWindowFixture.h"

#include "platform/Text.h"
#include "ui/controls/ListCtrlLog.h"
#include "ui/res/resource.h"
#include "ui/windows/AboutDlg.h"
#include "ui/windows/ProcessesDlg.h"

#include <gtest/gtest.h>

#include <array>
#include <map>
#include <vector>

using namespace testing_support;

namespace {

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);

// The high-contrast black scheme for the life of the object; the previous colours come back afterwards.
class BlackScheme {
public:
    BlackScheme() {
        for (size_t i = 0; i < kElements.size(); ++i)
            saved_[i] = GetSysColor(kElements[i]);
        const std::array<COLORREF, kElements.size()> black = {kBlack,         kWhite, kBlack,        kWhite,
                                                              RGB(0, 0, 160), kWhite, RGB(0, 255, 0)};
        SetSysColors(static_cast<int>(kElements.size()), kElements.data(), black.data());
    }
    ~BlackScheme() { SetSysColors(static_cast<int>(kElements.size()), kElements.data(), saved_.data()); }

private:
    static constexpr std::array<int, 7> kElements = {COLOR_WINDOW,    COLOR_WINDOWTEXT,    COLOR_BTNFACE, COLOR_BTNTEXT,
                                                     COLOR_HIGHLIGHT, COLOR_HIGHLIGHTTEXT, COLOR_GRAYTEXT};
    std::array<COLORREF, kElements.size()> saved_{};
};

// What a control shows in each region (client coordinates; the whole client area when none is given): mostly the
// black background and, where text is expected, some white text on it.
void ExpectWhiteOnBlack(HWND control, const char* what, std::vector<RECT> regions = {}, bool withText = true) {
    RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    control_tests::PumpMessages();
    const control_tests::Capture capture = control_tests::CaptureWindow(control);
    RECT window{};
    GetWindowRect(control, &window);
    POINT origin{0, 0};
    ClientToScreen(control, &origin);
    if (regions.empty()) {
        RECT client{};
        GetClientRect(control, &client);
        regions.push_back(client);
    }
    for (const RECT& region : regions) {
        const int left = region.left + origin.x - window.left;
        const int top = region.top + origin.y - window.top;
        const int right = region.right + origin.x - window.left;
        const int bottom = region.bottom + origin.y - window.top;
        const int all = (right - left) * (bottom - top);
        ASSERT_GT(all, 0) << what;
        EXPECT_GT(capture.CountIn(kBlack, left, top, right, bottom), all / 3)
            << what << ": the background is not the window colour at row " << region.top;
        if (withText) {
            EXPECT_GT(capture.CountIn(kWhite, left, top, right, bottom), 10)
                << what << ": no text in the window text colour at row " << region.top;
        }
    }
}

// The rectangles of a list box's items.
std::vector<RECT> ListBoxRows(HWND list) {
    std::vector<RECT> rows;
    const auto count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        RECT row{};
        SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&row));
        rows.push_back(row);
    }
    return rows;
}

// The rectangles of a list view's rows.
std::vector<RECT> ListViewRows(HWND list) {
    std::vector<RECT> rows;
    for (int i = 0; i < ListView_GetItemCount(list); ++i) {
        RECT row{};
        ListView_GetItemRect(list, i, &row, LVIR_BOUNDS);
        rows.push_back(row);
    }
    return rows;
}

} // namespace

TEST(HighContrast, EveryOwnerDrawnControlPaintsMatchingPairsOfSystemColours) {
    // The windows are open when the user switches the scheme on, as one does.
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::string program = platform::WideToUtf8(self);
    ui::CProcessesDlg processes({program, "C:\\Program Files\\Mozilla Firefox\\firefox.exe", program});
    ASSERT_TRUE(processes.Create());
    ShowWindow(processes, SW_SHOW);
    SendMessageW(GetDlgItem(processes, IDC_PROCESS_LIST), LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    ui::CAboutDlg about("Tidyquill 1.2.3", "https://www.quartzmoore.com/tidyquill/");
    ASSERT_TRUE(about.Create());
    ShowWindow(about, SW_SHOW);
    ProfileFixture fixture;
    TestMainWindow window(fixture.GetCatalogue(), fixture.GetPreferences(), "Tidyquill 1.2.3", std::string());
    ASSERT_TRUE(window.Create());
    ShowWindow(window, SW_SHOW);
    ui::CListCtrlLog& log = LogOf(window);
    log.AddLine(L"Optimizing 'default'", true);
    log.AddLine(L"places.sqlite...", false);
    control_tests::PumpMessages();

    BlackScheme scheme;
    control_tests::PumpMessages();
    const HWND processList = GetDlgItem(processes, IDC_PROCESS_LIST);
    ExpectWhiteOnBlack(processList, "running-programs list", ListBoxRows(processList));
    ExpectWhiteOnBlack(GetDlgItem(about, IDC_ABOUT_BAND), "About header band", {}, false);
    for (int id : {IDC_ABOUT_TITLE, IDC_COPYRIGHT})
        ExpectWhiteOnBlack(GetDlgItem(about, id), id == IDC_ABOUT_TITLE ? "About title" : "About copyright");
    ExpectWhiteOnBlack(GetDlgItem(window, IDC_PROFILES_TREE), "profiles tree");
    log.Show();
    ExpectWhiteOnBlack(log.GetHwnd(), "activity log");
    ExpectWhiteOnBlack(log.GetHwnd(), "activity log's rows", ListViewRows(log.GetHwnd()));
}
