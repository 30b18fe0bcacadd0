// The static with pictures: the off-screen surface, the image effects, and the painted background, text and
// picture.

#include "tests/ui/ControlTestSupport.h"

#include "catalogue/IconNumbers.h"
#include "ui/controls/StaticEx.h"

#include <gtest/gtest.h>

namespace {

using control_tests::CaptureWindow;
using control_tests::TestDialog;
using ui::CStaticEx;
using ui::CxImage;

constexpr WORD kStaticId = 100;

// A 32-bit top-down DIB section of one colour, selected into a memory context.
struct Surface {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = nullptr;
    std::uint32_t* bits = nullptr;
    HGDIOBJ old = nullptr;
    int width;

    Surface(int w, int h, std::uint32_t fill) : width(w) {
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* memory = nullptr;
        bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &memory, nullptr, 0);
        bits = static_cast<std::uint32_t*>(memory);
        std::fill(bits, bits + w * h, fill);
        old = SelectObject(dc, bitmap);
    }
    ~Surface() {
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    std::uint32_t At(int x, int y) const {
        GdiFlush();
        return bits[y * width + x] & 0xffffff;
    }
};

TEST(StaticEx, TheBufferCopiesItsRectangleWhenItGoes) {
    Surface target(20, 20, 0x000000);
    const RECT rect{5, 6, 15, 16};
    {
        ui::CXTPBufferDC buffer(target.dc, rect, RGB(0, 0, 255));
        // Drawing uses the target's coordinates.
        SetPixel(buffer, 5, 6, RGB(255, 0, 0));
        SetPixel(buffer, 14, 15, RGB(0, 255, 0));
        EXPECT_EQ(target.At(10, 10), 0x000000u); // nothing reaches the target before the end
    }
    EXPECT_EQ(target.At(5, 6), 0xff0000u);
    EXPECT_EQ(target.At(14, 15), 0x00ff00u);
    EXPECT_EQ(target.At(10, 10), 0x0000ffu);
    EXPECT_EQ(target.At(4, 6), 0x000000u);
    EXPECT_EQ(target.At(15, 16), 0x000000u);
}

TEST(StaticEx, ImageEffectsAndTransparency) {
    HICON icon = ui::LoadIconResource(IDI_FIREFOX, 16);
    ASSERT_NE(icon, nullptr);
    CxImage image;
    ASSERT_TRUE(image.CreateFromIcon(icon));
    DestroyIcon(icon);
    EXPECT_EQ(image.GetWidth(), 16);
    EXPECT_EQ(image.GetHeight(), 16);
    EXPECT_EQ(image.GetPixel(0, 0).alpha, 0); // the rounded corner is transparent
    const CxImage::Pixel centre = image.GetPixel(8, 8);
    EXPECT_EQ(centre.alpha, 255);

    CxImage grey = image;
    grey.GrayScale();
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            const CxImage::Pixel p = grey.GetPixel(x, y);
            EXPECT_TRUE(p.red == p.green && p.green == p.blue);
            EXPECT_EQ(p.alpha, image.GetPixel(x, y).alpha);
        }
    }
    CxImage lighter = image;
    lighter.Light(20, 0);
    const CxImage::Pixel lit = lighter.GetPixel(3, 8);
    const CxImage::Pixel was = image.GetPixel(3, 8);
    EXPECT_EQ(lit.red, std::min(255, was.red + 20));
    EXPECT_EQ(lit.green, std::min(255, was.green + 20));
    EXPECT_EQ(lit.blue, std::min(255, was.blue + 20));
    CxImage white = image;
    white.Light(300, 0);
    EXPECT_EQ(white.GetPixel(8, 8).red, 255); // clamped, not wrapped

    // Drawn with its alpha: the corner keeps the background.
    Surface target(16, 16, 0x00ff00);
    ASSERT_TRUE(image.Draw(target.dc, 0, 0));
    EXPECT_EQ(target.At(0, 0), 0x00ff00u);
    // An opaque pixel comes through (blending may round by one).
    const std::uint32_t drawn = target.At(3, 8);
    EXPECT_NEAR(static_cast<int>(drawn >> 16), was.red, 1);
    EXPECT_NEAR(static_cast<int>(drawn >> 8 & 0xff), was.green, 1);
    EXPECT_NEAR(static_cast<int>(drawn & 0xff), was.blue, 1);
}

ui::CDialogTemplate MakeTemplate(DWORD style, const wchar_t* text) {
    ui::CDialogTemplate page(WS_POPUP | WS_CAPTION, 0, 0, 0, 160, 40, L"Static");
    page.AddControl(0x0082, WS_CHILD | WS_VISIBLE | style, 0, 5, 5, 120, 20, kStaticId, text);
    return page;
}

// Whether a pixel is grey (all three components equal).
bool Grey(COLORREF colour) {
    return GetRValue(colour) == GetGValue(colour) && GetGValue(colour) == GetBValue(colour);
}

TEST(StaticEx, PaintsBackgroundTextAndPictureWhereAsked) {
    const ui::CDialogTemplate pageTemplate = MakeTemplate(SS_CENTERIMAGE, L"Bold text");
    TestDialog dialog(pageTemplate);
    CStaticEx label(true);
    dialog.BindControl(kStaticId, label);
    ASSERT_TRUE(dialog.Open());

    label.SetBackgroundColor(RGB(10, 20, 30));
    label.SetTextColor(RGB(250, 240, 0));
    auto shown = CaptureWindow(label.GetHwnd());
    EXPECT_EQ(shown.At(0, 0), RGB(10, 20, 30));
    EXPECT_GT(shown.Count(RGB(250, 240, 0)), 30);
    const int boldPixels = shown.Count(RGB(250, 240, 0));
    label.SetBold(false);
    EXPECT_LT(CaptureWindow(label.GetHwnd()).Count(RGB(250, 240, 0)), boldPixels);

    // A new text leaves no trace of the old one.
    label.SetText(L"x");
    UpdateWindow(dialog.GetHwnd());
    control_tests::PumpMessages();
    EXPECT_TRUE(label.IsVisible());
    const auto [first, last] = CaptureWindow(label.GetHwnd()).ColumnSpan(RGB(250, 240, 0));
    EXPECT_LT(last - first, 12);

    // The picture, right-aligned, coloured; grey while disabled whatever the effect.
    label.SetText(L"");
    HICON icon = ui::LoadIconResource(IDI_CHROME, 16);
    label.SetImageIcon(icon);
    DestroyIcon(icon);
    label.SetImageAlignment(CStaticEx::kImageRight);
    shown = CaptureWindow(label.GetHwnd());
    const int right = shown.width - 8;
    const int middle = shown.height / 2;
    EXPECT_FALSE(Grey(shown.At(right - 5, middle)));
    EXPECT_EQ(shown.At(right - 5 - 16, middle), RGB(10, 20, 30)); // left of the picture
    label.SetImageAlignment(CStaticEx::kImageLeft);
    shown = CaptureWindow(label.GetHwnd());
    EXPECT_FALSE(Grey(shown.At(3, middle)));
    EXPECT_EQ(shown.At(right - 5, middle), RGB(10, 20, 30));
    label.SetImageEffect(CStaticEx::kEffectGray);
    EXPECT_TRUE(Grey(CaptureWindow(label.GetHwnd()).At(3, middle)));
    label.SetImageEffect(CStaticEx::kEffectNone);
    label.Enable(false);
    EXPECT_TRUE(Grey(CaptureWindow(label.GetHwnd()).At(3, middle)));
}

TEST(StaticEx, WithoutAColourTheParentsBrushShows) {
    const ui::CDialogTemplate pageTemplate = MakeTemplate(0, L"");
    TestDialog dialog(pageTemplate);
    CStaticEx label;
    dialog.BindControl(kStaticId, label);
    ASSERT_TRUE(dialog.Open());
    label.Invalidate();
    UpdateWindow(label.GetHwnd());
    EXPECT_EQ(CaptureWindow(label.GetHwnd()).At(2, 2), GetSysColor(COLOR_BTNFACE));
}

} // namespace
