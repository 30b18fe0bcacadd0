#include "platform/ShellOpen.h"

#include "platform/WideText.h"

#include <windows.h>

#include <shellapi.h>

namespace platform {

bool OpenWithSystemShell(const std::string& address, const std::string& verb, void* owner) {
    const std::wstring wideAddress = Utf8ToWide(address);
    const std::wstring wideVerb = Utf8ToWide(verb);
    const HINSTANCE result = ShellExecuteW(static_cast<HWND>(owner), wideVerb.empty() ? nullptr : wideVerb.c_str(),
                                           wideAddress.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

} // namespace platform
