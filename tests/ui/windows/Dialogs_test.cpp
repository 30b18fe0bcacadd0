// The four smaller dialogs: the command line shown for the checked profiles (and that it selects exactly them when
// run), copying it, the custom-profile dialog's recognition and refusals, the running-programs list and the About
// box's title.

#include "tests/ui/MainWindowFixture.h"

#include "app/CommandLine.h"
#include "platform/Text.h"
#include "support/FolderHelpers.h"
#include "support/VersionInfo.h"
#include "ui/controls/IconComboBox.h"
#include "ui/res/resource.h"
#include "ui/windows/AboutDlg.h"
#include "ui/windows/CommandLineDlg.h"
#include "ui/windows/CustomProfileDlg.h"
#include "ui/windows/ProcessesDlg.h"

#include <gtest/gtest.h>

#include <shellapi.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <set>

using namespace testing_support;

namespace {

// The profiles a command line selects when the command-line mode reads it: every argument after the program path.
std::set<CBrowserProfile*> SelectedBy(Catalogue& catalogue, const std::string& commandLine, std::string& program) {
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(platform::Utf8ToWide(commandLine).c_str(), &count);
    std::set<CBrowserProfile*> selected;
    for (int i = 0; i < count; ++i) {
        const std::string argument = platform::WideToUtf8(arguments[i]);
        if (i == 0) {
            program = argument;
            continue;
        }
        for (CBrowserProfile* profile : ParseProfileArgument(catalogue, argument))
            selected.insert(profile);
    }
    LocalFree(arguments);
    return selected;
}

std::wstring ClipboardText() {
    std::wstring text;
    if (!OpenClipboard(nullptr))
        return L"<not opened>";
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = chars;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

void SetClipboardText(const std::wstring& text) {
    ASSERT_TRUE(ui::CopyTextToClipboard(nullptr, text));
}

// Keeps the clipboard open on a thread of its own while it lives, so that nobody else can open it.
class ClipboardHolder {
public:
    ClipboardHolder() {
        thread_ = std::thread([this] {
            const bool opened = OpenClipboard(nullptr) != FALSE;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                opened_ = opened;
                ready_ = true;
            }
            changed_.notify_all();
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, [this] { return release_; });
            if (opened)
                CloseClipboard();
        });
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return ready_; });
    }
    ~ClipboardHolder() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            release_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }
    bool Opened() const { return opened_; }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool ready_ = false, release_ = false, opened_ = false;
    std::thread thread_;
};

} // namespace

// --- The command line for the checked profiles --------------------------------------------------------------------
TEST(CommandLineDialog, ArgumentsWithBlanksAreQuotedAndEachLineSelectsExactlyItsProfiles) {
    ProfileFixture fixture;
    Catalogue& catalogue = fixture.GetCatalogue();
    const std::string portable = fixture.TempPath("my profiles") + "\\portable one";
    WriteFile(Join({portable, "bookmarks.html"}), "x");
    const std::string trailing = fixture.TempPath("plain") + "\\";
    WriteFile(trailing + "bookmarks.html", "x");
    CBrowserProfile* custom = catalogue.AddCustomProfile(portable, catalogue.FindProgramByName("Firefox"));
    CBrowserProfile* customWithBackslash = catalogue.AddCustomProfile(trailing, catalogue.FindProgramByName("Firefox"));
    ASSERT_NE(custom, nullptr);
    ASSERT_NE(customWithBackslash, nullptr);
    CBrowserProfile* work = fixture.Profile("Firefox", "work stuff");
    CBrowserProfile* paleMoon = fixture.Profile("Pale Moon", "default");
    CBrowserProfile* chrome = fixture.Profile("Chrome", "Default");
    // Programs after the sixteen are written by their names like any other, quoted where the name holds a blank.
    CBrowserProfile* edge =
        catalogue.FindProgramByName("Edge")->AddProfile(fixture.TempPath("Edge User Data"), "Default", false);
    CBrowserProfile* operaGx =
        catalogue.FindProgramByName("Opera GX")->AddProfile(fixture.TempPath("Opera GX Stable"), "Default", false);

    const std::string program = "C:\\Program Files\\Tidyquill\\Tidyquill.exe";
    EXPECT_EQ(ui::BuildCommandLineText(program, {}), "No profiles selected");
    EXPECT_EQ(ui::BuildCommandLineText("C:\\T\\Tidyquill.exe", {chrome}), "C:\\T\\Tidyquill.exe /Chrome:Default ");
    EXPECT_EQ(ui::BuildCommandLineText("C:\\T\\Tidyquill.exe", {edge, operaGx}),
              "C:\\T\\Tidyquill.exe /Edge:Default \"/Opera GX:Default\" ");
    EXPECT_EQ(ui::BuildCommandLineText(program, {custom, paleMoon, work}),
              "\"" + program + "\" /Firefox:\"" + portable + "\" \"/Pale Moon:default\" \"/Firefox:work stuff\" ");
    EXPECT_EQ(ui::BuildCommandLineText(program, {customWithBackslash}),
              "\"" + program + "\" /Firefox:\"" + trailing + "\\\" ");

    const std::vector<std::vector<CBrowserProfile*>> selections = {{chrome},
                                                                   {paleMoon},
                                                                   {work, custom},
                                                                   {customWithBackslash, chrome, paleMoon},
                                                                   {custom, customWithBackslash},
                                                                   {chrome, edge, operaGx}};
    for (const auto& selection : selections) {
        const std::string line = ui::BuildCommandLineText(program, selection);
        std::string shownProgram;
        EXPECT_EQ(SelectedBy(catalogue, line, shownProgram),
                  std::set<CBrowserProfile*>(selection.begin(), selection.end()))
            << line;
        EXPECT_EQ(shownProgram, program) << line;
    }
}

TEST(CommandLineDialog, QuotingFollowsTheSystemsArgumentSplitting) {
    EXPECT_EQ(ui::QuoteArgument("/Chrome:Default"), "/Chrome:Default");
    EXPECT_EQ(ui::QuoteArgument(""), "\"\"");
    EXPECT_EQ(ui::QuoteArgument("a \"b\" c"), "\"a \\\"b\\\" c\"");
    EXPECT_EQ(ui::QuoteArgument("x&y"), "\"x&y\"");
    EXPECT_EQ(ui::QuoteArgument("C:\\a b\\", true), "\"C:\\a b\\\\\"");
    EXPECT_EQ(ui::QuoteArgument("C:\\a\\\"b", true), "\"C:\\a\\\\\\\"b\"");
}

TEST(CommandLineDialog, ShowsTheTextsAndCopiesOnlyWhenThereIsALine) {
    ProfileFixture fixture;
    {
        // Nothing checked: the line says so and "Copy" does nothing.
        ui::CCommandLineDlg dialog({});
        ASSERT_TRUE(dialog.Create());
        EXPECT_EQ(WindowText(GetDlgItem(dialog, IDC_CURRENT_COMMAND_LINE)), L"No profiles selected");
        EXPECT_EQ(WindowText(GetDlgItem(dialog, IDC_COMMAND_LINE_HELP))
                      .rfind(L"Tidyquill command line parameters:\n\n/<program_name>:<profile_name> - optimize", 0),
                  0u);
        SetClipboardText(L"before");
        DialogWatcher box(
            L"Tidyquill", [](HWND shown) { PostMessageW(shown, WM_COMMAND, IDOK, 0); }, 1000);
        SendMessageW(GetDlgItem(dialog, IDC_COPY), BM_CLICK, 0, 0);
        PumpFor(1200);
        EXPECT_FALSE(box.Seen());
        EXPECT_EQ(ClipboardText(), L"before");
    }
    ui::CCommandLineDlg dialog({fixture.Profile("Pale Moon", "default")});
    ASSERT_TRUE(dialog.Create());
    const std::wstring line = WindowText(GetDlgItem(dialog, IDC_CURRENT_COMMAND_LINE));
    EXPECT_NE(line.find(L" \"/Pale Moon:default\" "), std::wstring::npos);
    {
        std::wstring message;
        DialogWatcher box(L"Tidyquill", [&](HWND shown) {
            message = StaticTexts(shown);
            PostMessageW(shown, WM_COMMAND, IDOK, 0);
        });
        SendMessageW(GetDlgItem(dialog, IDC_COPY), BM_CLICK, 0, 0);
        EXPECT_TRUE(PumpUntil([&] { return box.Seen(); }));
        EXPECT_NE(message.find(L"Done"), std::wstring::npos);
    }
    EXPECT_EQ(ClipboardText(), line);

    // The clipboard is held elsewhere: no "Done", the warning instead, and the clipboard unchanged.
    SetClipboardText(L"before");
    std::wstring message;
    {
        ClipboardHolder holder;
        ASSERT_TRUE(holder.Opened());
        DialogWatcher box(L"Tidyquill", [&](HWND shown) {
            message = StaticTexts(shown);
            PostMessageW(shown, WM_COMMAND, IDOK, 0);
        });
        SendMessageW(GetDlgItem(dialog, IDC_COPY), BM_CLICK, 0, 0);
        EXPECT_TRUE(PumpUntil([&] { return box.Seen(); }));
    }
    EXPECT_NE(message.find(L"The command line could not be copied to the clipboard."), std::wstring::npos);
    EXPECT_EQ(message.find(L"Done"), std::wstring::npos);
    EXPECT_EQ(ClipboardText(), L"before");
}

// --- Add custom profile
// -----------------------------------------------------------------------------------------------
TEST(CustomProfileDialog, TypingEnablesAddOnlyForARecognisedFolderAndKnownFoldersAreRefused) {
    ProfileFixture fixture;
    Catalogue& catalogue = fixture.GetCatalogue();
    const std::string portable = fixture.TempPath("portable");
    WriteFile(Join({portable, "bookmarks.html"}), "x");

    ui::CCustomProfileDlg dialog(catalogue, "");
    ASSERT_TRUE(dialog.Create());
    const HWND edit = GetDlgItem(dialog, IDC_PROFILE_PATH);
    const HWND add = GetDlgItem(dialog, IDC_ADD);
    const HWND list = GetDlgItem(dialog, IDC_PROGRAM_LIST);
    EXPECT_EQ(SendMessageW(list, CB_GETCOUNT, 0, 0), 22);
    // The programs after the sixteen come last, in the table's order, each with its icon.
    auto* programs = dynamic_cast<ui::CIconComboBox*>(ui::CControl::FromHandle(list));
    ASSERT_NE(programs, nullptr);
    const wchar_t* const later[] = {L"Edge", L"Opera GX", L"Waterfox", L"LibreWolf", L"Floorp", L"Zen"};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(programs->GetItemText(16 + i), later[i]);
        EXPECT_NE(programs->GetItemIcon(16 + i), nullptr) << i;
    }
    EXPECT_FALSE(IsWindowEnabled(list));
    EXPECT_TRUE(IsWindowEnabled(add)); // as the template has it, before anything was typed

    // Letter by letter: only the whole folder's name is recognised; the last recognised folder stays accepted.
    const std::wstring wide = platform::Utf8ToWide(portable);
    for (size_t length = 1; length <= wide.size() + 1; ++length) {
        const std::wstring typed = length <= wide.size() ? wide.substr(0, length) : wide + L"x";
        SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(typed.c_str()));
        const bool whole = typed == wide;
        EXPECT_EQ(IsWindowEnabled(add) != FALSE, whole) << length;
        EXPECT_EQ(IsWindowEnabled(GetDlgItem(dialog, IDC_DETECTED_LABEL)) != FALSE, whole) << length;
        EXPECT_EQ(SendMessageW(list, CB_GETCURSEL, 0, 0), whole ? 0 : CB_ERR) << length; // Firefox comes first
    }
    EXPECT_EQ(dialog.GetPath(), portable);

    // Chrome's "User Data" folder is known already, also with a trailing separator and in other letters.
    std::string chrome = fixture.User().ProgramFolder("Chrome") + "\\";
    std::transform(chrome.begin(), chrome.end(), chrome.begin(), [](char c) { return static_cast<char>(toupper(c)); });
    std::wstring message;
    {
        DialogWatcher box(L"Tidyquill", [&](HWND shown) {
            message = StaticTexts(shown);
            PostMessageW(shown, WM_COMMAND, IDOK, 0);
        });
        const std::wstring typed = platform::Utf8ToWide(chrome);
        SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(typed.c_str()));
        EXPECT_TRUE(IsWindowEnabled(add));
        SendMessageW(add, BM_CLICK, 0, 0);
        EXPECT_TRUE(PumpUntil([&] { return box.Seen(); }));
    }
    EXPECT_NE(message.find(L"This profile already exists in the Tidyquill profiles tree."), std::wstring::npos);
    EXPECT_NE(dialog.GetHwnd(), nullptr); // stays open
    EXPECT_EQ(fixture.Profile("Chrome", "Default")->GetProgram()->GetProfiles().size(), 1u);

    // The recognised folder is added as a custom Firefox profile.
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()));
    SendMessageW(add, BM_CLICK, 0, 0);
    EXPECT_EQ(dialog.GetHwnd(), nullptr);
    CBrowserProfile* added = fixture.Profile("Firefox", "portable");
    ASSERT_NE(added, nullptr);
    EXPECT_TRUE(added->custom);
    EXPECT_EQ(added->GetPath(), portable);
}

TEST(CustomProfileDialog, AGivenFolderThatNoProgramRecognisesEndsTheDialogAfterTheMessage) {
    ProfileFixture fixture;
    const std::string folder = fixture.TempPath("nothing here");
    MakeFolder(folder);
    std::wstring message;
    DialogWatcher box(L"Tidyquill", [&](HWND shown) {
        message = StaticTexts(shown);
        PostMessageW(shown, WM_COMMAND, IDOK, 0);
    });
    ui::CCustomProfileDlg dialog(fixture.GetCatalogue(), folder);
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_NE(message.find(L"Tidyquill was unable to detect any browser/supported program in the specified path\n(" +
                           platform::Utf8ToWide(folder) + L")."),
              std::wstring::npos)
        << platform::WideToUtf8(message);

    // "Add" before anything was recognised adds nothing and ends as accepted.
    const size_t before = fixture.GetCatalogue().FindProgramByName("Firefox")->GetProfiles().size();
    ui::CCustomProfileDlg empty(fixture.GetCatalogue(), "");
    ASSERT_TRUE(empty.Create());
    SendMessageW(GetDlgItem(empty, IDC_ADD), BM_CLICK, 0, 0);
    EXPECT_EQ(empty.GetHwnd(), nullptr);
    EXPECT_EQ(fixture.GetCatalogue().FindProgramByName("Firefox")->GetProfiles().size(), before);
}

// --- Running Programs Warning and About
// --------------------------------------------------------------------------------
TEST(ProcessesDialog, ListsEachPathWithItsIconAndAnswersRetryOrCancel) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::string program = platform::WideToUtf8(self);
    {
        ui::CProcessesDlg dialog({program, "C:\\nowhere\\firefox.exe", program});
        ASSERT_TRUE(dialog.Create());
        auto* list = dynamic_cast<ui::CIconListBox*>(ui::CControl::FromHandle(GetDlgItem(dialog, IDC_PROCESS_LIST)));
        ASSERT_NE(list, nullptr);
        ASSERT_EQ(list->GetCount(), 3);
        EXPECT_EQ(list->GetItemText(0), self);
        EXPECT_EQ(list->GetItemText(1), L"C:\\nowhere\\firefox.exe");
        EXPECT_NE(list->GetItemIcon(0), nullptr);
        EXPECT_EQ(list->GetItemIcon(1), nullptr);
        EXPECT_EQ(WindowText(dialog), L"Tidyquill - Running Programs Warning");
    }
    for (const auto& [command, expected] : {std::pair<WPARAM, INT_PTR>{IDC_RETRY, IDC_RETRY}, {IDCANCEL, IDCANCEL}}) {
        ui::CProcessesDlg dialog({program});
        DialogWatcher warning(L"Tidyquill - Running Programs Warning",
                              [command = command](HWND shown) { PostMessageW(shown, WM_COMMAND, command, 0); });
        EXPECT_EQ(dialog.DoModal(), expected);
    }
}

TEST(AboutDialog, TitleWithBuildAndLinks) {
    ui::CAboutDlg dialog("Tidyquill 1.2.3", "https://www.quartzmoore.com/tidyquill/");
    ASSERT_TRUE(dialog.Create());
    EXPECT_EQ(WindowText(GetDlgItem(dialog, IDC_ABOUT_TITLE)),
              L"Tidyquill 1.2.3 (Build " + std::to_wstring(GetModuleBuildNumber(nullptr)) + L")");
    auto* link = dynamic_cast<ui::CHLinkCtrl*>(ui::CControl::FromHandle(GetDlgItem(dialog, IDC_WEBSITE_LINK)));
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->GetURL(), L"https://www.quartzmoore.com/tidyquill/");
    EXPECT_EQ(WindowText(dialog), L"About Tidyquill");
}
