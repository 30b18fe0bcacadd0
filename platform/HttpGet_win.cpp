#include "platform/HttpGet.h"

#include <windows.h>

#include <wininet.h>

#include <algorithm>

#include "platform/Text.h"

namespace platform {
namespace {

void CloseInternetHandle(void* handle) {
    InternetCloseHandle(static_cast<HINTERNET>(handle));
}

// Owns one internet handle; with a cancellation, the handle is closed through it, so that Cancel and this owner
// never both close it.
class InternetHandle {
public:
    InternetHandle(HINTERNET handle, HttpCancellation* cancellation) : handle_(handle), cancellation_(cancellation) {
        if (handle_ && cancellation_ && !cancellation_->Adopt(handle_, CloseInternetHandle))
            handle_ = nullptr;
    }
    ~InternetHandle() {
        if (!handle_)
            return;
        if (cancellation_)
            cancellation_->Close(handle_);
        else
            InternetCloseHandle(handle_);
    }
    InternetHandle(const InternetHandle&) = delete;
    InternetHandle& operator=(const InternetHandle&) = delete;

    HINTERNET get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

private:
    HINTERNET handle_;
    HttpCancellation* cancellation_;
};

void SetOption(HINTERNET handle, DWORD option, DWORD value) {
    InternetSetOptionW(handle, option, &value, sizeof value);
}

// The library honours the receive and send time-outs only on connection and request handles, not on the session.
void SetTimeouts(HINTERNET handle, const HttpGetOptions& options) {
    SetOption(handle, INTERNET_OPTION_CONNECT_TIMEOUT, options.connectTimeoutMs);
    SetOption(handle, INTERNET_OPTION_RECEIVE_TIMEOUT, options.receiveTimeoutMs);
    SetOption(handle, INTERNET_OPTION_DATA_RECEIVE_TIMEOUT, options.receiveTimeoutMs);
    SetOption(handle, INTERNET_OPTION_SEND_TIMEOUT, options.sendTimeoutMs);
    SetOption(handle, INTERNET_OPTION_DATA_SEND_TIMEOUT, options.sendTimeoutMs);
}

std::optional<DWORD> QueryNumber(HINTERNET request, DWORD info) {
    DWORD value = 0;
    DWORD size = sizeof value;
    if (!HttpQueryInfoW(request, info | HTTP_QUERY_FLAG_NUMBER, &value, &size, nullptr))
        return std::nullopt;
    return value;
}

bool Cancelled(const HttpCancellation* cancellation) {
    return cancellation && cancellation->IsCancelled();
}

} // namespace

std::optional<std::string> HttpGet(const std::string& address, const HttpGetOptions& options,
                                   HttpCancellation* cancellation) {
    std::wstring url = Utf8ToWide(address);
    URL_COMPONENTSW parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwHostNameLength = 1;
    parts.dwUrlPathLength = 1;
    parts.dwExtraInfoLength = 1;
    if (url.empty() || !InternetCrackUrlW(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts))
        return std::nullopt;
    if ((parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) || !parts.lpszHostName ||
        parts.dwHostNameLength == 0)
        return std::nullopt;
    std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    std::wstring path;
    if (parts.lpszUrlPath)
        path.assign(parts.lpszUrlPath, parts.dwUrlPathLength);
    if (parts.lpszExtraInfo)
        path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    if (path.empty())
        path = L"/";

    std::wstring userAgent = Utf8ToWide(options.userAgent);
    InternetHandle session(InternetOpenW(userAgent.c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0),
                           cancellation);
    if (!session)
        return std::nullopt;
    SetTimeouts(session.get(), options);

    InternetHandle connection(
        InternetConnectW(session.get(), host.c_str(), parts.nPort, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 1),
        cancellation);
    if (!connection)
        return std::nullopt;
    SetTimeouts(connection.get(), options);

    // Always from the server: an update file answered from a cache could hide a new version.
    DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_COOKIES;
    if (parts.nScheme == INTERNET_SCHEME_HTTPS)
        flags |= INTERNET_FLAG_SECURE;
    InternetHandle request(
        HttpOpenRequestW(connection.get(), L"GET", path.c_str(), nullptr, nullptr, nullptr, flags, 1), cancellation);
    if (!request)
        return std::nullopt;
    SetTimeouts(request.get(), options);

    if (!HttpSendRequestW(request.get(), nullptr, 0, nullptr, 0) || Cancelled(cancellation))
        return std::nullopt;
    if (QueryNumber(request.get(), HTTP_QUERY_STATUS_CODE) != std::optional<DWORD>(HTTP_STATUS_OK))
        return std::nullopt;
    std::optional<DWORD> announced = QueryNumber(request.get(), HTTP_QUERY_CONTENT_LENGTH);

    std::string body(options.maxBytes, '\0');
    std::size_t total = 0;
    while (total < body.size()) {
        DWORD read = 0;
        DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(body.size() - total, 0x10000));
        if (!InternetReadFile(request.get(), body.data() + total, wanted, &read) || Cancelled(cancellation))
            return std::nullopt;
        if (read == 0)
            break;
        total += read;
    }
    // After a receive time-out the library reports the end of the body: only the announced length tells them apart.
    if (announced && total < std::min<std::size_t>(*announced, options.maxBytes))
        return std::nullopt;
    body.resize(total);
    return body;
}

} // namespace platform
