#pragma once
// The update check: a worker thread fetches the product's update file, compares the build number in it with the
// running program's, and posts the outcome to a window. Failures are silent: they only end in the outcome (0, -1).
//
// Use (the main window):
//     CNewVersionChecker checker_{kUpdateFileAddress};        // support/ProductAddresses.h
//     OnInitDialog:        checker_.StartCheck(GetHwnd());
//     WM_VERSION_CHECKED:  if (wParam != 0) show "Tidyquill %s is available" with checker_.GetNewVersion()
// The window may close at any time: destroying the checker never waits and nothing is posted afterwards.

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace ui {

// Posted to the window given to StartCheck when a check ends. wParam: 1 when the update file announced a newer
// version than the running program's (GetNewVersion tells which), else 0. lParam: 0 when the file was read (whether
// or not it announced a newer version), -1 when it could not be fetched. Its number is registered by name
// (RegisterWindowMessage), so that it meets no message the dialog manager or a control uses: WM_USER + 1, say, is
// DM_SETDEFID in a dialog.
extern const UINT WM_VERSION_CHECKED;

class CNewVersionChecker {
public:
    // How long one request may wait, in milliseconds: for the connection, for each answer from the server, for
    // each send. Every wait ends, so a check always ends with a message.
    struct Timeouts {
        DWORD connect = 5000;
        DWORD receive = 10000;
        DWORD send = 10000;
    };

    // address: the update file's address (http or https), normally kUpdateFileAddress. The registry's policy
    // (platform/System.h) can replace it or turn the check off; it is read by each StartCheck.
    explicit CNewVersionChecker(std::string address);
    // Returns at once. A check still running is abandoned: its request is ended (closing its connection where the
    // system allows; otherwise its own time-outs end it), it posts nothing, and its worker frees what it used.
    ~CNewVersionChecker();
    CNewVersionChecker(const CNewVersionChecker&) = delete;
    CNewVersionChecker& operator=(const CNewVersionChecker&) = delete;

    // Starts a check on a worker thread that posts WM_VERSION_CHECKED to window when it ends. Does nothing while the
    // previous check still runs, and nothing at all (no request, no message) when the administrators turned the
    // check off. Otherwise forgets the previous check's results first.
    void StartCheck(HWND window);

    // The version text (UTF-8) announced by the last check that found a newer version: at most 32 characters,
    // without control characters; empty otherwise. Read it on the window's thread once the message has arrived.
    std::string GetNewVersion() const;
    // The third and later fields of the update file that announced the newer version, in file order.
    std::vector<std::string> GetFurtherFields() const;
    // True from StartCheck until its worker has posted its message.
    bool IsChecking() const;

    // The time-outs of the checks started afterwards (tests shorten them).
    void SetTimeouts(const Timeouts& timeouts) { timeouts_ = timeouts; }

private:
    struct Check;
    static DWORD WINAPI CheckVersionThread(void* parameter);

    std::string address_;
    std::string userAgent_;
    Timeouts timeouts_;
    // The current check, shared with its worker: whichever of the two lets go last frees it.
    std::shared_ptr<Check> check_;
};

} // namespace ui
