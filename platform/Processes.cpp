#include "platform/Processes.h"

#include <mutex>
#include <utility>

namespace platform {

bool OpenWithSystemShell(const std::string& address, const std::string& verb, void* owner,
                         const std::string& parameters);

namespace {

std::mutex replacementMutex;
ShellOpenFunction replacement;

} // namespace

bool OpenWithShell(const std::string& address, const std::string& verb, void* owner, const std::string& parameters) {
    ShellOpenFunction function;
    {
        std::lock_guard<std::mutex> lock(replacementMutex);
        function = replacement;
    }
    return function ? function(address, verb, owner, parameters)
                    : OpenWithSystemShell(address, verb, owner, parameters);
}

ShellOpenFunction SetShellOpenFunction(ShellOpenFunction function) {
    std::lock_guard<std::mutex> lock(replacementMutex);
    return std::exchange(replacement, std::move(function));
}

} // namespace platform
