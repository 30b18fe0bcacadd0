#include "ControlHost.h"

#include "ui/res/resource.h"

#include <cstring>

namespace testing_support {

ControlHostTemplate::ControlHostTemplate()
    : dialogTemplate(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | WS_VISIBLE, 0, 0, 0, 430, 200, L"Host") {
    ui::RegisterCommonControls();
    dialogTemplate.AddControl(WC_TREEVIEWW,
                              WS_CHILD | WS_VISIBLE | WS_BORDER | WS_HSCROLL | WS_TABSTOP | TVS_HASBUTTONS |
                                  TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS | TVS_CHECKBOXES,
                              0, 7, 21, 337, 106, kTreeId, L"");
    dialogTemplate.AddControl(WC_LISTVIEWW,
                              WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_OWNERDRAWFIXED |
                                  LVS_NOCOLUMNHEADER,
                              0, 7, 21, 337, 106, kLogId, L"");
}

ControlHost::ControlHost() : CDialog(dialogTemplate.Get()) {
    Create(nullptr);
}

void ControlHost::DoDataExchange() {
    Bind(kTreeId, tree);
    Bind(kLogId, log);
}

bool ControlHost::OnMessage(UINT message, WPARAM, LPARAM, LRESULT& result) {
    if (message != WM_CHECKS_CHANGED)
        return false;
    ++checksChanged;
    result = 0;
    return true;
}

bool ControlHost::OnCommand(UINT id, UINT, HWND) {
    commands.push_back(id);
    return true;
}

void PumpPendingMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

void ClickAt(HWND window, POINT client) {
    POINT screen = client;
    ClientToScreen(window, &screen);
    SetCursorPos(screen.x, screen.y);
    const LPARAM position = MAKELPARAM(client.x, client.y);
    PostMessageW(window, WM_LBUTTONUP, 0, position);
    SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, position);
    PumpPendingMessages();
}

std::vector<std::uint32_t> PrintClient(HWND window, int& width, int& height) {
    RECT client{};
    GetClientRect(window, &client);
    width = client.right;
    height = client.bottom;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    std::vector<std::uint32_t> pixels;
    if (bitmap != nullptr) {
        HGDIOBJ old = SelectObject(dc, bitmap);
        PatBlt(dc, 0, 0, width, height, WHITENESS);
        SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_ERASEBKGND);
        GdiFlush();
        pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
        std::memcpy(pixels.data(), bits, pixels.size() * sizeof(std::uint32_t));
        for (std::uint32_t& pixel : pixels)
            pixel &= 0xFFFFFF;
        SelectObject(dc, old);
        DeleteObject(bitmap);
    }
    DeleteDC(dc);
    return pixels;
}

} // namespace testing_support
