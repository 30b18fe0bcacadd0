#pragma once
// A static control that paints itself without flicker: bold text, colours of its own, and a picture before the text
// with its alpha channel, lightened or turned grey (always grey while the control is disabled).

#include "ui/framework/Control.h"
#include "ui/framework/Image.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace ui {

class CStaticEx : public CControl {
public:
    enum ImageAlignment { kImageLeft = 0, kImageCenter = 1, kImageRight = 2 };
    enum ImageEffect { kEffectNone = 0, kEffectLighten = 1, kEffectGray = 2 };

    explicit CStaticEx(bool bold = false);
    ~CStaticEx() override;

    // Sets the bold flag and repaints.
    void SetBold(bool bold);
    bool IsBold() const { return bold_; }
    // Replaces the picture by one made from the icon (the icon stays the caller's) and repaints; null removes it.
    void SetImageIcon(HICON icon);
    // A colour, or none for the brush the parent gives static controls.
    void SetBackgroundColor(std::optional<COLORREF> color);
    // A colour, or none for the context's.
    void SetTextColor(std::optional<COLORREF> color);
    void SetImageAlignment(ImageAlignment alignment);
    void SetImageEffect(ImageEffect effect);
    void SetImageOffset(int x, int y);

    // Paints the whole control into the context (the WM_PAINT drawing, also used for owner drawing).
    void DrawItem(HDC dc);

protected:
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    bool OnReflect(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void Repaint();
    HFONT GetPaintFont();

    bool bold_;
    CxImage image_;
    std::optional<COLORREF> backgroundColor_;
    std::optional<COLORREF> textColor_;
    platform::UniqueFont font_;
    ImageAlignment imageAlignment_ = kImageLeft;
    ImageEffect imageEffect_ = kEffectNone;
    POINT imageOffset_{};
};

} // namespace ui
