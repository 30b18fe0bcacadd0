#include "platform/AtomicWrite.h"

#include "platform/WideText.h"

#include <windows.h>

namespace platform {

namespace {

bool WriteAndFlush(const std::wstring& path, std::string_view bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool ok = true;
    while (ok && !bytes.empty()) {
        const DWORD chunk = bytes.size() > 0x40000000 ? 0x40000000 : static_cast<DWORD>(bytes.size());
        DWORD written = 0;
        ok = WriteFile(file, bytes.data(), chunk, &written, nullptr) && written > 0;
        bytes.remove_prefix(written);
    }
    ok = ok && FlushFileBuffers(file);
    return CloseHandle(file) && ok;
}

} // namespace

bool ReplaceFileContent(const std::string& path, std::string_view bytes) {
    if (path.empty())
        return false;
    const std::wstring target = Utf8ToWide(path);
    const std::wstring temporary = Utf8ToWide(path + ".tmp");
    if (WriteAndFlush(temporary, bytes) &&
        MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    DeleteFileW(temporary.c_str());
    return false;
}

} // namespace platform
