#pragma once
// A modeless dialog holding a profiles tree and an activity log laid out as in the main window, for the window
// tests of both controls. It counts WM_CHECKS_CHANGED and records commands, as the main window would act on them.

#include "ui/controls/BrowsersTreeCtrl.h"
#include "ui/controls/ListCtrlLog.h"
#include "ui/framework/Dialog.h"
#include "ui/framework/DialogTemplate.h"

#include <vector>

namespace testing_support {

constexpr WORD kTreeId = 1012;
constexpr WORD kLogId = 1019;

struct ControlHostTemplate {
    ControlHostTemplate();
    ui::CDialogTemplate dialogTemplate;
};

class ControlHost : private ControlHostTemplate, public ui::CDialog {
public:
    // Creates the dialog, shown, with both controls bound.
    ControlHost();

    ui::CBrowsersTreeCtrl tree;
    ui::CListCtrlLog log;
    int checksChanged = 0;
    std::vector<UINT> commands;

protected:
    void DoDataExchange() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    bool OnCommand(UINT id, UINT code, HWND control) override;
};

// Handles the thread's pending window messages.
void PumpPendingMessages();

// A left click at a point of a window's client area, as the mouse makes it (the cursor is moved there first, since
// the controls ask where the message came from). The button-up is queued before the button-down is sent, so that
// the control's drag loop ends.
void ClickAt(HWND window, POINT client);

// Draws a window's client area (WM_PRINTCLIENT) into a 32-bit bitmap of its size filled with white first; the
// pixels, row by row from the top, 0x00RRGGBB.
std::vector<std::uint32_t> PrintClient(HWND window, int& width, int& height);

} // namespace testing_support
