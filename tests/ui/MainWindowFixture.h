#pragma once
// Shared pieces of the main-window and dialog tests: a fake user with profiles of a few programs, the catalogue
// built from it, a message pump that runs the window's loop until a condition holds, a watcher that answers the
// dialogs and message boxes a step opens, and hand-made folder drops.

#include "CatalogueFixture.h"

#include "app/Preferences.h"
#include "catalogue/Catalogue.h"
#include "ui/windows/TidyquillDlg.h"

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace testing_support {

// A user with two Firefox profiles ("default" and "work stuff"), a Pale Moon profile "default" and Chrome's
// "User Data" folder with its Default profile; each profile holds two fragmented databases.
class ProfileFixture {
public:
    // largeRows: rows of 1000 bytes in Firefox's "default" places.sqlite (half of them deleted); 0 for a small one.
    explicit ProfileFixture(int largeRows = 0);

    Catalogue& GetCatalogue() { return catalogue_; }
    PreferencesDocument& GetPreferences() { return preferences_; }
    const FakeUser& User() const { return user_; }
    CBrowserProfile* Profile(const std::string& program, const std::string& name) const;
    std::string FirefoxDefaultPlaces() const;
    std::string TempPath(const std::string& name) const { return temp_ / name; }

private:
    FakeUser user_;
    TempFolder temp_;
    Catalogue catalogue_;
    PreferencesDocument preferences_;
};

// The main window as the tests drive it: modeless, its keys passed through the window's own filter as the modal
// loop does.
class TestMainWindow : public ui::CTidyquillDlg {
public:
    using CTidyquillDlg::CTidyquillDlg;
    bool FilterKey(MSG& message) { return PreTranslateMessage(message); }
};

// Runs this thread's messages (through the window's key filter and dialog manager when a window is given) until
// done answers true; false after timeoutMs.
bool PumpUntil(const std::function<bool()>& done, TestMainWindow* window = nullptr, DWORD timeoutMs = 60000);
// Runs this thread's messages for a while.
void PumpFor(DWORD milliseconds, TestMainWindow* window = nullptr);

// Waits on a thread of its own for a visible dialog of this process whose caption is the given text (and which is
// not excluded), then calls action with it once. The destructor waits for the thread.
class DialogWatcher {
public:
    DialogWatcher(std::wstring caption, std::function<void(HWND)> action, DWORD timeoutMs = 30000);
    ~DialogWatcher();
    DialogWatcher(const DialogWatcher&) = delete;
    DialogWatcher& operator=(const DialogWatcher&) = delete;
    bool Seen() const { return seen_; }
    void Stop() { stopping_ = true; }

private:
    std::atomic<bool> seen_{false};
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

// The visible top-level dialog of this process with that caption, or null.
HWND FindDialog(const std::wstring& caption);
// The visible top-level dialog of a process, with that caption or (null) any caption; null when there is none.
HWND FindProcessDialog(DWORD process, const std::wstring* caption = nullptr);
// The texts of a dialog's static controls, joined with line feeds (a message box's text is one of them).
std::wstring StaticTexts(HWND dialog);
std::wstring WindowText(HWND window);
// A drop of the given paths, as the shell hands it over (freed by the receiver's DragFinish).
HDROP MakeDrop(const std::vector<std::string>& paths);

// The tree and the log of a main window.
ui::CBrowsersTreeCtrl& TreeOf(HWND mainWindow);
ui::CListCtrlLog& LogOf(HWND mainWindow);
// Unchecks every program, then checks the given profiles.
void CheckOnly(HWND mainWindow, const std::vector<CBrowserProfile*>& profiles);
// Clicks the optimize button (BM_CLICK, as accessibility tools do; the window never takes it for the second click of
// a double-click).
void ClickOptimize(TestMainWindow& window);

} // namespace testing_support
