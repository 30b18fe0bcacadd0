#include "support/AppBase.h"

#include "platform/Application.h"
#include "platform/Processes.h"

#include <chrono>
#include <cstdio>

CWinAppExtended::CWinAppExtended(std::string appName, int argc, const char* const* argv)
    : arguments_(platform::GetProcessArguments(argc, argv)), appName_(std::move(appName)),
      instanceMutexName_(appName_ + "_InstanceMutex"), instanceEventName_(appName_ + "_InstanceEvent") {}

CWinAppExtended::~CWinAppExtended() {
    if (watcher_.joinable()) {
        {
            std::lock_guard<std::mutex> lock(watcherMutex_);
            stopping_ = true;
        }
        watcherWake_.notify_all();
        instanceEvent_->Cancel();
        watcher_.join();
    }
    instanceEvent_.reset();
    instanceMutex_.reset();
}

bool CWinAppExtended::InitInstance() {
    return true;
}

void CWinAppExtended::SetInstanceMutexName(std::string name) {
    instanceMutexName_ = std::move(name);
}

bool CWinAppExtended::IsAlreadyRunning(bool activate) {
    // The mutex stays open for the life of the object in every case: it is what later copies find.
    instanceMutex_ = std::make_unique<platform::InstanceMutex>();
    if (!instanceMutex_->CreateAndCheckExisting(instanceMutexName_)) {
        if (activate && !watcher_.joinable()) {
            auto event = std::make_unique<platform::InstanceEvent>();
            // Without the event there is nothing to wait for, and the watcher is not started.
            if (event->Create(instanceEventName_)) {
                instanceEvent_ = std::move(event);
                watcher_ = std::thread(&CWinAppExtended::WatchInstanceEvent, this);
            }
        }
        return false;
    }
    if (activate)
        platform::InstanceEvent::SignalExisting(instanceEventName_);
    return true;
}

void CWinAppExtended::SetMainWindow(void* window) {
    mainWindow_.store(window);
}

void* CWinAppExtended::GetMainWindow() const {
    return mainWindow_.load();
}

// Looks every 100 ms whether the main window has been set. False when the object is being destroyed.
bool CWinAppExtended::WaitForMainWindow() {
    std::unique_lock<std::mutex> lock(watcherMutex_);
    while (!stopping_) {
        if (mainWindow_.load() != nullptr)
            return true;
        watcherWake_.wait_for(lock, std::chrono::milliseconds(100));
    }
    return false;
}

// The instance watcher: a signal that arrives before the main window exists stays set in the event (it resets
// only when a wait takes it), so the window is brought up as soon as it has been set.
void CWinAppExtended::WatchInstanceEvent() {
    while (WaitForMainWindow()) {
        if (!instanceEvent_->Wait())
            return;
        void* window = mainWindow_.load();
        if (window != nullptr && platform::WindowExists(window))
            platform::ActivateMainWindow(window);
    }
}

int CWinAppExtended::GetArgCount() const {
    return static_cast<int>(arguments_.size());
}

std::string CWinAppExtended::GetArg(int index) const {
    if (index < 0 || index >= GetArgCount())
        return {};
    return arguments_[static_cast<size_t>(index)];
}

void CWinAppExtended::LoadVersionInfo() {
    if (versionInfo_.notLoaded)
        ReadModuleVersionInfo(nullptr, versionInfo_);
}

std::string CWinAppExtended::GetAppVersionString() {
    LoadVersionInfo();
    return versionInfo_.versionText;
}

std::string CWinAppExtended::GetAppTitle() {
    if (!title_) {
        LoadVersionInfo();
        char numbers[40];
        std::snprintf(numbers, sizeof(numbers), " %u.%u.%u", static_cast<unsigned>(versionInfo_.major),
                      static_cast<unsigned>(versionInfo_.minor), static_cast<unsigned>(versionInfo_.patch));
        title_ = appName_ + numbers;
    }
    return *title_;
}
