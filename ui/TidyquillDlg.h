#pragma once
// The main window: the profiles tree in which the user ticks what to optimize, the activity log that takes its
// place while a run goes on and after it, the run on a worker thread with its progress bar and Stop, the check for
// running programs before each run, folder drops, saving the log, and the update notice.
//
// States: idle (tree shown, "Optimize!"), running ("Stop", progress shown) and finished (log shown, "Optimize
// again"). The window's thread owns every control, the catalogue and the preferences; the worker reaches the window
// only through sent messages (log lines, the checked profiles, the progress bar) and posts its end. The window never
// goes while the worker runs: closing during a run stops it and waits for it, still serving its messages.

#include "platform/Handle_win.h"
#include "ui/AdsStatic.h"
#include "ui/BrowsersTreeCtrl.h"
#include "ui/DialogWithMenuIcons.h"
#include "ui/HLinkCtrl.h"
#include "ui/ListCtrlLog.h"
#include "ui/NewVersionChecker.h"
#include "ui/StaticEx.h"

#include "engine/StopSignal.h"

#include <shellapi.h>

#include <functional>
#include <string>
#include <vector>

class Catalogue;
class CBrowserProfile;
class CTidyquillApp;
class PreferencesDocument;

namespace ui {

class CTidyquillDlg : public CDialogWithMenuIcons {
public:
    // The window shows the catalogue's programs and stores the tree into the preferences when it is closed; title
    // is its caption ("Tidyquill 1.0.0"). updateAddress: the update file's address; empty checks nothing.
    CTidyquillDlg(Catalogue& catalogue, PreferencesDocument& preferences, std::string title, std::string updateAddress);
    ~CTidyquillDlg() override;

    // Called with the window once it exists (start-up makes it the application's main window).
    std::function<void(HWND)> onCreated;

    // True from the start of a run until the window has taken the worker's end.
    bool IsOptimizing() const { return optimizing_; }
    // The worker's thread while a run is active (tests wait on it), or null.
    HANDLE GetWorkerThread() const { return worker_.get(); }
    CNewVersionChecker& GetUpdateChecker() { return updateChecker_; }

protected:
    void DoDataExchange() override;
    bool OnInitDialog() override;
    bool OnCommand(UINT id, UINT code, HWND control) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    bool PreTranslateMessage(MSG& message) override;
    std::optional<bool> IsCommandEnabled(UINT id) override;
    // Enter with no enabled default button: nothing.
    void OnOK() override {}
    // Escape and "Quit": end the window (after the worker, when a run is active), without storing the tree.
    void OnCancel() override;

private:
    // "Optimize!", "Stop" or "Optimize again", by state.
    void OnOptimize();
    // Asks the guard for running programs of the profiles' programs until none runs, the user ignores them (true)
    // or cancels (false).
    bool ConfirmNoProgramRuns(const std::vector<CBrowserProfile*>& profiles);
    void StartRunDisplay();
    void StartWorker();
    static DWORD WINAPI OptimizeThreadProc(void* parameter);
    // The worker has ended: the finished state.
    void OnRunFinished();
    void PaintMinimisedIcon();
    // Stops a running worker and waits for it while serving the messages it sends; then takes its end.
    void StopAndWaitForWorker();
    void ShowIdle();
    void UpdateOptimizeButton();
    void OnClose();
    void OnDropFiles(HDROP drop);
    // The Add custom profile dialog with a folder (or none); rebuilds the tree when a profile was added.
    void AddCustomProfile(const std::string& folder);
    void OnDeleteProfile();
    void OnBrowseProfile();
    void SaveLog();
    void FillTree();
    void OnVersionChecked(WPARAM newer);
    // Lets folders be dropped from a file manager that runs with lower rights than this program.
    void AllowDropsFromLowerRights();
    // By the controls' own style, so that the answer holds while the window itself is still hidden.
    bool IsTreeShown() const { return (GetWindowLongW(tree_, GWL_STYLE) & WS_VISIBLE) != 0; }
    bool IsLogShown() const { return (GetWindowLongW(log_, GWL_STYLE) & WS_VISIBLE) != 0; }

    Catalogue& catalogue_;
    PreferencesDocument& preferences_;
    std::string title_;

    CNewVersionChecker updateChecker_;
    bool checkForUpdates_;
    // Written by the window's thread only; the worker posts its end instead.
    bool optimizing_ = false;
    bool closing_ = false;
    StopSignal stop_;
    platform::UniqueKernelHandle worker_;
    platform::UniqueIcon bigIcon_;
    platform::UniqueIcon smallIcon_;

    CWindow progress_;
    CWindow optimizeButton_;
    CAdsStatic adsStrip_;
    CStaticEx adsLabel_;
    CHLinkCtrl updateLink_;
    CBrowsersTreeCtrl tree_;
    CListCtrlLog log_;
    CWindow caption_;
};

// Runs the main window for the application until it closes; answers the exit status (0).
int RunMainWindow(CTidyquillApp& app);

} // namespace ui
