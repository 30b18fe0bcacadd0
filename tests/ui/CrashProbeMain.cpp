// A program that installs the crash report as the Windows program does and then faults, for the crash handler's
// tests: crash_probe <folder> <main|thread|two|window> (window: a C++ exception thrown in a window procedure). It works
// in the folder, records what it would open with the shell in shell-open.txt there, and prints what the test needs to
// know before it faults.

#include "platform/Processes.h"
#include "platform/Text.h"
#include "support/CrashReport.h"
#include "ui/framework/Dialog.h"
#include "ui/framework/DialogTemplate.h"
#include "ui/windows/XMessageBox.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>

namespace {

std::string folder;

void Tell(const std::string& line) {
    std::ofstream(folder + "\\probe.txt", std::ios::binary | std::ios::app) << line << '\n' << std::flush;
}

LONG WINAPI ForeignFilter(EXCEPTION_POINTERS*) {
    ExitProcess(42);
}

DWORD WINAPI Fault(void*) {
    Tell("fault-thread " + std::to_string(GetCurrentThreadId()));
    // Read through a volatile, so that the compiler cannot know the address and must make the access.
    volatile std::uintptr_t address = 0x10;
    *reinterpret_cast<volatile int*>(address) = 1;
    return 0;
}

HANDLE start = nullptr;

DWORD WINAPI FaultOnStart(void*) {
    WaitForSingleObject(start, INFINITE);
    volatile std::uintptr_t address = 0x20;
    *reinterpret_cast<volatile int*>(address) = 1;
    return 0;
}

constexpr UINT kThrowMessage = WM_APP + 7;

// A dialog whose procedure throws on one message: the exception reaches the dialog layer's outer edge.
class ThrowingDialog : public ui::CDialog {
public:
    using CDialog::CDialog;

protected:
    bool OnMessage(UINT message, WPARAM, LPARAM, LRESULT&) override {
        if (message == kThrowMessage)
            throw std::runtime_error("thrown in a window procedure");
        return false;
    }
};

int ThrowInAWindowProcedure() {
    const ui::CDialogTemplate dialogTemplate(WS_POPUP | WS_CAPTION, 0, 0, 0, 100, 40, L"Probe");
    ThrowingDialog dialog(dialogTemplate.Get());
    if (!dialog.Create())
        return 7;
    Tell("fault-thread " + std::to_string(GetCurrentThreadId()));
    PostMessageW(dialog.GetHwnd(), kThrowMessage, 0, 0);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 6;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3)
        return 2;
    folder = argv[1];
    const std::string mode = argv[2];
    if (!SetCurrentDirectoryW(platform::Utf8ToWide(folder).c_str()))
        return 3;
    // No test may reach a real mail program: the system's simple mail interface must be out of reach.
    if (LoadLibraryW(L"MAPI32.DLL") != nullptr) {
        Tell("mapi32 present");
        return 4;
    }

    SetCrashReportIconId(128);
    SetCrashReportAppName("CrashProbe");
    SetCrashReportAppVersion("2.5.0.7");
    SetCrashReportEmail("crash-probe@example.invalid");
    platform::SetShellOpenFunction([](const std::string& address, const std::string& verb, void*, const std::string&) {
        std::ofstream(folder + "\\shell-open.txt", std::ios::binary) << address << '\n' << verb;
        return true;
    });
    SetCrashMessageBox(ui::ShowCrashMessageBox);
    if (!InstallCrashHandler())
        return 5;

    // Once installed, the filter stays: a later replacement returns at once, answering no previous filter.
    const LPTOP_LEVEL_EXCEPTION_FILTER previous = SetUnhandledExceptionFilter(ForeignFilter);
    Tell(previous == nullptr ? "replaced none" : "replaced some");
    const auto* entry = reinterpret_cast<const unsigned char*>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernelbase.dll"), "SetUnhandledExceptionFilter")));
    char bytes[32];
    std::snprintf(bytes, sizeof bytes, "entry %02x %02x %02x", entry[0], entry[1], entry[2]);
    Tell(bytes);

    if (mode == "main")
        Fault(nullptr);
    if (mode == "window")
        return ThrowInAWindowProcedure();
    if (mode == "two") {
        // Two threads fault at the same moment: one report.
        start = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        const HANDLE threads[] = {CreateThread(nullptr, 0, FaultOnStart, nullptr, 0, nullptr),
                                  CreateThread(nullptr, 0, FaultOnStart, nullptr, 0, nullptr)};
        Sleep(100);
        SetEvent(start);
        WaitForMultipleObjects(2, threads, TRUE, INFINITE);
        return 6;
    }
    const HANDLE thread = CreateThread(nullptr, 0, Fault, nullptr, 0, nullptr);
    WaitForSingleObject(thread, INFINITE);
    return 6;
}
