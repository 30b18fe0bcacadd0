#include "platform/AtomicWrite.h"

#include "platform/Handle_win.h"
#include "platform/WideText.h"

#include <windows.h>

namespace platform {

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

} // namespace platform
