#include "ChildProcess.h"

#include "platform/Text.h"

#include <windows.h>

#include <filesystem>

namespace testing_support {

namespace {

// The exit code that Kill gives the child; the programs under test never end with it by themselves.
constexpr UINT kKilledExitCode = 137;

void CloseIfOpen(void*& handle) {
    if (handle != nullptr)
        CloseHandle(static_cast<HANDLE>(handle));
    handle = nullptr;
}

std::wstring QuotedArgument(const std::wstring& argument) {
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    return quoted + L"\"";
}

// Starts program with a command line that the child's C runtime splits back into the program and the same
// arguments; the handles of startup are inherited when it names them. Gives the process handle, or none.
HANDLE CreateChild(const std::string& program, const std::vector<std::string>& arguments, STARTUPINFOW& startup,
                   bool inheritHandles, DWORD flags) {
    std::wstring application = platform::Utf8ToWide(program);
    for (wchar_t& c : application)
        if (c == L'/')
            c = L'\\';
    std::wstring commandLine = QuotedArgument(application);
    for (const std::string& argument : arguments)
        commandLine += L" " + QuotedArgument(platform::Utf8ToWide(argument));
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(application.c_str(), commandLine.data(), nullptr, nullptr, inheritHandles ? TRUE : FALSE, flags,
                        nullptr, nullptr, &startup, &info))
        return nullptr;
    CloseHandle(info.hThread);
    return info.hProcess;
}

} // namespace

ChildProcess::~ChildProcess() {
    CloseInput();
    if (!Wait(std::chrono::minutes(1)))
        Kill();
    CloseOutput();
    CloseIfOpen(process_);
}

bool ChildProcess::Start(const std::string& program, const std::vector<std::string>& arguments) {
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

    STARTUPINFOW startup = {};
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = childInput;
    startup.hStdOutput = childOutput;
    startup.hStdError = childOutput;
    const HANDLE process = CreateChild(program, arguments, startup, true, CREATE_NO_WINDOW);
    CloseHandle(childInput);
    CloseHandle(childOutput);
    if (process == nullptr) {
        CloseHandle(toChild);
        CloseHandle(fromChild);
        return false;
    }
    CloseIfOpen(process_);
    process_ = process;
    input_ = toChild;
    output_ = fromChild;
    Started();
    return true;
}

bool ChildProcess::StartWithOutputFile(const std::string& program, const std::vector<std::string>& arguments,
                                       const std::string&) {
    STARTUPINFOW startup = {};
    const HANDLE process = CreateChild(program, arguments, startup, false, 0);
    if (process == nullptr)
        return false;
    CloseIfOpen(process_);
    process_ = process;
    Started();
    return true;
}

bool ChildProcess::ReadByte(char& byte) {
    DWORD got = 0;
    return output_ != nullptr && ReadFile(static_cast<HANDLE>(output_), &byte, 1, &got, nullptr) && got == 1;
}

void ChildProcess::CloseInput() {
    CloseIfOpen(input_);
}

void ChildProcess::CloseOutput() {
    CloseIfOpen(output_);
}

int ChildProcess::Wait() {
    return Wait(std::chrono::milliseconds(INFINITE)).value_or(exitCode_);
}

std::optional<int> ChildProcess::Wait(std::chrono::milliseconds timeout) {
    if (ended_)
        return exitCode_;
    if (WaitForSingleObject(static_cast<HANDLE>(process_), static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0)
        return std::nullopt;
    DWORD code = 0;
    GetExitCodeProcess(static_cast<HANDLE>(process_), &code);
    ended_ = true;
    exitCode_ = static_cast<int>(code);
    CloseIfOpen(process_);
    return exitCode_;
}

bool ChildProcess::Kill() {
    if (HasEnded())
        return false;
    TerminateProcess(static_cast<HANDLE>(process_), kKilledExitCode);
    Wait();
    // The child may have ended by itself between the test and the call; only its exit code tells.
    return exitCode_ == static_cast<int>(kKilledExitCode);
}

bool ChildProcess::HoldsTemporaryDatabase(const std::string& tempFolder) const {
    // On Windows SQLite's temporary files are deleted when closed, so they show in the folder while in use.
    if (ended_)
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

} // namespace testing_support
