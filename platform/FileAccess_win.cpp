#include "platform/FileAccess.h"

#include "platform/WideText.h"

#include <windows.h>

namespace platform {

std::optional<std::string> ReadFileHead(const std::string& path, std::size_t count) {
    const std::wstring widePath = Utf8ToWide(path);
    const DWORD attributes = GetFileAttributesW(widePath.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return std::nullopt;
    if ((attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0)
        return std::string();
    HANDLE file = CreateFileW(widePath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::nullopt;
    std::string head;
    if (GetFileType(file) == FILE_TYPE_DISK) {
        head.assign(count, '\0');
        DWORD got = 0;
        const BOOL ok = ReadFile(file, head.data(), static_cast<DWORD>(count), &got, nullptr);
        head.resize(ok ? got : 0);
    }
    CloseHandle(file);
    return head;
}

} // namespace platform
