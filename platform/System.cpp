#include "platform/System.h"

#include <mutex>
#include <utility>

namespace platform {

UpdatePolicy ReadSystemUpdatePolicy();

namespace {

std::mutex replacementMutex;
UpdatePolicyReader replacement;

} // namespace

UpdatePolicy ReadUpdatePolicy() {
    UpdatePolicyReader reader;
    {
        std::lock_guard<std::mutex> lock(replacementMutex);
        reader = replacement;
    }
    return reader ? reader() : ReadSystemUpdatePolicy();
}

UpdatePolicyReader SetUpdatePolicyReader(UpdatePolicyReader reader) {
    std::lock_guard<std::mutex> lock(replacementMutex);
    return std::exchange(replacement, std::move(reader));
}

} // namespace platform
