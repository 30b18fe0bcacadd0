#pragma once
// A tiny HTTP server on 127.0.0.1 (a port the system chooses) for tests of code that fetches over the network: it
// reads each request's head, records it, and sends the answer the test set, at once or when the test releases it.
// Nothing leaves the machine.

#include <winsock2.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testing_support {

class CLoopbackHttpServer {
public:
    CLoopbackHttpServer();
    // Ends every connection and waits for the server's threads.
    ~CLoopbackHttpServer();
    CLoopbackHttpServer(const CLoopbackHttpServer&) = delete;
    CLoopbackHttpServer& operator=(const CLoopbackHttpServer&) = delete;

    bool IsListening() const { return listener_ != INVALID_SOCKET; }
    unsigned short Port() const { return port_; }
    // "http://127.0.0.1:<port>" followed by path.
    std::string Address(const std::string& path = "/update/tidyquill.txt") const;

    // The answer to the following requests: a status line, Content-Length and the body.
    void SetAnswer(const std::string& body, int status = 200);
    // The following requests get these bytes as they are, and then the connection is closed.
    void SetRawAnswer(const std::string& bytes);
    // While held, requests are read and recorded but not answered; releasing answers those waiting.
    void HoldAnswers(bool hold);

    // Request heads received so far, in order of arrival.
    std::vector<std::string> Requests() const;
    std::size_t RequestCount() const;
    // Waits until count requests have arrived; false after timeoutMs.
    bool WaitForRequests(std::size_t count, unsigned timeoutMs) const;
    // Waits until every connection accepted so far has been closed by its client; false after timeoutMs.
    bool WaitForClientsGone(unsigned timeoutMs) const;

    // A loopback port on which nothing listens (connections are refused).
    static unsigned short ClosedPort();

private:
    void AcceptLoop();
    void Serve(SOCKET client);

    SOCKET listener_ = INVALID_SOCKET;
    unsigned short port_ = 0;
    std::thread acceptor_;

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    bool stopping_ = false;
    bool hold_ = false;
    std::string answer_;
    std::vector<std::string> requests_;
    std::vector<SOCKET> clients_;
    std::size_t accepted_ = 0;
    std::size_t gone_ = 0;
    std::vector<std::thread> servers_;
};

} // namespace testing_support
