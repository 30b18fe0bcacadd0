// The main window in its states (idle with profiles and without, running, finished, with the update link) and the
// four dialogs it opens, on fixture profiles.

#include "tests/ui/screenshots/Scene.h"

#include "tests/ui/MainWindowFixture.h"

#include "engine/LogOutput.h"
#include "platform/Handle_win.h"
#include "platform/Text.h"
#include "support/FolderHelpers.h"
#include "ui/res/resource.h"
#include "ui/windows/AboutDlg.h"
#include "ui/windows/CommandLineDlg.h"
#include "ui/windows/CustomProfileDlg.h"
#include "ui/windows/ProcessesDlg.h"

using testing_support::ProfileFixture;
using testing_support::TestMainWindow;

namespace {

TestMainWindow& MakeMainWindow(screenshots::Scene& scene, ProfileFixture& fixture) {
    auto& window =
        scene.Make<TestMainWindow>(fixture.GetCatalogue(), fixture.GetPreferences(), "Tidyquill 1.0.0", std::string());
    window.Create();
    return window;
}

// Idle with every profile checked but one, so that Firefox shows the mixed box.
HWND MakeIdle(screenshots::Scene& scene) {
    auto& fixture = scene.Make<ProfileFixture>();
    auto& window = MakeMainWindow(scene, fixture);
    ui::CBrowsersTreeCtrl& tree = testing_support::TreeOf(window);
    tree.SetCheckState(tree.FindItem(fixture.Profile("Firefox", "work stuff")), ui::CThreeStateTreeCtrl::kUnchecked,
                       true);
    // With the estimate of the checked profiles below the tree.
    testing_support::PumpUntil([&] { return !window.IsEstimating(); }, &window, 20000);
    return window.GetHwnd();
}

// A run to its end, on the window's thread.
TestMainWindow& RunToTheEnd(screenshots::Scene& scene, ProfileFixture& fixture) {
    auto& window = MakeMainWindow(scene, fixture);
    testing_support::CheckOnly(window, {fixture.Profile("Firefox", "default"), fixture.Profile("Firefox", "work stuff"),
                                        fixture.Profile("Chrome", "Default")});
    SendMessageW(GetDlgItem(window, IDC_OPTIMIZE), BM_CLICK, 0, 0);
    testing_support::PumpUntil([&] { return !window.IsOptimizing(); }, &window);
    return window;
}

} // namespace

TIDYQUILL_SCENE("main-tree-menu") {
    const HWND window = MakeIdle(scene);
    scene.AfterShown([window, &scene] {
        // A right click on a profile: "Browse..." and "Delete from the list" (greyed: not a custom profile).
        ui::CBrowsersTreeCtrl& tree = testing_support::TreeOf(window);
        HTREEITEM item = tree.GetChildItem(tree.GetRootItem());
        RECT rect{};
        TreeView_GetItemRect(tree.GetHwnd(), item, &rect, TRUE);
        POINT point{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
        ClientToScreen(tree.GetHwnd(), &point);
        screenshots::PictureContextMenu(scene, window, [&] { tree.ShowContextMenu(point); });
    });
    return window;
}

TIDYQUILL_SCENE("main-idle") {
    return MakeIdle(scene);
}

TIDYQUILL_SCENE("main-idle-no-profiles") {
    struct EmptyUser {
        testing_support::FakeUser user;
        testing_support::TempFolder settings;
        Catalogue catalogue = BuildCatalogue(user.Folders());
        PreferencesDocument preferences{settings.Path()};
    };
    auto& empty = scene.Make<EmptyUser>();
    auto& window = scene.Make<TestMainWindow>(empty.catalogue, empty.preferences, "Tidyquill 1.0.0", std::string());
    window.Create();
    return window.GetHwnd();
}

TIDYQUILL_SCENE("main-running") {
    auto& fixture = scene.Make<ProfileFixture>();
    auto& window = MakeMainWindow(scene, fixture);
    testing_support::CheckOnly(window, {fixture.Profile("Firefox", "default"), fixture.Profile("Chrome", "Default")});
    // The worker holds after its seventh line (the first profile's second file) until the picture is taken.
    auto& release = scene.Make<platform::UniqueKernelHandle>(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    auto& lines = scene.Make<int>(0);
    const HWND target = window.GetHwnd();
    HANDLE event = release.get();
    GetLogOutput().SetWindowSink([target, event, &lines](const std::string& text, int bold) {
        const std::wstring wide = platform::Utf8ToWide(text);
        SendMessageW(target, WM_LOG_MESSAGE, reinterpret_cast<WPARAM>(wide.c_str()), bold);
        if (++lines == 7)
            WaitForSingleObject(event, INFINITE);
    });
    scene.AtEnd([event] { SetEvent(event); });
    SendMessageW(GetDlgItem(window, IDC_OPTIMIZE), BM_CLICK, 0, 0);
    testing_support::PumpUntil([&] { return lines >= 7; }, &window, 20000);
    return window.GetHwnd();
}

TIDYQUILL_SCENE("main-finished") {
    auto& fixture = scene.Make<ProfileFixture>();
    return RunToTheEnd(scene, fixture).GetHwnd();
}

// The idle window moved to a monitor of another DPI: at 96 dots per inch to one of 150 %, at 144 to one of 100 %.
// Windows scales the frame and the caption too, and suggests a window rectangle for both; Wine keeps its frame, so
// the rectangle here keeps it and scales the client area.
TIDYQUILL_SCENE("main-idle-other-monitor") {
    const HWND window = MakeIdle(scene);
    const int dpi = ui::GetWindowDpi(window);
    const int other = dpi > ui::kDefaultDpi ? ui::kDefaultDpi : dpi * 3 / 2;
    RECT rect{};
    RECT client{};
    GetWindowRect(window, &rect);
    GetClientRect(window, &client);
    rect.right += MulDiv(client.right, other, dpi) - client.right;
    rect.bottom += MulDiv(client.bottom, other, dpi) - client.bottom;
    SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(other, other), reinterpret_cast<LPARAM>(&rect));
    return window;
}

TIDYQUILL_SCENE("main-update-link") {
    const HWND window = MakeIdle(scene);
    SendMessageW(window, ui::WM_VERSION_CHECKED, 1, 0);
    // The picture shows a version as an update file would announce it.
    SetWindowTextW(GetDlgItem(window, IDC_UPDATE_LINK), L"Tidyquill 1.5.0 is available");
    // The estimate line follows the notice's text: laid out anew at the same DPI.
    RECT rect{};
    GetWindowRect(window, &rect);
    const int dpi = ui::GetWindowDpi(window);
    SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&rect));
    return window;
}

TIDYQUILL_SCENE("dialog-custom-profile") {
    auto& fixture = scene.Make<ProfileFixture>();
    const std::string portable = fixture.TempPath("Portable Firefox") + "\\Data\\profile";
    testing_support::WriteFile(portable + "\\bookmarks.html", "x");
    auto& dialog = scene.Make<ui::CCustomProfileDlg>(fixture.GetCatalogue(), portable);
    dialog.Create();
    return dialog.GetHwnd();
}

TIDYQUILL_SCENE("dialog-custom-profile-programs") {
    // The program list opened: the programs after the sixteen come last, each with its icon.
    auto& fixture = scene.Make<ProfileFixture>();
    auto& dialog = scene.Make<ui::CCustomProfileDlg>(fixture.GetCatalogue(), std::string());
    dialog.Create();
    const HWND window = dialog.GetHwnd();
    scene.AfterShown([window, &scene] {
        const HWND list = GetDlgItem(window, IDC_PROGRAM_LIST);
        SendMessageW(list, CB_SHOWDROPDOWN, TRUE, 0);
        screenshots::Scene::Settle(300);
        COMBOBOXINFO info{};
        info.cbSize = sizeof(info);
        if (GetComboBoxInfo(list, &info) && info.hwndList != nullptr && IsWindowVisible(info.hwndList))
            scene.TakePicture({window, info.hwndList});
        SendMessageW(list, CB_SHOWDROPDOWN, FALSE, 0);
    });
    return window;
}

TIDYQUILL_SCENE("dialog-command-line") {
    auto& fixture = scene.Make<ProfileFixture>();
    // Two programs after the sixteen among the checked profiles: written by their names, one of them quoted.
    CBrowserProfile* edge = fixture.GetCatalogue().FindProgramByName("Edge")->AddProfile(
        fixture.TempPath("Microsoft\\Edge\\User Data"), "Default", false);
    CBrowserProfile* operaGx = fixture.GetCatalogue()
                                   .FindProgramByName("Opera GX")
                                   ->AddProfile(fixture.TempPath("Opera Software\\Opera GX Stable"), "Default", false);
    auto& dialog = scene.Make<ui::CCommandLineDlg>(
        std::vector<CBrowserProfile*>{fixture.Profile("Firefox", "work stuff"), fixture.Profile("Pale Moon", "default"),
                                      fixture.Profile("Chrome", "Default"), edge, operaGx});
    dialog.Create();
    return dialog.GetHwnd();
}

TIDYQUILL_SCENE("dialog-processes") {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    auto& dialog = scene.Make<ui::CProcessesDlg>(
        std::vector<std::string>{"C:\\Program Files\\Mozilla Firefox\\firefox.exe",
                                 "C:\\Program Files\\Mozilla Firefox\\firefox.exe", platform::WideToUtf8(self)});
    dialog.Create();
    return dialog.GetHwnd();
}

TIDYQUILL_SCENE("dialog-about") {
    auto& dialog = scene.Make<ui::CAboutDlg>("Tidyquill 1.0.0", "https://www.quartzmoore.com/tidyquill/");
    dialog.Create();
    return dialog.GetHwnd();
}
