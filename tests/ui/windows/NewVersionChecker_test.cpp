// The update check end to end, through the system's internet library, against a server on the loopback address
// inside the test: the outcomes posted to a window, the administrators' registry values, time-outs, and a checker
// destroyed while its worker still waits for the server.

#include "ui/windows/NewVersionChecker.h"

#include "platform/HttpGet.h"
#include "platform/System.h"
#include "platform/Text.h"
#include "support/ProductAddresses.h"
#include "support/UpdateFile.h"
#include "support/VersionInfo.h"
#include "tests/ui/LoopbackHttpServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace {

using Outcome = std::pair<long long, long long>; // the message's wParam and lParam
using Clock = std::chrono::steady_clock;

constexpr wchar_t kPolicyKey[] = L"Software\\Quartzmoore Software\\Tidyquill";

long long MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// A message-only window that records every WM_VERSION_CHECKED it receives.
LRESULT CALLBACK ReceiverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == ui::WM_VERSION_CHECKED) {
        auto* outcomes = reinterpret_cast<std::vector<Outcome>*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        outcomes->emplace_back(static_cast<long long>(wParam), static_cast<long long>(lParam));
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND CreateReceiver(std::vector<Outcome>* outcomes) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = ReceiverProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"TidyquillTestReceiver";
    RegisterClassW(&windowClass); // fails harmlessly when already registered
    HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  windowClass.hInstance, nullptr);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(outcomes));
    return window;
}

void SetPolicyString(HKEY root, const wchar_t* name, const std::string& value) {
    std::wstring wide = platform::Utf8ToWide(value);
    ASSERT_EQ(RegSetKeyValueW(root, kPolicyKey, name, REG_SZ, wide.c_str(),
                              static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
}

void SetPolicyDword(HKEY root, const wchar_t* name, DWORD value) {
    ASSERT_EQ(RegSetKeyValueW(root, kPolicyKey, name, REG_DWORD, &value, sizeof value), ERROR_SUCCESS);
}

void ClearPolicy() {
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
        for (const wchar_t* name : {L"UpdateCheck", L"UpdateUrl"})
            RegDeleteKeyValueW(root, kPolicyKey, name);
}

class UpdateCheck : public ::testing::Test {
protected:
    void SetUp() override {
        ClearPolicy();
        ASSERT_TRUE(server.IsListening());
        receiver = CreateReceiver(&outcomes);
        ASSERT_TRUE(receiver);
    }
    void TearDown() override {
        ClearPolicy();
        DestroyWindow(receiver);
    }

    // Points every checker at the test's server, as an administrator points it at a mirror; no test may reach the
    // product's real address, so this is confirmed before any check starts.
    void UseServer(HKEY root = HKEY_CURRENT_USER) {
        SetPolicyString(root, L"UpdateUrl", server.Address());
        ASSERT_EQ(platform::ReadUpdatePolicy().address, server.Address());
    }

    // Handles the thread's messages until count outcomes arrived or timeoutMs passed.
    bool WaitForOutcomes(std::size_t count, unsigned timeoutMs) {
        const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageW(&message);
            if (outcomes.size() >= count)
                return true;
            if (Clock::now() >= end)
                return false;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        }
    }

    // One whole check of the product's checker against the server answering body.
    Outcome Check(ui::CNewVersionChecker& checker, const std::string& body, int status = 200) {
        server.SetAnswer(body, status);
        outcomes.clear();
        checker.StartCheck(receiver);
        EXPECT_TRUE(WaitForOutcomes(1, 20000));
        return outcomes.empty() ? Outcome{99, 99} : outcomes.front();
    }

    testing_support::CLoopbackHttpServer server;
    std::vector<Outcome> outcomes;
    HWND receiver = nullptr;
};

// The running program's build and numbers around it for the update files of the tests.
const int kBuild = GetModuleBuildNumber();
const std::string kNewer = std::to_string(kBuild + 1);
const std::string kSame = std::to_string(kBuild);

} // namespace

TEST_F(UpdateCheck, MessageIsRegisteredByNameAndMeetsNoDialogMessage) {
    EXPECT_GE(ui::WM_VERSION_CHECKED, 0xC000u);
    EXPECT_EQ(ui::WM_VERSION_CHECKED, RegisterWindowMessageW(L"Tidyquill.VersionChecked"));
}

// --- Outcomes of whole checks --------------------------------------------------------------------------------------
TEST_F(UpdateCheck, FileContentDecidesTheOutcome) {
    UseServer();
    ui::CNewVersionChecker checker(kUpdateFileAddress);

    EXPECT_EQ(Check(checker, kNewer + "|1.5.0|x|y"), Outcome(1, 0));
    EXPECT_EQ(checker.GetNewVersion(), "1.5.0");
    EXPECT_EQ(checker.GetFurtherFields(), (std::vector<std::string>{"x", "y"}));
    ASSERT_EQ(server.RequestCount(), 1u);
    const std::string request = server.Requests().front();
    EXPECT_EQ(request.rfind("GET /update/tidyquill.txt HTTP/1.1\r\n", 0), 0u) << request;
    EXPECT_NE(request.find("\r\nUser-Agent: Quartzmoore New Version Checker\r\n"), std::string::npos) << request;

    // Each check forgets the one before.
    EXPECT_EQ(Check(checker, kSame + "|1.5.0|x"), Outcome(0, 0));
    EXPECT_EQ(checker.GetNewVersion(), "");
    EXPECT_TRUE(checker.GetFurtherFields().empty());

    EXPECT_EQ(Check(checker, kNewer + "|1.5.0"), Outcome(0, 0));
    EXPECT_EQ(Check(checker, "abc|1.5.0|x"), Outcome(0, 0));
    EXPECT_EQ(Check(checker, ""), Outcome(0, 0));
    EXPECT_EQ(Check(checker, kNewer + "||1.6.0||x\r\n"), Outcome(1, 0));
    EXPECT_EQ(checker.GetNewVersion(), "1.6.0");
    EXPECT_EQ(checker.GetFurtherFields(), std::vector<std::string>{"x\r\n"});

    // The version text comes from the network: shown without control characters, at most 32 characters, decoded
    // from the system's code page.
    EXPECT_EQ(Check(checker, kNewer + "|\x1b[1m2.0\r\n" + std::string(40, '0') + "|x"), Outcome(1, 0));
    EXPECT_EQ(checker.GetNewVersion(), "[1m2.0" + std::string(26, '0'));
    EXPECT_EQ(Check(checker, kNewer + "|2.0-\xe4|x"), Outcome(1, 0));
    EXPECT_EQ(checker.GetNewVersion(), "2.0-" + platform::CodePageToUtf8("\xe4", CP_ACP));

    // Another status than 200 is no update file.
    EXPECT_EQ(Check(checker, kNewer + "|1.5.0|x", 404), Outcome(0, -1));
    EXPECT_EQ(checker.GetNewVersion(), "");
}

TEST_F(UpdateCheck, OnlyTheFirst5120BytesAreRead) {
    UseServer();
    ui::CNewVersionChecker checker(kUpdateFileAddress);
    const std::string head = kNewer + "|1.5.0|";
    const std::string pad(kUpdateFileReadLimit - head.size() - 1, '|');
    // The third field at the last byte read, then at the first byte not read.
    EXPECT_EQ(Check(checker, head + pad + "x" + std::string(1000, '|')), Outcome(1, 0));
    EXPECT_EQ(Check(checker, head + pad + "|x"), Outcome(0, 0));
}

TEST_F(UpdateCheck, FailuresEndInMinusOne) {
    ui::CNewVersionChecker checker(kUpdateFileAddress);

    // Nothing listens on the port.
    SetPolicyString(HKEY_CURRENT_USER, L"UpdateUrl",
                    "http://127.0.0.1:" + std::to_string(testing_support::CLoopbackHttpServer::ClosedPort()) +
                        "/update/tidyquill.txt");
    checker.StartCheck(receiver);
    ASSERT_TRUE(WaitForOutcomes(1, 20000));
    EXPECT_EQ(outcomes.front(), Outcome(0, -1));

    // A body that ends before the length its head announced.
    UseServer();
    server.SetRawAnswer("HTTP/1.1 200 OK\r\nContent-Length: 100\r\nConnection: close\r\n\r\n" + kNewer + "|1.5.0|x");
    outcomes.clear();
    checker.StartCheck(receiver);
    ASSERT_TRUE(WaitForOutcomes(1, 20000));
    EXPECT_EQ(outcomes.front(), Outcome(0, -1));

    // An address that is not http or https is not fetched.
    SetPolicyString(HKEY_CURRENT_USER, L"UpdateUrl", "ftp://127.0.0.1:" + std::to_string(server.Port()) + "/x.txt");
    outcomes.clear();
    checker.StartCheck(receiver);
    ASSERT_TRUE(WaitForOutcomes(1, 20000));
    EXPECT_EQ(outcomes.front(), Outcome(0, -1));
    EXPECT_EQ(server.RequestCount(), 1u);
}

TEST_F(UpdateCheck, ServerThatNeverAnswersEndsAtTheReceiveTimeout) {
    UseServer();
    server.HoldAnswers(true);
    ui::CNewVersionChecker checker(kUpdateFileAddress);
    checker.SetTimeouts({5000, 1000, 1000});
    const auto start = Clock::now();
    checker.StartCheck(receiver);
    ASSERT_TRUE(WaitForOutcomes(1, 20000));
    const long long elapsed = MillisecondsSince(start);
    EXPECT_EQ(outcomes.front(), Outcome(0, -1));
    EXPECT_GE(elapsed, 900);
    EXPECT_LT(elapsed, 5000);
    std::printf("no answer: outcome after %lld ms (receive time-out 1000 ms)\n", elapsed);
    EXPECT_EQ(server.RequestCount(), 1u);
}

// The library's own part: the body however the server frames it, the byte limit, and a cancelled request.
TEST_F(UpdateCheck, HttpGetReadsTheBodyAsTheServerFramesIt) {
    platform::HttpGetOptions options;
    options.maxBytes = 10;
    server.SetAnswer("0123456789abcdef");
    EXPECT_EQ(platform::HttpGet(server.Address(), options), "0123456789");

    options.maxBytes = kUpdateFileReadLimit;
    server.SetRawAnswer("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n42|1.5.0|x");
    EXPECT_EQ(platform::HttpGet(server.Address(), options), "42|1.5.0|x");
    server.SetRawAnswer("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\n42|\r\n7\r\n1.5.0|x\r\n0\r\n\r\n");
    EXPECT_EQ(platform::HttpGet(server.Address(), options), "42|1.5.0|x");
    EXPECT_EQ(server.RequestCount(), 3u);

    platform::HttpCancellation cancelled;
    cancelled.Cancel();
    EXPECT_FALSE(platform::HttpGet(server.Address(), options, &cancelled));
    EXPECT_FALSE(platform::HttpGet("not an address", options));
    EXPECT_EQ(server.RequestCount(), 3u);
}

// --- What administrators decide ------------------------------------------------------------------------------------
TEST_F(UpdateCheck, UpdateCheckZeroMeansNoRequestAtAll) {
    UseServer();
    SetPolicyDword(HKEY_CURRENT_USER, L"UpdateCheck", 0);
    server.SetAnswer(kNewer + "|1.5.0|x");
    ui::CNewVersionChecker checker(kUpdateFileAddress);
    checker.StartCheck(receiver);
    EXPECT_FALSE(checker.IsChecking());
    EXPECT_FALSE(WaitForOutcomes(1, 500));
    EXPECT_EQ(server.RequestCount(), 0u);

    // Another value turns it on again.
    SetPolicyDword(HKEY_CURRENT_USER, L"UpdateCheck", 1);
    checker.StartCheck(receiver);
    ASSERT_TRUE(WaitForOutcomes(1, 20000));
    EXPECT_EQ(outcomes.front(), Outcome(1, 0));
}

TEST_F(UpdateCheck, MachineValuesWinOverTheUsers) {
    platform::UpdatePolicy policy = platform::ReadUpdatePolicy();
    EXPECT_TRUE(policy.checkEnabled);
    EXPECT_FALSE(policy.address);

    SetPolicyDword(HKEY_CURRENT_USER, L"UpdateCheck", 0);
    EXPECT_FALSE(platform::ReadUpdatePolicy().checkEnabled);
    SetPolicyDword(HKEY_LOCAL_MACHINE, L"UpdateCheck", 1);
    EXPECT_TRUE(platform::ReadUpdatePolicy().checkEnabled);
    SetPolicyDword(HKEY_LOCAL_MACHINE, L"UpdateCheck", 0);
    SetPolicyDword(HKEY_CURRENT_USER, L"UpdateCheck", 1);
    EXPECT_FALSE(platform::ReadUpdatePolicy().checkEnabled);
    // A value of another type counts as not set.
    ClearPolicy();
    SetPolicyString(HKEY_LOCAL_MACHINE, L"UpdateCheck", "0");
    EXPECT_TRUE(platform::ReadUpdatePolicy().checkEnabled);
    SetPolicyString(HKEY_LOCAL_MACHINE, L"UpdateUrl", "");
    EXPECT_FALSE(platform::ReadUpdatePolicy().address);

    // The machine's mirror is asked, not the user's.
    testing_support::CLoopbackHttpServer usersMirror;
    ASSERT_TRUE(usersMirror.IsListening());
    SetPolicyString(HKEY_CURRENT_USER, L"UpdateUrl", usersMirror.Address());
    UseServer(HKEY_LOCAL_MACHINE);
    ui::CNewVersionChecker checker(kUpdateFileAddress);
    EXPECT_EQ(Check(checker, kNewer + "|1.5.0|x"), Outcome(1, 0));
    EXPECT_EQ(server.RequestCount(), 1u);
    EXPECT_EQ(usersMirror.RequestCount(), 0u);
}

TEST_F(UpdateCheck, ReplacedPolicyLeavesTheRegistryAlone) {
    // The registry would turn the check off; the process's own policy points it at the server.
    SetPolicyDword(HKEY_LOCAL_MACHINE, L"UpdateCheck", 0);
    platform::UpdatePolicy mirror;
    mirror.address = server.Address();
    auto previous = platform::SetUpdatePolicyReader([&] { return mirror; });
    ui::CNewVersionChecker checker(kUpdateFileAddress);
    EXPECT_EQ(Check(checker, kNewer + "|1.5.0|x"), Outcome(1, 0));
    EXPECT_EQ(server.RequestCount(), 1u);

    mirror.checkEnabled = false;
    outcomes.clear();
    checker.StartCheck(receiver);
    EXPECT_FALSE(WaitForOutcomes(1, 300));
    EXPECT_EQ(server.RequestCount(), 1u);

    platform::SetUpdatePolicyReader(previous);
    EXPECT_FALSE(platform::ReadUpdatePolicy().checkEnabled);
}

// --- A check in progress -------------------------------------------------------------------------------------------
TEST_F(UpdateCheck, SecondStartDuringASlowAnswerStartsNothing) {
    UseServer();
    server.SetAnswer(kNewer + "|1.5.0|x");
    server.HoldAnswers(true);
    ui::CNewVersionChecker checker(kUpdateFileAddress);
    checker.StartCheck(receiver);
    ASSERT_TRUE(server.WaitForRequests(1, 10000));
    EXPECT_TRUE(checker.IsChecking());
    checker.StartCheck(receiver);
    checker.StartCheck(receiver);
    EXPECT_FALSE(server.WaitForRequests(2, 500));
    EXPECT_TRUE(outcomes.empty());

    server.HoldAnswers(false);
    ASSERT_TRUE(WaitForOutcomes(1, 20000));
    EXPECT_FALSE(WaitForOutcomes(2, 300));
    EXPECT_EQ(outcomes, std::vector<Outcome>{Outcome(1, 0)});
    EXPECT_FALSE(checker.IsChecking());
    EXPECT_EQ(server.RequestCount(), 1u);

    // Once it has ended, the next start asks again.
    checker.StartCheck(receiver);
    ASSERT_TRUE(WaitForOutcomes(2, 20000));
    EXPECT_EQ(server.RequestCount(), 2u);
}

TEST_F(UpdateCheck, DestroyingTheCheckerDuringASlowAnswerReturnsAtOnce) {
    UseServer();
    server.SetAnswer(kNewer + "|1.5.0|x");
    server.HoldAnswers(true);
    constexpr int kRounds = 100;
    long long slowest = 0; // microseconds
    for (int round = 0; round < kRounds; ++round) {
        auto checker = std::make_unique<ui::CNewVersionChecker>(kUpdateFileAddress);
        checker->StartCheck(receiver);
        // Every second round the worker is surely waiting for the answer; the others end it at any moment.
        if (round % 2 == 0) {
            ASSERT_TRUE(server.WaitForRequests(round / 2 + 1, 10000));
        }
        const auto start = Clock::now();
        checker.reset();
        slowest = std::max<long long>(
            slowest, std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count());
    }
    std::printf("%d checkers destroyed during a check: the slowest destruction took %lld us\n", kRounds, slowest);
    EXPECT_LT(slowest, 2000000); // the time-outs are 5 and 10 s: a destructor that waited would take that long

    // The abandoned workers end when the answers come (or their connections were closed) and post nothing.
    server.HoldAnswers(false);
    EXPECT_TRUE(server.WaitForClientsGone(30000));
    EXPECT_FALSE(WaitForOutcomes(1, 500));
}
