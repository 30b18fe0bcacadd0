#pragma once
// Drawing helpers of the window layer: an off-screen drawing surface, and a picture with its alpha channel that can
// be turned grey or lightened before it is drawn (menu icons, the extended static's picture, the icon lists).

#include "platform/Handle_win.h"

#include <windows.h>

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

} // namespace ui
