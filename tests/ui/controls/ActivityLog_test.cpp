// The activity log: adding lines with their times and bold flags, the newest line in view, bold painting, paths
// shortened in the middle, drag selection, the last column filling the width, and the saved file's exact bytes.

#include "tests/ui/ControlHost.h"

#include "TestSupport.h"
#include "platform/Text.h"

#include <gtest/gtest.h>

#include <cwctype>

using namespace testing_support;

namespace {

class ActivityLog : public ::testing::Test {
protected:
    void SetUp() override {
        host.tree.Show(false);
        RECT client = host.log.GetClientRect();
        host.log.CreateColumns(client.right);
    }

    // Dark pixels of a row's picture between two x positions.
    int Ink(int row, int left, int right) {
        int width = 0;
        int height = 0;
        const std::vector<std::uint32_t> pixels = PrintClient(host.log.GetHwnd(), width, height);
        RECT bounds{};
        ListView_GetItemRect(host.log.GetHwnd(), row, &bounds, LVIR_BOUNDS);
        int count = 0;
        for (int y = std::max(0, static_cast<int>(bounds.top)); y < std::min(height, static_cast<int>(bounds.bottom));
             ++y)
            for (int x = std::max(0, left); x < std::min(width, right); ++x) {
                const std::uint32_t pixel = pixels[static_cast<size_t>(y * width + x)];
                const int brightness =
                    static_cast<int>(((pixel >> 16) & 0xFF) + ((pixel >> 8) & 0xFF) + (pixel & 0xFF));
                count += brightness < 3 * 128 ? 1 : 0;
            }
        return count;
    }

    ControlHost host;
    TempFolder temp;
};

bool LooksLikeTime(const std::wstring& text) {
    return text.size() == 8 && text[2] == L':' && text[5] == L':' && std::iswdigit(text[0]) && std::iswdigit(text[1]) &&
           std::iswdigit(text[3]) && std::iswdigit(text[4]) && std::iswdigit(text[6]) && std::iswdigit(text[7]);
}

} // namespace

// --- Lines ---------------------------------------------------------------------------------------------------------
TEST_F(ActivityLog, LinesKeepTheirTimeMessageAndFlagAndTheNewestStaysInView) {
    EXPECT_EQ(ListView_GetColumnWidth(host.log.GetHwnd(), 0) + ListView_GetColumnWidth(host.log.GetHwnd(), 1),
              host.log.GetClientRect().right);
    for (int line = 0; line < 60; ++line)
        host.log.AddLine(L"line " + std::to_wstring(line), line % 3 == 0);
    ASSERT_EQ(host.log.GetLineCount(), 60);
    EXPECT_TRUE(LooksLikeTime(host.log.GetCellText(59, 0))) << platform::WideToUtf8(host.log.GetCellText(59, 0));
    EXPECT_EQ(host.log.GetCellText(59, 1), L"line 59");
    EXPECT_TRUE(host.log.IsLineBold(57));
    EXPECT_FALSE(host.log.IsLineBold(58));
    // The newest row is fully visible.
    const int top = ListView_GetTopIndex(host.log.GetHwnd());
    EXPECT_GT(top, 0);
    EXPECT_LE(59, top + ListView_GetCountPerPage(host.log.GetHwnd()) - 1);

    // After clearing, each new row has its own flag.
    host.log.DeleteAllLines();
    host.log.AddLine(L"plain", false);
    host.log.AddLine(L"bold", true);
    EXPECT_FALSE(host.log.IsLineBold(0));
    EXPECT_TRUE(host.log.IsLineBold(1));
    EXPECT_FALSE(host.log.IsLineBold(2));
    ListView_DeleteAllItems(host.log.GetHwnd());
    host.log.AddLine(L"plain again", false);
    EXPECT_FALSE(host.log.IsLineBold(0));
}

TEST_F(ActivityLog, ABoldRowPaintsItsMessageBoldAndItsTimeNormal) {
    const std::wstring message = L"Completed in 1.25 seconds";
    host.log.AddLine(L"12:34:56", message, true);
    host.log.AddLine(L"12:34:56", message, false);
    const int split = ListView_GetColumnWidth(host.log.GetHwnd(), 0);
    const int end = host.log.GetClientRect().right;
    const int boldTime = Ink(0, 0, split);
    EXPECT_GT(boldTime, 0);
    EXPECT_EQ(boldTime, Ink(1, 0, split));
    EXPECT_GT(Ink(0, split, end), Ink(1, split, end) * 11 / 10);
}

TEST_F(ActivityLog, APathIsShortenedInTheMiddleOtherTextsAtTheEnd) {
    HDC dc = GetDC(host.log.GetHwnd());
    SelectObject(dc, reinterpret_cast<HFONT>(host.log.Send(WM_GETFONT)));
    const std::wstring path = L"C:\\Users\\someone\\AppData\\Local\\Google\\Chrome\\User Data\\Default\\History";
    const std::wstring shown = ui::CListCtrlLog::FitCellText(dc, path, 200, true);
    EXPECT_LT(shown.size(), path.size());
    EXPECT_EQ(shown.rfind(L"C:\\", 0), 0u);
    EXPECT_NE(shown.find(L"..."), std::wstring::npos);
    EXPECT_EQ(shown.substr(shown.size() - 8), L"\\History");
    // Wide enough: untouched. The time column and a text without a backslash are cut only when drawn.
    EXPECT_EQ(ui::CListCtrlLog::FitCellText(dc, path, 4000, true), path);
    EXPECT_EQ(ui::CListCtrlLog::FitCellText(dc, path, 200, false), path);
    const std::wstring sentence(300, L'x');
    EXPECT_EQ(ui::CListCtrlLog::FitCellText(dc, sentence, 200, true), sentence);
    // A final name wider than the cell cannot be shortened as a path; the text stays for the end cut.
    const std::wstring longName = L"C:\\" + std::wstring(200, L'n');
    EXPECT_EQ(ui::CListCtrlLog::FitCellText(dc, longName, 100, true).substr(0, 3), L"C:\\");
    ReleaseDC(host.log.GetHwnd(), dc);

    // Painted, the row holds ink up to its end but not past the cell.
    host.log.AddLine(path + path, false);
    EXPECT_GT(Ink(0, ListView_GetColumnWidth(host.log.GetHwnd(), 0), host.log.GetClientRect().right), 0);
}

TEST_F(ActivityLog, DraggingWithTheButtonHeldSelectsTheRowUnderTheCursorAndResizingFillsTheWidth) {
    for (int line = 0; line < 5; ++line)
        host.log.AddLine(L"line", false);
    RECT row{};
    ListView_GetItemRect(host.log.GetHwnd(), 3, &row, LVIR_BOUNDS);
    host.log.Send(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(20, (row.top + row.bottom) / 2));
    EXPECT_EQ(ListView_GetNextItem(host.log.GetHwnd(), -1, LVNI_SELECTED), 3);
    EXPECT_EQ(ListView_GetSelectedCount(host.log.GetHwnd()), 1u);
    host.log.Send(WM_MOUSEMOVE, 0, MAKELPARAM(20, row.top - 2));
    EXPECT_EQ(ListView_GetNextItem(host.log.GetHwnd(), -1, LVNI_SELECTED), 3);

    SetWindowPos(host.log.GetHwnd(), nullptr, 0, 0, 500, 200, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_GE(ListView_GetColumnWidth(host.log.GetHwnd(), 0) + ListView_GetColumnWidth(host.log.GetHwnd(), 1),
              host.log.GetClientRect().right - 1);
}

// --- The saved file ------------------------------------------------------------------------------------------------
TEST_F(ActivityLog, TheSavedFileHoldsOneLineFeedEndedLinePerRowInTheCodePage) {
    CPINFOEXW codePage{};
    ASSERT_TRUE(GetCPInfoExW(CP_THREAD_ACP, 0, &codePage));
    if (codePage.CodePage == CP_UTF8)
        GTEST_SKIP() << "the thread's code page holds every character";
    host.log.AddLine(L"10:00:00", L"Starting optimization", false);
    host.log.AddLine(L"10:00:01", L"", true);
    host.log.AddLine(L"10:00:02", L"Optimizing 'a\x4E2D\x263A'", false);
    const std::string path = Join({temp.Path(), "log.txt"});
    WriteFile(path, std::string(500, 'z')); // replaced, not overwritten in place
    ASSERT_TRUE(host.log.SaveLog(ui::Widen(path)));
    const std::string substitute(1, static_cast<char>(codePage.DefaultChar[0]));
    EXPECT_EQ(ReadFile(path), "10:00:00\tStarting optimization\n"
                              "10:00:01\t\t\n"
                              "10:00:02\tOptimizing 'a" +
                                  substitute + substitute + "'\n");
    // Characters the code page has are written in it, not as UTF-8.
    host.log.DeleteAllLines();
    host.log.AddLine(L"10:00:03", L"caf\xE9", false);
    ASSERT_TRUE(host.log.SaveLog(ui::Widen(path)));
    const std::string saved = ReadFile(path);
    EXPECT_EQ(saved.size(), std::string("10:00:03\tcaf?\n").size());

    // A long message is saved whole.
    host.log.DeleteAllLines();
    const std::wstring longMessage = L"Path: C:\\" + std::wstring(5000, L'd') + L"\\History";
    host.log.AddLine(L"10:00:04", longMessage, false);
    ASSERT_TRUE(host.log.SaveLog(ui::Widen(path)));
    EXPECT_EQ(ReadFile(path), "10:00:04\t" + platform::WideToUtf8(longMessage) + "\n");

    EXPECT_FALSE(host.log.SaveLog(ui::Widen(Join({temp.Path(), "no such folder", "log.txt"}))));
}
