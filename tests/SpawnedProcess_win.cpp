#include "SpawnedProcess.h"

#include "platform/ModulePath.h"
#include "platform/WideText.h"

#include <windows.h>

namespace testing_support {

namespace {

// Quotes one argument so that CommandLineToArgvW gives it back unchanged: backslashes count only before a quote.
void AppendQuoted(std::wstring& line, const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
        line += argument;
        return;
    }
    line += L'"';
    for (size_t i = 0;; ++i) {
        size_t backslashes = 0;
        while (i < argument.size() && argument[i] == L'\\') {
            ++backslashes;
            ++i;
        }
        if (i == argument.size()) {
            line.append(backslashes * 2, L'\\');
            break;
        }
        if (argument[i] == L'"')
            line.append(backslashes * 2 + 1, L'\\');
        else
            line.append(backslashes, L'\\');
        line += argument[i];
    }
    line += L'"';
}

} // namespace

SpawnedProcess::~SpawnedProcess() {
    Kill();
}

bool SpawnedProcess::Start(const std::string& program, const std::vector<std::string>& arguments) {
    const std::wstring wideProgram = platform::Utf8ToWide(program);
    std::wstring line;
    AppendQuoted(line, wideProgram);
    for (const std::string& argument : arguments) {
        line += L' ';
        AppendQuoted(line, platform::Utf8ToWide(argument));
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(wideProgram.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info))
        return false;
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    return true;
}

std::optional<int> SpawnedProcess::Wait(std::chrono::milliseconds timeout) {
    if (process_ == nullptr)
        return std::nullopt;
    if (WaitForSingleObject(process_, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0)
        return std::nullopt;
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    CloseHandle(process_);
    process_ = nullptr;
    return static_cast<int>(code);
}

void SpawnedProcess::Kill() {
    if (process_ == nullptr)
        return;
    TerminateProcess(process_, 137);
    WaitForSingleObject(process_, INFINITE);
    CloseHandle(process_);
    process_ = nullptr;
}

std::string TestProgramFolder() {
    const std::string path = platform::GetModuleFilePath(nullptr);
    return path.substr(0, path.find_last_of("\\/") + 1);
}

std::string HelperProgram(const std::string& name) {
    return TestProgramFolder() + name + ".exe";
}

} // namespace testing_support
