// The crash report's message box as a user meets it after a fault. The box runs its own loop, so it is shown on a
// thread of its own, which ends when the scene presses Cancel after the picture.

#include "tests/ui/screenshots/Scene.h"

#include "support/CrashReport.h"
#include "ui/windows/XMessageBox.h"

#include <chrono>
#include <thread>

TIDYQUILL_SCENE("crash-report") {
    CrashReportSettings settings;
    settings.appName = "Tidyquill";
    settings.appVersion = "1.0.0.1";
    settings.email = "support@quartzmoore.com";
    const std::string dumpName = "Tidyquill.exe_1.0.0.1_10.0_x64_2026-12-8_11.30.5.dmp";
    CrashMessageBoxRequest request;
    request.text = ExpandPlaceholders(settings.messageText, settings, dumpName, "10.0_x64");
    request.title = ExpandPlaceholders(settings.messageTitle, settings, dumpName, "10.0_x64");
    request.yesButtonText = settings.yesButtonText;
    request.noButtonText = settings.noButtonText;
    request.iconId = 128;

    auto& boxThread = scene.Make<std::thread>([request] { ui::ShowCrashMessageBox(request); });
    HWND box = nullptr;
    for (int i = 0; i < 1000 && box == nullptr; ++i) {
        box = FindWindowW(L"#32770", L"Tidyquill - Unhandled Exception");
        if (box == nullptr)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (box == nullptr) {
        boxThread.detach();
        return nullptr;
    }
    scene.AtEnd([&boxThread, box] {
        PostMessageW(GetDlgItem(box, IDNO), BM_CLICK, 0, 0);
        boxThread.join();
    });
    return box;
}
