#include "platform/ModulePath.h"

#include "platform/WideText.h"

#include <windows.h>

#include <vector>

namespace platform {

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

} // namespace platform
