#include "PipedProcess.h"

#include "ChildCommandLine.h"

#include <windows.h>

namespace testing_support {

namespace {

void CloseIfOpen(void*& handle) {
    if (handle != nullptr)
        CloseHandle(static_cast<HANDLE>(handle));
    handle = nullptr;
}

} // namespace

PipedProcess::~PipedProcess() {
    CloseInput();
    if (!Wait(std::chrono::minutes(1)))
        Kill();
    CloseIfOpen(output_);
}

bool PipedProcess::Start(const std::string& program, const std::vector<std::string>& arguments) {
    SECURITY_ATTRIBUTES inherit = {sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE childInput = nullptr;
    HANDLE toChild = nullptr;
    HANDLE fromChild = nullptr;
    HANDLE childOutput = nullptr;
    if (!CreatePipe(&childInput, &toChild, &inherit, 0))
        return false;
    if (!CreatePipe(&fromChild, &childOutput, &inherit, 0)) {
        CloseHandle(childInput);
        CloseHandle(toChild);
        return false;
    }
    // Our ends stay with us, or the child would never see the end of its input.
    SetHandleInformation(toChild, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(fromChild, HANDLE_FLAG_INHERIT, 0);

    ChildCommandLine command = MakeChildCommandLine(program, arguments);

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = childInput;
    startup.hStdOutput = childOutput;
    startup.hStdError = childOutput;
    PROCESS_INFORMATION info = {};
    const BOOL started = CreateProcessW(command.application.c_str(), command.commandLine.data(), nullptr, nullptr, TRUE,
                                        CREATE_NO_WINDOW, nullptr, nullptr, &startup, &info);
    CloseHandle(childInput);
    CloseHandle(childOutput);
    if (!started) {
        CloseHandle(toChild);
        CloseHandle(fromChild);
        return false;
    }
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    input_ = toChild;
    output_ = fromChild;
    return true;
}

bool PipedProcess::ReadByte(char& byte) {
    DWORD got = 0;
    return output_ != nullptr && ReadFile(static_cast<HANDLE>(output_), &byte, 1, &got, nullptr) && got == 1;
}

void PipedProcess::CloseInput() {
    CloseIfOpen(input_);
}

int PipedProcess::Wait() {
    if (process_ == nullptr)
        return exitCode_;
    WaitForSingleObject(static_cast<HANDLE>(process_), INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(static_cast<HANDLE>(process_), &code);
    exitCode_ = static_cast<int>(code);
    CloseIfOpen(process_);
    return exitCode_;
}

std::optional<int> PipedProcess::Wait(std::chrono::milliseconds timeout) {
    if (process_ == nullptr)
        return exitCode_;
    if (WaitForSingleObject(static_cast<HANDLE>(process_), static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0)
        return std::nullopt;
    return Wait();
}

void PipedProcess::Kill() {
    if (process_ == nullptr)
        return;
    TerminateProcess(static_cast<HANDLE>(process_), 1);
    Wait();
}

} // namespace testing_support
