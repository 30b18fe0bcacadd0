#include "platform/ProcessArguments.h"

namespace platform {

std::vector<std::string> GetProcessArguments(int argc, const char* const* argv) {
    std::vector<std::string> arguments;
    if (argv == nullptr)
        return arguments;
    for (int i = 0; i < argc && argv[i] != nullptr; ++i)
        arguments.emplace_back(argv[i]);
    return arguments;
}

} // namespace platform
