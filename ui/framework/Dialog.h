#pragma once
// Dialogs from templates, modal or modeless. The dialog object lives in the window's DWLP_USER slot; one static
// procedure hands every message to the virtual operations below, reflects control notifications to the control
// objects bound to the dialog, and runs the command-update pass over popup menus. Modal dialogs run a message loop
// of their own, so that PreTranslateMessage sees every message before the dialog manager does. A change of the system
// colours is passed on to every control.
//
// Moved to a monitor of another DPI (WM_DPICHANGED), a dialog takes the rectangle the system suggests, gives its
// controls the dialog font at the new size and places them in proportion, then lets its bound controls and itself
// make their pictures anew (CControl::SetDpi, OnDpiChanged). It does this itself on every system: Windows 10's
// dialog manager would scale a dialog too, but Wine's does not, and one way on both keeps them alike.

#include "platform/Handle_win.h"
#include "ui/framework/Control.h"

#include <optional>
#include <utility>
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
    // The DPI the dialog is laid out for.
    int GetDpi() const { return dpi_; }

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
    // After the dialog and its bound controls took a new DPI: what the dialog draws itself (icons, say).
    virtual void OnDpiChanged() {}

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // The window moved to a monitor of this DPI; suggested is the window rectangle the system proposes.
    void ApplyDpi(int dpi, const RECT& suggested);

    UINT templateId_ = 0;
    const DLGTEMPLATE* template_ = nullptr;
    std::vector<std::pair<int, CWindow*>> windows_;
    std::vector<std::pair<int, CControl*>> controls_; // bound before the window existed
    std::vector<CControl*> boundControls_;            // every control bound, for a change of DPI
    INT_PTR result_ = -1;
    bool modal_ = false;
    bool ended_ = false;
    int dpi_ = kDefaultDpi;
    // The controls' places and the dialog font as they were at the first change of DPI, and that DPI: every later
    // layout is computed from them, so that going back and forth between monitors never drifts.
    int layoutDpi_ = 0;
    std::vector<std::pair<HWND, RECT>> layout_;
    LOGFONTW layoutFont_{};
    platform::UniqueFont font_;
};

} // namespace ui
