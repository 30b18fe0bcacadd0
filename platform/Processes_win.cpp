#include "platform/Processes.h"

#include "platform/Handle_win.h"
#include "platform/Text.h"

#include <windows.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include <string_view>
#include <vector>

namespace platform {

// --- Running processes -----------------------------------------------------------------------------------------------

namespace {

using QueryImageNameFunction = BOOL(WINAPI*)(HANDLE, DWORD, LPWSTR, PDWORD);

// QueryFullProcessImageNameW is looked up by name: a system without it names every process by its file name.
QueryImageNameFunction FindQueryFullProcessImageName() {
    static const QueryImageNameFunction query = [] {
        const HMODULE kernel = GetModuleHandleW(L"Kernel32.dll");
        return kernel != nullptr ? reinterpret_cast<QueryImageNameFunction>(
                                       reinterpret_cast<void*>(GetProcAddress(kernel, "QueryFullProcessImageNameW")))
                                 : nullptr;
    }();
    return query;
}

// The image path of the process, whole; empty when it cannot be opened or asked. Only the limited query right is
// asked for: a process of this user started "as administrator" refuses the full query and reading its memory to a
// program without those rights, but grants this one (Wine grants everything, so only Windows shows the
// difference).
std::wstring ReadImagePath(DWORD id) {
    const QueryImageNameFunction query = FindQueryFullProcessImageName();
    if (query == nullptr)
        return {};
    const UniqueKernelHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
    if (!process)
        return {};
    // Paths may exceed MAX_PATH many times over (up to 32767 characters): the room grows until the path fits. It
    // starts small enough that paths of every day already take the growing path.
    for (DWORD capacity = 128; capacity <= 0x10000; capacity *= 2) {
        std::wstring path(capacity, L'\0');
        DWORD size = capacity;
        if (query(process.get(), 0, path.data(), &size)) {
            path.resize(size);
            return path;
        }
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER)
            break;
    }
    return {};
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
        std::string executable = ExecutableOfProcess(entry.th32ProcessID, WideToUtf8(entry.szExeFile));
        if (!executable.empty())
            processes.push_back({entry.th32ProcessID, std::move(executable), {}});
    }
    return processes;
}

std::string ExecutableOfProcess(std::uint64_t id, const std::string& fallbackName) {
    const std::wstring path = id <= MAXDWORD ? ReadImagePath(static_cast<DWORD>(id)) : std::wstring();
    return path.empty() ? fallbackName : WideToUtf8(path);
}

std::uint64_t CurrentProcessId() {
    return GetCurrentProcessId();
}

// --- The process's arguments -----------------------------------------------------------------------------------------

std::vector<std::string> GetProcessArguments(int, const char* const*) {
    std::vector<std::string> arguments;
    int count = 0;
    const UniqueLocalMemory memory(CommandLineToArgvW(GetCommandLineW(), &count));
    if (!memory)
        return arguments;
    const auto* list = static_cast<LPWSTR*>(memory.get());
    arguments.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        arguments.push_back(WideToUtf8(list[i]));
    return arguments;
}

// --- Opening addresses -----------------------------------------------------------------------------------------------

bool OpenWithSystemShell(const std::string& address, const std::string& verb, void* owner,
                         const std::string& parameters) {
    const std::wstring wideAddress = Utf8ToWide(address);
    const std::wstring wideVerb = Utf8ToWide(verb);
    const std::wstring wideParameters = Utf8ToWide(parameters);
    const HINSTANCE result =
        ShellExecuteW(static_cast<HWND>(owner), wideVerb.empty() ? nullptr : wideVerb.c_str(), wideAddress.c_str(),
                      wideParameters.empty() ? nullptr : wideParameters.c_str(), nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

// --- Mail programs ---------------------------------------------------------------------------------------------------

namespace {

// The simple mail interface's message, in its narrow (char) and wide (wchar_t) forms, which differ only in the
// width of their texts.
template <typename Char> struct MapiRecipient {
    ULONG reserved;
    ULONG recipientClass;
    Char* name;
    Char* address;
    ULONG entryIdSize;
    void* entryId;
};

template <typename Char> struct MapiFile {
    ULONG reserved;
    ULONG flags;
    ULONG position;
    Char* pathName;
    Char* fileName;
    void* fileType;
};

template <typename Char> struct MapiMessage {
    ULONG reserved;
    Char* subject;
    Char* noteText;
    Char* messageType;
    Char* dateReceived;
    Char* conversationId;
    ULONG flags;
    MapiRecipient<Char>* originator;
    ULONG recipientCount;
    MapiRecipient<Char>* recipients;
    ULONG fileCount;
    MapiFile<Char>* files;
};

template <typename Char>
using MapiSendMailFunction = ULONG(WINAPI*)(ULONG_PTR session, ULONG_PTR parent, MapiMessage<Char>* message,
                                            ULONG flags, ULONG reserved);

constexpr ULONG kMapiTo = 1;
constexpr ULONG kMapiLogonUi = 0x01;
constexpr ULONG kMapiDialogModeless = 0x04;
constexpr ULONG kMapiDialog = 0x08;

// Texts as the interface takes them: writable, zero-terminated, none for an empty one.
template <typename Char> Char* TextOrNone(std::basic_string<Char>& text) {
    return text.empty() ? nullptr : text.data();
}

template <typename Char>
bool SendThroughMapi(FARPROC entry, void* parent, std::basic_string<Char> subject, std::basic_string<Char> body,
                     std::basic_string<Char> address, std::basic_string<Char> attachment, ULONG flags) {
    MapiRecipient<Char> recipient{};
    recipient.recipientClass = kMapiTo;
    recipient.address = address.data();
    MapiFile<Char> file{};
    file.pathName = attachment.data();

    MapiMessage<Char> message{};
    message.subject = TextOrNone(subject);
    message.noteText = TextOrNone(body);
    if (!address.empty()) {
        message.recipientCount = 1;
        message.recipients = &recipient;
    }
    if (!attachment.empty()) {
        message.fileCount = 1;
        message.files = &file;
    }
    const auto send = reinterpret_cast<MapiSendMailFunction<Char>>(reinterpret_cast<void*>(entry));
    return send(0, reinterpret_cast<ULONG_PTR>(parent), &message, flags, 0) == 0;
}

std::string Narrow(const std::string& utf8) {
    return Utf8ToCodePage(utf8, CP_ACP);
}

} // namespace

std::string FindOutlookPath() {
    UniqueRegistryKey key;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, L"mailto\\shell\\open\\command", 0, KEY_READ, key.put()) != ERROR_SUCCESS)
        return {};
    wchar_t buffer[1024 + 1] = {};
    DWORD size = 2048;
    DWORD type = 0;
    if (RegQueryValueExW(key.get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return {};
    std::wstring command(buffer, wcsnlen(buffer, size / sizeof(wchar_t)));

    std::wstring lower = command;
    CharLowerBuffW(lower.data(), static_cast<DWORD>(lower.size()));
    const std::size_t found = lower.find(L"outlook.exe");
    if (found == std::wstring::npos)
        return {};
    command.resize(found + std::wstring_view(L"outlook.exe").size());
    if (command.front() == L'"')
        command.erase(0, 1);
    if (type == REG_EXPAND_SZ) {
        // A command such as "%ProgramFiles%\...\OUTLOOK.EXE" names the program only once expanded.
        wchar_t expanded[1024];
        const DWORD length = ExpandEnvironmentStringsW(command.c_str(), expanded, 1024);
        if (length > 0 && length <= 1024)
            command = expanded;
    }
    if (command.find(L'~') != std::wstring::npos) {
        wchar_t longPath[1024];
        const DWORD length = GetLongPathNameW(command.c_str(), longPath, 1024);
        if (length > 0 && length < 1024)
            command.assign(longPath, length);
    }
    return WideToUtf8(command);
}

bool StartCommandLine(const std::string& commandLine) {
    std::wstring line = Utf8ToWide(commandLine);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    // The mail program runs on its own; its handles are not needed.
    const UniqueKernelHandle thread(process.hThread);
    const UniqueKernelHandle started(process.hProcess);
    return true;
}

bool SendMailMapi(void* parent, const std::string& subject, const std::string& body, const std::string& address,
                  const std::string& attachment) {
    const UniqueModule mapi(LoadLibraryW(L"MAPI32.DLL"));
    if (!mapi)
        return false;
    if (const FARPROC wide = GetProcAddress(mapi.get(), "MAPISendMailW"))
        return SendThroughMapi<wchar_t>(wide, parent, Utf8ToWide(subject), Utf8ToWide(body), Utf8ToWide(address),
                                        Utf8ToWide(attachment), kMapiDialog | kMapiDialogModeless);
    if (const FARPROC narrow = GetProcAddress(mapi.get(), "MAPISendMail"))
        return SendThroughMapi<char>(narrow, parent, Narrow(subject), Narrow(body), Narrow(address), Narrow(attachment),
                                     kMapiDialog | kMapiLogonUi);
    return false;
}

} // namespace platform
