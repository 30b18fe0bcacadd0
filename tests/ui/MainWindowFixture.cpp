#include "MainWindowFixture.h"

#include "EngineTestSupport.h"

#include "platform/System.h"
#include "platform/Text.h"
#include "ui/framework/Control.h"
#include "ui/res/resource.h"

#include <shlobj.h>

#include <chrono>
#include <cstring>

namespace testing_support {

namespace {

void WriteProfilesIni(const std::string& folder, const std::vector<std::pair<std::string, std::string>>& profiles) {
    std::string text;
    for (size_t i = 0; i < profiles.size(); ++i)
        text += "[Profile" + std::to_string(i) + "]\nName=" + profiles[i].first + "\nIsRelative=1\nPath=Profiles/" +
                profiles[i].second + "\n\n";
    WriteFile(Join({folder, "profiles.ini"}), text);
}

// A fragmented database in a folder that is made first.
void Database(const std::vector<std::string>& parts, int rows, int rowBytes, int keepEvery) {
    MakeFolder(Join(std::vector<std::string>(parts.begin(), parts.end() - 1)));
    MakeDatabase(Join(parts), rows, rowBytes, keepEvery);
}

} // namespace

ProfileFixture::ProfileFixture(int largeRows) : preferences_(temp_ / "settings") {
    const std::string firefox = user_.ProgramFolder("Firefox");
    WriteProfilesIni(firefox, {{"default", "a.default"}, {"work stuff", "b.work"}});
    Database({firefox, "Profiles", "a.default", "places.sqlite"}, largeRows > 0 ? largeRows : 400, 1000, 2);
    Database({firefox, "Profiles", "a.default", "cookies.sqlite"}, 200, 300, 3);
    Database({firefox, "Profiles", "b.work", "places.sqlite"}, 100, 300, 2);

    const std::string paleMoon = user_.ProgramFolder("Pale Moon");
    WriteProfilesIni(paleMoon, {{"default", "p.default"}});
    Database({paleMoon, "Profiles", "p.default", "places.sqlite"}, 100, 300, 2);

    const std::string chrome = Join({user_.ProgramFolder("Chrome"), "Default"});
    Database({chrome, "History"}, 300, 500, 2);
    Database({chrome, "Cookies"}, 100, 300, 2);
    WriteFile(Join({chrome, "Bookmarks"}), "{}");

    catalogue_ = BuildCatalogue(user_.Folders());
}

CBrowserProfile* ProfileFixture::Profile(const std::string& program, const std::string& name) const {
    if (CBrowser* found = catalogue_.FindProgramByName(program))
        for (const auto& profile : found->GetProfiles())
            if (profile->GetName() == name)
                return profile.get();
    return nullptr;
}

std::string ProfileFixture::FirefoxDefaultPlaces() const {
    return Join({user_.ProgramFolder("Firefox"), "Profiles", "a.default", "places.sqlite"});
}

bool PumpUntil(const std::function<bool()>& done, TestMainWindow* window, DWORD timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        MSG message;
        if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
            continue;
        }
        const HWND dialog = window != nullptr ? window->GetHwnd() : nullptr;
        if (dialog != nullptr && window->FilterKey(message))
            continue;
        if (dialog != nullptr && IsDialogMessageW(dialog, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return true;
}

void PumpFor(DWORD milliseconds, TestMainWindow* window) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    PumpUntil([end] { return std::chrono::steady_clock::now() > end; }, window, milliseconds + 1000);
}

std::wstring WindowText(HWND window) {
    wchar_t text[1024] = {};
    GetWindowTextW(window, text, 1024);
    return text;
}

HWND FindDialog(const std::wstring& caption) {
    return FindProcessDialog(GetCurrentProcessId(), &caption);
}

HWND FindProcessDialog(DWORD process, const std::wstring* caption) {
    struct Search {
        DWORD process;
        const std::wstring* caption;
        HWND found;
    } search{process, caption, nullptr};
    EnumWindows(
        [](HWND window, LPARAM parameter) -> BOOL {
            auto* state = reinterpret_cast<Search*>(parameter);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            wchar_t className[64] = {};
            GetClassNameW(window, className, 64);
            if (owner == state->process && IsWindowVisible(window) && wcscmp(className, L"#32770") == 0 &&
                (state->caption == nullptr || WindowText(window) == *state->caption)) {
                state->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::wstring StaticTexts(HWND dialog) {
    std::wstring texts;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t className[64] = {};
        GetClassNameW(child, className, 64);
        if (_wcsicmp(className, L"Static") == 0)
            texts += WindowText(child) + L"\n";
    }
    return texts;
}

DialogWatcher::DialogWatcher(std::wstring caption, std::function<void(HWND)> action, DWORD timeoutMs) {
    thread_ = std::thread([this, caption = std::move(caption), action = std::move(action), timeoutMs] {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (!stopping_ && std::chrono::steady_clock::now() < end) {
            if (HWND dialog = FindDialog(caption)) {
                // Let the dialog finish its initialisation before it is driven.
                Sleep(50);
                seen_ = true;
                action(dialog);
                return;
            }
            Sleep(10);
        }
    });
}

DialogWatcher::~DialogWatcher() {
    thread_.join();
}

HDROP MakeDrop(const std::vector<std::string>& paths) {
    std::wstring names;
    for (const std::string& path : paths)
        names += platform::Utf8ToWide(path) + L'\0';
    names += L'\0';
    const size_t bytes = sizeof(DROPFILES) + names.size() * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
    auto* header = static_cast<DROPFILES*>(GlobalLock(memory));
    header->pFiles = sizeof(DROPFILES);
    header->fWide = TRUE;
    std::memcpy(reinterpret_cast<char*>(header) + sizeof(DROPFILES), names.data(), names.size() * sizeof(wchar_t));
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

ui::CBrowsersTreeCtrl& TreeOf(HWND mainWindow) {
    return *dynamic_cast<ui::CBrowsersTreeCtrl*>(ui::CControl::FromHandle(GetDlgItem(mainWindow, IDC_PROFILES_TREE)));
}

ui::CListCtrlLog& LogOf(HWND mainWindow) {
    return *dynamic_cast<ui::CListCtrlLog*>(ui::CControl::FromHandle(GetDlgItem(mainWindow, IDC_LOG_LIST)));
}

void CheckOnly(HWND mainWindow, const std::vector<CBrowserProfile*>& profiles) {
    ui::CBrowsersTreeCtrl& tree = TreeOf(mainWindow);
    for (HTREEITEM item = tree.GetRootItem(); item != nullptr; item = tree.GetNextSiblingItem(item))
        tree.SetCheckState(item, ui::CThreeStateTreeCtrl::kUnchecked, true);
    for (CBrowserProfile* profile : profiles)
        tree.SetCheckState(tree.FindItem(profile), ui::CThreeStateTreeCtrl::kChecked, true);
}

void ClickOptimize(TestMainWindow& window) {
    SendMessageW(GetDlgItem(window.GetHwnd(), IDC_OPTIMIZE), BM_CLICK, 0, 0);
}

} // namespace testing_support
