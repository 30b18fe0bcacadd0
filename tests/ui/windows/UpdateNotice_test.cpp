// The main window with its real update check against a server on the loopback address inside the test: the notice
// a newer version brings, nothing for an update file without one or a failed check, and a window that neither
// waits for a server that never answers nor when it closes meanwhile.

#include "tests/ui/LoopbackHttpServer.h"
#include "tests/ui/MainWindowFixture.h"

#include "platform/System.h"
#include "support/ProductAddresses.h"
#include "support/VersionInfo.h"
#include "ui/res/resource.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

using namespace testing_support;

namespace {

using Clock = std::chrono::steady_clock;

long long MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

class UpdateNotice : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.IsListening());
        PointCheckAt(server.Address());
    }
    void TearDown() override { platform::SetUpdatePolicyReader({}); }

    // The window's check asks this address instead of the product's, for this process only.
    static void PointCheckAt(const std::string& address) {
        platform::SetUpdatePolicyReader([address] {
            platform::UpdatePolicy policy;
            policy.address = address;
            return policy;
        });
    }

    std::unique_ptr<TestMainWindow> OpenWindow() {
        auto window = std::make_unique<TestMainWindow>(fixture.GetCatalogue(), fixture.GetPreferences(),
                                                       "Tidyquill 1.2.3", kUpdateFileAddress);
        if (!window->Create())
            return nullptr;
        ShowWindow(window->GetHwnd(), SW_SHOW);
        return window;
    }

    // Opens the window and lets its check end.
    std::unique_ptr<TestMainWindow> OpenWindowAndCheck() {
        auto window = OpenWindow();
        if (window) {
            EXPECT_TRUE(PumpUntil([&] { return !window->GetUpdateChecker().IsChecking(); }, window.get(), 20000));
        }
        // The outcome is posted before the check counts as ended: let it arrive.
        PumpFor(100, window.get());
        return window;
    }

    static bool LinkShown(HWND window) {
        return (GetWindowLongW(GetDlgItem(window, IDC_UPDATE_LINK), GWL_STYLE) & WS_VISIBLE) != 0;
    }

    CLoopbackHttpServer server;
    ProfileFixture fixture;
    const int build = GetModuleBuildNumber();
};

} // namespace

TEST_F(UpdateNotice, NewerVersionShowsTheLinkAndNothingElseDoes) {
    server.SetAnswer(std::to_string(build + 1) + "|1.5.0|x");
    {
        auto window = OpenWindowAndCheck();
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(server.RequestCount(), 1u);
        EXPECT_TRUE(LinkShown(window->GetHwnd()));
        EXPECT_EQ(WindowText(GetDlgItem(window->GetHwnd(), IDC_UPDATE_LINK)), L"Tidyquill 1.5.0 is available");
    }

    // (0, 0): a file that announces nothing newer.
    server.SetAnswer(std::to_string(build) + "|1.5.0|x");
    {
        auto window = OpenWindowAndCheck();
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(server.RequestCount(), 2u);
        EXPECT_FALSE(LinkShown(window->GetHwnd()));
    }

    // (0, -1): nothing listens there.
    PointCheckAt("http://127.0.0.1:" + std::to_string(CLoopbackHttpServer::ClosedPort()) + "/update/tidyquill.txt");
    {
        auto window = OpenWindowAndCheck();
        ASSERT_NE(window, nullptr);
        EXPECT_FALSE(LinkShown(window->GetHwnd()));
    }
}

TEST_F(UpdateNotice, WindowNeverWaitsForAServerThatDoesNotAnswer) {
    server.SetAnswer(std::to_string(build + 1) + "|1.5.0|x");
    server.HoldAnswers(true);

    auto start = Clock::now();
    auto window = OpenWindow();
    ASSERT_NE(window, nullptr);
    const long long opened = MillisecondsSince(start);
    ASSERT_TRUE(server.WaitForRequests(1, 10000));
    EXPECT_TRUE(window->GetUpdateChecker().IsChecking());

    // The window answers while the check waits (the default time-outs are 5 and 10 s).
    PumpFor(300, window.get());
    start = Clock::now();
    PostMessageW(window->GetHwnd(), WM_COMMAND, ID_QUIT, 0);
    const HWND w = window->GetHwnd();
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(w); }, window.get(), 5000));
    window.reset();
    const long long closed = MillisecondsSince(start);
    std::printf("server never answers: window open after %lld ms, closed and gone after %lld ms\n", opened, closed);
    EXPECT_LT(opened, 5000); // far below the 10 s a waiting window would take, with room for a loaded machine
    EXPECT_LT(closed, 5000);

    // The abandoned check ends when the answer comes, without a window to tell.
    server.HoldAnswers(false);
    EXPECT_TRUE(server.WaitForClientsGone(30000));
}
