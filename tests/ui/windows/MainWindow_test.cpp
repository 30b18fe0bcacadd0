// The main window driven as a user drives it, on fixture profiles: the run from "Optimize!" to the saved log and
// back, Stop, F5 and drops during a run, the running-programs warning with a real process, closing and quitting
// during a run, the update notice, and the estimate below the tree.

#include "ChildProcess.h"
#include "EngineTestSupport.h"
#include "tests/ui/MainWindowFixture.h"

#include "engine/Analysis.h"
#include "engine/Optimization.h"

#include "platform/Processes.h"
#include "platform/Text.h"
#include "support/FolderHelpers.h"
#include "support/ProductAddresses.h"
#include "support/StringHelpers.h"
#include "ui/res/resource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <thread>

using namespace testing_support;

namespace {

constexpr const wchar_t* kIdleCaption =
    L"Available profiles (please make sure that selected programs are not running):";

struct Line {
    std::wstring text;
    bool bold;
};

std::vector<Line> LogLines(HWND window) {
    ui::CListCtrlLog& log = LogOf(window);
    std::vector<Line> lines;
    for (int row = 0; row < log.GetLineCount(); ++row)
        lines.push_back({log.GetCellText(row, 1), log.IsLineBold(row)});
    return lines;
}

bool StartsWith(const std::wstring& text, const std::wstring& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

bool HasLineStartingWith(HWND window, const std::wstring& prefix) {
    const std::vector<Line> lines = LogLines(window);
    return std::any_of(lines.begin(), lines.end(), [&](const Line& line) { return StartsWith(line.text, prefix); });
}

std::wstring ItemText(HWND window, int id) {
    return WindowText(GetDlgItem(window, id));
}

bool IsShown(HWND window, int id) {
    return (GetWindowLongW(GetDlgItem(window, id), GWL_STYLE) & WS_VISIBLE) != 0;
}

// Presses and releases the left button over a control, through the window's own message filter as the modal loop
// does; the second press of a double-click arrives as a double-click message.
void MouseClick(TestMainWindow& window, int id, bool secondOfDouble = false) {
    const HWND control = GetDlgItem(window.GetHwnd(), id);
    const RECT client = ui::CWindow(control).GetClientRect();
    const LPARAM centre = MAKELPARAM(client.right / 2, client.bottom / 2);
    PostMessageW(control, secondOfDouble ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN, MK_LBUTTON, centre);
    PostMessageW(control, WM_LBUTTONUP, 0, centre);
    PumpFor(50, &window);
}

void MouseDoubleClick(TestMainWindow& window, int id) {
    MouseClick(window, id);
    MouseClick(window, id, true);
}

// Whether the command-update pass greys a command of the main menu's first popup.
bool IsGreyed(HWND window, UINT command) {
    HMENU popup = GetSubMenu(GetMenu(window), 0);
    SendMessageW(window, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), 0);
    return (GetMenuState(popup, command, MF_BYCOMMAND) & MF_GRAYED) != 0;
}

// A window on the fixture's catalogue, created and shown; no update check.
std::unique_ptr<TestMainWindow> OpenWindow(ProfileFixture& fixture) {
    auto window = std::make_unique<TestMainWindow>(fixture.GetCatalogue(), fixture.GetPreferences(), "Tidyquill 1.2.3",
                                                   std::string());
    if (!window->Create())
        return nullptr;
    ShowWindow(window->GetHwnd(), SW_SHOW);
    return window;
}

std::uint64_t TotalSize(CBrowserProfile* profile) {
    std::uint64_t total = 0;
    for (const std::string& file : profile->GetFileList())
        total += QueryFileSize(file);
    return total;
}

std::uint32_t SumOfKilobytes(CBrowserProfile* profile) {
    std::uint32_t sum = 0;
    for (const std::string& file : profile->GetFileList())
        sum += static_cast<std::uint32_t>(QueryFileSize(file) >> 10);
    return sum;
}

// Holds the control key down for this thread while it lives, as the key filter sees it.
class ControlKeyDown {
public:
    ControlKeyDown() { SetControl(0x80); }
    ~ControlKeyDown() { SetControl(0); }

private:
    static void SetControl(BYTE state) {
        BYTE keys[256] = {};
        GetKeyboardState(keys);
        keys[VK_CONTROL] = state;
        keys[VK_LCONTROL] = state;
        SetKeyboardState(keys);
    }
};

} // namespace

// --- The scenario: two profiles of two programs, the run, the saved log, back to the tree --------------------------
TEST(MainWindow, RunsTheCheckedProfilesShowsTheLogSavesItAndGoesBack) {
    ProfileFixture fixture;
    auto window = OpenWindow(fixture);
    ASSERT_NE(window, nullptr);
    const HWND w = window->GetHwnd();

    // Idle.
    EXPECT_EQ(WindowText(w), L"Tidyquill 1.2.3");
    EXPECT_EQ(ItemText(w, IDC_CAPTION), kIdleCaption);
    EXPECT_EQ(ItemText(w, IDC_OPTIMIZE), L"Optimize!");
    EXPECT_TRUE(IsShown(w, IDC_PROFILES_TREE));
    EXPECT_FALSE(IsShown(w, IDC_LOG_LIST));
    EXPECT_FALSE(IsShown(w, IDC_PROGRESS));
    EXPECT_FALSE(IsGreyed(w, ID_OPTIMIZE));
    EXPECT_FALSE(IsGreyed(w, ID_ADD_CUSTOM_PROFILE));
    EXPECT_TRUE(IsGreyed(w, ID_SAVE_LOG));

    // Nothing checked: the button is disabled, the menu command does nothing.
    CheckOnly(w, {});
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(w, IDC_OPTIMIZE)));
    SendMessageW(w, WM_COMMAND, ID_OPTIMIZE, 0);
    EXPECT_FALSE(window->IsOptimizing());

    CBrowserProfile* work = fixture.Profile("Firefox", "work stuff");
    CBrowserProfile* chrome = fixture.Profile("Chrome", "Default");
    ASSERT_NE(work, nullptr);
    ASSERT_NE(chrome, nullptr);
    CheckOnly(w, {work, chrome});
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(w, IDC_OPTIMIZE)));
    const std::uint32_t rangeKb = static_cast<std::uint32_t>((TotalSize(work) + TotalSize(chrome)) >> 10);
    const std::uint32_t endKb = SumOfKilobytes(work) + SumOfKilobytes(chrome);

    // Running: the worker cannot pass its first line before this thread serves it.
    ClickOptimize(*window);
    EXPECT_TRUE(window->IsOptimizing());
    EXPECT_EQ(ItemText(w, IDC_CAPTION), L"Optimization progress:");
    EXPECT_EQ(ItemText(w, IDC_OPTIMIZE), L"Stop");
    EXPECT_TRUE(IsShown(w, IDC_PROGRESS));
    EXPECT_FALSE(IsShown(w, IDC_PROFILES_TREE));
    EXPECT_TRUE(IsShown(w, IDC_LOG_LIST));
    EXPECT_TRUE(IsGreyed(w, ID_OPTIMIZE));
    EXPECT_TRUE(IsGreyed(w, ID_ADD_CUSTOM_PROFILE));
    EXPECT_TRUE(IsGreyed(w, ID_SAVE_LOG));
    // Ctrl+S during a run does nothing.
    {
        ControlKeyDown control;
        MSG key{GetDlgItem(w, IDC_LOG_LIST), WM_KEYDOWN, 'S', 0, 0, {}};
        EXPECT_TRUE(window->FilterKey(key));
    }

    ASSERT_TRUE(PumpUntil([&] { return !window->IsOptimizing(); }, window.get()));

    // The lines in order with their bold flags.
    const std::vector<Line> lines = LogLines(w);
    ASSERT_EQ(lines.size(), 12u);
    const std::wstring workPath = platform::Utf8ToWide(work->GetPath());
    const std::wstring chromePath = platform::Utf8ToWide(chrome->GetPath());
    const std::vector<std::pair<std::wstring, bool>> expected = {{L"Starting optimization", false},
                                                                 {L"Optimizing 'work stuff'", true},
                                                                 {L"Path: " + workPath, false},
                                                                 {L"places.sqlite...", false},
                                                                 {L"Optimized 1 files, new size: ", false},
                                                                 {L"Optimizing 'Default'", true},
                                                                 {L"Path: " + chromePath, false},
                                                                 {L"", false},
                                                                 {L"", false},
                                                                 {L"Optimized 2 files, new size: ", false},
                                                                 {L"Total: optimized 3 files, new size: ", false},
                                                                 {L"Completed in ", true}};
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_TRUE(StartsWith(lines[i].text, expected[i].first)) << i << ": " << lines[i].text.c_str();
        EXPECT_EQ(lines[i].bold, expected[i].second) << i;
    }
    EXPECT_EQ((std::set<std::wstring>{lines[7].text, lines[8].text}),
              (std::set<std::wstring>{L"Cookies...", L"History..."}));

    // The bar reached the sum of the files' kilobytes, within the range of the whole selection.
    const HWND progress = GetDlgItem(w, IDC_PROGRESS);
    EXPECT_EQ(SendMessageW(progress, PBM_GETPOS, 0, 0), static_cast<LRESULT>(endKb));
    EXPECT_EQ(SendMessageW(progress, PBM_GETRANGE, FALSE, 0), static_cast<LRESULT>(rangeKb));

    // Finished.
    EXPECT_EQ(ItemText(w, IDC_OPTIMIZE), L"Optimize again");
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(w, IDC_OPTIMIZE)));
    EXPECT_FALSE(IsShown(w, IDC_PROGRESS));
    EXPECT_TRUE(IsShown(w, IDC_LOG_LIST));
    EXPECT_EQ(ItemText(w, IDC_CAPTION), L"Optimization progress:");
    EXPECT_EQ(window->GetWorkerThread(), nullptr);
    EXPECT_FALSE(IsGreyed(w, ID_SAVE_LOG));
    EXPECT_TRUE(IsGreyed(w, ID_OPTIMIZE));

    // Ctrl+S asks for a file and writes the log there.
    const std::string saved = fixture.TempPath("saved log.txt");
    {
        DialogWatcher save(L"Save As", [&](HWND dialog) {
            SendMessageW(GetDlgItem(dialog, 0x47c), WM_SETTEXT, 0,
                         reinterpret_cast<LPARAM>(platform::Utf8ToWide(saved).c_str()));
            PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        });
        ControlKeyDown control;
        PostMessageW(GetDlgItem(w, IDC_LOG_LIST), WM_KEYDOWN, 'S', 0);
        EXPECT_TRUE(PumpUntil([&] { return PathExists(saved); }, window.get(), 30000));
    }
    EXPECT_EQ(ReadFile(saved), LogOf(w).FormatLog());
    EXPECT_NE(ReadFile(saved).find("\tStarting optimization\n"), std::string::npos);

    // "Optimize again": the tree comes back, the log keeps its lines until the next run.
    ClickOptimize(*window);
    EXPECT_EQ(ItemText(w, IDC_OPTIMIZE), L"Optimize!");
    EXPECT_EQ(ItemText(w, IDC_CAPTION), kIdleCaption);
    EXPECT_TRUE(IsShown(w, IDC_PROFILES_TREE));
    EXPECT_FALSE(IsShown(w, IDC_LOG_LIST));
    EXPECT_EQ(LogOf(w).GetLineCount(), 12);
    EXPECT_TRUE(IsGreyed(w, ID_SAVE_LOG));

    // Enter presses the default button: a new run empties the log first.
    ClickOptimize(*window);
    EXPECT_EQ(LogOf(w).GetLineCount(), 0);
    ASSERT_TRUE(PumpUntil([&] { return !window->IsOptimizing(); }, window.get()));
    EXPECT_EQ(LogOf(w).GetLineCount(), 12);
}

// --- Stop, F5 and Enter during a run ------------------------------------------------------------------------------
TEST(MainWindow, StopDuringALongVacuumEndsTheRunAndLeavesTheDatabaseWhole) {
    ProfileFixture fixture(20000);
    const int rows = CountRows(fixture.FirefoxDefaultPlaces());
    auto window = OpenWindow(fixture);
    ASSERT_NE(window, nullptr);
    const HWND w = window->GetHwnd();
    CheckOnly(w, {fixture.Profile("Firefox", "default"), fixture.Profile("Chrome", "Default")});

    ClickOptimize(*window);
    ASSERT_TRUE(PumpUntil([&] { return HasLineStartingWith(w, L"places.sqlite..."); }, window.get()));
    // Enter reaches the default button, which reads "Stop".
    PostMessageW(GetDlgItem(w, IDC_LOG_LIST), WM_KEYDOWN, VK_RETURN, 0);
    ASSERT_TRUE(PumpUntil([&] { return !window->IsOptimizing(); }, window.get()));

    const std::vector<Line> lines = LogLines(w);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back().text, L"Operation terminated");
    EXPECT_TRUE(lines.back().bold);
    EXPECT_FALSE(HasLineStartingWith(w, L"Optimizing 'Default'"));
    EXPECT_FALSE(HasLineStartingWith(w, L"Total:"));
    EXPECT_EQ(ItemText(w, IDC_OPTIMIZE), L"Optimize again");
    EXPECT_EQ(CountRows(fixture.FirefoxDefaultPlaces()), rows);

    // The stop signal was reset: the next run completes.
    ClickOptimize(*window);
    ClickOptimize(*window);
    ASSERT_TRUE(PumpUntil([&] { return !window->IsOptimizing(); }, window.get()));
    EXPECT_TRUE(StartsWith(LogLines(w).back().text, L"Completed in "));
}

TEST(MainWindow, RefreshDuringARunRebuildsTheHiddenTreeAndTheRunKeepsItsProfiles) {
    ProfileFixture fixture;
    auto window = OpenWindow(fixture);
    ASSERT_NE(window, nullptr);
    const HWND w = window->GetHwnd();
    CheckOnly(w, {fixture.Profile("Firefox", "default"), fixture.Profile("Chrome", "Default")});

    ClickOptimize(*window);
    ASSERT_TRUE(PumpUntil([&] { return HasLineStartingWith(w, L"Optimizing 'default'"); }, window.get()));
    PostMessageW(GetDlgItem(w, IDC_LOG_LIST), WM_KEYDOWN, VK_F5, 0);
    ASSERT_TRUE(PumpUntil([&] { return !window->IsOptimizing(); }, window.get()));

    // The rebuilt tree shows the marks the user set, still hidden; the run did its two profiles.
    EXPECT_FALSE(IsShown(w, IDC_PROFILES_TREE));
    EXPECT_EQ(TreeOf(w).GetCheckedProfiles(), (std::vector<CBrowserProfile*>{fixture.Profile("Firefox", "default"),
                                                                             fixture.Profile("Chrome", "Default")}));
    EXPECT_TRUE(HasLineStartingWith(w, L"Optimizing 'Default'"));
    EXPECT_FALSE(HasLineStartingWith(w, L"Optimizing 'work stuff'"));
    EXPECT_TRUE(HasLineStartingWith(w, L"Total: optimized 4 files"));
}

// --- Folder drops
// -----------------------------------------------------------------------------------------------------
TEST(MainWindow, ADropUsesTheFirstFolderRefusesFilesAndIsIgnoredDuringARun) {
    ProfileFixture fixture;
    const std::string portable = fixture.TempPath("portable profile");
    WriteFile(Join({portable, "bookmarks.html"}), "<html></html>");
    const std::string other = fixture.TempPath("other");
    MakeFolder(other);
    const std::string file = fixture.TempPath("notes.txt");
    WriteFile(file, "x");

    auto window = OpenWindow(fixture);
    ASSERT_NE(window, nullptr);
    const HWND w = window->GetHwnd();

    // Three folders: the dialog opens with the first; "Add" makes it a Firefox profile in the tree.
    std::wstring shownPath;
    {
        DialogWatcher add(L"Add custom profile", [&](HWND dialog) {
            shownPath = WindowText(GetDlgItem(dialog, IDC_PROFILE_PATH));
            PostMessageW(dialog, WM_COMMAND, IDC_ADD, 0);
        });
        PostMessageW(w, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({portable, other, file})), 0);
        PumpFor(300, window.get());
        EXPECT_TRUE(
            PumpUntil([&] { return add.Seen() && FindDialog(L"Add custom profile") == nullptr; }, window.get()));
    }
    EXPECT_EQ(shownPath, platform::Utf8ToWide(portable));
    CBrowserProfile* added = fixture.Profile("Firefox", "portable profile");
    ASSERT_NE(added, nullptr);
    EXPECT_TRUE(added->custom);
    EXPECT_NE(TreeOf(w).FindItem(added), nullptr);

    // A file: the message, nothing else.
    std::wstring message;
    {
        DialogWatcher box(L"Tidyquill", [&](HWND dialog) {
            message = StaticTexts(dialog);
            PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        });
        PostMessageW(w, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({file, portable})), 0);
        EXPECT_TRUE(PumpUntil([&] { return box.Seen() && FindDialog(L"Tidyquill") == nullptr; }, window.get()));
    }
    EXPECT_NE(message.find(L"You can only drag a folder containing supported browser/program profile."),
              std::wstring::npos);

    // During a run: ignored.
    CheckOnly(w, {fixture.Profile("Firefox", "default")});
    ClickOptimize(*window);
    {
        DialogWatcher none(
            L"Add custom profile", [](HWND dialog) { PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0); }, 1500);
        PostMessageW(w, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({other})), 0);
        ASSERT_TRUE(PumpUntil([&] { return !window->IsOptimizing(); }, window.get()));
        PumpFor(1600, window.get());
        EXPECT_FALSE(none.Seen());
    }
}

// --- The running-programs warning with a real process -------------------------------------------------------------
TEST(MainWindow, RunningProgramsWarningRetriesCancelsAndIgnoresOnlyWhenSure) {
    ProfileFixture fixture;
    const std::string folder = fixture.TempPath("Mozilla Firefox");
    MakeFolder(folder);
    const std::string executable = Join({folder, "firefox.exe"});
    std::filesystem::copy_file(platform::PathFromUtf8(EngineHelperPath()), platform::PathFromUtf8(executable));

    auto window = OpenWindow(fixture);
    ASSERT_NE(window, nullptr);
    const HWND w = window->GetHwnd();
    CheckOnly(w, {fixture.Profile("Firefox", "work stuff")});
    const std::wstring caption = L"Tidyquill - Running Programs Warning";

    auto process = std::make_unique<ChildProcess>();
    ASSERT_TRUE(process->Start(executable, {"wait"}));

    // Cancel: no run.
    std::wstring listed;
    {
        DialogWatcher warning(caption, [&](HWND dialog) {
            const HWND list = GetDlgItem(dialog, IDC_PROCESS_LIST);
            wchar_t text[1024] = {};
            SendMessageW(list, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(text));
            listed = text;
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        });
        ClickOptimize(*window);
    }
    EXPECT_TRUE(EqualsNoCase(platform::WideToUtf8(listed), executable)) << platform::WideToUtf8(listed);
    EXPECT_FALSE(window->IsOptimizing());
    EXPECT_EQ(ItemText(w, IDC_OPTIMIZE), L"Optimize!");

    // Ignore, answered No: the dialog stays; then Yes: the run starts although the process runs.
    bool stayedAfterNo = false;
    {
        DialogWatcher warning(caption, [&](HWND dialog) {
            {
                DialogWatcher sure(L"Tidyquill", [](HWND box) {
                    EXPECT_NE(StaticTexts(box).find(L"Are you sure?"), std::wstring::npos);
                    PostMessageW(box, WM_COMMAND, IDNO, 0);
                });
                PostMessageW(dialog, WM_COMMAND, IDC_IGNORE, 0);
            }
            Sleep(200);
            stayedAfterNo = IsWindow(dialog) && IsWindowVisible(dialog);
            DialogWatcher sure(L"Tidyquill", [](HWND box) { PostMessageW(box, WM_COMMAND, IDYES, 0); });
            PostMessageW(dialog, WM_COMMAND, IDC_IGNORE, 0);
        });
        ClickOptimize(*window);
    }
    EXPECT_TRUE(stayedAfterNo);
    EXPECT_TRUE(window->IsOptimizing());
    ASSERT_TRUE(PumpUntil([&] { return !window->IsOptimizing(); }, window.get()));
    ClickOptimize(*window); // back to the tree

    // Retry after the program ended: the run starts without a second warning.
    int warnings = 0;
    {
        DialogWatcher warning(caption, [&](HWND dialog) {
            ++warnings;
            process.reset(); // ends the process and waits for it
            PostMessageW(dialog, WM_COMMAND, IDC_RETRY, 0);
        });
        ClickOptimize(*window);
    }
    EXPECT_EQ(warnings, 1);
    EXPECT_TRUE(window->IsOptimizing());
    ASSERT_TRUE(PumpUntil([&] { return !window->IsOptimizing(); }, window.get()));
}

// --- Every way out keeps the session's choices ---------------------------------------------------------------------
namespace {

// What the preferences hold for a profile: checked="yes" or "no", or nothing when it has no element.
std::string StoredMark(const std::string& document, const CBrowserProfile* profile) {
    const std::string end = "\">" + profile->GetPath() + "</Profile>";
    const size_t at = document.find(end);
    if (at == std::string::npos)
        return {};
    const size_t checked = document.rfind("checked=\"", at);
    return document.substr(checked + 9, document.find('"', checked + 9) - checked - 9);
}

} // namespace

TEST(MainWindow, EveryWayOutStopsTheRunAndStoresTheChecksAndCustomProfiles) {
    // The close box, Alt+F4 (the system menu's close), the menu's Quit and Escape, each during a run.
    const std::vector<std::pair<const char*, std::function<void(HWND)>>> ways = {
        {"close box", [](HWND w) { PostMessageW(w, WM_CLOSE, 0, 0); }},
        {"Alt+F4", [](HWND w) { PostMessageW(w, WM_SYSCOMMAND, SC_CLOSE, 0); }},
        {"Quit", [](HWND w) { PostMessageW(w, WM_COMMAND, ID_QUIT, 0); }},
        {"Escape", [](HWND w) { PostMessageW(GetDlgItem(w, IDC_LOG_LIST), WM_KEYDOWN, VK_ESCAPE, 0); }},
    };
    for (const auto& [way, leave] : ways) {
        // A large database keeps the run going while the first way out is taken; the others take their way out
        // whether the run still goes or has ended, which a smaller one makes quicker.
        ProfileFixture fixture(way == ways.front().first ? 15000 : 3000);
        const int rows = CountRows(fixture.FirefoxDefaultPlaces());
        const std::string portable = fixture.TempPath("portable");
        WriteFile(Join({portable, "bookmarks.html"}), "x");
        CBrowserProfile* custom =
            fixture.GetCatalogue().AddCustomProfile(portable, fixture.GetCatalogue().FindProgramByName("Firefox"));
        auto window = OpenWindow(fixture);
        ASSERT_NE(window, nullptr);
        const HWND w = window->GetHwnd();
        CheckOnly(w, {fixture.Profile("Firefox", "default"), custom});

        ClickOptimize(*window);
        ASSERT_TRUE(PumpUntil([&] { return HasLineStartingWith(w, L"places.sqlite..."); }, window.get())) << way;
        leave(w);
        ASSERT_TRUE(PumpUntil([&] { return !IsWindow(w); }, window.get())) << way;

        EXPECT_EQ(window->GetWorkerThread(), nullptr) << way;
        EXPECT_EQ(CountRows(fixture.FirefoxDefaultPlaces()), rows) << way;
        const std::string stored = fixture.GetPreferences().PrintDocument();
        EXPECT_EQ(StoredMark(stored, fixture.Profile("Firefox", "default")), "yes") << way << stored;
        EXPECT_EQ(StoredMark(stored, fixture.Profile("Firefox", "work stuff")), "no") << way << stored;
        EXPECT_EQ(StoredMark(stored, custom), "yes") << way << stored;
        EXPECT_NE(stored.find("custom=\"yes\""), std::string::npos) << way << stored;
    }
}

TEST(MainWindow, TheEndOfTheSessionStopsTheRunSaysWhyAndWritesThePreferences) {
    // Windows asks first (logoff, a restart for updates), then ends the process right after WM_ENDSESSION returns:
    // the run is stopped at a safe point meanwhile, and the file written before that return.
    ProfileFixture fixture(15000);
    const int rows = CountRows(fixture.FirefoxDefaultPlaces());
    auto window = OpenWindow(fixture);
    ASSERT_NE(window, nullptr);
    const HWND w = window->GetHwnd();
    CheckOnly(w, {fixture.Profile("Firefox", "default")});
    const std::string path = fixture.GetPreferences().GetPreferencesPath();
    ASSERT_FALSE(PathExists(path));

    // Idle, the session may end at once and nothing is held up.
    EXPECT_EQ(SendMessageW(w, WM_QUERYENDSESSION, 0, 0), TRUE);
    EXPECT_TRUE(window->GetShutdownBlockReason().empty());
    SendMessageW(w, WM_ENDSESSION, FALSE, 0); // another program refused: nothing happens

    ClickOptimize(*window);
    ASSERT_TRUE(PumpUntil([&] { return HasLineStartingWith(w, L"places.sqlite..."); }, window.get()));
    EXPECT_EQ(SendMessageW(w, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
    EXPECT_FALSE(window->GetShutdownBlockReason().empty());
    SendMessageW(w, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    EXPECT_FALSE(window->IsOptimizing());
    EXPECT_EQ(LogLines(w).back().text, L"Operation terminated");
    EXPECT_TRUE(window->GetShutdownBlockReason().empty());
    EXPECT_EQ(CountRows(fixture.FirefoxDefaultPlaces()), rows);
    const std::string written = ReadFile(path);
    EXPECT_EQ(StoredMark(written, fixture.Profile("Firefox", "default")), "yes") << written;
    EXPECT_EQ(StoredMark(written, fixture.Profile("Chrome", "Default")), "no") << written;
}

// --- The user's choices: kept through every rebuild, and the run takes exactly what the guard checked -------------
TEST(MainWindow, MarksLiveWithTheirProfilesThroughRefreshesDropsAndDeletions) {
    ProfileFixture fixture;
    auto window = OpenWindow(fixture);
    ASSERT_NE(window, nullptr);
    const HWND w = window->GetHwnd();
    CBrowserProfile* work = fixture.Profile("Firefox", "work stuff");
    CBrowserProfile* chrome = fixture.Profile("Chrome", "Default");
    ui::CBrowsersTreeCtrl& tree = TreeOf(w);
    // Unticked by the user with the space key on the selected item.
    for (CBrowserProfile* profile : {fixture.Profile("Firefox", "default"), fixture.Profile("Pale Moon", "default")}) {
        tree.SelectItem(tree.FindItem(profile));
        tree.Send(WM_KEYDOWN, VK_SPACE, 0);
    }
    const std::vector<CBrowserProfile*> chosen = {work, chrome};
    ASSERT_EQ(tree.GetCheckedProfiles(), chosen);

    // F5, a folder dropped and added as a custom profile, and that profile deleted again: each rebuilds the tree.
    MSG f5{GetDlgItem(w, IDC_PROFILES_TREE), WM_KEYDOWN, VK_F5, 0, 0, {}};
    EXPECT_TRUE(window->FilterKey(f5));
    EXPECT_EQ(tree.GetCheckedProfiles(), chosen);
    const std::string portable = fixture.TempPath("portable");
    WriteFile(Join({portable, "bookmarks.html"}), "x");
    {
        DialogWatcher add(L"Add custom profile", [](HWND dialog) { PostMessageW(dialog, WM_COMMAND, IDC_ADD, 0); });
        PostMessageW(w, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({portable})), 0);
        ASSERT_TRUE(PumpUntil([&] { return fixture.Profile("Firefox", "portable") != nullptr; }, window.get()));
    }
    CBrowserProfile* added = fixture.Profile("Firefox", "portable");
    tree.SelectItem(tree.FindItem(added));
    tree.Send(WM_KEYDOWN, VK_SPACE, 0); // the new profile comes checked: unticked here
    EXPECT_EQ(tree.GetCheckedProfiles(), chosen);
    tree.SelectItem(tree.FindItem(added));
    SendMessageW(w, WM_COMMAND, ID_DELETE_PROFILE, 0);
    EXPECT_EQ(tree.GetCheckedProfiles(), chosen);

    // The run compacts those two, and closing stores them.
    ClickOptimize(*window);
    ASSERT_TRUE(PumpUntil([&] { return !window->IsOptimizing(); }, window.get()));
    EXPECT_TRUE(HasLineStartingWith(w, L"Optimizing 'work stuff'"));
    EXPECT_TRUE(HasLineStartingWith(w, L"Optimizing 'Default'"));
    EXPECT_FALSE(HasLineStartingWith(w, L"Optimizing 'default'"));
    PostMessageW(w, WM_CLOSE, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(w); }, window.get()));
    const std::string stored = fixture.GetPreferences().PrintDocument();
    EXPECT_EQ(StoredMark(stored, fixture.Profile("Firefox", "default")), "no");
    EXPECT_EQ(StoredMark(stored, work), "yes");
    EXPECT_EQ(StoredMark(stored, chrome), "yes");
    EXPECT_EQ(stored.find("portable"), std::string::npos) << stored;
}

TEST(MainWindow, TheRunTakesExactlyTheProfilesTheGuardChecked) {
    ProfileFixture fixture;
    const std::string folder = fixture.TempPath("Mozilla Firefox");
    MakeFolder(folder);
    const std::string executable = Join({folder, "firefox.exe"});
    std::filesystem::copy_file(platform::PathFromUtf8(EngineHelperPath()), platform::PathFromUtf8(executable));
    ChildProcess firefox;
    ASSERT_TRUE(firefox.Start(executable, {"wait"}));

    auto window = OpenWindow(fixture);
    ASSERT_NE(window, nullptr);
    const HWND w = window->GetHwnd();
    CBrowserProfile* work = fixture.Profile("Firefox", "work stuff");
    CBrowserProfile* chrome = fixture.Profile("Chrome", "Default");
    CheckOnly(w, {work});
    const HWND tree = GetDlgItem(w, IDC_PROFILES_TREE);
    const HTREEITEM chromeItem = TreeOf(w).FindItem(chrome);

    // While the warning is open, the user's tick on Chrome's profile, a refresh and a drop arrive; then Ignore.
    {
        DialogWatcher warning(L"Tidyquill - Running Programs Warning", [&](HWND dialog) {
            SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(chromeItem));
            PostMessageW(tree, WM_KEYDOWN, VK_SPACE, 0);
            PostMessageW(w, WM_COMMAND, ID_REFRESH, 0);
            PostMessageW(w, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({fixture.TempPath("Mozilla Firefox")})), 0);
            Sleep(300);
            DialogWatcher sure(L"Tidyquill", [](HWND box) { PostMessageW(box, WM_COMMAND, IDYES, 0); });
            PostMessageW(dialog, WM_COMMAND, IDC_IGNORE, 0);
        });
        ClickOptimize(*window);
    }
    ASSERT_TRUE(window->IsOptimizing());
    ASSERT_TRUE(PumpUntil([&] { return !window->IsOptimizing(); }, window.get()));
    EXPECT_TRUE(HasLineStartingWith(w, L"Optimizing 'work stuff'"));
    EXPECT_FALSE(HasLineStartingWith(w, L"Optimizing 'Default'"));
    // The tick is kept for the next run; the drop during the check was ignored.
    EXPECT_TRUE(chrome->checked);
    EXPECT_EQ(FindDialog(L"Add custom profile"), nullptr);
}

// --- One click is one command ---------------------------------------------------------------------------------------
TEST(MainWindow, TheSecondClickOfADoubleClickOrAHeldEnterDoesNotUndoTheFirst) {
    ProfileFixture fixture(5000);
    auto window = OpenWindow(fixture);
    ASSERT_NE(window, nullptr);
    const HWND w = window->GetHwnd();
    CheckOnly(w, {fixture.Profile("Firefox", "default")});

    // A double-click on "Optimize!" with the mouse: the run starts and goes on; Enter held down repeats its
    // key-down, which stops nothing either.
    MouseDoubleClick(*window, IDC_OPTIMIZE);
    EXPECT_TRUE(window->IsOptimizing());
    EXPECT_FALSE(window->AcceptsOptimizeClick());
    MSG repeated{GetDlgItem(w, IDC_LOG_LIST), WM_KEYDOWN, VK_RETURN, 1 | (1 << 30), 0, {}};
    EXPECT_TRUE(window->FilterKey(repeated));
    ASSERT_TRUE(PumpUntil([&] { return !window->IsOptimizing(); }, window.get()));
    EXPECT_TRUE(StartsWith(LogLines(w).back().text, L"Completed in "));

    // A double-click on "Optimize again" (a while after it showed): back to the tree, and no new run.
    PumpUntil([&] { return window->AcceptsOptimizeClick(); }, window.get(), 5000);
    MouseDoubleClick(*window, IDC_OPTIMIZE);
    EXPECT_FALSE(window->IsOptimizing());
    EXPECT_EQ(ItemText(w, IDC_OPTIMIZE), L"Optimize!");

    // A click once the system's double-click time has passed is a command of its own: it starts a run, and the
    // next one stops it. The first run compacted the database: it is made anew, larger, so that this run lasts
    // past the double-click time.
    std::filesystem::remove(platform::PathFromUtf8(fixture.FirefoxDefaultPlaces()));
    MakeDatabase(fixture.FirefoxDefaultPlaces(), 20000, 1000, 2);
    PumpUntil([&] { return window->AcceptsOptimizeClick(); }, window.get(), 5000);
    MouseClick(*window, IDC_OPTIMIZE);
    ASSERT_TRUE(window->IsOptimizing());
    PumpUntil([&] { return window->AcceptsOptimizeClick(); }, window.get(), 5000);
    MouseClick(*window, IDC_OPTIMIZE);
    ASSERT_TRUE(PumpUntil([&] { return !window->IsOptimizing(); }, window.get()));
    EXPECT_EQ(LogLines(w).back().text, L"Operation terminated");
}

// --- A monitor of another DPI
// ------------------------------------------------------------------------------------------
namespace {

// What the window's sizes are at one DPI.
struct WindowSizes {
    RECT window{};
    std::vector<RECT> controls;
    int stateImage = 0;
    int itemImage = 0;
    LONG fontHeight = 0;
    LONG boldHeight = 0;
    UINT menuIcon = 0;
    int smallIcon = 0;
    int stripWidth = 0;
    int logRow = 0;
};

int ImageSize(HIMAGELIST images) {
    int width = 0;
    int height = 0;
    ImageList_GetIconSize(images, &width, &height);
    return width;
}

LONG FontHeight(HFONT font) {
    LOGFONTW description{};
    GetObjectW(font, sizeof(description), &description);
    return description.lfHeight < 0 ? -description.lfHeight : description.lfHeight;
}

WindowSizes Measure(HWND w) {
    WindowSizes sizes;
    GetWindowRect(w, &sizes.window);
    for (HWND child = GetWindow(w, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
        sizes.controls.push_back(ui::CWindow(child).GetRectInParent());
    ui::CBrowsersTreeCtrl& tree = TreeOf(w);
    sizes.stateImage = ImageSize(tree.GetStateImageList());
    sizes.itemImage = ImageSize(tree.GetNormalImageList());
    sizes.fontHeight = FontHeight(reinterpret_cast<HFONT>(SendMessageW(tree, WM_GETFONT, 0, 0)));
    sizes.boldHeight = FontHeight(LogOf(w).GetBoldFont());
    MEASUREITEMSTRUCT measure{};
    measure.CtlType = ODT_MENU;
    measure.itemID = ID_QUIT;
    SendMessageW(w, WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure));
    sizes.menuIcon = measure.itemWidth;
    ICONINFO icon{};
    if (GetIconInfo(reinterpret_cast<HICON>(SendMessageW(w, WM_GETICON, ICON_SMALL, 0)), &icon)) {
        BITMAP shape{};
        GetObjectW(icon.hbmColor != nullptr ? icon.hbmColor : icon.hbmMask, sizeof(shape), &shape);
        sizes.smallIcon = shape.bmWidth;
        DeleteObject(icon.hbmColor);
        DeleteObject(icon.hbmMask);
    }
    BITMAP strip{};
    GetObjectW(reinterpret_cast<HBITMAP>(SendDlgItemMessageW(w, IDC_ADS_STRIP, STM_GETIMAGE, IMAGE_BITMAP, 0)),
               sizeof(strip), &strip);
    sizes.stripWidth = strip.bmWidth;
    RECT row{};
    ListView_GetItemRect(GetDlgItem(w, IDC_LOG_LIST), 0, &row, LVIR_BOUNDS);
    sizes.logRow = row.bottom - row.top;
    return sizes;
}

bool Near(int actual, int expected) {
    return actual >= expected - 1 && actual <= expected + 1;
}

} // namespace

TEST(MainWindow, OnAMonitorOfAnotherDpiEverythingTakesItsSizeAndComesBackWhole) {
    // Wine has one DPI: the message a per-monitor aware window gets when it moves to another monitor is sent here.
    ProfileFixture fixture;
    auto window = OpenWindow(fixture);
    ASSERT_NE(window, nullptr);
    const HWND w = window->GetHwnd();
    LogOf(w).AddLine(L"Starting optimization", true);
    const int dpi = window->GetDpi();
    const WindowSizes before = Measure(w);
    const int larger = dpi * 3 / 2;
    const auto scaled = [&](int length) { return MulDiv(length, larger, dpi); };
    RECT suggested = before.window;
    suggested.right = suggested.left + scaled(before.window.right - before.window.left);
    suggested.bottom = suggested.top + scaled(before.window.bottom - before.window.top);

    SendMessageW(w, WM_DPICHANGED, MAKEWPARAM(larger, larger), reinterpret_cast<LPARAM>(&suggested));
    const WindowSizes after = Measure(w);
    EXPECT_EQ(window->GetDpi(), larger);
    EXPECT_TRUE(EqualRect(&after.window, &suggested));
    ASSERT_EQ(after.controls.size(), before.controls.size());
    for (size_t i = 0; i < before.controls.size(); ++i) {
        EXPECT_TRUE(Near(after.controls[i].left, scaled(before.controls[i].left))) << i;
        EXPECT_TRUE(Near(after.controls[i].bottom, scaled(before.controls[i].bottom))) << i;
    }
    const int smallIcon = ui::GetSystemMetricForDpi(SM_CXSMICON, larger);
    EXPECT_EQ(after.stateImage, smallIcon);
    EXPECT_EQ(after.itemImage, smallIcon);
    EXPECT_EQ(after.menuIcon, static_cast<UINT>(smallIcon));
    EXPECT_EQ(after.smallIcon, smallIcon);
    EXPECT_TRUE(Near(after.fontHeight, scaled(before.fontHeight))) << after.fontHeight;
    EXPECT_EQ(after.boldHeight, after.fontHeight);
    EXPECT_TRUE(Near(after.stripWidth, scaled(before.stripWidth))) << after.stripWidth;
    EXPECT_GT(after.logRow, before.logRow);

    // Back on the first monitor, every control is where it was, whatever the rounding on the way.
    SendMessageW(w, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&before.window));
    const WindowSizes back = Measure(w);
    for (size_t i = 0; i < before.controls.size(); ++i)
        EXPECT_TRUE(EqualRect(&back.controls[i], &before.controls[i])) << i;
    EXPECT_EQ(back.stateImage, before.stateImage);
    EXPECT_EQ(back.itemImage, before.itemImage);
    EXPECT_EQ(back.fontHeight, before.fontHeight);
    EXPECT_EQ(back.stripWidth, before.stripWidth);
    EXPECT_EQ(back.smallIcon, before.smallIcon);
}

// --- The update notice
// ------------------------------------------------------------------------------------------------
TEST(MainWindow, AnUpdateNoticeShowsTheLinkAlsoOverTheProgressRow) {
    ProfileFixture fixture;
    auto window = OpenWindow(fixture);
    ASSERT_NE(window, nullptr);
    const HWND w = window->GetHwnd();
    const UINT versionChecked = ui::WM_VERSION_CHECKED;

    EXPECT_FALSE(IsShown(w, IDC_UPDATE_LINK));
    SendMessageW(w, versionChecked, 0, 0);
    EXPECT_FALSE(IsShown(w, IDC_UPDATE_LINK));
    // The dialog manager's own messages are no update notice (DM_SETDEFID is WM_USER + 1).
    SendMessageW(w, DM_SETDEFID, IDC_OPTIMIZE, 0);
    EXPECT_FALSE(IsShown(w, IDC_UPDATE_LINK));

    CheckOnly(w, {fixture.Profile("Firefox", "default")});
    ClickOptimize(*window);
    SendMessageW(w, versionChecked, 1, 0);
    EXPECT_TRUE(IsShown(w, IDC_UPDATE_LINK));
    EXPECT_TRUE(IsShown(w, IDC_PROGRESS));
    // The link lies above the progress bar, which leaves it out of its painting.
    EXPECT_EQ(GetWindow(GetDlgItem(w, IDC_UPDATE_LINK), GW_HWNDFIRST), GetDlgItem(w, IDC_UPDATE_LINK));
    EXPECT_TRUE(GetWindowLongW(GetDlgItem(w, IDC_PROGRESS), GWL_STYLE) & WS_CLIPSIBLINGS);
    ASSERT_TRUE(PumpUntil([&] { return !window->IsOptimizing(); }, window.get()));
    EXPECT_TRUE(IsShown(w, IDC_UPDATE_LINK));

    // A new run hides it.
    ClickOptimize(*window);
    ClickOptimize(*window);
    EXPECT_FALSE(IsShown(w, IDC_UPDATE_LINK));
    ASSERT_TRUE(PumpUntil([&] { return !window->IsOptimizing(); }, window.get()));
}

// --- The estimate below the tree ------------------------------------------------------------------------------------
namespace {

RECT ControlRect(HWND window, int id) {
    return ui::CWindow(GetDlgItem(window, id)).GetRectInParent();
}

// The line as the user sees it: empty while hidden.
std::wstring EstimateLine(HWND window) {
    return IsShown(window, IDC_ESTIMATE) ? ItemText(window, IDC_ESTIMATE) : std::wstring();
}

// The line for these profiles, from the engine's figures read now.
std::wstring ExpectedEstimate(const std::vector<CBrowserProfile*>& profiles) {
    std::vector<ProfileToEstimate> described;
    for (const CBrowserProfile* profile : profiles)
        described.push_back(DescribeProfile(*profile));
    std::uint64_t size = 0, reclaimable = 0;
    EstimateProfiles(described, nullptr, [&](ProfileEstimate&& estimate) {
        size += estimate.size;
        reclaimable += estimate.reclaimable;
    });
    return L"About " + platform::Utf8ToWide(FormatFileSize(reclaimable)) + L" of " +
           platform::Utf8ToWide(FormatFileSize(size)) + L" can be reclaimed from the checked profiles.";
}

} // namespace

TEST(MainWindow, TheEstimateFollowsTheMarksAtOnceAndIsReadAnewAfterRefreshesAndRuns) {
    ProfileFixture fixture;
    auto window = OpenWindow(fixture);
    ASSERT_NE(window, nullptr);
    const HWND w = window->GetHwnd();
    CBrowserProfile* firefox = fixture.Profile("Firefox", "default");
    CBrowserProfile* chrome = fixture.Profile("Chrome", "Default");
    const std::wstring estimating = L"Estimating\u2026";

    // Opening the window reads no file: the estimate starts once the window has shown.
    CheckOnly(w, {firefox});
    EXPECT_EQ(EstimateLine(w), estimating);
    ASSERT_TRUE(PumpUntil([&] { return !window->IsEstimating(); }, window.get()));
    const std::wstring firefoxBefore = ExpectedEstimate({firefox});
    EXPECT_EQ(EstimateLine(w), firefoxBefore);
    EXPECT_FALSE(StartsWith(firefoxBefore, L"About 0 ")) << "the fixture's databases are fragmented";

    // Every change of the marks shows at once, from the figures in memory; nothing checked, no line.
    CheckOnly(w, {firefox, chrome});
    EXPECT_EQ(EstimateLine(w), ExpectedEstimate({firefox, chrome}));
    CheckOnly(w, {});
    EXPECT_EQ(EstimateLine(w), L"");
    EXPECT_FALSE(IsShown(w, IDC_ESTIMATE));

    // A refresh reads the figures anew, and a refresh in the middle leaves nothing of the estimate it cancelled.
    CheckOnly(w, {chrome});
    window->Send(WM_COMMAND, ID_REFRESH);
    EXPECT_EQ(EstimateLine(w), estimating);
    PumpFor(15, window.get());
    window->Send(WM_COMMAND, ID_REFRESH);
    ASSERT_TRUE(PumpUntil([&] { return !window->IsEstimating(); }, window.get()));
    EXPECT_EQ(EstimateLine(w), ExpectedEstimate({chrome}));

    // With the update notice, the line starts after the notice's text and still ends with the tree.
    SendMessageW(w, ui::WM_VERSION_CHECKED, 1, 0);
    const RECT tree = ControlRect(w, IDC_PROFILES_TREE);
    RECT line = ControlRect(w, IDC_ESTIMATE);
    EXPECT_GT(line.left, ControlRect(w, IDC_UPDATE_LINK).left + 50);
    EXPECT_EQ(line.right, tree.right);
    EXPECT_TRUE(GetWindowLongW(GetDlgItem(w, IDC_ESTIMATE), GWL_STYLE) & SS_ENDELLIPSIS);

    // Hidden with the tree during a run and after it; the run's gains show once the tree is back.
    CheckOnly(w, {firefox});
    ClickOptimize(*window);
    EXPECT_TRUE(window->IsOptimizing());
    EXPECT_FALSE(IsShown(w, IDC_ESTIMATE));
    ASSERT_TRUE(PumpUntil([&] { return !window->IsOptimizing() && !window->IsEstimating(); }, window.get()));
    EXPECT_FALSE(IsShown(w, IDC_ESTIMATE));
    ClickOptimize(*window); // "Optimize again": back to the tree
    const std::wstring firefoxAfter = ExpectedEstimate({firefox});
    EXPECT_NE(firefoxAfter, firefoxBefore);
    EXPECT_EQ(EstimateLine(w), firefoxAfter);
    // The update notice went with the run: the line is aligned with the tree again.
    line = ControlRect(w, IDC_ESTIMATE);
    EXPECT_EQ(line.left, tree.left);
}

// --- One copy at a time ---------------------------------------------------------------------------------------------
namespace {

// The real program, started without arguments. A failed start is retried a few times and reported with the
// system's error, so that a passing hiccup of the process start-up is told apart from a program that cannot start.
bool StartProgram(PROCESS_INFORMATION& started) {
    const std::wstring program = platform::Utf8ToWide(TIDYQUILL_PROGRAM);
    DWORD error = 0;
    for (int attempt = 0; attempt < 5; ++attempt) {
        std::wstring commandLine = L"\"" + program + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        if (CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                           &started))
            return true;
        error = GetLastError();
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }
    ADD_FAILURE() << "cannot start " << TIDYQUILL_PROGRAM << ": error " << error;
    return false;
}

// Turns the update check of the programs started in this prefix off while it lives (no test reaches the network).
class UpdateCheckOff {
public:
    UpdateCheckOff() {
        RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key_, nullptr);
        const DWORD off = 0;
        RegSetValueExW(key_, L"UpdateCheck", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&off), sizeof(off));
    }
    ~UpdateCheckOff() {
        RegDeleteValueW(key_, L"UpdateCheck");
        RegCloseKey(key_);
    }

private:
    static constexpr const wchar_t* kKey = L"Software\\Quartzmoore Software\\Tidyquill";
    HKEY key_ = nullptr;
};

} // namespace

TEST(MainWindow, ASecondCopyBringsTheFirstCopysWindowBackAndEnds) {
    UpdateCheckOff updateCheckOff;
    PROCESS_INFORMATION first{};
    ASSERT_TRUE(StartProgram(first));
    HWND window = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (window = FindProcessDialog(first.dwProcessId)) != nullptr; }, nullptr, 30000));
    EXPECT_EQ(WindowText(window).rfind(L"Tidyquill ", 0), 0u);

    ShowWindow(window, SW_MINIMIZE);
    EXPECT_TRUE(PumpUntil([&] { return IsIconic(window) != FALSE; }, nullptr, 5000));

    PROCESS_INFORMATION second{};
    ASSERT_TRUE(StartProgram(second));
    EXPECT_EQ(WaitForSingleObject(second.hProcess, 30000), WAIT_OBJECT_0);
    DWORD secondExit = 1;
    GetExitCodeProcess(second.hProcess, &secondExit);
    EXPECT_EQ(secondExit, 0u);
    EXPECT_TRUE(PumpUntil([&] { return IsIconic(window) == FALSE; }, nullptr, 10000));

    // With a modal dialog open (About), that dialog comes forward, not the main window disabled behind it.
    PostMessageW(window, WM_COMMAND, ID_ABOUT, 0);
    const std::wstring aboutCaption = L"About Tidyquill";
    HWND about = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (about = FindProcessDialog(first.dwProcessId, &aboutCaption)) != nullptr; },
                          nullptr, 10000));
    const HWND other = CreateWindowExW(0, L"Static", L"other", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                                       nullptr, nullptr);
    SetForegroundWindow(other);
    ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == other; }, nullptr, 5000));
    PROCESS_INFORMATION third{};
    ASSERT_TRUE(StartProgram(third));
    EXPECT_EQ(WaitForSingleObject(third.hProcess, 30000), WAIT_OBJECT_0);
    EXPECT_TRUE(PumpUntil([&] { return GetForegroundWindow() == about; }, nullptr, 10000));
    DestroyWindow(other);
    PostMessageW(about, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(about); }, nullptr, 10000));

    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(first.hProcess, 30000), WAIT_OBJECT_0);
    DWORD firstExit = 1;
    GetExitCodeProcess(first.hProcess, &firstExit);
    EXPECT_EQ(firstExit, 0u);
    if (WaitForSingleObject(first.hProcess, 0) != WAIT_OBJECT_0)
        TerminateProcess(first.hProcess, 1);
    for (const PROCESS_INFORMATION& process : {first, second, third}) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
}

TEST(MainWindow, MinimisedItPaintsAndDragsItsOwnBigIcon) {
    ProfileFixture fixture(10);
    auto window = OpenWindow(fixture);
    ASSERT_NE(window, nullptr);
    const HWND w = window->GetHwnd();
    const auto bigIcon = SendMessageW(w, WM_GETICON, ICON_BIG, 0);
    EXPECT_NE(bigIcon, 0);
    EXPECT_EQ(SendMessageW(w, WM_QUERYDRAGICON, 0, 0), bigIcon);

    ShowWindow(w, SW_MINIMIZE);
    ASSERT_TRUE(PumpUntil([&] { return IsIconic(w) != FALSE; }, window.get(), 5000));
    RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    EXPECT_FALSE(GetUpdateRect(w, nullptr, FALSE)); // the minimised paint validated the window
    ShowWindow(w, SW_RESTORE);
    EXPECT_TRUE(PumpUntil([&] { return IsIconic(w) == FALSE; }, window.get(), 5000));
    EXPECT_TRUE(IsShown(w, IDC_PROFILES_TREE));
}

// --- Menu and tree commands
// -------------------------------------------------------------------------------------------
TEST(MainWindow, MenuAndTreeCommandsOpenAddressesAndRemoveOnlyCustomProfiles) {
    ProfileFixture fixture;
    const std::string portable = fixture.TempPath("portable");
    WriteFile(Join({portable, "bookmarks.html"}), "x");
    CBrowserProfile* custom =
        fixture.GetCatalogue().AddCustomProfile(portable, fixture.GetCatalogue().FindProgramByName("Firefox"));
    ASSERT_NE(custom, nullptr);
    std::vector<std::string> opened;
    const platform::ShellOpenFunction previous = platform::SetShellOpenFunction(
        [&](const std::string& address, const std::string& verb, void*, const std::string& parameters) {
            opened.push_back(address + "|" + verb + "|" + parameters);
            return true;
        });
    auto window = OpenWindow(fixture);
    ASSERT_NE(window, nullptr);
    const HWND w = window->GetHwnd();
    ui::CBrowsersTreeCtrl& tree = TreeOf(w);

    SendMessageW(w, WM_COMMAND, ID_HOME_PAGE, 0);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], std::string(kHomePageAddress) + "|open|");

    // "Browse..." starts the file manager with the selected profile's folder (without its closing separator);
    // "Delete from the list" leaves a found profile alone.
    CBrowserProfile* found = fixture.Profile("Firefox", "default");
    tree.SelectItem(tree.FindItem(found));
    SendMessageW(w, WM_COMMAND, ID_BROWSE_PROFILE, 0);
    ASSERT_EQ(opened.size(), 2u);
    std::string folder = found->GetPath();
    folder.pop_back();
    EXPECT_EQ(opened[1], "explorer.exe|open|\"" + folder + "\"");
    SendMessageW(w, WM_COMMAND, ID_DELETE_PROFILE, 0);
    EXPECT_EQ(fixture.Profile("Firefox", "default"), found);

    // A profile whose folder is gone is never handed to the shell: the window says so instead.
    std::filesystem::remove_all(platform::PathFromUtf8(portable));
    tree.SelectItem(tree.FindItem(custom));
    std::wstring message;
    {
        DialogWatcher box(L"Tidyquill", [&](HWND dialog) {
            message = StaticTexts(dialog);
            PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        });
        SendMessageW(w, WM_COMMAND, ID_BROWSE_PROFILE, 0);
    }
    EXPECT_EQ(opened.size(), 2u);
    EXPECT_NE(message.find(L"does not exist"), std::wstring::npos) << message;

    // A custom profile goes, from the catalogue and the tree.
    tree.SelectItem(tree.FindItem(custom));
    SendMessageW(w, WM_COMMAND, ID_DELETE_PROFILE, 0);
    EXPECT_EQ(fixture.Profile("Firefox", "portable"), nullptr);
    EXPECT_EQ(tree.GetCheckedProfiles().size(), 4u);

    // "Add custom profile..." opens the dialog empty; cancelled, nothing changes.
    std::wstring shownPath = L"?";
    {
        DialogWatcher add(L"Add custom profile", [&](HWND dialog) {
            shownPath = WindowText(GetDlgItem(dialog, IDC_PROFILE_PATH));
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        });
        SendMessageW(w, WM_COMMAND, ID_ADD_CUSTOM_PROFILE, 0);
    }
    EXPECT_EQ(shownPath, L"");
    platform::SetShellOpenFunction(previous);
}
