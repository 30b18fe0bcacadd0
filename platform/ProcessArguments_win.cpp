#include "platform/ProcessArguments.h"

#include "platform/WideText.h"

#include <windows.h>

#include <shellapi.h>

namespace platform {

std::vector<std::string> GetProcessArguments(int, const char* const*) {
    std::vector<std::string> arguments;
    int count = 0;
    LPWSTR* list = CommandLineToArgvW(GetCommandLineW(), &count);
    if (list == nullptr)
        return arguments;
    arguments.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        arguments.push_back(WideToUtf8(list[i]));
    LocalFree(list);
    return arguments;
}

} // namespace platform
