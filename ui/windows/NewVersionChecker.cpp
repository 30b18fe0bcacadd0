#include "ui/windows/NewVersionChecker.h"

#include <mutex>
#include <utility>

#include "platform/Handle_win.h"
#include "platform/HttpGet.h"
#include "platform/System.h"
#include "platform/Text.h"
#include "support/UpdateFile.h"
#include "support/VersionInfo.h"
#include "ui/framework/Window.h"

namespace ui {

const UINT WM_VERSION_CHECKED = RegisterWindowMessageW(L"Tidyquill.VersionChecked");

// One check, shared by the checker and its worker; the last of the two to let go frees it, so the worker never
// outlives what it uses and the checker never waits for the worker.
struct CNewVersionChecker::Check {
    HWND window = nullptr;
    std::string address;
    platform::HttpGetOptions options;
    platform::HttpCancellation cancellation;

    mutable std::mutex mutex; // guards the members below
    bool abandoned = false;   // the checker went: post nothing
    bool finished = false;    // the worker has posted its message (or would have)
    std::string newVersion;
    std::vector<std::string> furtherFields;

    // The worker's last step: store the outcome and post it, unless the checker went meanwhile.
    void Finish(std::optional<UpdateAnnouncement> announcement, bool read) {
        std::lock_guard<std::mutex> lock(mutex);
        if (!abandoned) {
            if (announcement) {
                newVersion = std::move(announcement->version);
                furtherFields = std::move(announcement->furtherFields);
            }
            if (window)
                PostMessageW(window, WM_VERSION_CHECKED, announcement ? 1 : 0, read ? 0 : -1);
        }
        finished = true;
    }
};

namespace {

constexpr char kUserAgent[] = "Quartzmoore New Version Checker";

void NameThisThread(const wchar_t* name) {
    using SetDescription = HRESULT(WINAPI*)(HANDLE, PCWSTR);
    static const SetDescription setDescription = [] {
        HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
        return kernel ? reinterpret_cast<SetDescription>(
                            reinterpret_cast<void*>(GetProcAddress(kernel, "SetThreadDescription")))
                      : nullptr;
    }();
    if (setDescription)
        setDescription(GetCurrentThread(), name);
}

std::string AnsiToUtf8(std::string_view bytes) {
    return platform::CodePageToUtf8(bytes, CP_ACP);
}

} // namespace

DWORD WINAPI CNewVersionChecker::CheckVersionThread(void* parameter) {
    auto* handedOver = static_cast<std::shared_ptr<Check>*>(parameter);
    std::shared_ptr<Check> check = std::move(*handedOver);
    delete handedOver;
    NameThisThread(L"CheckVersionThread");
    try {
        std::optional<std::string> file = platform::HttpGet(check->address, check->options, &check->cancellation);
        std::optional<UpdateAnnouncement> announcement;
        if (file)
            announcement = FindNewerVersion(*file, GetModuleBuildNumber(), AnsiToUtf8);
        check->Finish(std::move(announcement), file.has_value());
    } catch (...) {
        // Out of memory: still a (failed) outcome, so that the window is never left waiting.
        check->Finish(std::nullopt, false);
    }
    return 0;
}

CNewVersionChecker::CNewVersionChecker(std::string address) : address_(std::move(address)), userAgent_(kUserAgent) {}

CNewVersionChecker::~CNewVersionChecker() {
    if (!check_)
        return;
    {
        std::lock_guard<std::mutex> lock(check_->mutex);
        check_->abandoned = true;
    }
    check_->cancellation.Cancel();
}

void CNewVersionChecker::StartCheck(HWND window) {
    if (IsChecking())
        return;
    platform::UpdatePolicy policy = platform::ReadUpdatePolicy();
    if (!policy.checkEnabled)
        return;

    auto check = std::make_shared<Check>();
    check->window = window;
    check->address = policy.address.value_or(address_);
    check->options.userAgent = userAgent_;
    check->options.connectTimeoutMs = timeouts_.connect;
    check->options.receiveTimeoutMs = timeouts_.receive;
    check->options.sendTimeoutMs = timeouts_.send;
    check->options.maxBytes = kUpdateFileReadLimit;
    check_ = check;

    auto* handedOver = new std::shared_ptr<Check>(std::move(check));
    // The worker runs on its own and owns what it uses: its handle is not needed.
    const platform::UniqueKernelHandle thread(CreateThread(nullptr, 0, CheckVersionThread, handedOver, 0, nullptr));
    if (!thread) {
        delete handedOver;
        check_->Finish(std::nullopt, false);
    }
}

std::string CNewVersionChecker::GetNewVersion() const {
    if (!check_)
        return {};
    std::lock_guard<std::mutex> lock(check_->mutex);
    return check_->newVersion;
}

std::vector<std::string> CNewVersionChecker::GetFurtherFields() const {
    if (!check_)
        return {};
    std::lock_guard<std::mutex> lock(check_->mutex);
    return check_->furtherFields;
}

bool CNewVersionChecker::IsChecking() const {
    if (!check_)
        return false;
    std::lock_guard<std::mutex> lock(check_->mutex);
    return !check_->finished;
}

} // namespace ui
