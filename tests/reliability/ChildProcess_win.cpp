#include "ChildProcess.h"

#include "ChildCommandLine.h"

#include "platform/Text.h"

#include <windows.h>

#include <filesystem>

namespace reliability {

namespace {

// The exit code that TerminateProcess gives the child; the program under test never ends with it by itself.
constexpr UINT kKilledExitCode = 137;

} // namespace

ChildProcess::~ChildProcess() {
    Kill();
    if (process_ != nullptr)
        CloseHandle(static_cast<HANDLE>(process_));
}

bool ChildProcess::Start(const std::string& program, const std::vector<std::string>& arguments, const std::string&) {
    testing_support::ChildCommandLine command = testing_support::MakeChildCommandLine(program, arguments);

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(command.application.c_str(), command.commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &info))
        return false;
    CloseHandle(info.hThread);
    if (process_ != nullptr)
        CloseHandle(static_cast<HANDLE>(process_));
    process_ = info.hProcess;
    ended_ = false;
    killed_ = false;
    exitCode_ = -1;
    return true;
}

bool ChildProcess::HasEnded() {
    if (process_ == nullptr || ended_)
        return true;
    if (WaitForSingleObject(static_cast<HANDLE>(process_), 0) != WAIT_OBJECT_0)
        return false;
    DWORD code = 0;
    GetExitCodeProcess(static_cast<HANDLE>(process_), &code);
    ended_ = true;
    exitCode_ = static_cast<int>(code);
    return true;
}

bool ChildProcess::Kill() {
    if (HasEnded())
        return false;
    TerminateProcess(static_cast<HANDLE>(process_), kKilledExitCode);
    Wait();
    // The child may have ended by itself between the test and the call; only its exit code tells.
    killed_ = exitCode_ == static_cast<int>(kKilledExitCode);
    return killed_;
}

int ChildProcess::Wait() {
    if (process_ == nullptr || ended_)
        return exitCode_;
    WaitForSingleObject(static_cast<HANDLE>(process_), INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(static_cast<HANDLE>(process_), &code);
    ended_ = true;
    exitCode_ = static_cast<int>(code);
    return exitCode_;
}

bool ChildProcess::HoldsTemporaryDatabase(const std::string& tempFolder) const {
    // On Windows SQLite's temporary files are deleted when closed, so they show in the folder while in use.
    if (process_ == nullptr || ended_)
        return false;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(platform::PathFromUtf8(tempFolder), error))
        if (platform::PathToUtf8(entry.path().filename()).rfind("etilqs_", 0) == 0)
            return true;
    return false;
}

void SetEnvironment(const std::string& name, const std::string& value) {
    SetEnvironmentVariableW(platform::Utf8ToWide(name).c_str(), platform::Utf8ToWide(value).c_str());
}

} // namespace reliability
