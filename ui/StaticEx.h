#pragma once
// A static control that paints itself without flicker: bold text, colours of its own, and a picture before the text
// with its alpha channel, lightened or turned grey (always grey while the control is disabled). With it the
// off-screen drawing surface it paints on, and the small image class that holds the picture.

#include "platform/Handle_win.h"
#include "ui/Control.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace ui {

// An off-screen drawing surface: a memory context with a bitmap of the rectangle's size, optionally filled with a
// colour; its contents are copied to the target's rectangle when the object goes.
class CXTPBufferDC {
public:
    CXTPBufferDC(HDC target, const RECT& rect, std::optional<COLORREF> fill = std::nullopt);
    ~CXTPBufferDC();
    CXTPBufferDC(const CXTPBufferDC&) = delete;
    CXTPBufferDC& operator=(const CXTPBufferDC&) = delete;

    // The memory context; its coordinates are the target's (the rectangle's origin is mapped onto the bitmap).
    HDC GetDC() const { return memory_.get() != nullptr ? memory_.get() : target_; }
    operator HDC() const { return GetDC(); }

private:
    HDC target_;
    RECT rect_;
    platform::UniqueMemoryDC memory_;
    platform::UniqueBitmap bitmap_;
    HGDIOBJ oldBitmap_ = nullptr;
    POINT oldOrigin_{};
};

// A picture as straight (not premultiplied) 32-bit pixels with an alpha channel, top row first, made from an icon
// or a bitmap; the two effects work on the pixels, and drawing blends it onto a context.
class CxImage {
public:
    struct Pixel {
        std::uint8_t blue, green, red, alpha;
    };

    CxImage() = default;
    // Takes the icon's colour and mask (or alpha channel, when the icon has one).
    bool CreateFromIcon(HICON icon);
    // Takes a bitmap's pixels; a 32-bit bitmap whose alpha is not all zero keeps its alpha, others are opaque.
    bool CreateFromBitmap(HBITMAP bitmap);
    bool IsValid() const { return width_ > 0 && height_ > 0; }
    int GetWidth() const { return width_; }
    int GetHeight() const { return height_; }
    Pixel GetPixel(int x, int y) const { return pixels_[static_cast<size_t>(y) * width_ + x]; }

    // Grey levels (luma of each pixel), alpha kept.
    void GrayScale();
    // Raises the brightness by the amount (0-255 scale) and scales the contrast around the middle by the percent
    // change (0 keeps it), alpha kept.
    void Light(int brightness, int contrast = 0);
    // Keeps each colour component within [low, high] (a grey picture that stays readable on any background).
    void LimitRange(int low, int high);
    // Blends the picture onto the context with its top-left corner there.
    bool Draw(HDC dc, int x, int y) const;

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<Pixel> pixels_;
};

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
