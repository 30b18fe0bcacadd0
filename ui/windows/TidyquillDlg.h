#pragma once
// The main window: the profiles tree in which the user ticks what to optimize, the activity log that takes its
// place while a run goes on and after it, the run on a worker thread with its progress bar and Stop, the check for
// running programs before each run, folder drops, saving the log, the update notice, and below the tree the
// estimate of what compacting the checked profiles would give back.
//
// States: idle (tree shown, "Optimize!"), running ("Stop", progress shown) and finished (log shown, "Optimize
// again"). The window's thread owns every control, the catalogue and the preferences; the worker reaches the window
// only through sent messages (log lines, the checked profiles, the progress bar) and posts its end. The window never
// goes while the worker runs: closing during a run stops it and waits for it, still serving its messages.

#include "platform/Handle_win.h"
#include "ui/controls/AdsStatic.h"
#include "ui/controls/BrowsersTreeCtrl.h"
#include "ui/controls/HLinkCtrl.h"
#include "ui/controls/ListCtrlLog.h"
#include "ui/controls/StaticEx.h"
#include "ui/framework/DialogWithMenuIcons.h"
#include "ui/windows/NewVersionChecker.h"

#include "engine/Analysis.h"
#include "engine/StopSignal.h"

#include <shellapi.h>

#include <functional>
#include <memory>
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
    // Whether a mouse click on the optimize button counts now: for the system's double-click time after the button
    // took another meaning ("Stop", "Optimize again", "Optimize!"), a click still belongs to the one before (the
    // second click of a double-click).
    bool AcceptsOptimizeClick() const;
    // The reason shown to Windows while the window holds up the end of the session (stopping a run); empty when it
    // holds nothing up.
    const std::wstring& GetShutdownBlockReason() const { return shutdownReason_; }
    // The worker's thread while a run is active (tests wait on it), or null.
    HANDLE GetWorkerThread() const { return worker_.get(); }
    CNewVersionChecker& GetUpdateChecker() { return updateChecker_; }
    // True while the figures of the profiles are being read.
    bool IsEstimating() const { return estimateJob_ != nullptr || estimatePending_; }

protected:
    void DoDataExchange() override;
    bool OnInitDialog() override;
    bool OnCommand(UINT id, UINT code, HWND control) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    bool PreTranslateMessage(MSG& message) override;
    std::optional<bool> IsCommandEnabled(UINT id) override;
    // Enter with no enabled default button: nothing.
    void OnOK() override {}
    // Escape and "Quit": end the window as its close box does.
    void OnCancel() override;

private:
    // "Optimize!", "Stop" or "Optimize again", by state.
    void OnOptimize();
    // Asks the guard for running programs of the profiles' programs until none runs, the user ignores them (true)
    // or cancels (false).
    bool ConfirmNoProgramRuns(const std::vector<CBrowserProfile*>& profiles);
    void StartRunDisplay();
    // Starts the worker on exactly these profiles (those the guard checked).
    void StartWorker(std::vector<CBrowserProfile*> profiles);
    // Gives the optimize button its text, and with it the meaning a click has from now on.
    void SetOptimizeButtonText(const wchar_t* text);
    static DWORD WINAPI OptimizeThreadProc(void* parameter);
    // The worker has ended: the finished state.
    void OnRunFinished();
    void PaintMinimisedIcon();
    // The window's big and small icons at its DPI.
    void LoadWindowIcons();
    void OnDpiChanged() override;
    // Stops a running worker and waits for it while serving the messages it sends; then takes its end.
    void StopAndWaitForWorker();
    void ShowIdle();
    void UpdateOptimizeButton();
    // The profiles whose box is checked, in the tree's order.
    std::vector<const CBrowserProfile*> CheckedProfiles() const;
    // Every way out: stops a run and waits for it, stores the check marks and custom profiles, ends the window.
    void OnClose();
    // Windows ends the session (logoff, a restart for updates): a run is stopped at a safe point and the reason
    // shown meanwhile; the marks are stored and written to the file now, since the process ends right after.
    void OnQueryEndSession();
    void OnEndSession(bool ending);
    void SetShutdownBlockReason(const std::wstring& reason);
    void OnDropFiles(HDROP drop);
    // The Add custom profile dialog with a folder (or none); rebuilds the tree when a profile was added.
    void AddCustomProfile(const std::string& folder);
    void OnDeleteProfile();
    void OnBrowseProfile();
    void SaveLog();
    void FillTree();
    void OnVersionChecked(WPARAM newer);

    // The estimate below the tree. The figures of every profile are read on a thread of their own, a short while
    // after the tree is filled (so that opening the window waits for none of it) and after each run; the line sums
    // those of the checked profiles each time a mark changes.
    struct EstimateJob;
    void ScheduleEstimate();
    void StartEstimate();
    // The thread of the estimate under way stops soon and hands over nothing more. The window goes on at once,
    // unless it must wait (before a run: a read of the estimate must not meet a compaction of the same file).
    void CancelEstimate(bool wait);
    // Takes the figures that the estimate's thread has handed over.
    void TakeEstimates();
    void UpdateEstimateLine();
    // Left-aligned with the tree, or after the update notice when that shows.
    void PlaceEstimateLine();
    static DWORD WINAPI EstimateThreadProc(void* parameter);
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
    // While the guard asks about running programs (its warning may stay open a while): nothing may change the
    // profiles it was asked about.
    bool checkingPrograms_ = false;
    // The profiles of the active run, handed to the worker before it starts.
    std::vector<CBrowserProfile*> runProfiles_;
    DWORD buttonChangeTick_ = 0;
    bool buttonChanged_ = false;
    bool releasingOptimizeButton_ = false;
    std::wstring shutdownReason_;
    StopSignal stop_;
    platform::UniqueKernelHandle worker_;
    platform::UniqueIcon bigIcon_;
    platform::UniqueIcon smallIcon_;

    ProfileEstimates estimates_;
    std::shared_ptr<EstimateJob> estimateJob_;
    bool estimatePending_ = false; // the timer that starts the next estimate is set
    // Threads of estimates, also of cancelled ones that may not have ended yet; all end before the window object.
    std::vector<platform::UniqueKernelHandle> estimateThreads_;

    CWindow progress_;
    CWindow optimizeButton_;
    CAdsStatic adsStrip_;
    CStaticEx adsLabel_;
    CHLinkCtrl updateLink_;
    CBrowsersTreeCtrl tree_;
    CListCtrlLog log_;
    CWindow caption_;
    CWindow estimateLine_;
};

// Runs the main window for the application until it closes; answers the exit status (0).
int RunMainWindow(CTidyquillApp& app);

} // namespace ui
