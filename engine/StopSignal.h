#pragma once
// The run's stop signal: set by the main window's Stop button, read by the run between files and by the database
// engine's progress hook inside "VACUUM", reset by the run's owner when the run ends. Setting and testing it are
// single atomic operations, cheap enough to test every few thousand engine steps from any thread.

#include <atomic>

class StopSignal {
public:
    void Set() { set_.store(true, std::memory_order_release); }
    void Reset() { set_.store(false, std::memory_order_release); }
    bool IsSet() const { return set_.load(std::memory_order_acquire); }

private:
    std::atomic<bool> set_{false};
};

// True only when a signal is given and it is set.
inline bool IsStopRequested(const StopSignal* stop) {
    return stop != nullptr && stop->IsSet();
}
