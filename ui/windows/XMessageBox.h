#pragma once
// A message box of the program's own, built from an in-memory dialog template, so that the caller chooses the
// button texts, the icon and the layout, and the user can copy its content with Ctrl+C. It runs on the calling
// thread with a message loop of its own, which makes it usable from a thread that has no window, as the crash
// report's is.

#include <windows.h>

#include <cstdint>
#include <string>

struct CrashMessageBoxRequest;

namespace ui {

// Options of XMessageBoxParams.
// Buttons at the right below a window-coloured message area. Always on since Windows Vista.
constexpr std::uint32_t kXMessageBoxModernLayout = 2;

// Style bits beside the system's button set (0x0F) and icon class (0xF0).
// The built-in button texts ("&Yes", "&No", ...) are used, not ones from the string table.
constexpr UINT kXMessageBoxNoResourceTexts = 0x20000000;
// No sound when the box appears.
constexpr UINT kXMessageBoxNoSound = 0x40000000;

struct XMessageBoxParams {
    std::uint32_t options = 0;
    // An icon resource of the program; when it exists it is shown in place of the icon class's.
    std::uint32_t iconId = 0;
    // The non-empty texts below replace the buttons' own (each cut at 260 characters).
    bool useUserDefinedButtonCaptions = false;
    struct {
        std::wstring ok, cancel, abort, retry, ignore, yes, no;
    } userDefinedButtonCaptions;
};

// Shows the box and answers the code of the pressed button (IDYES 6, IDNO 7, ...); -1 when the dialog cannot be
// created, 2 when its template cannot be made. owner may be none: the last active pop-up of the thread's active
// window is taken, if any. The owner is disabled while the box is up. Message and caption are cut at 65535
// characters; an empty caption reads "Error". Escape and the close box end the box only when it has a Cancel
// button.
int XMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type,
                const XMessageBoxParams* params = nullptr) noexcept;

// The crash report's box: Yes/No with the request's texts and icon, modern layout, the stop icon class, no sound,
// no owner.
int ShowCrashMessageBox(const CrashMessageBoxRequest& request);

} // namespace ui
