#include "ui/windows/TidyquillDlg.h"

#include "app/Preferences.h"
#include "app/TidyquillApp.h"
#include "catalogue/Catalogue.h"
#include "engine/LogOutput.h"
#include "engine/Optimization.h"
#include "engine/ProgressBar.h"
#include "engine/RunningPrograms.h"
#include "platform/Processes.h"
#include "platform/Text.h"
#include "support/FolderHelpers.h"
#include "support/ProductAddresses.h"
#include "ui/res/resource.h"
#include "ui/windows/AboutDlg.h"
#include "ui/windows/CommandLineDlg.h"
#include "ui/windows/CustomProfileDlg.h"
#include "ui/windows/ProcessesDlg.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <algorithm>
#include <mutex>

namespace ui {

namespace {

constexpr const wchar_t* kTitle = L"Tidyquill";
constexpr const wchar_t* kIdleCaption =
    L"Available profiles (please make sure that selected programs are not running):";
constexpr const wchar_t* kRunCaption = L"Optimization progress:";

// Posted by the worker as its last act; private to this window class.
constexpr UINT kRunFinishedMessage = WM_APP + 1;
// Posted by the estimate's thread when it has handed over figures or has ended.
constexpr UINT kEstimateReadyMessage = WM_APP + 2;
// Starts the estimate. A timer message comes after the window has painted, so opening the window or refreshing the
// tree waits for none of it.
constexpr UINT_PTR kEstimateTimer = 1;

// The run's progress indicator: the window's progress control, driven with sent messages from the worker.
class ControlProgressBar : public IProgressBar {
public:
    explicit ControlProgressBar(HWND control) : control_(control) {}
    void SetRange(std::uint32_t upper) override {
        SendMessageW(control_, PBM_SETRANGE32, 0, static_cast<LPARAM>(upper));
    }
    std::uint32_t GetPos() const override {
        return static_cast<std::uint32_t>(SendMessageW(control_, PBM_GETPOS, 0, 0));
    }
    void SetPos(std::uint32_t pos) override { SendMessageW(control_, PBM_SETPOS, static_cast<WPARAM>(pos), 0); }

private:
    HWND control_;
};

} // namespace

// One estimate, shared by the window and its thread: the thread owns the copies of the profiles it reads, so the
// window may cancel it and go on at once (it joins the thread before the catalogue can go).
struct CTidyquillDlg::EstimateJob {
    HWND window = nullptr;
    std::vector<ProfileToEstimate> profiles;
    StopSignal stop;
    std::mutex mutex; // guards what follows
    std::vector<ProfileEstimate> ready;
    bool posted = false; // a kEstimateReadyMessage is on its way; one at a time is enough
    bool finished = false;

    void Notify() {
        if (!posted)
            posted = PostMessageW(window, kEstimateReadyMessage, 0, 0) != FALSE;
    }
};

CTidyquillDlg::CTidyquillDlg(Catalogue& catalogue, PreferencesDocument& preferences, std::string title,
                             std::string updateAddress)
    : CDialogWithMenuIcons(IDD_TIDYQUILL_DIALOG), catalogue_(catalogue), preferences_(preferences),
      title_(std::move(title)), updateChecker_(updateAddress), checkForUpdates_(!updateAddress.empty()) {}

CTidyquillDlg::~CTidyquillDlg() {
    // The window's end waits for the worker already; this covers a window that was never closed (a modeless one).
    if (worker_)
        StopAndWaitForWorker();
    // An estimate's thread reads through the catalogue's programs, which go with the application after this.
    CancelEstimate(true);
}

void CTidyquillDlg::DoDataExchange() {
    Bind(IDC_PROGRESS, progress_);
    Bind(IDC_OPTIMIZE, optimizeButton_);
    Bind(IDC_ADS_STRIP, adsStrip_);
    Bind(IDC_ADS_LABEL, adsLabel_);
    Bind(IDC_UPDATE_LINK, updateLink_);
    Bind(IDC_PROFILES_TREE, tree_);
    Bind(IDC_LOG_LIST, log_);
    Bind(IDC_CAPTION, caption_);
    Bind(IDC_ESTIMATE, estimateLine_);
}

bool CTidyquillDlg::OnInitDialog() {
    const HWND window = GetHwnd();
    GetLogOutput().SetWindowSink([window](const std::string& text, int bold) {
        const std::wstring wide = platform::Utf8ToWide(text);
        SendMessageW(window, WM_LOG_MESSAGE, reinterpret_cast<WPARAM>(wide.c_str()), bold);
    });

    // Tree and log take turns in the same rectangle.
    const RECT treeRect = tree_.GetRectInParent();
    SetWindowPos(log_, nullptr, treeRect.left, treeRect.top, treeRect.right - treeRect.left,
                 treeRect.bottom - treeRect.top, SWP_NOZORDER | SWP_NOACTIVATE);
    log_.CreateColumns(log_.GetClientRect().right);

    caption_.SetText(kIdleCaption);
    optimizeButton_.SetText(L"Optimize!");
    buttonChanged_ = false;

    LoadWindowIcons();

    SetMenuItemIcon(ID_QUIT, IDI_QUIT);
    SetMenuItemIcon(ID_ABOUT, IDI_ABOUT);
    SetMenuItemIcon(ID_OPTIMIZE, IDR_MAINFRAME);

    tree_.SetCatalogue(&catalogue_);
    FillTree();

    SetText(Widen(title_));
    adsLabel_.SetBold(true);

    AllowDropsFromLowerRights();
    DragAcceptFiles(window, TRUE);

    if (checkForUpdates_)
        updateChecker_.StartCheck(window);
    updateLink_.SetURL(Widen(kHomePageAddress));

    UpdateOptimizeButton();
    if (onCreated)
        onCreated(window);
    return true;
}

void CTidyquillDlg::LoadWindowIcons() {
    platform::UniqueIcon big(LoadIconResource(IDR_MAINFRAME, GetSystemMetricForDpi(SM_CXICON, GetDpi())));
    platform::UniqueIcon small(LoadIconResource(IDR_MAINFRAME, GetSystemMetricForDpi(SM_CXSMICON, GetDpi())));
    Send(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big.get()));
    Send(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small.get()));
    // The window holds the new ones now; the old ones may go.
    bigIcon_ = std::move(big);
    smallIcon_ = std::move(small);
}

void CTidyquillDlg::OnDpiChanged() {
    CDialogWithMenuIcons::OnDpiChanged();
    LoadWindowIcons();
    PlaceEstimateLine();
}

void CTidyquillDlg::AllowDropsFromLowerRights() {
    using FilterFunction = BOOL(WINAPI*)(UINT, DWORD);
    const auto allow = FindUser32Function<FilterFunction>("ChangeWindowMessageFilter");
    if (allow == nullptr)
        return;
    constexpr DWORD kAdd = 1; // MSGFLT_ADD
    allow(WM_DROPFILES, kAdd);
    allow(WM_COPYDATA, kAdd);
    allow(0x0049, kAdd); // WM_COPYGLOBALDATA, which carries the dropped names
}

bool CTidyquillDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (CDialogWithMenuIcons::OnMessage(message, wParam, lParam, result))
        return true;
    switch (message) {
    case WM_LOG_MESSAGE:
        if (wParam != 0)
            log_.AddLine(reinterpret_cast<const wchar_t*>(wParam), lParam != 0);
        result = 0;
        return true;
    case WM_CHECKS_CHANGED:
        UpdateOptimizeButton();
        UpdateEstimateLine();
        result = 0;
        return true;
    case kEstimateReadyMessage:
        TakeEstimates();
        result = 0;
        return true;
    case WM_TIMER:
        if (wParam != kEstimateTimer)
            break;
        KillTimer(GetHwnd(), kEstimateTimer);
        estimatePending_ = false;
        // A run takes the files; its end schedules the next estimate.
        if (!optimizing_)
            StartEstimate();
        result = 0;
        return true;
    case WM_DROPFILES:
        OnDropFiles(reinterpret_cast<HDROP>(wParam));
        result = 0;
        return true;
    case WM_CLOSE:
        OnClose();
        result = 0;
        return true;
    case WM_QUERYENDSESSION:
        OnQueryEndSession();
        result = TRUE;
        return true;
    case WM_ENDSESSION:
        OnEndSession(wParam != FALSE);
        result = 0;
        return true;
    case kRunFinishedMessage:
        OnRunFinished();
        result = 0;
        return true;
    case WM_PAINT:
        // Minimised, the window shows its icon centred in what is left of its client area.
        if (!IsIconic(GetHwnd()))
            break;
        PaintMinimisedIcon();
        result = 0;
        return true;
    case WM_QUERYDRAGICON:
        result = reinterpret_cast<LRESULT>(bigIcon_.get());
        return true;
    case WM_DESTROY:
        // Lines logged after the window are the console's again.
        GetLogOutput().SetWindowSink({});
        return false;
    default:
        break;
    }
    if (message == WM_VERSION_CHECKED) {
        OnVersionChecked(wParam);
        result = 0;
        return true;
    }
    return false;
}

void CTidyquillDlg::PaintMinimisedIcon() {
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(GetHwnd(), &paint);
    SendMessageW(GetHwnd(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client{};
    ::GetClientRect(GetHwnd(), &client);
    const int width = GetSystemMetricForDpi(SM_CXICON, GetDpi());
    const int height = GetSystemMetricForDpi(SM_CYICON, GetDpi());
    DrawIconEx(dc, (client.right - width + 1) / 2, (client.bottom - height + 1) / 2, bigIcon_.get(), width, height, 0,
               nullptr, DI_NORMAL);
    EndPaint(GetHwnd(), &paint);
}

bool CTidyquillDlg::OnCommand(UINT id, UINT code, HWND control) {
    switch (id) {
    case IDC_OPTIMIZE:
        // One click is one command: the second click of a double-click on "Optimize!" must not stop the run it
        // started. Only the mouse double-clicks; Enter held down is taken care of in PreTranslateMessage, and a
        // click that a program sends (BM_CLICK, as accessibility tools do) is meant.
        if (code == BN_CLICKED && (!releasingOptimizeButton_ || AcceptsOptimizeClick()))
            OnOptimize();
        return true;
    case ID_OPTIMIZE:
        if (IsTreeShown())
            OnOptimize();
        return true;
    case IDC_COMMAND_LINE:
        if (code != BN_CLICKED)
            return true;
        [[fallthrough]];
    case ID_COMMAND_LINE_SYNTAX: {
        CCommandLineDlg dialog(tree_.GetCheckedProfiles());
        dialog.DoModal(GetHwnd());
        return true;
    }
    case ID_ADD_CUSTOM_PROFILE:
        if (IsTreeShown() && !optimizing_ && !checkingPrograms_)
            AddCustomProfile({});
        return true;
    case ID_SAVE_LOG:
        SaveLog();
        return true;
    case ID_QUIT:
        OnCancel();
        return true;
    case ID_HOME_PAGE:
        platform::OpenWithShell(kHomePageAddress, "open", GetHwnd());
        return true;
    case ID_ABOUT: {
        CAboutDlg dialog(title_, kHomePageAddress);
        dialog.DoModal(GetHwnd());
        return true;
    }
    case ID_BROWSE_PROFILE:
        OnBrowseProfile();
        return true;
    case ID_DELETE_PROFILE:
        OnDeleteProfile();
        return true;
    case ID_REFRESH:
        FillTree();
        return true;
    default:
        return CDialogWithMenuIcons::OnCommand(id, code, control);
    }
}

bool CTidyquillDlg::PreTranslateMessage(MSG& message) {
    // A click of the optimize button by the mouse comes while the release of the left button over it is handled.
    releasingOptimizeButton_ = message.message == WM_LBUTTONUP && message.hwnd == optimizeButton_.GetHwnd();
    if (message.message != WM_KEYDOWN)
        return false;
    // Enter held down repeats its key-down: only the first press reaches the default button.
    if (message.wParam == VK_RETURN && (message.lParam & (1 << 30)) != 0)
        return true;
    if (message.wParam == 'S' && GetKeyState(VK_CONTROL) < 0) {
        SaveLog();
        return true;
    }
    if (message.wParam == VK_F5) {
        FillTree();
        return true;
    }
    return false;
}

std::optional<bool> CTidyquillDlg::IsCommandEnabled(UINT id) {
    switch (id) {
    case ID_OPTIMIZE:
    case ID_ADD_CUSTOM_PROFILE:
        return IsTreeShown();
    case ID_SAVE_LOG:
        return IsLogShown() && !optimizing_;
    default:
        return std::nullopt;
    }
}

void CTidyquillDlg::OnOptimize() {
    if (optimizing_) {
        // The button keeps "Stop" until the worker ends; the compaction notices the signal.
        stop_.Set();
        return;
    }
    if (!IsTreeShown()) {
        ShowIdle();
        return;
    }
    std::vector<CBrowserProfile*> profiles = tree_.GetCheckedProfiles();
    if (profiles.empty() || checkingPrograms_)
        return;
    checkingPrograms_ = true;
    const bool confirmed = ConfirmNoProgramRuns(profiles);
    checkingPrograms_ = false;
    // The window may have been closed while the warning was open.
    if (!confirmed || closing_)
        return;
    // A read of the estimate would make the compaction of the same file find it busy.
    CancelEstimate(true);
    StartRunDisplay();
    StartWorker(std::move(profiles));
}

bool CTidyquillDlg::AcceptsOptimizeClick() const {
    return !buttonChanged_ || GetTickCount() - buttonChangeTick_ >= GetDoubleClickTime();
}

void CTidyquillDlg::SetOptimizeButtonText(const wchar_t* text) {
    optimizeButton_.SetText(text);
    buttonChangeTick_ = GetTickCount();
    buttonChanged_ = true;
}

bool CTidyquillDlg::ConfirmNoProgramRuns(const std::vector<CBrowserProfile*>& profiles) {
    std::vector<CBrowser*> programs;
    for (CBrowserProfile* profile : profiles)
        if (std::find(programs.begin(), programs.end(), profile->GetProgram()) == programs.end())
            programs.push_back(profile->GetProgram());
    std::vector<std::string> running = FindRunningPrograms(programs);
    while (!running.empty()) {
        CProcessesDlg dialog(running);
        const INT_PTR answer = dialog.DoModal(GetHwnd());
        if (answer != IDC_RETRY)
            return answer == IDC_IGNORE;
        running = FindRunningPrograms(programs);
    }
    return true;
}

void CTidyquillDlg::StartRunDisplay() {
    optimizing_ = true;
    log_.DeleteAllLines();
    progress_.Send(PBM_SETPOS, 0);
    log_.Show();
    tree_.Show(false);
    progress_.Show();
    caption_.SetText(kRunCaption);
    SetOptimizeButtonText(L"Stop");
    optimizeButton_.Enable();
    updateLink_.Show(false);
    UpdateEstimateLine();
    // The hidden tree must not keep the keyboard: a space there would change its check marks.
    if (GetFocus() == tree_.GetHwnd())
        Send(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(optimizeButton_.GetHwnd()), TRUE);
}

void CTidyquillDlg::StartWorker(std::vector<CBrowserProfile*> profiles) {
    // Written before the thread exists, read only by it: the run takes exactly what the guard checked, whatever a
    // refresh or a drop does to the tree meanwhile.
    runProfiles_ = std::move(profiles);
    worker_.reset(CreateThread(nullptr, 0, OptimizeThreadProc, this, 0, nullptr));
    if (!worker_) {
        // No thread, no run: straight to the finished state, with the reason in the log.
        log_.AddLine(L"Operation not completed", true);
        PostMessageW(GetHwnd(), kRunFinishedMessage, 0, 0);
    }
}

DWORD WINAPI CTidyquillDlg::OptimizeThreadProc(void* parameter) {
    auto* self = static_cast<CTidyquillDlg*>(parameter);
    try {
        ControlProgressBar progress(self->progress_.GetHwnd());
        RunOptimization(self->runProfiles_, &progress, &self->stop_);
    } catch (...) {
        ReportFatalException();
    }
    PostMessageW(self->GetHwnd(), kRunFinishedMessage, 0, 0);
    return 0;
}

void CTidyquillDlg::OnRunFinished() {
    if (!optimizing_)
        return;
    if (worker_) {
        // The worker posted this as its last act and sends nothing more, so this wait is short.
        WaitForSingleObject(worker_.get(), INFINITE);
        worker_.reset();
    }
    progress_.Show(false);
    SetOptimizeButtonText(L"Optimize again");
    optimizing_ = false;
    runProfiles_.clear();
    stop_.Reset();
    UpdateOptimizeButton();
    // The run changed the files: their figures are read anew, for when the tree shows again.
    if (!closing_)
        ScheduleEstimate();
}

void CTidyquillDlg::StopAndWaitForWorker() {
    if (!worker_) {
        OnRunFinished();
        return;
    }
    stop_.Set();
    // The worker sends its log lines and asks its progress control on this thread: keep serving messages until it
    // ends. Input is refused meanwhile, so that nothing starts while the window waits to go.
    const bool wasEnabled = IsWindowEnabled(GetHwnd()) != FALSE;
    EnableWindow(GetHwnd(), FALSE);
    bool quit = false;
    int quitCode = 0;
    while (worker_) {
        HANDLE thread = worker_.get();
        const DWORD wait = MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_ALLINPUT);
        if (wait == WAIT_OBJECT_0 + 1) {
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                if (message.message == WM_QUIT) {
                    quit = true;
                    quitCode = static_cast<int>(message.wParam);
                    continue;
                }
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
            continue;
        }
        if (wait != WAIT_OBJECT_0)
            WaitForSingleObject(thread, INFINITE); // cannot wait for messages: the worker sends no more then
        break;
    }
    OnRunFinished();
    if (wasEnabled)
        EnableWindow(GetHwnd(), TRUE);
    if (quit)
        PostQuitMessage(quitCode);
}

void CTidyquillDlg::ShowIdle() {
    SetOptimizeButtonText(L"Optimize!");
    log_.Show(false);
    tree_.Show();
    caption_.SetText(kIdleCaption);
    UpdateOptimizeButton();
    // The update notice may have gone with the run.
    PlaceEstimateLine();
    UpdateEstimateLine();
}

void CTidyquillDlg::UpdateOptimizeButton() {
    // "Stop" and "Optimize again" stay usable whatever the hidden tree holds.
    optimizeButton_.Enable(optimizing_ || !IsTreeShown() || !CheckedProfiles().empty());
}

std::vector<const CBrowserProfile*> CTidyquillDlg::CheckedProfiles() const {
    // The marks live with the profiles, and the tree shows every profile of the catalogue: the profiles say the
    // same as the tree's boxes without a message to the tree for each (which costs far more than this).
    std::vector<const CBrowserProfile*> checked;
    for (const auto& program : catalogue_.Programs())
        for (const auto& profile : program->GetProfiles())
            if (profile->checked && !profile->missing)
                checked.push_back(profile.get());
    return checked;
}

void CTidyquillDlg::OnClose() {
    if (closing_)
        return;
    closing_ = true;
    CancelEstimate(false);
    StopAndWaitForWorker();
    preferences_.StoreProfiles(tree_.GetProfileCheckStates());
    EndDialog(IDCANCEL);
}

void CTidyquillDlg::OnCancel() {
    // Quit and Escape keep the session's choices as the close box does.
    OnClose();
}

void CTidyquillDlg::OnQueryEndSession() {
    if (!optimizing_)
        return;
    // Windows shows the reason while the run winds down; the end of the session waits for it in OnEndSession.
    SetShutdownBlockReason(L"Tidyquill is stopping the optimization so that no database is left half-written.");
    stop_.Set();
}

void CTidyquillDlg::OnEndSession(bool ending) {
    if (ending) {
        // The process ends as soon as this returns: nothing after it would run, the destructors included.
        closing_ = true;
        StopAndWaitForWorker();
        preferences_.StoreProfiles(tree_.GetProfileCheckStates());
        preferences_.SavePreferencesDocument();
    }
    SetShutdownBlockReason({});
}

void CTidyquillDlg::SetShutdownBlockReason(const std::wstring& reason) {
    // Looked up at run time: the calls exist from Windows Vista on. Wine has them as stubs.
    using CreateFunction = BOOL(WINAPI*)(HWND, LPCWSTR);
    using DestroyFunction = BOOL(WINAPI*)(HWND);
    if (reason == shutdownReason_)
        return;
    if (!reason.empty()) {
        if (const auto create = FindUser32Function<CreateFunction>("ShutdownBlockReasonCreate"))
            create(GetHwnd(), reason.c_str());
    } else if (const auto destroy = FindUser32Function<DestroyFunction>("ShutdownBlockReasonDestroy")) {
        destroy(GetHwnd());
    }
    shutdownReason_ = reason;
}

void CTidyquillDlg::OnDropFiles(HDROP drop) {
    struct DropRelease {
        HDROP drop;
        ~DropRelease() { DragFinish(drop); }
    } release{drop};
    if (optimizing_ || checkingPrograms_ || DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0) == 0)
        return;
    // Only the first item counts.
    const UINT length = DragQueryFileW(drop, 0, nullptr, 0);
    std::wstring path(static_cast<size_t>(length) + 1, L'\0');
    path.resize(DragQueryFileW(drop, 0, path.data(), length + 1));
    if (path.empty())
        return;
    if (!PathIsDirectoryW(path.c_str())) {
        MessageBoxW(GetHwnd(), L"You can only drag a folder containing supported browser/program profile.", kTitle,
                    MB_OK | MB_ICONINFORMATION);
        return;
    }
    AddCustomProfile(platform::WideToUtf8(path));
}

void CTidyquillDlg::AddCustomProfile(const std::string& folder) {
    CCustomProfileDlg dialog(catalogue_, folder);
    if (dialog.DoModal(GetHwnd()) == IDOK)
        FillTree();
}

void CTidyquillDlg::OnDeleteProfile() {
    CBrowserProfile* profile = tree_.GetSelectedProfile();
    // Only custom profiles can go, and never while a run may use them or the guard is asked about them.
    if (profile == nullptr || !profile->custom || optimizing_ || checkingPrograms_)
        return;
    tree_.DeleteAllItems();
    profile->GetProgram()->RemoveProfile(profile);
    FillTree();
}

void CTidyquillDlg::OnBrowseProfile() {
    const CBrowserProfile* profile = tree_.GetSelectedProfile();
    if (profile == nullptr)
        return;
    // The file manager with the folder as its parameter, and only for a folder that is there: the shell's "open"
    // on a path that names nothing may take a program of a similar name for it.
    std::string folder = profile->GetPath();
    if (!IsFolder(folder)) {
        const std::wstring text = L"The folder of this profile does not exist:\n" + Widen(folder);
        MessageBoxW(GetHwnd(), text.c_str(), kTitle, MB_OK | MB_ICONINFORMATION);
        return;
    }
    // Without a closing separator, which would escape the closing quote.
    while (folder.size() > 3 && platform::IsPathSeparator(folder.back()))
        folder.pop_back();
    platform::OpenWithShell("explorer.exe", "open", GetHwnd(), "\"" + folder + "\"");
}

void CTidyquillDlg::SaveLog() {
    if (!IsLogShown() || optimizing_)
        return;
    const std::wstring path = CListCtrlLog::ChooseLogFile(GetHwnd());
    if (path.empty())
        return;
    if (!log_.SaveLog(path)) {
        const std::wstring text = L"The log could not be saved to\n" + path;
        MessageBoxW(GetHwnd(), text.c_str(), kTitle, MB_OK | MB_ICONWARNING);
    }
}

void CTidyquillDlg::FillTree() {
    // What the tree shows is looked at anew: so are the figures. Those of the estimate under way may be of files
    // that changed since.
    CancelEstimate(false);
    estimates_.Clear();
    tree_.FillTree();
    UpdateOptimizeButton();
    ScheduleEstimate();
    UpdateEstimateLine();
}

void CTidyquillDlg::ScheduleEstimate() {
    estimatePending_ = SetTimer(GetHwnd(), kEstimateTimer, USER_TIMER_MINIMUM, nullptr) != 0;
}

void CTidyquillDlg::StartEstimate() {
    CancelEstimate(false);
    // Threads of cancelled estimates that have ended meanwhile are let go.
    estimateThreads_.erase(std::remove_if(estimateThreads_.begin(), estimateThreads_.end(),
                                          [](const platform::UniqueKernelHandle& thread) {
                                              return WaitForSingleObject(thread.get(), 0) == WAIT_OBJECT_0;
                                          }),
                           estimateThreads_.end());
    auto job = std::make_shared<EstimateJob>();
    job->window = GetHwnd();
    // The checked profiles first: the line is ready once they are; the others follow, for the marks to come.
    for (const bool checked : {true, false})
        for (const auto& program : catalogue_.Programs())
            for (const auto& profile : program->GetProfiles())
                if (profile->checked == checked)
                    job->profiles.push_back(DescribeProfile(*profile));
    auto* handedOver = new std::shared_ptr<EstimateJob>(job);
    platform::UniqueKernelHandle thread(CreateThread(nullptr, 0, EstimateThreadProc, handedOver, 0, nullptr));
    if (!thread) {
        // No thread, no figures: the line stays empty.
        delete handedOver;
        UpdateEstimateLine();
        return;
    }
    estimateThreads_.push_back(std::move(thread));
    estimateJob_ = std::move(job);
    UpdateEstimateLine();
}

DWORD WINAPI CTidyquillDlg::EstimateThreadProc(void* parameter) {
    const std::unique_ptr<std::shared_ptr<EstimateJob>> handedOver(
        static_cast<std::shared_ptr<EstimateJob>*>(parameter));
    EstimateJob& job = **handedOver;
    try {
        MarkRunningPrograms(job.profiles);
        EstimateProfiles(job.profiles, &job.stop, [&job](ProfileEstimate&& estimate) {
            const std::lock_guard lock(job.mutex);
            job.ready.push_back(std::move(estimate));
            job.Notify();
        });
    } catch (...) {
        // Only a failed allocation can get here: the figures stay as far as they came.
    }
    const std::lock_guard lock(job.mutex);
    job.finished = true;
    job.Notify();
    return 0;
}

void CTidyquillDlg::CancelEstimate(bool wait) {
    if (estimateJob_) {
        estimateJob_->stop.Set();
        estimateJob_.reset();
    }
    if (estimatePending_) {
        KillTimer(GetHwnd(), kEstimateTimer);
        estimatePending_ = false;
    }
    if (!wait)
        return;
    // The thread only posts to this window, never sends: waiting for it here cannot block it.
    for (const platform::UniqueKernelHandle& thread : estimateThreads_)
        WaitForSingleObject(thread.get(), INFINITE);
    estimateThreads_.clear();
}

void CTidyquillDlg::TakeEstimates() {
    // A message of a cancelled estimate finds nothing to take.
    if (!estimateJob_)
        return;
    std::vector<ProfileEstimate> ready;
    bool finished = false;
    {
        const std::lock_guard lock(estimateJob_->mutex);
        ready.swap(estimateJob_->ready);
        finished = estimateJob_->finished;
        estimateJob_->posted = false;
    }
    for (ProfileEstimate& estimate : ready)
        estimates_.Store(std::move(estimate));
    if (finished)
        estimateJob_.reset();
    UpdateEstimateLine();
}

void CTidyquillDlg::UpdateEstimateLine() {
    std::wstring text;
    // Hidden with the tree, while the log shows.
    if (IsTreeShown()) {
        const std::vector<const CBrowserProfile*> checked = CheckedProfiles();
        if (!checked.empty()) {
            const ProfileEstimates::Sum sum = estimates_.SumOf(checked);
            if (sum.profilesWithout > 0 && IsEstimating())
                text = L"Estimating\u2026";
            else
                text = L"About " + Widen(FormatFileSize(sum.reclaimable)) + L" of " + Widen(FormatFileSize(sum.size)) +
                       L" can be reclaimed from the checked profiles.";
        }
    }
    if (estimateLine_.GetText() != text)
        estimateLine_.SetText(text);
    estimateLine_.Show(!text.empty());
}

void CTidyquillDlg::PlaceEstimateLine() {
    const RECT tree = tree_.GetRectInParent();
    const RECT line = estimateLine_.GetRectInParent();
    LONG left = tree.left;
    if ((GetWindowLongW(updateLink_, GWL_STYLE) & WS_VISIBLE) != 0) {
        // After the notice's text, a space of two characters' width apart.
        const std::wstring notice = updateLink_.GetText() + L"  ";
        HDC dc = GetDC(updateLink_);
        const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(updateLink_.Send(WM_GETFONT)));
        SIZE extent{};
        GetTextExtentPoint32W(dc, notice.c_str(), static_cast<int>(notice.size()), &extent);
        SelectObject(dc, old);
        ReleaseDC(updateLink_, dc);
        left = std::min(updateLink_.GetRectInParent().left + extent.cx, tree.right);
    }
    SetWindowPos(estimateLine_, nullptr, left, line.top, tree.right - left, line.bottom - line.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void CTidyquillDlg::OnVersionChecked(WPARAM newer) {
    if (newer == 0)
        return;
    updateLink_.SetText(L"Tidyquill " + Widen(updateChecker_.GetNewVersion()) + L" is available");
    updateLink_.Show();
    // Over the progress row when a run is shown.
    SetWindowPos(updateLink_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    updateLink_.Invalidate();
    PlaceEstimateLine();
}

int RunMainWindow(CTidyquillApp& app) {
    CTidyquillDlg dialog(app.GetCatalogue(), app.GetPreferences(), app.GetAppTitle(), kUpdateFileAddress);
    dialog.onCreated = [&app](HWND window) { app.SetMainWindow(window); };
    const INT_PTR result = dialog.DoModal(nullptr);
    app.SetMainWindow(nullptr);
    return result == -1 ? 1 : 0;
}

} // namespace ui
