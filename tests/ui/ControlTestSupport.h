#pragma once
// Helpers of the control tests: a dialog that binds any controls to ids, the painted pixels of a window, registry
// values that exist for one test, and a shell that records what it was asked to open.

#include "platform/Processes.h"
#include "ui/framework/Dialog.h"
#include "ui/framework/DialogTemplate.h"

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace control_tests {

// Handles what is queued for this thread's windows.
void PumpMessages();

// The pixels a window shows (its whole window rectangle), as copied from its window context.
struct Capture {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> pixels; // top row first

    COLORREF At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    int Count(COLORREF colour) const;
    int CountIn(COLORREF colour, int left, int top, int right, int bottom) const;
    // The longest run of the colour along one row.
    int LongestRowRun(COLORREF colour) const;
    // The leftmost and rightmost columns holding the colour (-1 when none).
    std::pair<int, int> ColumnSpan(COLORREF colour) const;
};
Capture CaptureWindow(HWND window);

// A modeless dialog from an in-memory template whose controls are bound by id; shown and painted on creation.
class TestDialog : public ui::CDialog {
public:
    explicit TestDialog(const ui::CDialogTemplate& dialogTemplate) : CDialog(dialogTemplate.Get()) {}
    ~TestDialog() override;

    void BindControl(int id, ui::CControl& control) { bindings_.emplace_back(id, &control); }
    // A background colour of the dialog's own (WM_CTLCOLORDLG), instead of the button face.
    void SetBackground(COLORREF colour);
    // Creates the dialog, shows it and lets it paint.
    bool Open();

    std::function<std::optional<bool>(UINT)> enabledRule;

protected:
    void DoDataExchange() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    std::optional<bool> IsCommandEnabled(UINT id) override;

private:
    std::vector<std::pair<int, ui::CControl*>> bindings_;
    HBRUSH background_ = nullptr;
};

// A text value under HKEY_CURRENT_USER for the life of the object; the value is deleted afterwards.
class ScopedRegistryValue {
public:
    ScopedRegistryValue(std::wstring key, std::wstring name, const std::wstring& text);
    ~ScopedRegistryValue();
    ScopedRegistryValue(const ScopedRegistryValue&) = delete;
    ScopedRegistryValue& operator=(const ScopedRegistryValue&) = delete;

private:
    std::wstring key_;
    std::wstring name_;
};

// Replaces the shell while it lives: records each request and answers as told.
class RecordingShell {
public:
    struct Request {
        std::string address;
        std::string verb;
        void* owner;
    };

    explicit RecordingShell(bool answer);
    ~RecordingShell();
    RecordingShell(const RecordingShell&) = delete;
    RecordingShell& operator=(const RecordingShell&) = delete;

    bool answer;
    std::vector<Request> requests;

private:
    platform::ShellOpenFunction previous_;
};

} // namespace control_tests
