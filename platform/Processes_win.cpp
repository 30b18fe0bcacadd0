#include "platform/Processes.h"

#include "platform/Handle_win.h"
#include "platform/WideText.h"

#include <windows.h>

#include <psapi.h>
#include <tlhelp32.h>

namespace platform {

namespace {

using QueryImageNameFunction = BOOL(WINAPI*)(HANDLE, DWORD, LPWSTR, PDWORD);

// QueryFullProcessImageNameW is looked up by name: a system without it falls back to the snapshot's file name.
QueryImageNameFunction FindQueryFullProcessImageName() {
    static const QueryImageNameFunction query = [] {
        const HMODULE kernel = GetModuleHandleW(L"Kernel32.dll");
        return kernel != nullptr ? reinterpret_cast<QueryImageNameFunction>(
                                       reinterpret_cast<void*>(GetProcAddress(kernel, "QueryFullProcessImageNameW")))
                                 : nullptr;
    }();
    return query;
}

constexpr DWORD kPathCapacity = 1024;

// The path of the process's executable; empty when it cannot be opened or no path can be read.
std::wstring ExecutableOf(const PROCESSENTRY32W& entry) {
    const UniqueKernelHandle process(
        OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, entry.th32ProcessID));
    if (!process)
        return {};
    wchar_t path[kPathCapacity] = {};
    if (GetModuleFileNameExW(process.get(), nullptr, path, kPathCapacity) == 0) {
        if (const QueryImageNameFunction query = FindQueryFullProcessImageName()) {
            DWORD size = kPathCapacity;
            if (!query(process.get(), 0, path, &size))
                path[0] = L'\0';
        } else {
            lstrcpynW(path, entry.szExeFile, kPathCapacity);
        }
    }
    path[kPathCapacity - 1] = L'\0';
    return path;
}

} // namespace

std::vector<RunningProcess> ListProcesses() {
    std::vector<RunningProcess> processes;
    const UniqueKernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot)
        return processes;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
        const std::wstring executable = ExecutableOf(entry);
        if (!executable.empty())
            processes.push_back({entry.th32ProcessID, WideToUtf8(executable), {}});
    }
    return processes;
}

std::uint64_t CurrentProcessId() {
    return GetCurrentProcessId();
}

} // namespace platform
