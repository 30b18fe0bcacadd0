#include "platform/FileAccess.h"

#include "platform/Handle_win.h"
#include "platform/OpenPath_win.h"
#include "platform/WideText.h"

#include <windows.h>

namespace platform {

namespace {

bool IsMissingError(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME ||
           error == ERROR_BAD_NETPATH || error == ERROR_BAD_NET_NAME || error == ERROR_INVALID_DRIVE;
}

HANDLE OpenForStatus(const std::wstring& path) {
    return CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

} // namespace

FileHead ReadFileHead(const std::string& path, std::size_t count) {
    FileHead head;
    // The verbatim form, so that a file named CON or com1.db is opened as the file and not as the device.
    const std::wstring widePath = FileCallWidePath(path);
    HANDLE raw = CreateFileW(widePath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                             FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (raw == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION)
            head.result = HeadRead::held;
        else if (IsMissingError(error))
            head.result = HeadRead::missing;
        else
            head.result = HeadRead::unreadable;
        return head;
    }
    const UniqueKernelHandle file(raw);
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileType(raw) != FILE_TYPE_DISK || !GetFileInformationByHandle(raw, &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0) {
        head.result = HeadRead::notRegular;
        return head;
    }
    head.result = HeadRead::read;
    head.bytes.assign(count, '\0');
    DWORD got = 0;
    const BOOL ok = ReadFile(raw, head.bytes.data(), static_cast<DWORD>(count), &got, nullptr);
    head.bytes.resize(ok ? got : 0);
    return head;
}

HANDLE OpenPathForStatus(const std::string& path) {
    if (path.empty())
        return INVALID_HANDLE_VALUE;
    HANDLE raw = OpenForStatus(FileCallWidePath(path));
    if (raw == INVALID_HANDLE_VALUE && IsMissingError(GetLastError())) {
        const std::wstring plain = Utf8ToWide(path);
        wchar_t full[16] = {};
        const DWORD got = GetFullPathNameW(plain.c_str(), 16, full, nullptr);
        if (got != 0 && (got >= 16 || wcsncmp(full, L"\\\\.\\", 4) != 0))
            raw = OpenForStatus(plain);
    }
    return raw;
}

std::optional<FileStatus> QueryFileStatus(const std::string& path) {
    HANDLE raw = OpenPathForStatus(path);
    if (raw == INVALID_HANDLE_VALUE)
        return std::nullopt;
    const UniqueKernelHandle file(raw);
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(raw, &info))
        return std::nullopt;
    FileStatus status;
    status.isFolder = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (!status.isFolder)
        status.size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    return status;
}

} // namespace platform
