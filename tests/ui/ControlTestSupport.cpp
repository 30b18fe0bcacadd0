#include "tests/ui/ControlTestSupport.h"

#include <algorithm>

namespace control_tests {

namespace {

// No control test may start a browser: until a test installs its own recording shell, every open is refused.
const bool shellRefused = [] {
    platform::SetShellOpenFunction(
        [](const std::string&, const std::string&, void*, const std::string&) { return false; });
    return true;
}();

} // namespace

void PumpMessages() {
    MSG message;
    for (int round = 0; round < 3; ++round) {
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
}

int Capture::Count(COLORREF colour) const {
    return static_cast<int>(std::count(pixels.begin(), pixels.end(), colour));
}

int Capture::CountIn(COLORREF colour, int left, int top, int right, int bottom) const {
    int count = 0;
    for (int y = std::max(top, 0); y < std::min(bottom, height); ++y)
        for (int x = std::max(left, 0); x < std::min(right, width); ++x)
            count += At(x, y) == colour ? 1 : 0;
    return count;
}

int Capture::LongestRowRun(COLORREF colour) const {
    int longest = 0;
    for (int y = 0; y < height; ++y) {
        int run = 0;
        for (int x = 0; x < width; ++x) {
            run = At(x, y) == colour ? run + 1 : 0;
            longest = std::max(longest, run);
        }
    }
    return longest;
}

std::pair<int, int> Capture::ColumnSpan(COLORREF colour) const {
    int first = -1;
    int last = -1;
    for (int x = 0; x < width; ++x) {
        for (int y = 0; y < height; ++y) {
            if (At(x, y) == colour) {
                if (first < 0)
                    first = x;
                last = x;
                break;
            }
        }
    }
    return {first, last};
}

Capture CaptureWindow(HWND window) {
    Capture capture;
    RECT rect{};
    GetWindowRect(window, &rect);
    capture.width = rect.right - rect.left;
    capture.height = rect.bottom - rect.top;
    if (capture.width <= 0 || capture.height <= 0)
        return capture;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = capture.width;
    info.bmiHeader.biHeight = -capture.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC windowDc = GetWindowDC(window);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(windowDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC memory = CreateCompatibleDC(windowDc);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, capture.width, capture.height, windowDc, 0, 0, SRCCOPY);
    GdiFlush();
    const auto* source = static_cast<const std::uint32_t*>(bits);
    capture.pixels.resize(static_cast<size_t>(capture.width) * capture.height);
    for (size_t i = 0; i < capture.pixels.size(); ++i) {
        const std::uint32_t value = source[i]; // 0x00RRGGBB
        capture.pixels[i] = RGB((value >> 16) & 0xff, (value >> 8) & 0xff, value & 0xff);
    }
    SelectObject(memory, old);
    DeleteDC(memory);
    DeleteObject(bitmap);
    ReleaseDC(window, windowDc);
    return capture;
}

TestDialog::~TestDialog() {
    if (background_ != nullptr)
        DeleteObject(background_);
}

void TestDialog::SetBackground(COLORREF colour) {
    if (background_ != nullptr)
        DeleteObject(background_);
    background_ = CreateSolidBrush(colour);
}

bool TestDialog::Open() {
    if (!Create())
        return false;
    SetWindowPos(GetHwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    UpdateWindow(GetHwnd());
    PumpMessages();
    return true;
}

void TestDialog::DoDataExchange() {
    for (auto& [id, control] : bindings_)
        Bind(id, *control);
}

bool TestDialog::OnMessage(UINT message, WPARAM, LPARAM, LRESULT& result) {
    if ((message == WM_CTLCOLORDLG) && background_ != nullptr) {
        result = reinterpret_cast<LRESULT>(background_);
        return true;
    }
    return false;
}

std::optional<bool> TestDialog::IsCommandEnabled(UINT id) {
    return enabledRule ? enabledRule(id) : std::nullopt;
}

ScopedRegistryValue::ScopedRegistryValue(std::wstring key, std::wstring name, const std::wstring& text)
    : key_(std::move(key)), name_(std::move(name)) {
    HKEY opened = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, key_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &opened, nullptr) ==
        ERROR_SUCCESS) {
        RegSetValueExW(opened, name_.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(opened);
    }
}

ScopedRegistryValue::~ScopedRegistryValue() {
    RegDeleteKeyValueW(HKEY_CURRENT_USER, key_.c_str(), name_.c_str());
}

RecordingShell::RecordingShell(bool answerToGive) : answer(answerToGive) {
    previous_ = platform::SetShellOpenFunction(
        [this](const std::string& address, const std::string& verb, void* owner, const std::string&) {
            requests.push_back({address, verb, owner});
            return answer;
        });
}

RecordingShell::~RecordingShell() {
    platform::SetShellOpenFunction(previous_);
}

} // namespace control_tests
