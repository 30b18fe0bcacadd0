#include "platform/SingleInstance.h"

#include "platform/WideText.h"

#include <windows.h>

namespace platform {

namespace {

void CloseIfOpen(HANDLE& handle) {
    if (handle != nullptr)
        CloseHandle(handle);
    handle = nullptr;
}

} // namespace

struct InstanceMutex::State {
    HANDLE mutex = nullptr;
    ~State() { CloseIfOpen(mutex); }
};

InstanceMutex::InstanceMutex() : state_(std::make_unique<State>()) {}
InstanceMutex::~InstanceMutex() = default;

bool InstanceMutex::CreateAndCheckExisting(const std::string& name) {
    CloseIfOpen(state_->mutex);
    // The handle is kept in every case: while it is open, a copy started later sees the mutex as existing.
    state_->mutex = CreateMutexW(nullptr, FALSE, Utf8ToWide(name).c_str());
    const DWORD error = GetLastError();
    return state_->mutex != nullptr && error == ERROR_ALREADY_EXISTS;
}

struct InstanceEvent::State {
    HANDLE event = nullptr;
    HANDLE cancel = nullptr; // manual reset, unnamed: once set, every wait ends
    ~State() {
        CloseIfOpen(event);
        CloseIfOpen(cancel);
    }
};

InstanceEvent::InstanceEvent() : state_(std::make_unique<State>()) {}
InstanceEvent::~InstanceEvent() = default;

bool InstanceEvent::Create(const std::string& name) {
    state_ = std::make_unique<State>();
    state_->event = CreateEventW(nullptr, FALSE, FALSE, Utf8ToWide(name).c_str());
    state_->cancel = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (state_->event == nullptr || state_->cancel == nullptr) {
        state_ = std::make_unique<State>();
        return false;
    }
    return true;
}

bool InstanceEvent::IsValid() const {
    return state_->event != nullptr;
}

bool InstanceEvent::Wait() {
    if (!IsValid())
        return false;
    // The cancel event comes first, so that a cancellation wins when both are set.
    const HANDLE handles[2] = {state_->cancel, state_->event};
    return WaitForMultipleObjects(2, handles, FALSE, INFINITE) == WAIT_OBJECT_0 + 1;
}

void InstanceEvent::Cancel() {
    if (state_->cancel != nullptr)
        SetEvent(state_->cancel);
}

bool InstanceEvent::SignalExisting(const std::string& name) {
    HANDLE event = OpenEventW(EVENT_ALL_ACCESS, FALSE, Utf8ToWide(name).c_str());
    if (event == nullptr)
        return false;
    SetEvent(event);
    CloseHandle(event);
    return true;
}

bool WindowExists(void* window) {
    return window != nullptr && IsWindow(static_cast<HWND>(window));
}

void ActivateMainWindow(void* window) {
    const HWND hwnd = static_cast<HWND>(window);
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    if (!GetWindowPlacement(hwnd, &placement))
        return;
    if (placement.showCmd == SW_SHOWMINIMIZED) {
        placement.flags = 0;
        placement.showCmd = SW_SHOWNORMAL;
        SetWindowPlacement(hwnd, &placement);
    } else {
        BringWindowToTop(hwnd);
        SetForegroundWindow(hwnd);
    }
}

} // namespace platform
