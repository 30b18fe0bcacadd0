#include "LoopbackHttpServer.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <chrono>

namespace testing_support {
namespace {

struct WinsockStartup {
    WinsockStartup() {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    }
};

SOCKET LoopbackSocket(unsigned short& port) {
    static WinsockStartup startup;
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET)
        return s;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    int length = sizeof address;
    if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        closesocket(s);
        return INVALID_SOCKET;
    }
    port = ntohs(address.sin_port);
    return s;
}

// Waits up to timeoutMs for the socket to become readable.
bool Readable(SOCKET s, long timeoutMs) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval wait{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    return select(0, &set, nullptr, nullptr, &wait) == 1;
}

} // namespace

CLoopbackHttpServer::CLoopbackHttpServer() {
    SOCKET s = LoopbackSocket(port_);
    if (s == INVALID_SOCKET || listen(s, SOMAXCONN) != 0) {
        if (s != INVALID_SOCKET)
            closesocket(s);
        return;
    }
    listener_ = s;
    SetAnswer("");
    acceptor_ = std::thread([this] { AcceptLoop(); });
}

CLoopbackHttpServer::~CLoopbackHttpServer() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
        for (SOCKET client : clients_)
            shutdown(client, SD_BOTH);
    }
    changed_.notify_all();
    if (acceptor_.joinable())
        acceptor_.join();
    for (auto& server : servers_)
        server.join();
    if (listener_ != INVALID_SOCKET)
        closesocket(listener_);
}

std::string CLoopbackHttpServer::Address(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void CLoopbackHttpServer::SetAnswer(const std::string& body, int status) {
    SetRawAnswer("HTTP/1.1 " + std::to_string(status) + (status == 200 ? " OK" : " Not Found") +
                 "\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(body.size()) +
                 "\r\nConnection: close\r\n\r\n" + body);
}

void CLoopbackHttpServer::SetRawAnswer(const std::string& bytes) {
    std::lock_guard<std::mutex> lock(mutex_);
    answer_ = bytes;
}

void CLoopbackHttpServer::HoldAnswers(bool hold) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        hold_ = hold;
    }
    changed_.notify_all();
}

std::vector<std::string> CLoopbackHttpServer::Requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

std::size_t CLoopbackHttpServer::RequestCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_.size();
}

bool CLoopbackHttpServer::WaitForRequests(std::size_t count, unsigned timeoutMs) const {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return requests_.size() >= count; });
}

bool CLoopbackHttpServer::WaitForClientsGone(unsigned timeoutMs) const {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return gone_ == accepted_; });
}

unsigned short CLoopbackHttpServer::ClosedPort() {
    unsigned short port = 0;
    SOCKET s = LoopbackSocket(port);
    if (s != INVALID_SOCKET)
        closesocket(s);
    return port;
}

void CLoopbackHttpServer::AcceptLoop() {
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (stopping_)
                return;
        }
        if (!Readable(listener_, 50))
            continue;
        SOCKET client = accept(listener_, nullptr, nullptr);
        if (client == INVALID_SOCKET)
            continue;
        std::lock_guard<std::mutex> lock(mutex_);
        if (stopping_) {
            closesocket(client);
            return;
        }
        clients_.push_back(client);
        ++accepted_;
        servers_.emplace_back([this, client] { Serve(client); });
    }
}

void CLoopbackHttpServer::Serve(SOCKET client) {
    auto stopping = [this] {
        std::lock_guard<std::mutex> lock(mutex_);
        return stopping_;
    };
    // The request's head, up to its empty line.
    std::string head;
    char buffer[4096];
    while (head.find("\r\n\r\n") == std::string::npos && !stopping()) {
        if (!Readable(client, 50))
            continue;
        int got = recv(client, buffer, sizeof buffer, 0);
        if (got <= 0)
            break;
        head.append(buffer, got);
    }
    std::string answer;
    {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!head.empty())
            requests_.push_back(head);
        changed_.notify_all();
        changed_.wait(lock, [&] { return !hold_ || stopping_; });
        answer = stopping_ ? std::string() : answer_;
    }
    if (!answer.empty())
        send(client, answer.data(), static_cast<int>(answer.size()), 0);
    shutdown(client, SD_SEND);
    // Until the client closes its side (or the server stops).
    while (!stopping()) {
        if (!Readable(client, 50))
            continue;
        if (recv(client, buffer, sizeof buffer, 0) <= 0)
            break;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    clients_.erase(std::find(clients_.begin(), clients_.end(), client));
    closesocket(client);
    ++gone_;
    changed_.notify_all();
}

} // namespace testing_support
