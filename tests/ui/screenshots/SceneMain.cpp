// The picture program: shows every registered scene (or the ones named on the command line) and writes each window
// as it appears on the screen to <folder>/<scene>-<label>.bmp, where the screenshot script turns it into a PNG.
//
//   tidyquill_screenshots <folder> <label> [scene...]

#include "tests/ui/screenshots/Scene.h"

#include "platform/ShellOpen.h"
#include "platform/WideText.h"

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

// Copies what the window shows, frame included, into a 24-bit bottom-up BMP file.
bool SaveWindow(HWND window, const std::wstring& path) {
    RECT rect{};
    GetWindowRect(window, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0)
        return false;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    HDC windowDc = GetWindowDC(window);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(windowDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC memory = CreateCompatibleDC(windowDc);
    HGDIOBJ old = SelectObject(memory, bitmap);
    const bool copied = BitBlt(memory, 0, 0, width, height, windowDc, 0, 0, SRCCOPY) != FALSE;
    GdiFlush();
    SelectObject(memory, old);
    DeleteDC(memory);
    ReleaseDC(window, windowDc);
    if (!copied || bits == nullptr) {
        DeleteObject(bitmap);
        return false;
    }
    const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    const DWORD imageSize = stride * static_cast<DWORD>(height);
    BITMAPFILEHEADER file{};
    file.bfType = 0x4d42;
    file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    file.bfSize = file.bfOffBits + imageSize;
    info.bmiHeader.biSizeImage = imageSize;
    std::ofstream out(platform::WideToUtf8(path), std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof(file));
    out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof(info.bmiHeader));
    out.write(static_cast<const char*>(bits), imageSize);
    DeleteObject(bitmap);
    return static_cast<bool>(out);
}

} // namespace

Scene::~Scene() {
    for (auto action = atEnd_.rbegin(); action != atEnd_.rend(); ++action)
        (*action)();
    while (!objects_.empty())
        objects_.pop_back();
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

} // namespace screenshots

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: tidyquill_screenshots <folder> <label> [scene...]\n");
        return 2;
    }
    const std::wstring folder = platform::Utf8ToWide(argv[1]);
    const std::string label = argv[2];
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    // Nothing a scene does may open a browser or a mail program.
    platform::SetShellOpenFunction([](const std::string&, const std::string&, void*) { return true; });

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
        if (!screenshots::SaveWindow(window, path)) {
            std::fprintf(stderr, "%s: the picture could not be saved\n", name.c_str());
            ++failures;
        } else {
            std::printf("%s-%s\n", name.c_str(), label.c_str());
        }
        std::fflush(stdout);
    }
    return failures == 0 ? 0 : 1;
}
