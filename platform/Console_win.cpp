#include "platform/Console.h"

#include "platform/Handle_win.h"
#include "platform/Text.h"

#include <windows.h>

namespace platform {

namespace {

using AttachConsoleFunction = BOOL(WINAPI*)(DWORD);

// AttachConsole is looked up by name so that a system without it only loses the console output.
AttachConsoleFunction FindAttachConsole() {
    static const AttachConsoleFunction attach = [] {
        const HMODULE kernel = GetModuleHandleW(L"Kernel32.dll");
        return kernel != nullptr ? reinterpret_cast<AttachConsoleFunction>(
                                       reinterpret_cast<void*>(GetProcAddress(kernel, "AttachConsole")))
                                 : nullptr;
    }();
    return attach;
}

// The console's output buffer. A real console is written in its own characters (UTF-16), so that every name shows
// as it is whatever its code page (437, 65001, ...); anything else that answers to the name gets bytes in the
// thread's code page.
class ConsoleDevice {
public:
    ConsoleDevice()
        : file_(CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)),
          handle_(file_ ? file_.get() : INVALID_HANDLE_VALUE) {}

    void WriteLine(const std::string& utf8Text) {
        if (handle_ == INVALID_HANDLE_VALUE)
            return;
        DWORD mode = 0;
        if (!GetConsoleMode(handle_, &mode)) {
            const std::string bytes = Utf8ToCodePage(utf8Text, CP_THREAD_ACP) + "\n";
            DWORD written = 0;
            WriteFile(handle_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
            FlushFileBuffers(handle_);
            return;
        }
        const std::wstring wide = Utf8ToWide(utf8Text) + L"\n";
        std::wstring_view left = wide;
        while (!left.empty()) {
            // Pieces of a size every console takes, never splitting a surrogate pair.
            size_t count = left.size() < kPiece ? left.size() : kPiece;
            if (count < left.size() && IS_HIGH_SURROGATE(left[count - 1]))
                --count;
            DWORD written = 0;
            if (!WriteConsoleW(handle_, left.data(), static_cast<DWORD>(count), &written, nullptr) || written == 0)
                return;
            left.remove_prefix(written);
        }
    }

private:
    static constexpr size_t kPiece = 8192;
    UniqueKernelHandle file_;
    HANDLE handle_;
};

// The standard output the process was given when it is a file or a pipe (cmd's "> log.txt" or "| more", a
// scheduled task capturing the output); none when it is a console or there is none.
HANDLE RedirectedOutput() {
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    if (output == nullptr || output == INVALID_HANDLE_VALUE)
        return nullptr;
    const DWORD type = GetFileType(output);
    return type == FILE_TYPE_DISK || type == FILE_TYPE_PIPE ? output : nullptr;
}

bool WriteAll(HANDLE handle, const std::string& bytes) {
    const char* data = bytes.data();
    DWORD left = static_cast<DWORD>(bytes.size());
    while (left > 0) {
        DWORD written = 0;
        if (!WriteFile(handle, data, left, &written, nullptr) || written == 0)
            return false;
        data += written;
        left -= written;
    }
    return true;
}

} // namespace

void WriteConsoleLine(const std::string& utf8Text) {
    // Output redirected to a file or a pipe is written there: in the console's output code page when the process
    // has a console, in UTF-8 otherwise (a GUI program started with "> log.txt" has none).
    if (const HANDLE output = RedirectedOutput()) {
        const UINT codePage = GetConsoleOutputCP();
        const std::string text = MakePrintable(utf8Text);
        WriteAll(output, (codePage != 0 ? Utf8ToCodePage(text, codePage) : text) + "\r\n");
        return;
    }
    // The program is a GUI program: it borrows the console of the command prompt that started it for each line,
    // and gives it back afterwards so that the prompt keeps working normally between lines.
    const AttachConsoleFunction attach = FindAttachConsole();
    const bool attached = attach != nullptr && attach(ATTACH_PARENT_PROCESS);
    {
        ConsoleDevice console;
        console.WriteLine(MakePrintable(utf8Text));
    }
    // A process that has a console of its own (a console program, a test) keeps it.
    if (attached)
        FreeConsole();
}

void WriteErrorLine(const std::string& utf8Text) {
    WriteConsoleLine(utf8Text);
}

} // namespace platform
