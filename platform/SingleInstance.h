#pragma once
// What the single-instance check needs from the system: a named marker of the running instance, a named wake-up
// signal from a second copy to the first, and bringing a window to the front.
//
// Windows has named kernel objects for both. Linux has neither: the marker is an exclusive lock on a file named
// after it, and there is no wake-up signal, because a Linux copy has no window to wake.

#include <memory>
#include <string>

namespace platform {

// A named, system-wide marker that exists while some object holds it. Windows: a named mutex, created not owned,
// not inheritable. Linux: an exclusive flock on "<name>.lock" in $XDG_RUNTIME_DIR, or else in a folder of this
// user's own under the temporary folder. The kernel drops the lock when its holder ends, however it ends, and a
// file left behind does not count as a holder.
class InstanceMutex {
public:
    InstanceMutex();
    ~InstanceMutex();
    InstanceMutex(const InstanceMutex&) = delete;
    InstanceMutex& operator=(const InstanceMutex&) = delete;

    // Creates the marker, or opens it when it exists, and keeps it until destruction. Answers true when another
    // holder (another process, or another object of this one) had it already. Failing to create it answers false.
    bool CreateAndCheckExisting(const std::string& name);

private:
    struct State;
    std::unique_ptr<State> state_;
};

// A named wake-up signal with automatic reset, which a second instance sets and the first one waits for.
// Windows only: elsewhere Create fails and Signal finds nothing, which is what a missing event means to the
// single-instance check.
class InstanceEvent {
public:
    InstanceEvent();
    ~InstanceEvent();
    InstanceEvent(const InstanceEvent&) = delete;
    InstanceEvent& operator=(const InstanceEvent&) = delete;

    // Creates the named event, not signalled. False when the system cannot (or has no such object).
    bool Create(const std::string& name);
    bool IsValid() const;

    // Waits without time-out until the event is signalled (true) or Cancel is called (false). After a
    // cancellation every later wait answers false at once.
    bool Wait();
    // Ends the current and every later Wait; may be called from any thread.
    void Cancel();

    // Opens the existing event of that name with full access, signals it once and closes it. False when no
    // such event exists.
    static bool SignalExisting(const std::string& name);

private:
    struct State;
    std::unique_ptr<State> state_;
};

// Whether window (a window handle on Windows) still names an existing window. Always false elsewhere.
bool WindowExists(void* window);

// Brings a window to the user: a minimized one is restored through its placement, any other is brought to the top
// and made the foreground window. Does nothing when its placement cannot be read, and nothing on Linux.
void ActivateMainWindow(void* window);

} // namespace platform
