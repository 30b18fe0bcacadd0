#include "platform/ProcessArguments.h"

#include "platform/Handle_win.h"
#include "platform/WideText.h"

#include <windows.h>

#include <shellapi.h>

namespace platform {

std::vector<std::string> GetProcessArguments(int, const char* const*) {
    std::vector<std::string> arguments;
    int count = 0;
    const UniqueLocalMemory memory(CommandLineToArgvW(GetCommandLineW(), &count));
    if (!memory)
        return arguments;
    const auto* list = static_cast<LPWSTR*>(memory.get());
    arguments.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        arguments.push_back(WideToUtf8(list[i]));
    return arguments;
}

} // namespace platform
