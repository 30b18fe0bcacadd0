// The program's own message box: its buttons and where they stand, the answers, the keys it ignores, the copied
// text, the icon it falls back to, and its owner.

#include "ui/windows/XMessageBox.h"

#include "support/CrashReport.h"
#include "ui/framework/DialogTemplate.h"
#include "ui/framework/Window.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

namespace {

constexpr UINT kCrashStyle = 0x60000014;

struct ButtonView {
    int id = 0;
    std::wstring text;
    RECT rect{}; // in the box's client coordinates
};

// What the driving thread saw of the box.
struct BoxView {
    std::wstring caption;
    std::vector<ButtonView> buttons;
    RECT client{};
    RECT message{};
    HWND icon = nullptr;
    RECT iconRect{};
    bool closeGreyed = false;
    bool openAfterEscapeAndClose = false;
    bool ownerEnabled = true;
    std::wstring clipboard;
};

RECT RectInClient(HWND box, HWND child) {
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, box, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// The box of this process with the caption, once it is shown; none after ten seconds.
HWND WaitForBox(const std::wstring& caption) {
    for (int i = 0; i < 1000; ++i) {
        const HWND box = FindWindowW(L"#32770", caption.c_str());
        if (box != nullptr && IsWindowVisible(box))
            return box;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return nullptr;
}

BoxView Look(HWND box) {
    BoxView view;
    view.caption = ui::CWindow(box).GetText();
    GetClientRect(box, &view.client);
    for (HWND child = GetWindow(box, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t className[32] = {};
        GetClassNameW(child, className, 32);
        if (lstrcmpiW(className, L"Button") == 0)
            view.buttons.push_back({GetDlgCtrlID(child), ui::CWindow(child).GetText(), RectInClient(box, child)});
    }
    view.message = RectInClient(box, GetDlgItem(box, 1001));
    view.icon = GetDlgItem(box, 1000);
    if (view.icon != nullptr)
        view.iconRect = RectInClient(box, view.icon);
    view.closeGreyed = (GetMenuState(GetSystemMenu(box, FALSE), SC_CLOSE, MF_BYCOMMAND) & MF_GRAYED) != 0;
    return view;
}

std::wstring ReadClipboard() {
    std::wstring text;
    if (!OpenClipboard(nullptr))
        return text;
    if (const HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = chars;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

// Shows the box on this thread while drive works it from another, and answers the box's result.
int RunBox(const std::function<int()>& show, const std::wstring& caption, const std::function<void(HWND)>& drive) {
    std::thread driver([&] {
        if (const HWND box = WaitForBox(caption))
            drive(box);
    });
    const int result = show();
    driver.join();
    return result;
}

// Posts the key to the box's focused control as the keyboard would deliver it.
void PostKey(HWND box, WPARAM key) {
    HWND target = GetDlgItem(box, IDYES) != nullptr ? GetDlgItem(box, IDYES) : box;
    PostMessageW(target, WM_KEYDOWN, key, 0);
    PostMessageW(target, WM_KEYUP, key, 0xC0000000);
}

ui::XMessageBoxParams CrashParams(std::uint32_t iconId) {
    ui::XMessageBoxParams params;
    params.options = ui::kXMessageBoxModernLayout;
    params.iconId = iconId;
    params.useUserDefinedButtonCaptions = true;
    params.userDefinedButtonCaptions.yes = L"Send Report (Recommended)";
    params.userDefinedButtonCaptions.no = L"Cancel";
    return params;
}

// Holds the thread's Ctrl key down (as far as GetKeyState tells) while it lives.
class CtrlHeld {
public:
    CtrlHeld() {
        GetKeyboardState(saved_);
        BYTE keys[256];
        std::copy(std::begin(saved_), std::end(saved_), keys);
        keys[VK_CONTROL] = 0x80;
        keys[VK_LCONTROL] = 0x80;
        SetKeyboardState(keys);
    }
    ~CtrlHeld() { SetKeyboardState(saved_); }

private:
    BYTE saved_[256] = {};
};

} // namespace

// --- The crash report's box ----------------------------------------------------------------------------------------
TEST(XMessageBox, CrashBoxHasTwoReplacedButtonsAtTheRightAndIgnoresEscapeAndClose) {
    const ui::XMessageBoxParams params = CrashParams(128);
    BoxView view;
    const int result = RunBox(
        [&] {
            return ui::XMessageBox(nullptr, L"Something broke.\nSee the dump.", L"Crash Box", kCrashStyle, &params);
        },
        L"Crash Box",
        [&](HWND box) {
            view = Look(box);
            PostKey(box, VK_ESCAPE);
            PostMessageW(box, WM_SYSCOMMAND, SC_CLOSE, 0);
            PostMessageW(box, WM_CLOSE, 0, 0);
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            view.openAfterEscapeAndClose = IsWindow(box) && IsWindowVisible(box);
            PostMessageW(GetDlgItem(box, IDYES), BM_CLICK, 0, 0);
        });
    EXPECT_EQ(result, IDYES);
    EXPECT_TRUE(view.openAfterEscapeAndClose);
    EXPECT_TRUE(view.closeGreyed);
    ASSERT_EQ(view.buttons.size(), 2u);
    EXPECT_EQ(view.buttons[0].id, IDYES);
    EXPECT_EQ(view.buttons[0].text, L"Send Report (Recommended)");
    EXPECT_EQ(view.buttons[1].id, IDNO);
    EXPECT_EQ(view.buttons[1].text, L"Cancel");
    // Left to right, one row, the last 16 pixels from the right edge, below the message.
    EXPECT_EQ(view.buttons[1].rect.right, view.client.right - 16);
    EXPECT_EQ(view.buttons[0].rect.right + 6, view.buttons[1].rect.left);
    EXPECT_EQ(view.buttons[0].rect.top, view.buttons[1].rect.top);
    EXPECT_GT(view.buttons[0].rect.top, view.message.bottom);
    EXPECT_GT(view.buttons[0].rect.right - view.buttons[0].rect.left,
              view.buttons[1].rect.right - view.buttons[1].rect.left)
        << "the longer text makes the wider button";
    // An icon, whether the program's or, while it has none, the stop sign, with the message to its right.
    ASSERT_NE(view.icon, nullptr);
    EXPECT_EQ(view.iconRect.left, 24);
    EXPECT_EQ(view.iconRect.top, 24);
    EXPECT_EQ(view.message.left, 16 + GetSystemMetrics(SM_CXICON) + 24);
    EXPECT_EQ(view.message.top, 32);
}

TEST(XMessageBox, SecondButtonAnswersNoAndCtrlCCopiesTheFramedText) {
    const ui::XMessageBoxParams params = CrashParams(128);
    BoxView view;
    int result = 0;
    {
        CtrlHeld ctrl;
        result =
            RunBox([&] { return ui::XMessageBox(nullptr, L"Line one\nLine two", L"Copy Box", kCrashStyle, &params); },
                   L"Copy Box",
                   [&](HWND box) {
                       OpenClipboard(nullptr);
                       EmptyClipboard();
                       CloseClipboard();
                       PostKey(box, 'C');
                       for (int i = 0; i < 200 && view.clipboard.empty(); ++i) {
                           std::this_thread::sleep_for(std::chrono::milliseconds(10));
                           view.clipboard = ReadClipboard();
                       }
                       PostMessageW(GetDlgItem(box, IDNO), BM_CLICK, 0, 0);
                   });
    }
    EXPECT_EQ(result, IDNO);
    EXPECT_EQ(view.clipboard, L"---------------------------\r\nCopy Box\r\n---------------------------\r\nLine one\n"
                              L"Line two\r\n---------------------------\r\nSend Report (Recommended)   Cancel   \r\n"
                              L"---------------------------\r\n");
}

TEST(XMessageBox, CrashReportRequestShowsItsTextsAndAnswersYes) {
    CrashMessageBoxRequest request;
    request.text = "Dump written to 'x.dmp'";
    request.title = "Zoë - Unhandled Exception";
    request.yesButtonText = "Send";
    request.noButtonText = "Don't";
    request.iconId = 128;
    BoxView view;
    const int result = RunBox([&] { return ui::ShowCrashMessageBox(request); }, L"Zo\u00eb - Unhandled Exception",
                              [&](HWND box) {
                                  view = Look(box);
                                  PostKey(box, VK_RETURN); // the default button
                              });
    EXPECT_EQ(result, IDYES);
    ASSERT_EQ(view.buttons.size(), 2u);
    EXPECT_EQ(view.buttons[0].text, L"Send");
    EXPECT_EQ(view.buttons[1].text, L"Don't");
}

// --- Icons, owner, caption -----------------------------------------------------------------------------------------
TEST(XMessageBox, MissingIconFallsBackToTheIconClassOrNone) {
    const ui::XMessageBoxParams params = CrashParams(9999); // no such icon in the program
    BoxView withClass;
    EXPECT_EQ(RunBox([&] { return ui::XMessageBox(nullptr, L"m", L"Class Icon", MB_YESNO | MB_ICONHAND, &params); },
                     L"Class Icon",
                     [&](HWND box) {
                         withClass = Look(box);
                         PostMessageW(GetDlgItem(box, IDNO), BM_CLICK, 0, 0);
                     }),
              IDNO);
    EXPECT_NE(withClass.icon, nullptr);

    // Neither an icon of the program nor a class: the message starts at the left margin. A long message wraps
    // within half the screen.
    BoxView plain;
    const int noOwnerResult = RunBox(
        [&] {
            std::wstring text;
            for (int i = 0; i < 300; ++i)
                text += L"word ";
            return ui::XMessageBox(nullptr, text, L"", MB_YESNO | ui::kXMessageBoxNoSound, &params);
        },
        L"Error",
        [&](HWND box) {
            plain = Look(box);
            PostMessageW(GetDlgItem(box, IDYES), BM_CLICK, 0, 0);
        });
    EXPECT_EQ(noOwnerResult, IDYES);
    EXPECT_EQ(plain.caption, L"Error");
    EXPECT_EQ(plain.icon, nullptr);
    EXPECT_EQ(plain.message.left, 16);
    EXPECT_LE(plain.message.right - plain.message.left, GetSystemMetrics(SM_CXSCREEN) / 2 - 10);
    EXPECT_GT(plain.message.bottom - plain.message.top, 40) << "wrapped over several lines";
}

TEST(XMessageBox, OwnerIsDisabledWhileTheBoxIsUp) {
    ui::CDialogTemplate ownerTemplate(WS_POPUP | WS_CAPTION, 0, 0, 0, 100, 50, L"Owner");
    const HWND owner = CreateDialogIndirectParamW(
        ui::GetResourceModule(), ownerTemplate.Get(), nullptr,
        [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
    ASSERT_NE(owner, nullptr);
    BoxView view;
    HWND boxOwner = nullptr;
    const int result = RunBox([&] { return ui::XMessageBox(owner, L"m", L"Owned Box", MB_YESNO); }, L"Owned Box",
                              [&](HWND box) {
                                  view.ownerEnabled = IsWindowEnabled(owner) != FALSE;
                                  boxOwner = GetWindow(box, GW_OWNER);
                                  view.buttons = Look(box).buttons;
                                  PostMessageW(GetDlgItem(box, IDNO), BM_CLICK, 0, 0);
                              });
    EXPECT_EQ(result, IDNO);
    EXPECT_FALSE(view.ownerEnabled);
    EXPECT_EQ(boxOwner, owner);
    EXPECT_TRUE(IsWindowEnabled(owner));
    ASSERT_EQ(view.buttons.size(), 2u);
    EXPECT_EQ(view.buttons[0].text, L"&Yes") << "the built-in texts without replacements";
    EXPECT_EQ(view.buttons[1].text, L"&No");
    DestroyWindow(owner);
}
