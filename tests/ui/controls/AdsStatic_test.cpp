// The advert strip: its three pictures, their order over timer ticks, and a click.

#include "tests/ui/ControlTestSupport.h"

#include "ui/controls/AdsStatic.h"
#include "ui/res/resource.h"

#include <gtest/gtest.h>

namespace {

using control_tests::CaptureWindow;
using control_tests::RecordingShell;
using control_tests::TestDialog;
using ui::CAdsStatic;

constexpr WORD kStripId = 100;

ui::CDialogTemplate MakeTemplate() {
    ui::CDialogTemplate page(WS_POPUP | WS_CAPTION, 0, 0, 0, 350, 50, L"Strip");
    page.AddControl(0x0082, WS_CHILD | WS_VISIBLE | SS_BITMAP, 0, 5, 5, 337, 32, kStripId, L"");
    return page;
}

HBITMAP Shown(const CAdsStatic& strip) {
    return reinterpret_cast<HBITMAP>(strip.Send(STM_GETIMAGE, IMAGE_BITMAP));
}

TEST(AdsStatic, ThePicturesAre506By52With24BitColour) {
    for (int index = 0; index < CAdsStatic::kPictureCount; ++index) {
        const int number = CAdsStatic::GetPictureResource(index);
        HRSRC found = FindResourceW(ui::GetResourceModule(), MAKEINTRESOURCEW(number), MAKEINTRESOURCEW(2));
        ASSERT_NE(found, nullptr) << number;
        const auto* header = static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(nullptr, found)));
        ASSERT_NE(header, nullptr);
        EXPECT_EQ(header->biWidth, 506);
        EXPECT_EQ(header->biHeight, 52);
        EXPECT_EQ(header->biBitCount, 24);
        // Each picture links a page of its own.
        EXPECT_EQ(CAdsStatic::GetLinkAddress(index).rfind(L"https://", 0), 0u);
        for (int other = 0; other < index; ++other)
            EXPECT_NE(CAdsStatic::GetLinkAddress(index), CAdsStatic::GetLinkAddress(other));
    }
    EXPECT_EQ(CAdsStatic::GetPictureResource(0), IDB_AD_HOME);
    EXPECT_EQ(CAdsStatic::GetPictureResource(1), IDB_AD_COMMANDLINE);
    EXPECT_EQ(CAdsStatic::GetPictureResource(2), IDB_AD_RELEASENOTES);
}

TEST(AdsStatic, TimerTicksShowThePicturesInTurnAndStartAgain) {
    const ui::CDialogTemplate pageTemplate = MakeTemplate();
    TestDialog dialog(pageTemplate);
    CAdsStatic strip;
    dialog.BindControl(kStripId, strip);
    ASSERT_TRUE(dialog.Open());
    for (int index = 0; index < CAdsStatic::kPictureCount; ++index)
        ASSERT_NE(strip.GetPicture(index), nullptr);

    EXPECT_EQ(strip.GetCurrentIndex(), 0);
    EXPECT_EQ(Shown(strip), strip.GetPicture(0));
    const int expected[] = {1, 2, 0, 1};
    for (int index : expected) {
        strip.Send(WM_TIMER, IDT_ADS_ROTATE);
        EXPECT_EQ(strip.GetCurrentIndex(), index);
        EXPECT_EQ(Shown(strip), strip.GetPicture(index));
    }
    // Another timer is not the rotation's.
    strip.Send(WM_TIMER, IDT_ADS_ROTATE + 1);
    EXPECT_EQ(strip.GetCurrentIndex(), 1);

    // The pictures differ where the first one has its own colour, and the strip shows the current one.
    UpdateWindow(strip.GetHwnd());
    const COLORREF second = CaptureWindow(strip.GetHwnd()).At(3, 3);
    strip.Send(WM_TIMER, IDT_ADS_ROTATE);
    UpdateWindow(strip.GetHwnd());
    EXPECT_NE(CaptureWindow(strip.GetHwnd()).At(3, 3), second);

    // The rotation's timer runs with the control (killing it answers whether it existed).
    EXPECT_TRUE(KillTimer(strip.GetHwnd(), IDT_ADS_ROTATE));

    // The same control on a new window: the picture of its index, the timer again, the pictures not scaled twice.
    BITMAP before{};
    GetObjectW(strip.GetPicture(0), sizeof(before), &before);
    dialog.EndDialog(IDOK);
    ASSERT_TRUE(dialog.Open());
    EXPECT_EQ(Shown(strip), strip.GetPicture(strip.GetCurrentIndex()));
    EXPECT_TRUE(KillTimer(strip.GetHwnd(), IDT_ADS_ROTATE));
    BITMAP after{};
    GetObjectW(strip.GetPicture(0), sizeof(after), &after);
    EXPECT_EQ(after.bmWidth, before.bmWidth);
}

TEST(AdsStatic, AClickOpensThePageOfThePictureShown) {
    const ui::CDialogTemplate pageTemplate = MakeTemplate();
    TestDialog dialog(pageTemplate);
    CAdsStatic strip;
    dialog.BindControl(kStripId, strip);
    ASSERT_TRUE(dialog.Open());
    EXPECT_EQ(strip.Send(WM_NCHITTEST), HTCLIENT);
    EXPECT_EQ(strip.Send(WM_SETCURSOR, reinterpret_cast<WPARAM>(strip.GetHwnd()), HTCLIENT), TRUE);

    RecordingShell shell(true);
    strip.Send(WM_TIMER, IDT_ADS_ROTATE);
    strip.Send(WM_TIMER, IDT_ADS_ROTATE);
    strip.Send(WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    ASSERT_EQ(shell.requests.size(), 1u);
    EXPECT_EQ(shell.requests[0].address, "https://www.quartzmoore.com/tidyquill/release-notes.html");
    EXPECT_EQ(shell.requests[0].verb, "open");
    EXPECT_EQ(shell.requests[0].owner, dialog.GetHwnd());
    // The picture and the index stay together.
    EXPECT_EQ(strip.GetCurrentIndex(), 2);
    EXPECT_EQ(Shown(strip), strip.GetPicture(2));
    strip.Send(WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    ASSERT_EQ(shell.requests.size(), 2u);
    EXPECT_EQ(shell.requests[1].address, shell.requests[0].address);
}

} // namespace
