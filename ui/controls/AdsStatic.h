#pragma once
// The rotating advert strip on a bitmap static: three pictures of the product's own pages in turn, one every
// twelve seconds; a click opens the page of the picture shown.

#include "platform/Handle_win.h"
#include "ui/framework/Control.h"

#include <string>

namespace ui {

class CAdsStatic : public CControl {
public:
    static constexpr int kPictureCount = 3;
    static constexpr UINT kRotationPeriodMs = 12000;

    // Loads the three pictures.
    CAdsStatic();
    ~CAdsStatic() override;

    // The picture shown now: 0, 1 or 2.
    int GetCurrentIndex() const { return index_; }
    // The bitmap resource number and the page address of each picture.
    static int GetPictureResource(int index);
    static std::wstring GetLinkAddress(int index);
    // The picture of an index as shown (owned by the control): the resource, scaled to the control's DPI once the
    // control is attached.
    HBITMAP GetPicture(int index) const;

protected:
    // Shows the first picture and starts the rotation timer.
    void PreSubclassWindow() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    // The pictures again, at the new DPI.
    void OnDpiChanged() override;

private:
    void ShowPicture(int index);
    // Dialogs grow with the DPI; the pictures grow with them so that the strip keeps its place. Each time from the
    // resources, so that a picture is never scaled twice.
    void LoadPictures(int dpi);

    HCURSOR handCursor_ = nullptr; // shared system cursor, not destroyed
    platform::UniqueBitmap pictures_[kPictureCount];
    int index_ = 0;
    int picturesDpi_ = 0;
};

} // namespace ui
