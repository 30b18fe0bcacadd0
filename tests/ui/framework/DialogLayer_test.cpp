// The dialog layer: the modal loop and its owner, keys, reflection of notifications to control objects, and the
// command-update pass over popup menus.

#include "ui/framework/Dialog.h"
#include "ui/framework/DialogTemplate.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

constexpr WORD kButtonId = 100;
constexpr WORD kEditId = 101;

// A small dialog with one push button and one edit box.
ui::CDialogTemplate MakeTemplate() {
    ui::CDialogTemplate dialog(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 0, 10, 10, 120, 60, L"Test");
    dialog.AddControl(0x0080, WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 5, 5, 50, 14, kButtonId, L"Press");
    dialog.AddControl(0x0081, WS_VISIBLE | WS_TABSTOP | WS_BORDER, 0, 5, 25, 80, 12, kEditId, L"");
    return dialog;
}

// A button that takes its own clicks when asked to.
class ClickCountingButton : public ui::CControl {
public:
    bool takeClicks = true;
    int clicks = 0;

protected:
    bool OnReflect(UINT message, WPARAM wParam, LPARAM, LRESULT& result) override {
        if (message != WM_COMMAND || HIWORD(wParam) != BN_CLICKED || !takeClicks)
            return false;
        ++clicks;
        result = 0;
        return true;
    }
};

class TestDialog : public ui::CDialog {
public:
    explicit TestDialog(const DLGTEMPLATE* dialogTemplate) : CDialog(dialogTemplate) {}

    std::function<void(TestDialog&)> onInit;
    ClickCountingButton button;
    ui::CWindow edit;
    int commands = 0;
    int f5Keys = 0;
    std::function<std::optional<bool>(UINT)> enabledRule;

protected:
    void DoDataExchange() override {
        Bind(kButtonId, button);
        Bind(kEditId, edit);
    }
    bool OnInitDialog() override {
        if (onInit)
            onInit(*this);
        return true;
    }
    bool OnCommand(UINT id, UINT code, HWND control) override {
        if (id == kButtonId)
            ++commands;
        return CDialog::OnCommand(id, code, control);
    }
    bool PreTranslateMessage(MSG& message) override {
        if (message.message == WM_KEYDOWN && message.wParam == VK_F5) {
            ++f5Keys;
            return true;
        }
        return false;
    }
    std::optional<bool> IsCommandEnabled(UINT id) override { return enabledRule ? enabledRule(id) : std::nullopt; }
};

// --- The modal loop ------------------------------------------------------------------------------------------------
// Looked at from inside the modal loop by a timer callback.
HWND loopOwner = nullptr;
HWND loopDialog = nullptr;
bool ownerEnabledInLoop = true;

void CALLBACK LookFromInsideTheLoop(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    ownerEnabledInLoop = IsWindowEnabled(loopOwner) != FALSE;
    PostMessageW(loopDialog, WM_COMMAND, IDOK, 0);
}

TEST(DialogLayer, ModalLoopDisablesTheOwnerAndEndsWithTheResult) {
    const ui::CDialogTemplate dialogTemplate = MakeTemplate();
    loopOwner = CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(loopOwner, nullptr);
    TestDialog dialog(dialogTemplate.Get());
    dialog.onInit = [](TestDialog& self) {
        // Members are bound before OnInitDialog.
        EXPECT_NE(self.button.GetHwnd(), nullptr);
        EXPECT_NE(self.edit.GetHwnd(), nullptr);
        loopDialog = self.GetHwnd();
        SetTimer(nullptr, 0, 1, LookFromInsideTheLoop);
    };
    EXPECT_EQ(dialog.DoModal(loopOwner), IDOK);
    EXPECT_FALSE(ownerEnabledInLoop);
    EXPECT_TRUE(IsWindowEnabled(loopOwner));
    EXPECT_EQ(dialog.GetHwnd(), nullptr);
    EXPECT_FALSE(IsWindow(loopDialog));
    DestroyWindow(loopOwner);
}

TEST(DialogLayer, KeysGoThroughPreTranslateThenTheDialogManager) {
    const ui::CDialogTemplate dialogTemplate = MakeTemplate();
    TestDialog dialog(dialogTemplate.Get());
    dialog.onInit = [](TestDialog& self) {
        // F5 is consumed by PreTranslateMessage; Escape then reaches the dialog manager, which cancels.
        PostMessageW(self.edit.GetHwnd(), WM_KEYDOWN, VK_F5, 0);
        PostMessageW(self.edit.GetHwnd(), WM_KEYDOWN, VK_ESCAPE, 0);
    };
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(dialog.f5Keys, 1);
}

TEST(DialogLayer, AQuitMessageEndsTheLoopAndIsPostedAgain) {
    const ui::CDialogTemplate dialogTemplate = MakeTemplate();
    TestDialog dialog(dialogTemplate.Get());
    dialog.onInit = [](TestDialog&) { PostQuitMessage(7); };
    EXPECT_EQ(dialog.DoModal(), -1);
    MSG message;
    ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(message.wParam, 7u);
}

// --- Reflection ----------------------------------------------------------------------------------------------------
TEST(DialogLayer, AControlHandlesItsOwnNotificationsOrLeavesThemToTheDialog) {
    const ui::CDialogTemplate dialogTemplate = MakeTemplate();
    TestDialog dialog(dialogTemplate.Get());
    dialog.onInit = [](TestDialog& self) {
        self.button.takeClicks = true;
        self.button.Send(BM_CLICK); // taken by the control
        self.button.takeClicks = false;
        self.button.Send(BM_CLICK); // left to the dialog
        self.EndDialog(IDOK);
    };
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.button.clicks, 1);
    EXPECT_EQ(dialog.commands, 1);
    // The window went; the control object is detached and can be bound again.
    EXPECT_EQ(dialog.button.GetHwnd(), nullptr);
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.button.clicks, 2);
}

// --- The command-update pass -----------------------------------------------------------------------------------------
TEST(DialogLayer, PopupMenusAskTheDialogWhichCommandsAreEnabled) {
    const ui::CDialogTemplate dialogTemplate = MakeTemplate();
    TestDialog dialog(dialogTemplate.Get());
    HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, 1, L"one");
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING | MF_GRAYED, 2, L"two");
    AppendMenuW(menu, MF_STRING, 3, L"three");
    dialog.enabledRule = [](UINT id) -> std::optional<bool> {
        if (id == 3)
            return std::nullopt; // left as it is
        return id == 2;
    };
    dialog.onInit = [menu](TestDialog& self) {
        self.Send(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), 0);
        self.EndDialog(IDOK);
    };
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_TRUE(GetMenuState(menu, 1, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_FALSE(GetMenuState(menu, 2, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_FALSE(GetMenuState(menu, 3, MF_BYCOMMAND) & MF_GRAYED);
    DestroyMenu(menu);
}

} // namespace
