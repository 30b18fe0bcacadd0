#pragma once
// Dialogs from templates, modal or modeless. The dialog object lives in the window's DWLP_USER slot; one static
// procedure hands every message to the virtual operations below, reflects control notifications to the control
// objects bound to the dialog, and runs the command-update pass over popup menus. Modal dialogs run a message loop
// of their own, so that PreTranslateMessage sees every message before the dialog manager does. A change of the system
// colours is passed on to every control.

#include "ui/Control.h"

#include <optional>
#include <vector>

namespace ui {

class CDialog : public CWindow {
public:
    // A dialog made from the template resource with this number.
    explicit CDialog(UINT templateId);
    // A dialog made from an in-memory template, which must stay valid while the dialog is created.
    explicit CDialog(const DLGTEMPLATE* dialogTemplate);
    // Destroys the window if it still exists.
    ~CDialog() override;
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Creates the dialog, disables the owner and runs until EndDialog; answers EndDialog's result, or -1 when the
    // dialog could not be created. A WM_QUIT that arrives meanwhile ends the loop and is posted again.
    INT_PTR DoModal(HWND owner = nullptr);
    // Creates the dialog without a loop of its own (the caller's loop must pass its messages to IsDialogMessage).
    bool Create(HWND owner = nullptr);
    // Ends a modal dialog with the result (its loop returns it); destroys a modeless one.
    void EndDialog(INT_PTR result);
    bool IsModalLoopRunning() const { return modal_ && !ended_; }

    // Binds a member to a child control: a plain window is attached, a control subclassed; at once when the window
    // exists (DoDataExchange), else when it is initialised.
    void Bind(int id, CWindow& window);
    void Bind(int id, CControl& control);

protected:
    // Binds the members to their controls (Bind); runs before OnInitDialog.
    virtual void DoDataExchange() {}
    // Answers true to let the system give the focus to the first control.
    virtual bool OnInitDialog() { return true; }
    // A command (menu, button, accelerator); true when handled. The default maps IDOK and IDCANCEL to OnOK and
    // OnCancel.
    virtual bool OnCommand(UINT id, UINT code, HWND control);
    // A notification that no bound control handled; true when handled, with its result.
    virtual bool OnNotify(NMHDR& header, LRESULT& result);
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    // Every message, before anything else; true when handled, with its result.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // Modal loop only: a message before the dialog manager sees it; true when consumed.
    virtual bool PreTranslateMessage(MSG& message);
    // The command-update pass: whether a menu command is enabled now, or nothing to leave it as it is.
    virtual std::optional<bool> IsCommandEnabled(UINT id);
    // Enables or greys each command of a popup menu by IsCommandEnabled.
    void UpdateMenuCommands(HMENU menu);

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    UINT templateId_ = 0;
    const DLGTEMPLATE* template_ = nullptr;
    std::vector<std::pair<int, CWindow*>> windows_;
    std::vector<std::pair<int, CControl*>> controls_;
    INT_PTR result_ = -1;
    bool modal_ = false;
    bool ended_ = false;
};

} // namespace ui
