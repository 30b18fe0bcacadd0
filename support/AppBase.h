#pragma once
// The base of the application object: the argument list, the single-instance lock that wakes the first copy when
// a second one starts, and the running program's version information and title.

#include "support/VersionInfo.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace platform {
class InstanceMutex;
class InstanceEvent;
} // namespace platform

class CWinAppExtended {
public:
    // Stores the application name, names the instance mutex appName + "_InstanceMutex" and the instance event
    // appName + "_InstanceEvent", and takes the argument list, the program path first: on Windows split from the
    // process's own command line (argc and argv are not used and may be 0 and none); elsewhere argv as given.
    CWinAppExtended(std::string appName, int argc, const char* const* argv);
    // Stops the instance watcher and closes the instance event and mutex.
    virtual ~CWinAppExtended();
    CWinAppExtended(const CWinAppExtended&) = delete;
    CWinAppExtended& operator=(const CWinAppExtended&) = delete;

    // The application's own start-up after the instance check; the base has nothing to do and succeeds.
    virtual bool InitInstance();

    // Replaces the name of the instance mutex; the event keeps its name. Call before IsAlreadyRunning.
    void SetInstanceMutexName(std::string name);
    // True when another instance holds the instance mutex. Call once. With activate, the first instance creates
    // the instance event and starts the watcher that brings its main window to the front whenever a later copy
    // signals the event, and a later copy signals it. A mutex that cannot be created counts as no other instance;
    // without the event (always so on Linux) nothing is watched and a later copy only learns that one runs.
    bool IsAlreadyRunning(bool activate);

    // The application's main window (a window handle on Windows), or none. The watcher waits until one is set
    // before it waits for a signal, so a copy started before the window existed still brings it up once it does.
    void SetMainWindow(void* window);
    void* GetMainWindow() const;

    // The number of arguments, the program path included.
    int GetArgCount() const;
    // The argument at index; empty when index is negative or not below the count.
    std::string GetArg(int index) const;

    // The running program's version text ("1.0.0.1"), its information read on first use and read again on later
    // calls while it could not be read; empty when the program has none.
    std::string GetAppVersionString();
    // The application name and the first three version numbers ("Tidyquill 1.0.0"), formed on the first call and
    // kept for the life of the object.
    std::string GetAppTitle();

    const std::string& GetAppName() const { return appName_; }
    const std::string& GetInstanceMutexName() const { return instanceMutexName_; }
    const std::string& GetInstanceEventName() const { return instanceEventName_; }

private:
    void LoadVersionInfo();
    void WatchInstanceEvent();
    bool WaitForMainWindow();

    std::vector<std::string> arguments_;
    std::unique_ptr<platform::InstanceEvent> instanceEvent_;
    std::unique_ptr<platform::InstanceMutex> instanceMutex_;
    std::string appName_;
    std::string instanceMutexName_;
    std::string instanceEventName_;
    FileVersionInfo versionInfo_;
    std::optional<std::string> title_;

    std::atomic<void*> mainWindow_{nullptr};
    // The watcher runs until the object is destroyed; stopping_ and the condition end its waits.
    std::thread watcher_;
    std::mutex watcherMutex_;
    std::condition_variable watcherWake_;
    bool stopping_ = false;
};
