#include "platform/FileAccess.h"

#include "platform/WideText.h"

#include <windows.h>

namespace platform {

std::string ReadFileHead(const std::string& path, std::size_t count) {
    HANDLE file = CreateFileW(Utf8ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return {};
    std::string head(count, '\0');
    DWORD got = 0;
    const BOOL ok = ReadFile(file, head.data(), static_cast<DWORD>(count), &got, nullptr);
    CloseHandle(file);
    head.resize(ok ? got : 0);
    return head;
}

} // namespace platform
