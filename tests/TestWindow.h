#pragma once
// Plain top-level windows for the tests of window activation (Windows only).

#include <chrono>
#include <functional>

namespace testing_support {

// A visible, empty top-level window owned by the calling thread; none on failure.
void* CreateTestWindow();
void DestroyTestWindow(void* window);
void MinimizeTestWindow(void* window);
bool IsTestWindowMinimized(void* window);
// Makes the window the foreground window.
void ActivateTestWindow(void* window);
void* CurrentForegroundWindow();

// Handles the calling thread's window messages until condition holds (true) or timeout has passed (false). Other
// threads that act on this thread's windows wait for these messages to be handled.
bool PumpMessagesUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout);

} // namespace testing_support
