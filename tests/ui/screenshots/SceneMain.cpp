// The picture program: shows every registered scene (or the ones named on the command line) and writes each window
// as it appears on the screen to <folder>/<scene>-<label>.bmp, where the screenshot script turns it into a PNG.
//
//   tidyquill_screenshots <folder> <label> [scene...]

#include "tests/ui/PopupMenu.h"
#include "tests/ui/screenshots/Scene.h"

#include "platform/Processes.h"
#include "platform/Text.h"
#include "ui/framework/Window.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>

namespace screenshots {

namespace {

std::map<std::string, SceneFunction>& Scenes() {
    static std::map<std::string, SceneFunction> scenes;
    return scenes;
}

// Lets the windows of this thread handle what is queued, for about the given time.
void Pump(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    MSG message;
    while (GetTickCount() - start < milliseconds) {
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (!IsDialogMessageW(GetActiveWindow(), &message)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
        }
        Sleep(10);
    }
}

// Writes 24-bit bottom-up rows as a BMP file.
bool SaveBitmapFile(const std::vector<unsigned char>& rows, int width, int height, const std::wstring& path) {
    BITMAPINFOHEADER info{};
    info.biSize = sizeof(info);
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    info.biSizeImage = static_cast<DWORD>(rows.size());
    BITMAPFILEHEADER file{};
    file.bfType = 0x4d42;
    file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    file.bfSize = file.bfOffBits + info.biSizeImage;
    std::ofstream out(platform::WideToUtf8(path), std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof(file));
    out.write(reinterpret_cast<const char*>(&info), sizeof(info));
    out.write(reinterpret_cast<const char*>(rows.data()), static_cast<std::streamsize>(rows.size()));
    return static_cast<bool>(out);
}

// What the windows show, frames included, each copied from its window context to its place on the screen, in a
// white picture of the rectangle that holds them all (24-bit bottom-up rows).
bool CaptureWindows(const std::vector<HWND>& windows, std::vector<unsigned char>& rows, int& width, int& height) {
    RECT all{};
    for (HWND window : windows) {
        RECT rect{};
        GetWindowRect(window, &rect);
        UnionRect(&all, &all, &rect);
    }
    width = all.right - all.left;
    height = all.bottom - all.top;
    if (width <= 0 || height <= 0)
        return false;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(nullptr);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(memory, bitmap);
    RECT area{0, 0, width, height};
    FillRect(memory, &area, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    bool copied = bits != nullptr;
    for (HWND window : windows) {
        RECT rect{};
        GetWindowRect(window, &rect);
        HDC windowDc = GetWindowDC(window);
        copied = BitBlt(memory, rect.left - all.left, rect.top - all.top, rect.right - rect.left,
                        rect.bottom - rect.top, windowDc, 0, 0, SRCCOPY) != FALSE &&
                 copied;
        ReleaseDC(window, windowDc);
    }
    GdiFlush();
    if (copied) {
        const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~static_cast<size_t>(3);
        const auto* begin = static_cast<const unsigned char*>(bits);
        rows.assign(begin, begin + stride * static_cast<size_t>(height));
    }
    SelectObject(memory, old);
    DeleteDC(memory);
    DeleteObject(bitmap);
    ReleaseDC(nullptr, screen);
    return copied;
}

} // namespace

Scene::~Scene() {
    for (auto action = atEnd_.rbegin(); action != atEnd_.rend(); ++action)
        (*action)();
    while (!objects_.empty())
        objects_.pop_back();
}

void Scene::TakePicture(const std::vector<HWND>& windows) {
    if (!CaptureWindows(windows, picture_, pictureWidth_, pictureHeight_))
        picture_.clear();
}

void Scene::Settle(unsigned milliseconds) {
    Pump(milliseconds);
}

void Scene::PointAt(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    SetCursorPos((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
}

bool RegisterScene(const char* name, SceneFunction function) {
    Scenes()[name] = function;
    return true;
}

namespace {
// The scene and owner of the context menu being pictured, for the timer inside the menu's loop.
Scene* menuScene = nullptr;
HWND menuOwner = nullptr;

void CALLBACK PictureTheOpenMenu(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    if (HWND menu = testing_support::OwnPopupMenu(); menu != nullptr)
        menuScene->TakePicture({menuOwner, menu});
    EndMenu();
}
} // namespace

void PictureContextMenu(Scene& scene, HWND owner, const std::function<void()>& openMenu) {
    menuScene = &scene;
    menuOwner = owner;
    SetForegroundWindow(owner);
    SetTimer(nullptr, 0, 400, PictureTheOpenMenu);
    openMenu();
}

} // namespace screenshots

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: tidyquill_screenshots <folder> <label> [scene...]\n");
        return 2;
    }
    const std::wstring folder = platform::Utf8ToWide(argv[1]);
    const std::string label = argv[2];
    // The classes the program registers, as it does at start-up.
    ui::RegisterCommonControls();
    // Nothing a scene does may open a browser or a mail program.
    platform::SetShellOpenFunction(
        [](const std::string&, const std::string&, void*, const std::string&) { return true; });

    int failures = 0;
    for (const auto& [name, function] : screenshots::Scenes()) {
        if (argc > 3 && std::find(argv + 3, argv + argc, name) == argv + argc)
            continue;
        screenshots::Scene scene;
        HWND window = function(scene);
        if (window == nullptr) {
            std::fprintf(stderr, "%s: the scene made no window\n", name.c_str());
            ++failures;
            continue;
        }
        SetWindowPos(window, HWND_TOP, 16, 16, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
        screenshots::Pump(400);
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
        screenshots::Pump(300);
        scene.RunAfterShown();
        screenshots::Pump(300);
        const std::wstring path = folder + L"\\" + platform::Utf8ToWide(name + "-" + label + ".bmp");
        std::vector<unsigned char> rows;
        int width = 0;
        int height = 0;
        bool taken = false;
        if (scene.HasPicture()) {
            rows = scene.GetPicture(width, height);
            taken = true;
        } else {
            taken = screenshots::CaptureWindows({window}, rows, width, height);
        }
        if (!taken || !screenshots::SaveBitmapFile(rows, width, height, path)) {
            std::fprintf(stderr, "%s: the picture could not be saved\n", name.c_str());
            ++failures;
        } else {
            std::printf("%s-%s\n", name.c_str(), label.c_str());
        }
        std::fflush(stdout);
    }
    return failures == 0 ? 0 : 1;
}
