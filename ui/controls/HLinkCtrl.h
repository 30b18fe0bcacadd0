#pragma once
// A hyperlink on a static control: the link colours and underline mode come from the browser settings in the
// current user's registry; the control turns to the hover colour under the mouse and to the visited colour after a
// successful open, shows the address as its tooltip and paints on a snapshot of its parent's background, so that it
// looks transparent on any dialog.

#include "platform/Handle_win.h"
#include "ui/framework/Control.h"

#include <string>

namespace ui {

class CHLinkCtrl : public CControl {
public:
    enum State { kNormal = 0, kVisited = 1, kHovered = 2 };
    enum Underline { kUnderlineAlways = 0, kUnderlineNever = 1, kUnderlineHover = 2 };

    // Reads the colours and the underline mode from the registry (defaults where a value is missing).
    CHLinkCtrl();
    ~CHLinkCtrl() override;

    // Replaces the address and repaints.
    void SetURL(const std::wstring& address);
    const std::wstring& GetURL() const { return address_; }
    // The shell verb used to open the address; empty is the system's default verb.
    void SetVerb(const std::wstring& verb) { verb_ = verb; }
    // Whether the control shows its address as a tooltip; takes effect when the control is attached.
    void EnableTooltips(bool enable) { tooltipsEnabled_ = enable; }

    // Opens the address through the shell, owned by the parent window, with the wait cursor meanwhile. On success
    // the link becomes visited (for the rest of its life) and repaints; on failure it keeps its colour.
    virtual bool OpenLink();

    State GetState() const { return state_; }
    Underline GetUnderlineMode() const { return underline_; }
    void SetUnderlineMode(Underline mode);
    COLORREF GetLinkColor() const { return linkColor_; }
    COLORREF GetVisitedColor() const { return visitedColor_; }
    COLORREF GetHoverColor() const { return hoverColor_; }
    bool IsHoverEnabled() const { return hoverEnabled_; }
    // The colour the link is painted in now.
    COLORREF GetCurrentColor() const;
    // Whether the link is underlined now.
    bool IsUnderlinedNow() const;

    // The registry readers, under HKEY_CURRENT_USER. A colour value is "red,green,blue" in decimal; each
    // component that the text lacks or that does not read keeps the default's. A missing key or value gives the
    // default.
    static COLORREF ReadColorSetting(const wchar_t* key, const wchar_t* value, COLORREF defaultColor);
    // False only for the text "no" (any case).
    static bool ReadYesNoSetting(const wchar_t* key, const wchar_t* value, bool defaultValue);
    // "no" gives never, "hover" on hover, any other text always.
    static Underline ReadUnderlineSetting(const wchar_t* key, const wchar_t* value, Underline defaultMode);
    // The parsing behind ReadColorSetting.
    static COLORREF ParseColor(const std::wstring& text, COLORREF defaultColor);
    // The default link colour: the system's hot-track colour, or a plain link blue when that colour differs too
    // little in lightness from the dialog's face to be read.
    static COLORREF DefaultLinkColor(COLORREF hotTrack, COLORREF face);
    static constexpr COLORREF kReadableLinkColor = RGB(0, 102, 204);
    static constexpr int kMinimumContrast = 80;
    // The default visited colour for the system's text colours: red and blue the average of window text and window,
    // green the window text's.
    static COLORREF DefaultVisitedColor(COLORREF windowText, COLORREF window);

protected:
    void PreSubclassWindow() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    bool OnReflect(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void SetState(State state);
    void Repaint();
    void MakeUnderlineFont();
    // Gives the control the underlined or the plain font, as the state and the mode ask.
    void ApplyFont();
    void OnMouseMove(LPARAM lParam);
    void LeaveHover();
    bool EraseBackground(HDC dc);
    void CreateTooltip();

    std::wstring address_;
    HCURSOR handCursor_ = nullptr; // shared system cursor, not destroyed
    COLORREF linkColor_ = 0;
    COLORREF visitedColor_ = 0;
    COLORREF hoverColor_ = 0;
    bool hoverEnabled_ = true;
    Underline underline_ = kUnderlineAlways;
    State state_ = kNormal;
    State stateBeforeHover_ = kNormal;
    HFONT normalFont_ = nullptr; // the dialog's
    platform::UniqueFont underlineFont_;
    bool tooltipsEnabled_ = true;
    std::wstring verb_;
    bool trackingMouseLeave_ = false;
    bool applyingFont_ = false;
    platform::UniqueBitmap background_;
    HWND tooltip_ = nullptr; // destroyed with the control
    std::wstring tooltipText_;
};

} // namespace ui
