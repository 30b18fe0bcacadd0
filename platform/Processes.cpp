#include "platform/Processes.h"

#include <mutex>
#include <utility>

namespace platform {

bool OpenWithSystemShell(const std::string& address, const std::string& verb, void* owner);

namespace {

std::mutex replacementMutex;
ShellOpenFunction replacement;

} // namespace

bool OpenWithShell(const std::string& address, const std::string& verb, void* owner) {
    ShellOpenFunction function;
    {
        std::lock_guard<std::mutex> lock(replacementMutex);
        function = replacement;
    }
    return function ? function(address, verb, owner) : OpenWithSystemShell(address, verb, owner);
}

ShellOpenFunction SetShellOpenFunction(ShellOpenFunction function) {
    std::lock_guard<std::mutex> lock(replacementMutex);
    return std::exchange(replacement, std::move(function));
}

} // namespace platform
