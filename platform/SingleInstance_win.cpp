#include "platform/SingleInstance.h"

#include "platform/Handle_win.h"
#include "platform/WideText.h"

#include <windows.h>

namespace platform {

struct InstanceMutex::State {
    UniqueKernelHandle mutex;
};

InstanceMutex::InstanceMutex() : state_(std::make_unique<State>()) {}
InstanceMutex::~InstanceMutex() = default;

bool InstanceMutex::CreateAndCheckExisting(const std::string& name) {
    // The handle is kept in every case: while it is open, a copy started later sees the mutex as existing.
    state_->mutex.reset(CreateMutexW(nullptr, FALSE, Utf8ToWide(name).c_str()));
    const DWORD error = GetLastError();
    return state_->mutex && error == ERROR_ALREADY_EXISTS;
}

struct InstanceEvent::State {
    UniqueKernelHandle event;
    UniqueKernelHandle cancel; // manual reset, unnamed: once set, every wait ends
};

InstanceEvent::InstanceEvent() : state_(std::make_unique<State>()) {}
InstanceEvent::~InstanceEvent() = default;

bool InstanceEvent::Create(const std::string& name) {
    state_ = std::make_unique<State>();
    state_->event.reset(CreateEventW(nullptr, FALSE, FALSE, Utf8ToWide(name).c_str()));
    state_->cancel.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!state_->event || !state_->cancel) {
        state_ = std::make_unique<State>();
        return false;
    }
    return true;
}

bool InstanceEvent::IsValid() const {
    return static_cast<bool>(state_->event);
}

bool InstanceEvent::Wait() {
    if (!IsValid())
        return false;
    // The cancel event comes first, so that a cancellation wins when both are set.
    const HANDLE handles[2] = {state_->cancel.get(), state_->event.get()};
    return WaitForMultipleObjects(2, handles, FALSE, INFINITE) == WAIT_OBJECT_0 + 1;
}

void InstanceEvent::Cancel() {
    if (state_->cancel)
        SetEvent(state_->cancel.get());
}

bool InstanceEvent::SignalExisting(const std::string& name) {
    const UniqueKernelHandle event(OpenEventW(EVENT_ALL_ACCESS, FALSE, Utf8ToWide(name).c_str()));
    if (!event)
        return false;
    SetEvent(event.get());
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
