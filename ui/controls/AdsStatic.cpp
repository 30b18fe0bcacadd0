#include "ui/controls/AdsStatic.h"

#include "platform/Processes.h"
#include "platform/Text.h"
#include "support/ProductAddresses.h"
#include "ui/res/resource.h"

namespace ui {

namespace {

const int kPictureResources[CAdsStatic::kPictureCount] = {IDB_AD_HOME, IDB_AD_COMMANDLINE, IDB_AD_RELEASENOTES};
// Pages below the product's home page.
const char* const kLinkPages[CAdsStatic::kPictureCount] = {"", "command-line.html", "release-notes.html"};

} // namespace

CAdsStatic::CAdsStatic() {
    handCursor_ = LoadCursorW(nullptr, IDC_HAND);
    LoadPictures(kDefaultDpi);
}

CAdsStatic::~CAdsStatic() {
    // The static must not keep showing a bitmap that goes with this object.
    if (GetHwnd() != nullptr && IsWindow(GetHwnd())) {
        KillTimer(GetHwnd(), IDT_ADS_ROTATE);
        Send(STM_SETIMAGE, IMAGE_BITMAP, 0);
    }
}

int CAdsStatic::GetPictureResource(int index) {
    return index >= 0 && index < kPictureCount ? kPictureResources[index] : 0;
}

std::wstring CAdsStatic::GetLinkAddress(int index) {
    if (index < 0 || index >= kPictureCount)
        return {};
    return platform::Utf8ToWide(std::string(kHomePageAddress) + kLinkPages[index]);
}

HBITMAP CAdsStatic::GetPicture(int index) const {
    return index >= 0 && index < kPictureCount ? pictures_[index].get() : nullptr;
}

void CAdsStatic::ShowPicture(int index) {
    HBITMAP picture = GetPicture(index);
    if (picture == nullptr || GetHwnd() == nullptr)
        return;
    auto previous = reinterpret_cast<HBITMAP>(Send(STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture)));
    // A bitmap that the static loaded itself from the dialog template is the caller's to delete.
    bool ours = false;
    for (const auto& owned : pictures_)
        ours = ours || owned.get() == previous;
    if (previous != nullptr && !ours)
        DeleteObject(previous);
}

void CAdsStatic::LoadPictures(int dpi) {
    if (dpi == picturesDpi_)
        return;
    picturesDpi_ = dpi;
    platform::UniqueBitmap loaded[kPictureCount];
    HDC screen = GetDC(nullptr);
    for (int i = 0; i < kPictureCount; ++i) {
        loaded[i].reset(static_cast<HBITMAP>(LoadImageW(GetResourceModule(), MAKEINTRESOURCEW(kPictureResources[i]),
                                                        IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR)));
        BITMAP shape{};
        if (dpi == kDefaultDpi || !loaded[i] || GetObjectW(loaded[i].get(), sizeof(shape), &shape) == 0)
            continue;
        const int width = ScaleToDpi(shape.bmWidth, dpi);
        const int height = ScaleToDpi(shape.bmHeight, dpi);
        platform::UniqueBitmap scaled(CreateCompatibleBitmap(screen, width, height));
        platform::UniqueMemoryDC source(CreateCompatibleDC(screen));
        platform::UniqueMemoryDC target(CreateCompatibleDC(screen));
        if (!scaled || !source || !target)
            continue;
        HGDIOBJ oldSource = SelectObject(source.get(), loaded[i].get());
        HGDIOBJ oldTarget = SelectObject(target.get(), scaled.get());
        SetStretchBltMode(target.get(), HALFTONE);
        SetBrushOrgEx(target.get(), 0, 0, nullptr);
        StretchBlt(target.get(), 0, 0, width, height, source.get(), 0, 0, shape.bmWidth, shape.bmHeight, SRCCOPY);
        SelectObject(source.get(), oldSource);
        SelectObject(target.get(), oldTarget);
        loaded[i] = std::move(scaled);
    }
    if (screen != nullptr)
        ReleaseDC(nullptr, screen);
    // The static still shows one of the pictures before: it takes the new one first, then the old ones go.
    for (int i = 0; i < kPictureCount; ++i)
        std::swap(pictures_[i], loaded[i]);
    if (GetHwnd() == nullptr)
        return;
    auto previous =
        reinterpret_cast<HBITMAP>(Send(STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(pictures_[index_].get())));
    // A bitmap that the static loaded itself from the dialog template is the caller's to delete.
    bool ours = false;
    for (int i = 0; i < kPictureCount; ++i)
        ours = ours || loaded[i].get() == previous || pictures_[i].get() == previous;
    if (previous != nullptr && !ours)
        DeleteObject(previous);
}

void CAdsStatic::OnDpiChanged() {
    LoadPictures(GetDpi());
}

void CAdsStatic::PreSubclassWindow() {
    LoadPictures(GetDpi());
    ShowPicture(index_);
    SetTimer(GetHwnd(), IDT_ADS_ROTATE, kRotationPeriodMs, nullptr);
}

bool CAdsStatic::OnMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
    if (HandleClickableStatic(message, handCursor_, result))
        return true;
    switch (message) {
    case WM_TIMER:
        if (wParam != IDT_ADS_ROTATE)
            return false;
        index_ = (index_ + 1) % kPictureCount;
        ShowPicture(index_);
        result = 0;
        return true;
    case WM_LBUTTONUP:
        platform::OpenWithShell(platform::WideToUtf8(GetLinkAddress(index_)), "open", GetParent(GetHwnd()));
        // The picture stays the one whose page was opened, so that picture and link never disagree.
        ShowPicture(index_);
        return false;
    case WM_DESTROY:
        KillTimer(GetHwnd(), IDT_ADS_ROTATE);
        return false;
    default:
        return false;
    }
}

} // namespace ui
