// The profiles tree (a program with some profiles unticked, a missing profile, the context menu open) and the
// activity log of a finished run (bold lines, a path shortened in the middle).

#include "tests/ui/screenshots/Scene.h"

#include "catalogue/Catalogue.h"
#include "platform/System.h"
#include "platform/Text.h"
#include "support/FolderHelpers.h"
#include "ui/controls/BrowsersTreeCtrl.h"
#include "ui/controls/ListCtrlLog.h"
#include "ui/framework/Dialog.h"
#include "ui/framework/DialogTemplate.h"

#include <filesystem>

namespace {

constexpr WORD kControlId = 100;

// A dialog holding one control of the size the main window gives the tree and the log.
template <typename Control> class ControlPage : public ui::CDialog {
public:
    explicit ControlPage(const DLGTEMPLATE* dialogTemplate) : CDialog(dialogTemplate) {}
    Control control;

protected:
    void DoDataExchange() override { Bind(kControlId, control); }
};

// The page is as high as the main window gives the control unless a scene needs more rows.
ui::CDialogTemplate& MakePage(screenshots::Scene& scene, const wchar_t* caption, const wchar_t* label,
                              const wchar_t* className, DWORD style, short height = 134) {
    auto& page = scene.Make<ui::CDialogTemplate>(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 0, 0, 0, 351,
                                                 height, caption);
    page.AddControl(0x0082, WS_CHILD | WS_VISIBLE, 0, 7, 8, 292, 12, 0xffff, label);
    page.AddControl(className, WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | style, 0, 7, 21, 337,
                    static_cast<short>(height - 28), kControlId, L"");
    return page;
}

constexpr DWORD kTreeStyle =
    TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS | TVS_CHECKBOXES | WS_HSCROLL;

// Profile folders where the programs keep them, in the picture program's own prefix (below the roaming
// application-data folder unless another is given).
std::string MakeProfileFolder(const std::string& relative, int knownFolder = platform::kFolderRoamingAppData) {
    const std::string path = platform::GetSpecialFolder(knownFolder) + "\\" + relative;
    std::error_code error;
    std::filesystem::create_directories(platform::PathFromUtf8(path), error);
    return path;
}

} // namespace

TIDYQUILL_SCENE("profiles-tree") {
    auto& catalogue = scene.Make<Catalogue>(BuildCatalogue(platform::KnownFolders{}));
    CBrowser* firefox = catalogue.FindProgramByName("Firefox");
    firefox->AddProfile(MakeProfileFolder("Mozilla\\Firefox\\Profiles\\k3v9x2qa.default-release\\"), "default-release",
                        false);
    firefox->AddProfile(MakeProfileFolder("Mozilla\\Firefox\\Profiles\\p0t4m7wd.work\\"), "work", false)->checked =
        false;
    // Its folder was deleted since it was added: shown unchecked with the missing image.
    CBrowserProfile* gone = firefox->AddProfile(
        platform::GetSpecialFolder(platform::kFolderRoamingAppData) + "\\Portable\\Old profile\\", "Old profile", true);
    catalogue.FindProgramByName("Chrome")->AddProfile(MakeProfileFolder("..\\Local\\Google\\Chrome\\User Data"),
                                                      "Default", false);
    catalogue.FindProgramByName("Thunderbird")
        ->AddProfile(MakeProfileFolder("Thunderbird\\Profiles\\r2d8c1ln.default-release\\"), "default-release", false);

    auto& pageTemplate = MakePage(scene, L"Profiles tree",
                                  L"Available profiles (please make sure that selected programs are not running):",
                                  WC_TREEVIEWW, kTreeStyle);
    auto& page = scene.Make<ControlPage<ui::CBrowsersTreeCtrl>>(pageTemplate.Get());
    if (!page.Create())
        return nullptr;
    page.control.SetCatalogue(&catalogue);
    page.control.FillTree();
    HWND owner = page.GetHwnd();
    ui::CBrowsersTreeCtrl* tree = &page.control;
    scene.AfterShown([owner, tree, gone, &scene] {
        RECT text{};
        HTREEITEM item = tree->FindItem(gone);
        if (item == nullptr || !TreeView_GetItemRect(tree->GetHwnd(), item, &text, TRUE))
            return;
        POINT point{(text.left + text.right) / 2, text.bottom - 2};
        ClientToScreen(tree->GetHwnd(), &point);
        screenshots::PictureContextMenu(scene, owner, [&] { tree->ShowContextMenu(point); });
    });
    return owner;
}

TIDYQUILL_SCENE("profiles-tree-later-programs") {
    // The last of the sixteen and the six programs after them, each with a profile where it keeps it: the tree
    // lists them in the catalogue's order, each with its own icons.
    auto& catalogue = scene.Make<Catalogue>(BuildCatalogue(platform::KnownFolders{}));
    constexpr int roaming = platform::kFolderRoamingAppData;
    const struct {
        const char* program;
        int knownFolder;
        const char* folder;
        const char* profile;
    } profiles[] = {
        {"Brave Browser", roaming, "brave", "Default"},
        {"Edge", platform::kFolderLocalAppData, "Microsoft\\Edge\\User Data", "Default"},
        {"Opera GX", roaming, "Opera Software\\Opera GX Stable", "Default"},
        {"Waterfox", roaming, "Waterfox\\Profiles\\w4x8k2pe.default-release\\", "default-release"},
        {"LibreWolf", roaming, "librewolf\\Profiles\\l2m9c7qa.default-default\\", "default-default"},
        {"Floorp", roaming, "Floorp\\Profiles\\f7d3n1sb.default-release\\", "default-release"},
        {"Zen", roaming, "zen\\Profiles\\z5q1v8rt.Default (release)\\", "Default (release)"},
    };
    for (const auto& p : profiles)
        catalogue.FindProgramByName(p.program)->AddProfile(MakeProfileFolder(p.folder, p.knownFolder), p.profile,
                                                           false);

    auto& pageTemplate = MakePage(scene, L"Profiles tree",
                                  L"Available profiles (please make sure that selected programs are not running):",
                                  WC_TREEVIEWW, kTreeStyle, 190);
    auto& page = scene.Make<ControlPage<ui::CBrowsersTreeCtrl>>(pageTemplate.Get());
    if (!page.Create())
        return nullptr;
    page.control.SetCatalogue(&catalogue);
    page.control.FillTree();
    return page.GetHwnd();
}

TIDYQUILL_SCENE("activity-log") {
    auto& pageTemplate = MakePage(scene, L"Activity log", L"Optimization progress:", WC_LISTVIEWW,
                                  LVS_REPORT | LVS_OWNERDRAWFIXED | LVS_NOCOLUMNHEADER);
    auto& page = scene.Make<ControlPage<ui::CListCtrlLog>>(pageTemplate.Get());
    if (!page.Create())
        return nullptr;
    ui::CListCtrlLog& log = page.control;
    log.CreateColumns(log.GetClientRect().right);
    const std::wstring firefox =
        L"Path: C:\\Users\\Ada\\AppData\\Roaming\\Mozilla\\Firefox\\Profiles\\k3v9x2qa.default-release\\";
    const struct {
        const wchar_t* time;
        std::wstring text;
        bool bold;
    } lines[] = {
        {L"14:02:11", L"Starting optimization", false},
        {L"14:02:11", L"Optimizing 'default-release'", true},
        {L"14:02:11", firefox, false},
        {L"14:02:11", L"places.sqlite...", false},
        {L"14:02:12", L"favicons.sqlite...", false},
        {L"14:02:12", L"cookies.sqlite...", false},
        {L"14:02:12", L"Optimized 9 files, new size: 21.4 MB (was 30.2 MB)", false},
        {L"14:02:12", L"Optimizing 'Default'", true},
        {L"14:02:12", L"Path: C:\\Users\\Ada\\AppData\\Local\\Google\\Chrome\\User Data\\Default", false},
        {L"14:02:13", L"History...", false},
        {L"14:02:13", L"Optimized 5 files, new size: 7.9 MB (was 11.5 MB)", false},
        {L"14:02:14", L"Total: optimized 14 files, new size: 29.3 MB (was 41.7 MB)", false},
        {L"14:02:14", L"Completed in 2.84 seconds", true},
    };
    for (const auto& line : lines)
        log.AddLine(line.time, line.text, line.bold);
    return page.GetHwnd();
}
