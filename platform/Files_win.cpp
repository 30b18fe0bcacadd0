#include "platform/Files.h"

#include "platform/Handle_win.h"
#include "platform/Text.h"

#include <windows.h>
#include <shlwapi.h>

namespace platform {

// --- Replacing a file's content --------------------------------------------------------------------------------------

namespace {

bool WriteAndFlush(const std::wstring& path, std::string_view bytes) {
    UniqueKernelHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    bool ok = true;
    while (ok && !bytes.empty()) {
        const DWORD chunk = bytes.size() > 0x40000000 ? 0x40000000 : static_cast<DWORD>(bytes.size());
        DWORD written = 0;
        ok = WriteFile(file.get(), bytes.data(), chunk, &written, nullptr) && written > 0;
        bytes.remove_prefix(written);
    }
    ok = ok && FlushFileBuffers(file.get());
    // A failed close may mean lost data on some file systems: it counts as a failed write.
    return CloseHandle(file.release()) && ok;
}

// The file a symbolic link leads to, so that the link stays a link; the path itself when it is none. Empty when it
// is a link whose target cannot be found (then nothing is replaced).
std::wstring FollowLinks(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
        return path;
    const UniqueKernelHandle file(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return {};
    std::wstring target(32768, L'\0');
    const DWORD length =
        GetFinalPathNameByHandleW(file.get(), target.data(), static_cast<DWORD>(target.size()), VOLUME_NAME_DOS);
    if (length == 0 || length >= target.size())
        return {};
    target.resize(length);
    return target;
}

} // namespace

bool ReplaceFileContent(const std::string& path, std::string_view bytes) {
    if (path.empty())
        return false;
    // The verbatim form reaches files deeper than 260 characters.
    const std::wstring target = FollowLinks(FileCallWidePath(path));
    if (target.empty())
        return false;
    const std::wstring temporary = target + L".tmp";
    if (WriteAndFlush(temporary, bytes) &&
        MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    DeleteFileW(temporary.c_str());
    return false;
}

// --- File status and the start of a file -----------------------------------------------------------------------------

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
    HANDLE raw = CreateFileW(widePath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (raw == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION)
            head.result = HeadRead::held;
        else if (IsMissingError(error))
            head.result = HeadRead::missing;
        else if (error == ERROR_ACCESS_DENIED)
            head.result = HeadRead::denied;
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

namespace {

std::uint64_t Combine(DWORD high, DWORD low) {
    return (static_cast<std::uint64_t>(high) << 32) | low;
}

// Opens the file or folder at path for its status only (no access to its content), sharing everything.
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

// What the system knows of the file or folder at path, following links and junctions.
std::optional<BY_HANDLE_FILE_INFORMATION> QueryFileInformation(const std::string& path) {
    const UniqueKernelHandle file(OpenPathForStatus(path));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!file || !GetFileInformationByHandle(file.get(), &info))
        return std::nullopt;
    return info;
}

} // namespace

std::optional<FileStatus> QueryFileStatus(const std::string& path) {
    const std::optional<BY_HANDLE_FILE_INFORMATION> info = QueryFileInformation(path);
    if (!info)
        return std::nullopt;
    FileStatus status;
    status.isFolder = (info->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (!status.isFolder)
        status.size = Combine(info->nFileSizeHigh, info->nFileSizeLow);
    return status;
}

// --- Folder listings and identities ----------------------------------------------------------------------------------

bool ForEachFolderEntry(const std::string& folder, const std::function<bool(const FolderEntry&)>& visit) {
    // The verbatim form lists folders deeper than 260 characters and one whose name reads as a device.
    std::wstring pattern = FileCallWidePath(folder);
    if (pattern.empty())
        return false;
    if (pattern.back() != L'\\' && pattern.back() != L'/')
        pattern += L'\\';
    pattern += L'*';
    WIN32_FIND_DATAW data{};
    HANDLE raw = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                  FIND_FIRST_EX_LARGE_FETCH);
    if (raw == INVALID_HANDLE_VALUE)
        return false;
    const UniqueFindHandle find(raw);
    FolderEntry entry;
    do {
        if (wcscmp(data.cFileName, L".") == 0 || wcscmp(data.cFileName, L"..") == 0)
            continue;
        entry.name = WideToUtf8(data.cFileName);
        entry.isFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        // Only links and junctions lead elsewhere; other reparse points (cloud placeholders, deduplicated files)
        // are where they appear. The find data carries the tag in dwReserved0.
        entry.isLink = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
                       (data.dwReserved0 == IO_REPARSE_TAG_SYMLINK || data.dwReserved0 == IO_REPARSE_TAG_MOUNT_POINT);
        entry.size = entry.isFolder ? 0 : Combine(data.nFileSizeHigh, data.nFileSizeLow);
        if (!visit(entry))
            break;
    } while (FindNextFileW(find.get(), &data));
    return true;
}

std::optional<FileIdentity> GetFileIdentity(const std::string& path) {
    // Junctions and links are followed, so every spelling of a folder gives the one identity.
    const std::optional<BY_HANDLE_FILE_INFORMATION> info = QueryFileInformation(path);
    if (!info)
        return std::nullopt;
    return FileIdentity{info->dwVolumeSerialNumber, Combine(info->nFileIndexHigh, info->nFileIndexLow)};
}

// --- Wildcard masks --------------------------------------------------------------------------------------------------

bool MatchSpec(const std::string& text, const std::string& masks) {
    return PathMatchSpecW(Utf8ToWide(text).c_str(), Utf8ToWide(masks).c_str()) != FALSE;
}

} // namespace platform
