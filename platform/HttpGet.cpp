#include "platform/HttpGet.h"

#include <algorithm>

namespace platform {

HttpCancellation::~HttpCancellation() {
    for (auto& [handle, close] : handles_)
        close(handle);
}

void HttpCancellation::Cancel() {
    std::lock_guard<std::mutex> lock(mutex_);
    cancelled_ = true;
    // Inner handles first: the request, then its connection, then the session.
    for (auto it = handles_.rbegin(); it != handles_.rend(); ++it)
        it->second(it->first);
    handles_.clear();
}

bool HttpCancellation::IsCancelled() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return cancelled_;
}

bool HttpCancellation::Adopt(void* handle, void (*close)(void*)) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (cancelled_) {
        close(handle);
        return false;
    }
    handles_.emplace_back(handle, close);
    return true;
}

void HttpCancellation::Close(void* handle) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = std::find_if(handles_.begin(), handles_.end(), [&](const auto& entry) { return entry.first == handle; });
    if (it == handles_.end())
        return;
    it->second(it->first);
    handles_.erase(it);
}

} // namespace platform
