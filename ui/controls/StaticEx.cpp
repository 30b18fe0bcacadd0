#include "ui/controls/StaticEx.h"

#include <algorithm>

namespace ui {

// --- CStaticEx -----------------------------------------------------------------------------------------------------
CStaticEx::CStaticEx(bool bold) : bold_(bold) {}

CStaticEx::~CStaticEx() = default;

void CStaticEx::Repaint() {
    if (GetHwnd() == nullptr)
        return;
    InvalidateRect(GetHwnd(), nullptr, FALSE);
    UpdateWindow(GetHwnd());
}

void CStaticEx::SetBold(bool bold) {
    bold_ = bold;
    font_.reset();
    Repaint();
}

void CStaticEx::SetImageIcon(HICON icon) {
    image_ = CxImage();
    if (icon != nullptr)
        image_.CreateFromIcon(icon);
    Repaint();
}

void CStaticEx::SetBackgroundColor(std::optional<COLORREF> color) {
    backgroundColor_ = color;
    Repaint();
}

void CStaticEx::SetTextColor(std::optional<COLORREF> color) {
    textColor_ = color;
    Repaint();
}

void CStaticEx::SetImageAlignment(ImageAlignment alignment) {
    imageAlignment_ = alignment;
    Repaint();
}

void CStaticEx::SetImageEffect(ImageEffect effect) {
    imageEffect_ = effect;
    Repaint();
}

void CStaticEx::SetImageOffset(int x, int y) {
    imageOffset_ = {x, y};
    Repaint();
}

HFONT CStaticEx::GetPaintFont() {
    if (!font_) {
        LOGFONTW font{};
        auto source = reinterpret_cast<HGDIOBJ>(Send(WM_GETFONT));
        if (source == nullptr)
            source = GetStockObject(DEFAULT_GUI_FONT);
        if (GetObjectW(source, sizeof(font), &font) == 0)
            return nullptr;
        if (bold_)
            font.lfWeight = FW_BOLD;
        font_.reset(CreateFontIndirectW(&font));
    }
    return font_.get();
}

void CStaticEx::DrawItem(HDC dc) {
    const RECT client = GetClientRect();
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    CXTPBufferDC buffer(dc, client);

    // Background: ours, or the parent's brush for statics (which may also set the text colour), or the dialog face.
    HBRUSH brush = nullptr;
    platform::UniqueBrush own;
    if (backgroundColor_) {
        own.reset(CreateSolidBrush(*backgroundColor_));
        brush = own.get();
    } else if (HWND parent = GetParent(GetHwnd()); parent != nullptr) {
        brush = reinterpret_cast<HBRUSH>(SendMessageW(
            parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(buffer.GetDC()), reinterpret_cast<LPARAM>(GetHwnd())));
    }
    FillRect(buffer, &client, brush != nullptr ? brush : GetSysColorBrush(COLOR_BTNFACE));

    const bool enabled = IsEnabled();
    if (image_.IsValid()) {
        CxImage shown = image_;
        const ImageEffect effect = enabled ? imageEffect_ : kEffectGray;
        if (effect == kEffectGray)
            shown.GrayScale();
        else if (effect == kEffectLighten)
            shown.Light(20, 0);
        int x = 0;
        if (imageAlignment_ == kImageCenter)
            x = (width - shown.GetWidth()) / 2;
        else if (imageAlignment_ == kImageRight)
            x = width - shown.GetWidth();
        shown.Draw(buffer, x + imageOffset_.x, (height - shown.GetHeight()) / 2 + imageOffset_.y);
    }

    const std::wstring text = GetText();
    if (text.empty())
        return;
    HGDIOBJ oldFont = SelectObject(buffer, GetPaintFont());
    if (textColor_)
        ::SetTextColor(buffer, *textColor_);
    SetBkMode(buffer, TRANSPARENT);
    const auto style = static_cast<DWORD>(GetWindowLongW(GetHwnd(), GWL_STYLE));
    const DWORD type = style & SS_TYPEMASK;
    UINT flags = 0;
    if (type == SS_CENTER)
        flags |= DT_CENTER;
    else if (type == SS_RIGHT)
        flags |= DT_RIGHT;
    if (style & SS_CENTERIMAGE)
        flags |= DT_SINGLELINE | DT_VCENTER;
    if (style & SS_NOPREFIX)
        flags |= DT_NOPREFIX;
    switch (style & SS_ELLIPSISMASK) {
    case SS_ENDELLIPSIS:
        flags |= DT_END_ELLIPSIS;
        break;
    case SS_PATHELLIPSIS:
        flags |= DT_PATH_ELLIPSIS;
        break;
    case SS_WORDELLIPSIS:
        flags |= DT_WORD_ELLIPSIS;
        break;
    default:
        break;
    }
    if (type != SS_LEFTNOWORDWRAP && !(style & SS_CENTERIMAGE) && !(style & SS_ELLIPSISMASK))
        flags |= DT_WORDBREAK;
    RECT area = client;
    if (enabled)
        DrawTextW(buffer, text.c_str(), static_cast<int>(text.size()), &area, flags);
    else
        DrawStateW(buffer, nullptr, nullptr, reinterpret_cast<LPARAM>(text.c_str()), static_cast<WPARAM>(text.size()),
                   0, 0, width, height, DST_TEXT | DSS_DISABLED);
    SelectObject(buffer, oldFont);
}

bool CStaticEx::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(GetHwnd(), &paint);
        if (dc != nullptr)
            DrawItem(dc);
        EndPaint(GetHwnd(), &paint);
        result = 0;
        return true;
    }
    case WM_PRINTCLIENT:
        DrawItem(reinterpret_cast<HDC>(wParam));
        result = 0;
        return true;
    case WM_ERASEBKGND:
        // The paint covers every pixel.
        result = TRUE;
        return true;
    case WM_SETTEXT: {
        // Hidden while the text changes, so that the parent repaints what the old text covered.
        const bool visible = IsVisible();
        if (visible)
            ShowWindow(GetHwnd(), SW_HIDE);
        result = DefaultProc(message, wParam, lParam);
        if (visible)
            ShowWindow(GetHwnd(), SW_SHOWNA);
        return true;
    }
    case WM_SETFONT:
    case WM_DESTROY:
        // Made again from the window's font at the next paint.
        font_.reset();
        return false;
    case WM_ENABLE:
        result = DefaultProc(message, wParam, lParam);
        Repaint();
        return true;
    default:
        return false;
    }
}

bool CStaticEx::OnReflect(UINT message, WPARAM, LPARAM lParam, LRESULT& result) {
    if (message != WM_DRAWITEM)
        return false;
    DrawItem(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)->hDC);
    result = TRUE;
    return true;
}

} // namespace ui
