#include "ui/framework/Image.h"

#include <algorithm>

namespace ui {

// --- CXTPBufferDC --------------------------------------------------------------------------------------------------
CXTPBufferDC::CXTPBufferDC(HDC target, const RECT& rect, std::optional<COLORREF> fill) : target_(target), rect_(rect) {
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0)
        return;
    memory_.reset(CreateCompatibleDC(target));
    bitmap_.reset(CreateCompatibleBitmap(target, width, height));
    if (!memory_ || !bitmap_) {
        // Without memory for the surface, drawing goes straight to the target.
        memory_.reset();
        bitmap_.reset();
        return;
    }
    oldBitmap_ = SelectObject(memory_.get(), bitmap_.get());
    SetWindowOrgEx(memory_.get(), rect.left, rect.top, &oldOrigin_);
    if (fill) {
        platform::UniqueBrush brush(CreateSolidBrush(*fill));
        FillRect(memory_.get(), &rect_, brush.get());
    }
}

CXTPBufferDC::~CXTPBufferDC() {
    if (!memory_)
        return;
    BitBlt(target_, rect_.left, rect_.top, rect_.right - rect_.left, rect_.bottom - rect_.top, memory_.get(),
           rect_.left, rect_.top, SRCCOPY);
    SetWindowOrgEx(memory_.get(), oldOrigin_.x, oldOrigin_.y, nullptr);
    SelectObject(memory_.get(), oldBitmap_);
}

// --- CxImage -------------------------------------------------------------------------------------------------------
namespace {

BITMAPINFO TopDown32BitInfo(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

// The pixels of a bitmap as 32-bit top-down rows; empty on failure.
std::vector<CxImage::Pixel> ReadPixels(HBITMAP bitmap, int width, int height, int firstRow = 0) {
    std::vector<CxImage::Pixel> pixels(static_cast<size_t>(width) * height);
    BITMAPINFO info = TopDown32BitInfo(width, height + firstRow);
    HDC screen = GetDC(nullptr);
    // Rows are counted from the bottom of a top-down bitmap's scan lines: read all, keep the wanted ones.
    std::vector<CxImage::Pixel> all(static_cast<size_t>(width) * (height + firstRow));
    const int read =
        GetDIBits(screen, bitmap, 0, static_cast<UINT>(height + firstRow), all.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (read != height + firstRow)
        return {};
    std::copy(all.begin() + static_cast<ptrdiff_t>(width) * firstRow, all.end(), pixels.begin());
    return pixels;
}

std::uint8_t Clamp(int value) {
    return static_cast<std::uint8_t>(std::clamp(value, 0, 255));
}

} // namespace

bool CxImage::CreateFromIcon(HICON icon) {
    width_ = height_ = 0;
    pixels_.clear();
    ICONINFO info{};
    if (icon == nullptr || !GetIconInfo(icon, &info))
        return false;
    platform::UniqueBitmap color(info.hbmColor);
    platform::UniqueBitmap mask(info.hbmMask);
    BITMAP shape{};
    if (!mask || GetObjectW(mask.get(), sizeof(shape), &shape) == 0)
        return false;
    const int width = shape.bmWidth;
    // A monochrome icon keeps its AND mask above its XOR picture in one bitmap of double height.
    const int height = color ? shape.bmHeight : shape.bmHeight / 2;
    std::vector<Pixel> andMask = ReadPixels(mask.get(), width, height);
    std::vector<Pixel> colors =
        color ? ReadPixels(color.get(), width, height) : ReadPixels(mask.get(), width, height, height);
    if (andMask.empty() || colors.empty())
        return false;
    const bool hasAlpha = color && std::any_of(colors.begin(), colors.end(), [](Pixel p) { return p.alpha != 0; });
    for (size_t i = 0; i < colors.size(); ++i) {
        if (!hasAlpha)
            colors[i].alpha = andMask[i].red != 0 ? 0 : 255;
    }
    width_ = width;
    height_ = height;
    pixels_ = std::move(colors);
    return true;
}

bool CxImage::CreateFromBitmap(HBITMAP bitmap) {
    width_ = height_ = 0;
    pixels_.clear();
    BITMAP shape{};
    if (bitmap == nullptr || GetObjectW(bitmap, sizeof(shape), &shape) == 0)
        return false;
    std::vector<Pixel> pixels = ReadPixels(bitmap, shape.bmWidth, std::abs(shape.bmHeight));
    if (pixels.empty())
        return false;
    const bool hasAlpha =
        shape.bmBitsPixel == 32 && std::any_of(pixels.begin(), pixels.end(), [](Pixel p) { return p.alpha != 0; });
    if (!hasAlpha) {
        for (Pixel& pixel : pixels)
            pixel.alpha = 255;
    }
    width_ = shape.bmWidth;
    height_ = std::abs(shape.bmHeight);
    pixels_ = std::move(pixels);
    return true;
}

void CxImage::GrayScale() {
    for (Pixel& pixel : pixels_) {
        const auto grey = static_cast<std::uint8_t>((pixel.red * 299 + pixel.green * 587 + pixel.blue * 114) / 1000);
        pixel.red = pixel.green = pixel.blue = grey;
    }
}

void CxImage::Light(int brightness, int contrast) {
    const int scale = 100 + contrast;
    auto adjust = [&](std::uint8_t value) { return Clamp((value - 128) * scale / 100 + 128 + brightness); };
    for (Pixel& pixel : pixels_) {
        pixel.red = adjust(pixel.red);
        pixel.green = adjust(pixel.green);
        pixel.blue = adjust(pixel.blue);
    }
}

void CxImage::LimitRange(int low, int high) {
    for (Pixel& pixel : pixels_) {
        pixel.red = static_cast<std::uint8_t>(std::clamp<int>(pixel.red, low, high));
        pixel.green = static_cast<std::uint8_t>(std::clamp<int>(pixel.green, low, high));
        pixel.blue = static_cast<std::uint8_t>(std::clamp<int>(pixel.blue, low, high));
    }
}

bool CxImage::Draw(HDC dc, int x, int y) const {
    if (!IsValid())
        return false;
    BITMAPINFO info = TopDown32BitInfo(width_, height_);
    void* bits = nullptr;
    platform::UniqueBitmap section(CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    platform::UniqueMemoryDC memory(CreateCompatibleDC(dc));
    if (!section || !memory || bits == nullptr)
        return false;
    // Blending takes premultiplied pixels.
    auto* out = static_cast<Pixel*>(bits);
    for (size_t i = 0; i < pixels_.size(); ++i) {
        const Pixel& in = pixels_[i];
        out[i] = {static_cast<std::uint8_t>(in.blue * in.alpha / 255),
                  static_cast<std::uint8_t>(in.green * in.alpha / 255),
                  static_cast<std::uint8_t>(in.red * in.alpha / 255), in.alpha};
    }
    HGDIOBJ old = SelectObject(memory.get(), section.get());
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    const bool drawn = GdiAlphaBlend(dc, x, y, width_, height_, memory.get(), 0, 0, width_, height_, blend) != FALSE;
    SelectObject(memory.get(), old);
    return drawn;
}

} // namespace ui
