#include "platform/Application.h"

#include "platform/Handle_win.h"
#include "platform/System.h"
#include "platform/Text.h"

#include <windows.h>
#include <dbghelp.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <utility>
#include <vector>

namespace platform {

// --- Settings folder -------------------------------------------------------------------------------------------------

std::string GetAppSettingsFolder(const std::string& company, const std::string& product) {
    std::string folder = GetSpecialFolder(kFolderRoamingAppData);
    if (folder.empty())
        return {};
    if (folder.back() != '\\')
        folder += '\\';
    return folder + company + '\\' + product;
}

// --- Single instance -------------------------------------------------------------------------------------------------

struct InstanceMutex::State {
    UniqueKernelHandle mutex;
};

InstanceMutex::InstanceMutex() : state_(std::make_unique<State>()) {}
InstanceMutex::~InstanceMutex() = default;

bool InstanceMutex::CreateAndCheckExisting(const std::string& name) {
    // The handle is kept in every case: while it is open, a copy started later sees the mutex as existing.
    state_->mutex.reset(CreateMutexW(nullptr, FALSE, Utf8ToWide(name).c_str()));
    const DWORD error = GetLastError();
    return state_->mutex && error == ERROR_ALREADY_EXISTS;
}

struct InstanceEvent::State {
    UniqueKernelHandle event;
    UniqueKernelHandle cancel; // manual reset, unnamed: once set, every wait ends
    UniqueKernelHandle owner;  // a named shared page beside the event that holds this process's id
};

namespace {

// The shared page that tells a later copy which process made the event.
std::wstring OwnerPageName(const std::string& eventName) {
    return Utf8ToWide(eventName + "_Process");
}

} // namespace

InstanceEvent::InstanceEvent() : state_(std::make_unique<State>()) {}
InstanceEvent::~InstanceEvent() = default;

bool InstanceEvent::Create(const std::string& name) {
    state_ = std::make_unique<State>();
    state_->event.reset(CreateEventW(nullptr, FALSE, FALSE, Utf8ToWide(name).c_str()));
    state_->cancel.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!state_->event || !state_->cancel) {
        state_ = std::make_unique<State>();
        return false;
    }
    // Without the page a later copy still wakes this one; it only cannot hand it the foreground.
    state_->owner.reset(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(DWORD),
                                           OwnerPageName(name).c_str()));
    if (state_->owner) {
        if (void* view = MapViewOfFile(state_->owner.get(), FILE_MAP_WRITE, 0, 0, sizeof(DWORD))) {
            const DWORD self = GetCurrentProcessId();
            std::memcpy(view, &self, sizeof self);
            UnmapViewOfFile(view);
        }
    }
    return true;
}

std::optional<std::uint64_t> InstanceEvent::OwnerProcessId(const std::string& name) {
    const UniqueKernelHandle page(OpenFileMappingW(FILE_MAP_READ, FALSE, OwnerPageName(name).c_str()));
    if (!page)
        return std::nullopt;
    void* view = MapViewOfFile(page.get(), FILE_MAP_READ, 0, 0, sizeof(DWORD));
    if (view == nullptr)
        return std::nullopt;
    DWORD id = 0;
    std::memcpy(&id, view, sizeof id);
    UnmapViewOfFile(view);
    if (id == 0)
        return std::nullopt;
    return id;
}

bool InstanceEvent::IsValid() const {
    return static_cast<bool>(state_->event);
}

bool InstanceEvent::Wait() {
    if (!IsValid())
        return false;
    // The cancel event comes first, so that a cancellation wins when both are set.
    const HANDLE handles[2] = {state_->cancel.get(), state_->event.get()};
    return WaitForMultipleObjects(2, handles, FALSE, INFINITE) == WAIT_OBJECT_0 + 1;
}

void InstanceEvent::Cancel() {
    if (state_->cancel)
        SetEvent(state_->cancel.get());
}

bool InstanceEvent::SignalExisting(const std::string& name) {
    const UniqueKernelHandle event(OpenEventW(EVENT_ALL_ACCESS, FALSE, Utf8ToWide(name).c_str()));
    if (!event)
        return false;
    // This copy was just started by the user, so it may hand the foreground on; the first copy could not take it.
    if (const std::optional<std::uint64_t> owner = OwnerProcessId(name))
        AllowSetForegroundWindow(static_cast<DWORD>(*owner));
    SetEvent(event.get());
    return true;
}

bool WindowExists(void* window) {
    return window != nullptr && IsWindow(static_cast<HWND>(window));
}

namespace {

// The window the user must see: the window itself, or the modal dialog that has disabled it (and the one that
// dialog opened in turn). Windows keeps the last active popup of a window; Wine does not always, so the enabled
// window that a disabled one owns is looked for as well.
HWND WindowToBringForward(HWND window) {
    const HWND popup = GetLastActivePopup(window);
    if (popup != nullptr && popup != window && IsWindowVisible(popup) && IsWindowEnabled(popup))
        return popup;
    for (int depth = 0; depth < 8 && !IsWindowEnabled(window); ++depth) {
        struct Search {
            HWND owner;
            HWND found;
        } search{window, nullptr};
        EnumThreadWindows(
            GetWindowThreadProcessId(window, nullptr),
            [](HWND candidate, LPARAM parameter) -> BOOL {
                auto* state = reinterpret_cast<Search*>(parameter);
                if (GetWindow(candidate, GW_OWNER) != state->owner || !IsWindowVisible(candidate))
                    return TRUE;
                state->found = candidate;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&search));
        if (search.found == nullptr)
            break;
        window = search.found;
    }
    return window;
}

} // namespace

void ActivateMainWindow(void* window) {
    const HWND hwnd = static_cast<HWND>(window);
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    if (!GetWindowPlacement(hwnd, &placement))
        return;
    if (placement.showCmd == SW_SHOWMINIMIZED) {
        placement.flags = 0;
        placement.showCmd = SW_SHOWNORMAL;
        SetWindowPlacement(hwnd, &placement);
    }
    const HWND target = WindowToBringForward(hwnd);
    BringWindowToTop(target);
    SetForegroundWindow(target);
}

// --- The program's file ----------------------------------------------------------------------------------------------

std::string GetModuleFilePath(const void* module) {
    const HMODULE handle = static_cast<HMODULE>(const_cast<void*>(module));
    // A full buffer means the path may have been cut: the call is repeated with twice the room for as long as
    // the system says the buffer was too small.
    for (DWORD size = MAX_PATH;; size *= 2) {
        std::vector<wchar_t> buffer(size);
        SetLastError(ERROR_SUCCESS);
        const DWORD length = GetModuleFileNameW(handle, buffer.data(), size);
        if (length == 0)
            return {};
        if (length < size || GetLastError() != ERROR_INSUFFICIENT_BUFFER || size >= 0x10000)
            return WideToUtf8(std::wstring_view(buffer.data(), length < size ? length : size));
    }
}

// --- Version resource ------------------------------------------------------------------------------------------------

namespace {

std::optional<std::string> QueryString(const std::vector<BYTE>& data, WORD language, WORD codePage,
                                       const wchar_t* name) {
    wchar_t query[50] = {};
    std::swprintf(query, 50, L"\\StringFileInfo\\%04x%04x\\%ls", language, codePage, name);
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(data.data(), query, &value, &length) || value == nullptr)
        return std::nullopt;
    // The length counts characters, with or without the terminating zero depending on who wrote the resource.
    const auto* text = static_cast<const wchar_t*>(value);
    return WideToUtf8(std::wstring_view(text, wcsnlen(text, length)));
}

} // namespace

std::optional<VersionStrings> ReadVersionResource(const std::string& path) {
    const std::wstring widePath = Utf8ToWide(path);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(widePath.c_str(), &ignored);
    if (size == 0)
        return std::nullopt;
    std::vector<BYTE> data(size);
    if (!GetFileVersionInfoW(widePath.c_str(), 0, size, data.data()))
        return std::nullopt;

    void* translation = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", &translation, &length) || translation == nullptr ||
        length < 4)
        return std::nullopt;
    const WORD language = static_cast<const WORD*>(translation)[0];
    const WORD codePage = static_cast<const WORD*>(translation)[1];

    VersionStrings strings;
    strings.fileDescription = QueryString(data, language, codePage, L"FileDescription");
    strings.companyName = QueryString(data, language, codePage, L"CompanyName");
    strings.fileVersion = QueryString(data, language, codePage, L"FileVersion");
    return strings;
}

std::optional<VersionStrings> ReadRunningProgramVersion() {
    const std::string path = GetModuleFilePath(nullptr);
    if (path.empty())
        return std::nullopt;
    return ReadVersionResource(path);
}

// --- Crash handler ---------------------------------------------------------------------------------------------------

namespace {

// The longest full path of a dump file, in characters.
constexpr std::size_t kMaxDumpPath = 2047;

using MiniDumpWriteDumpFunction = BOOL(WINAPI*)(HANDLE process, DWORD processId, HANDLE file, MINIDUMP_TYPE type,
                                                PMINIDUMP_EXCEPTION_INFORMATION exception,
                                                PMINIDUMP_USER_STREAM_INFORMATION userStreams,
                                                PMINIDUMP_CALLBACK_INFORMATION callback);

CrashHandlerSteps& Steps() {
    static CrashHandlerSteps steps;
    return steps;
}

bool installed = false;
// The thread that reports a fault (0 while none does), and whether its dump was written.
std::atomic<DWORD> reportingThread{0};
std::atomic<bool> dumpWritten{false};

std::wstring CurrentFolder() {
    const DWORD size = GetCurrentDirectoryW(0, nullptr);
    if (size == 0)
        return {};
    std::wstring folder(size, L'\0');
    folder.resize(GetCurrentDirectoryW(size, folder.data()));
    return folder;
}

std::wstring TemporaryFolder() {
    wchar_t folder[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
    return length > 0 && length <= MAX_PATH ? std::wstring(folder, length) : std::wstring();
}

// The file in the first folder that takes it, with its full path.
std::pair<std::wstring, UniqueKernelHandle> OpenDumpFile(const std::wstring& fileName,
                                                         const std::vector<std::wstring>& folders) {
    for (std::wstring path : folders) {
        if (path.empty())
            continue;
        if (path.back() != L'\\' && path.back() != L'/')
            path += L'\\';
        path += fileName;
        if (path.size() > kMaxDumpPath)
            continue;
        UniqueKernelHandle file(
            CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file)
            return {path, std::move(file)};
    }
    return {};
}

// Writes a dump of this process for the fault, in the current folder or, where that cannot take the file, in the
// temporary folder; then runs the step that follows a dump. False when no dump was written.
bool WriteCrashDump(EXCEPTION_POINTERS* exception) {
    UniqueModule dbghelp(LoadLibraryW(L"dbghelp.dll"));
    if (!dbghelp)
        return false;
    const auto writeDump = reinterpret_cast<MiniDumpWriteDumpFunction>(
        reinterpret_cast<void*>(GetProcAddress(dbghelp.get(), "MiniDumpWriteDump")));
    if (writeDump == nullptr)
        return false;
    const CrashHandlerSteps& steps = Steps();
    const std::wstring name = Utf8ToWide(steps.dumpFileName ? steps.dumpFileName() : std::string("crash.dmp"));
    auto [path, file] = OpenDumpFile(name, {CurrentFolder(), TemporaryFolder()});
    if (!file)
        return false;

    MINIDUMP_EXCEPTION_INFORMATION exceptionInfo{};
    exceptionInfo.ThreadId = GetCurrentThreadId();
    exceptionInfo.ExceptionPointers = exception;
    exceptionInfo.ClientPointers = FALSE;
    // No callback: Wine's dbghelp calls the routine of any callback information it is given, even an empty one.
    if (!writeDump(GetCurrentProcess(), GetCurrentProcessId(), file.get(), MiniDumpNormal, &exceptionInfo, nullptr,
                   nullptr)) {
        // A half-written file would only mislead whoever finds it.
        file.reset();
        DeleteFileW(path.c_str());
        return false;
    }
    file.reset();
    dbghelp.reset();
    dumpWritten = true;
    if (steps.afterDump)
        steps.afterDump(WideToUtf8(path));
    return true;
}

LONG WINAPI CrashFilter(EXCEPTION_POINTERS* exception) {
    const DWORD self = GetCurrentThreadId();
    DWORD reporting = 0;
    if (!reportingThread.compare_exchange_strong(reporting, self)) {
        // A fault inside the report itself: the dump exists, so end as the report would; without it, let the
        // system handle the fault.
        if (reporting == self) {
            if (!dumpWritten)
                return EXCEPTION_CONTINUE_SEARCH;
            TerminateProcess(GetCurrentProcess(), 1);
        }
        // Another thread faulted first: one report, whose end ends this thread too.
        for (;;)
            Sleep(INFINITE);
    }
    bool written = false;
    try {
        written = WriteCrashDump(exception);
    } catch (...) {
        written = dumpWritten;
    }
    if (!written)
        return EXCEPTION_CONTINUE_SEARCH;
    TerminateProcess(GetCurrentProcess(), 1);
    return EXCEPTION_EXECUTE_HANDLER;
}

// Makes SetUnhandledExceptionFilter return at once (answering no previous filter), so that no code loaded later
// replaces ours. Calls through kernel32 end in kernelbase where it exists.
bool LockCrashFilter() {
    FARPROC entry = nullptr;
    for (const wchar_t* moduleName : {L"kernelbase.dll", L"kernel32.dll"}) {
        if (const HMODULE module = GetModuleHandleW(moduleName))
            entry = GetProcAddress(module, "SetUnhandledExceptionFilter");
        if (entry != nullptr)
            break;
    }
    if (entry == nullptr)
        return false;
#if defined(__x86_64__) || defined(_M_X64)
    static const unsigned char kReturnZero[] = {0x33, 0xC0, 0xC3}; // xor eax, eax; ret
#elif defined(__i386__) || defined(_M_IX86)
    static const unsigned char kReturnZero[] = {0x8B, 0xFF, 0x33, 0xC0, 0xC2, 0x04, 0x00}; // ...; ret 4 (stdcall)
#else
    return false;
#endif
    void* code = reinterpret_cast<void*>(entry);
    DWORD protection = 0;
    if (!VirtualProtect(code, sizeof kReturnZero, PAGE_EXECUTE_READWRITE, &protection))
        return false;
    std::memcpy(code, kReturnZero, sizeof kReturnZero);
    VirtualProtect(code, sizeof kReturnZero, protection, &protection);
    FlushInstructionCache(GetCurrentProcess(), code, sizeof kReturnZero);
    return true;
}

} // namespace

bool ReportCrashHere() {
    if (!installed)
        return false;
    CONTEXT context{};
    RtlCaptureContext(&context);
    EXCEPTION_RECORD record{};
    record.ExceptionCode = 0xE06D7363; // what a thrown C++ exception carries
    record.ExceptionFlags = EXCEPTION_NONCONTINUABLE;
#if defined(__x86_64__) || defined(_M_X64)
    record.ExceptionAddress = reinterpret_cast<void*>(context.Rip);
#endif
    EXCEPTION_POINTERS pointers{&record, &context};
    // The filter ends the process once its report is done; it returns only when it could not write a dump.
    CrashFilter(&pointers);
    return false;
}

bool InstallCrashHandler(CrashHandlerSteps steps) {
    if (installed)
        return true;
    Steps() = std::move(steps);
    SetUnhandledExceptionFilter(CrashFilter);
    LockCrashFilter();
    installed = true;
    return true;
}

std::string GetWindowsVersionTag() {
    const DWORD version = GetVersion();
    SYSTEM_INFO system{};
    GetNativeSystemInfo(&system);
    char tag[32];
    std::snprintf(tag, sizeof tag, "%u.%u_%s", static_cast<unsigned>(LOBYTE(LOWORD(version))),
                  static_cast<unsigned>(HIBYTE(LOWORD(version))),
                  system.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64 ? "x64" : "x86");
    return tag;
}

std::string CreateDumpFile(const std::string& fileName, const std::vector<std::string>& folders) {
    std::vector<std::wstring> wideFolders;
    for (const std::string& folder : folders)
        wideFolders.push_back(Utf8ToWide(folder));
    auto [path, file] = OpenDumpFile(Utf8ToWide(fileName), wideFolders);
    return file ? WideToUtf8(path) : std::string();
}

} // namespace platform
