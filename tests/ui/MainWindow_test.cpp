// The main window driven as a user drives it, on fixture profiles: the run from "Optimize!" to the saved log and
// back, Stop, F5 and drops during a run, the running-programs warning with a real process, closing and quitting
// during a run, and the update notice.

#include "ChildProcess.h"
#include "EngineTestSupport.h"
#include "MainWindowFixture.h"

#include "platform/Processes.h"
#include "platform/Text.h"
#include "support/FolderHelpers.h"
#include "support/ProductAddresses.h"
#include "support/StringHelpers.h"
#include "ui/resource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
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

void Click(HWND window, int id) {
    SendMessageW(GetDlgItem(window, id), BM_CLICK, 0, 0);
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
    Click(w, IDC_OPTIMIZE);
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
    Click(w, IDC_OPTIMIZE);
    EXPECT_EQ(ItemText(w, IDC_OPTIMIZE), L"Optimize!");
    EXPECT_EQ(ItemText(w, IDC_CAPTION), kIdleCaption);
    EXPECT_TRUE(IsShown(w, IDC_PROFILES_TREE));
    EXPECT_FALSE(IsShown(w, IDC_LOG_LIST));
    EXPECT_EQ(LogOf(w).GetLineCount(), 12);
    EXPECT_TRUE(IsGreyed(w, ID_SAVE_LOG));

    // Enter presses the default button: a new run empties the log first.
    Click(w, IDC_OPTIMIZE);
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

    Click(w, IDC_OPTIMIZE);
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
    Click(w, IDC_OPTIMIZE);
    Click(w, IDC_OPTIMIZE);
    ASSERT_TRUE(PumpUntil([&] { return !window->IsOptimizing(); }, window.get()));
    EXPECT_TRUE(StartsWith(LogLines(w).back().text, L"Completed in "));
}

TEST(MainWindow, RefreshDuringARunRebuildsTheHiddenTreeAndTheRunKeepsItsProfiles) {
    ProfileFixture fixture;
    auto window = OpenWindow(fixture);
    ASSERT_NE(window, nullptr);
    const HWND w = window->GetHwnd();
    CheckOnly(w, {fixture.Profile("Firefox", "default"), fixture.Profile("Chrome", "Default")});

    Click(w, IDC_OPTIMIZE);
    ASSERT_TRUE(PumpUntil([&] { return HasLineStartingWith(w, L"Optimizing 'default'"); }, window.get()));
    PostMessageW(GetDlgItem(w, IDC_LOG_LIST), WM_KEYDOWN, VK_F5, 0);
    ASSERT_TRUE(PumpUntil([&] { return !window->IsOptimizing(); }, window.get()));

    // The rebuilt tree shows the stored check marks (all profiles), still hidden; the run did its two profiles.
    EXPECT_FALSE(IsShown(w, IDC_PROFILES_TREE));
    EXPECT_EQ(TreeOf(w).GetCheckedProfiles().size(), 4u);
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
    Click(w, IDC_OPTIMIZE);
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
        Click(w, IDC_OPTIMIZE);
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
        Click(w, IDC_OPTIMIZE);
    }
    EXPECT_TRUE(stayedAfterNo);
    EXPECT_TRUE(window->IsOptimizing());
    ASSERT_TRUE(PumpUntil([&] { return !window->IsOptimizing(); }, window.get()));
    Click(w, IDC_OPTIMIZE); // back to the tree

    // Retry after the program ended: the run starts without a second warning.
    int warnings = 0;
    {
        DialogWatcher warning(caption, [&](HWND dialog) {
            ++warnings;
            process.reset(); // ends the process and waits for it
            PostMessageW(dialog, WM_COMMAND, IDC_RETRY, 0);
        });
        Click(w, IDC_OPTIMIZE);
    }
    EXPECT_EQ(warnings, 1);
    EXPECT_TRUE(window->IsOptimizing());
    ASSERT_TRUE(PumpUntil([&] { return !window->IsOptimizing(); }, window.get()));
}

// --- Closing and quitting during a run ------------------------------------------------------------------------------
TEST(MainWindow, CloseDuringARunStopsWaitsAndStoresTheCheckMarks) {
    ProfileFixture fixture(15000);
    const int rows = CountRows(fixture.FirefoxDefaultPlaces());
    auto window = OpenWindow(fixture);
    ASSERT_NE(window, nullptr);
    const HWND w = window->GetHwnd();
    CheckOnly(w, {fixture.Profile("Firefox", "default"), fixture.Profile("Chrome", "Default")});

    Click(w, IDC_OPTIMIZE);
    ASSERT_TRUE(PumpUntil([&] { return HasLineStartingWith(w, L"places.sqlite..."); }, window.get()));
    PostMessageW(w, WM_CLOSE, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(w); }, window.get()));

    EXPECT_FALSE(window->IsOptimizing());
    EXPECT_EQ(window->GetWorkerThread(), nullptr);
    EXPECT_EQ(CountRows(fixture.FirefoxDefaultPlaces()), rows);
    const std::string stored = fixture.GetPreferences().PrintDocument();
    EXPECT_NE(stored.find("checked=\"yes\" type=\"Firefox\">" + fixture.Profile("Firefox", "default")->GetPath() +
                          "</Profile>"),
              std::string::npos)
        << stored;
    EXPECT_NE(stored.find("checked=\"no\" type=\"Firefox\">" + fixture.Profile("Firefox", "work stuff")->GetPath() +
                          "</Profile>"),
              std::string::npos)
        << stored;
}

TEST(MainWindow, QuitAndEscapeDuringARunEndAfterTheWorkerWithoutStoring) {
    for (const bool escape : {false, true}) {
        ProfileFixture fixture(15000);
        auto window = OpenWindow(fixture);
        ASSERT_NE(window, nullptr);
        const HWND w = window->GetHwnd();
        CheckOnly(w, {fixture.Profile("Firefox", "default")});

        Click(w, IDC_OPTIMIZE);
        ASSERT_TRUE(PumpUntil([&] { return HasLineStartingWith(w, L"places.sqlite..."); }, window.get()));
        if (escape)
            PostMessageW(GetDlgItem(w, IDC_LOG_LIST), WM_KEYDOWN, VK_ESCAPE, 0);
        else
            PostMessageW(w, WM_COMMAND, ID_QUIT, 0);
        ASSERT_TRUE(PumpUntil([&] { return !IsWindow(w); }, window.get())) << escape;
        EXPECT_EQ(window->GetWorkerThread(), nullptr);
        EXPECT_EQ(fixture.GetPreferences().PrintDocument().find("<Profile"), std::string::npos);
    }
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

    CheckOnly(w, {fixture.Profile("Firefox", "default")});
    Click(w, IDC_OPTIMIZE);
    SendMessageW(w, versionChecked, 1, 0);
    EXPECT_TRUE(IsShown(w, IDC_UPDATE_LINK));
    EXPECT_TRUE(IsShown(w, IDC_PROGRESS));
    // The link lies above the progress bar, which leaves it out of its painting.
    EXPECT_EQ(GetWindow(GetDlgItem(w, IDC_UPDATE_LINK), GW_HWNDFIRST), GetDlgItem(w, IDC_UPDATE_LINK));
    EXPECT_TRUE(GetWindowLongW(GetDlgItem(w, IDC_PROGRESS), GWL_STYLE) & WS_CLIPSIBLINGS);
    ASSERT_TRUE(PumpUntil([&] { return !window->IsOptimizing(); }, window.get()));
    EXPECT_TRUE(IsShown(w, IDC_UPDATE_LINK));

    // A new run hides it.
    Click(w, IDC_OPTIMIZE);
    Click(w, IDC_OPTIMIZE);
    EXPECT_FALSE(IsShown(w, IDC_UPDATE_LINK));
    ASSERT_TRUE(PumpUntil([&] { return !window->IsOptimizing(); }, window.get()));
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

    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(first.hProcess, 30000), WAIT_OBJECT_0);
    DWORD firstExit = 1;
    GetExitCodeProcess(first.hProcess, &firstExit);
    EXPECT_EQ(firstExit, 0u);
    if (WaitForSingleObject(first.hProcess, 0) != WAIT_OBJECT_0)
        TerminateProcess(first.hProcess, 1);
    for (const PROCESS_INFORMATION& process : {first, second}) {
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
    const platform::ShellOpenFunction previous =
        platform::SetShellOpenFunction([&](const std::string& address, const std::string&, void*) {
            opened.push_back(address);
            return true;
        });
    auto window = OpenWindow(fixture);
    ASSERT_NE(window, nullptr);
    const HWND w = window->GetHwnd();
    ui::CBrowsersTreeCtrl& tree = TreeOf(w);

    SendMessageW(w, WM_COMMAND, ID_HOME_PAGE, 0);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], kHomePageAddress);

    // "Browse..." opens the selected profile's folder; "Delete from the list" leaves a found profile alone.
    CBrowserProfile* found = fixture.Profile("Firefox", "default");
    tree.SelectItem(tree.FindItem(found));
    SendMessageW(w, WM_COMMAND, ID_BROWSE_PROFILE, 0);
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[1], found->GetPath());
    SendMessageW(w, WM_COMMAND, ID_DELETE_PROFILE, 0);
    EXPECT_EQ(fixture.Profile("Firefox", "default"), found);

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
