#include "platform/HttpGet.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> closed;

void Close(void* handle) {
    closed.push_back(static_cast<const char*>(handle));
}

} // namespace

// Each handle handed over is closed exactly once: by its owner, by Cancel, or at once when already cancelled.
TEST(HttpCancellation, ClosesEachHandleOnce) {
    closed.clear();
    char session[] = "session", connection[] = "connection", request[] = "request", late[] = "late";
    {
        platform::HttpCancellation cancellation;
        EXPECT_FALSE(cancellation.IsCancelled());
        EXPECT_TRUE(cancellation.Adopt(session, Close));
        EXPECT_TRUE(cancellation.Adopt(connection, Close));
        EXPECT_TRUE(cancellation.Adopt(request, Close));
        cancellation.Close(request);
        EXPECT_EQ(closed, std::vector<std::string>{"request"});

        // Inner handles first.
        cancellation.Cancel();
        EXPECT_TRUE(cancellation.IsCancelled());
        EXPECT_EQ(closed, (std::vector<std::string>{"request", "connection", "session"}));

        // The owner's own closes after a cancel change nothing; a handle that comes later is closed at once.
        cancellation.Close(connection);
        cancellation.Close(session);
        EXPECT_FALSE(cancellation.Adopt(late, Close));
        cancellation.Cancel();
        EXPECT_EQ(closed, (std::vector<std::string>{"request", "connection", "session", "late"}));
    }
    // Going away closes what is still held.
    {
        platform::HttpCancellation cancellation;
        cancellation.Adopt(session, Close);
    }
    EXPECT_EQ(closed.back(), "session");
    EXPECT_EQ(closed.size(), 5u);
}

#ifndef _WIN32
TEST(HttpGet, LinuxFetchesNothing) {
    EXPECT_FALSE(platform::HttpGet("http://127.0.0.1:1/update/tidyquill.txt", {}));
}
#endif
