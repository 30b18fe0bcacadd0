#pragma once
// One HTTP GET of a small file, through the system's internet library (Windows); other systems report failure.

#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace platform {

struct HttpGetOptions {
    std::string userAgent;
    unsigned connectTimeoutMs = 5000;
    unsigned receiveTimeoutMs = 10000;
    unsigned sendTimeoutMs = 10000;
    // Bytes of the body kept; the rest is never read.
    std::size_t maxBytes = 5120;
};

// Lets another thread end a running HttpGet: Cancel closes the request's handles, which ends a blocked call where
// the system allows it (Windows does; Wine finishes the call at its time-out), and makes every later step fail.
// Thread-safe.
class HttpCancellation {
public:
    HttpCancellation() = default;
    HttpCancellation(const HttpCancellation&) = delete;
    HttpCancellation& operator=(const HttpCancellation&) = delete;
    ~HttpCancellation();

    void Cancel();
    bool IsCancelled() const;

    // For the implementation. Adopt hands a handle over, to be closed by Cancel or by Close; when already cancelled
    // it closes the handle at once and answers false.
    bool Adopt(void* handle, void (*close)(void*));
    // Closes an adopted handle unless Cancel already did.
    void Close(void* handle);

private:
    mutable std::mutex mutex_;
    bool cancelled_ = false;
    std::vector<std::pair<void*, void (*)(void*)>> handles_;
};

// Fetches the address (http or https, with an optional port) and answers the first maxBytes bytes of the body when
// the server answered 200 and sent the whole body or at least maxBytes of it. None when the address is not http(s),
// the server cannot be reached, answers another status, ends the body early, or a time-out passes, and when
// cancelled. The answer may not come from a cache. Linux: always none.
std::optional<std::string> HttpGet(const std::string& address, const HttpGetOptions& options,
                                   HttpCancellation* cancellation = nullptr);

} // namespace platform
