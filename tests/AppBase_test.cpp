#include "support/AppBase.h"

#include "ChildProcess.h"
#include "TestSupport.h"
#include "TestWindow.h"

#include "platform/Application.h"
#include "platform/Processes.h"
#include "platform/System.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <random>
#include <thread>

using namespace testing_support;

namespace {

constexpr int kAlreadyRunning = 3;
constexpr auto kProcessTimeout = std::chrono::seconds(60);

const char* const kArgv[] = {"appbase_test", nullptr};

#ifndef _WIN32
// The lock files of the tests' instances go to a throwaway runtime folder, which the probe processes inherit,
// instead of piling up in the user's.
class RuntimeFolder : public ::testing::Environment {
public:
    void SetUp() override {
        folder_ = std::make_unique<TempFolder>();
        setenv("XDG_RUNTIME_DIR", folder_->Path().c_str(), 1);
    }
    void TearDown() override { folder_.reset(); }

private:
    std::unique_ptr<TempFolder> folder_;
};
::testing::Environment* const kRuntimeFolder = ::testing::AddGlobalTestEnvironment(new RuntimeFolder);
#endif

// Names no other test run uses, for the objects of one test.
std::string UniqueName(const std::string& what) {
    static std::atomic<unsigned> counter{0};
    static const unsigned run = std::random_device()();
    return "TidyquillTest-" + what + "-" + std::to_string(run) + "-" + std::to_string(counter++);
}

// Runs the probe as another instance of the named application and answers its exit code.
std::optional<int> RunSecondInstance(const TempFolder& temp, const std::string& mutexName, const std::string& name) {
    ChildProcess child;
    if (!child.Start(HelperProgram("appbase_probe"), {temp / "instance.txt", "instance", mutexName, name}))
        return std::nullopt;
    return child.Wait(kProcessTimeout);
}

} // namespace

// ---- The argument list ----
TEST(AppBase, ArgumentsAreSplitAndBoundsGiveEmptyText) {
    CWinAppExtended app("Tidyquill", 1, kArgv);
    ASSERT_GE(app.GetArgCount(), 1);
    EXPECT_FALSE(app.GetArg(0).empty());
    EXPECT_EQ(app.GetArg(app.GetArgCount()), "");
    EXPECT_EQ(app.GetArg(app.GetArgCount() + 5), "");
    EXPECT_EQ(app.GetArg(-1), "");

    // Another process's arguments as its application base sees them: quotes, spaces, backslashes and text that is
    // not ASCII come back as they were given.
    TempFolder temp;
    const std::vector<std::string> given = {
        "/Firefox:all", "/Pale Moon:default", "/Chrome:C:\\Users\\Zoë\\Profile\\", "say \"hi\"", "日本語", ""};
    std::vector<std::string> arguments = {temp / "args.txt", "args"};
    arguments.insert(arguments.end(), given.begin(), given.end());
    ChildProcess child;
    ASSERT_TRUE(child.Start(HelperProgram("appbase_probe"), arguments));
    ASSERT_EQ(child.Wait(kProcessTimeout), 0);

    // The report: the count, the program path, each argument, and the empty text for the index equal to the count.
    std::vector<std::string> lines;
    const std::string report = ReadFile(temp / "args.txt");
    for (size_t start = 0, end; (end = report.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(report.substr(start, end - start));
    ASSERT_EQ(lines.size(), arguments.size() + 3) << report;
    EXPECT_EQ(lines[0], std::to_string(arguments.size() + 1));
    EXPECT_NE(lines[1].find("appbase_probe"), std::string::npos);
    for (size_t i = 0; i < arguments.size(); ++i)
        EXPECT_EQ(lines[i + 2], arguments[i]);
    EXPECT_EQ(lines.back(), "");
}

// ---- Instance objects and their names, within one process ----
TEST(AppBase, InstanceMutexNameCanBeReplacedAndTheEventKeepsItsName) {
    const std::string name = UniqueName("names");
    CWinAppExtended first(name, 1, kArgv);
    EXPECT_EQ(first.GetInstanceMutexName(), name + "_InstanceMutex");
    EXPECT_EQ(first.GetInstanceEventName(), name + "_InstanceEvent");
    const std::string mutexName = UniqueName("MUTEX");
    first.SetInstanceMutexName(mutexName);
    EXPECT_EQ(first.GetInstanceMutexName(), mutexName);
    EXPECT_EQ(first.GetInstanceEventName(), name + "_InstanceEvent");
    EXPECT_FALSE(first.IsAlreadyRunning(false));

    // Another object with the default mutex name does not see the first; one with the replaced name does, and
    // without activate it finds no event to signal, which changes nothing.
    CWinAppExtended defaultName(name, 1, kArgv);
    EXPECT_FALSE(defaultName.IsAlreadyRunning(false));
    CWinAppExtended sameMutex(name, 1, kArgv);
    sameMutex.SetInstanceMutexName(mutexName);
    EXPECT_TRUE(sameMutex.IsAlreadyRunning(true));
}

// ---- A second process while the first runs, after it ended, and after it was killed ----
TEST(AppBase, SecondProcessSeesTheFirstUntilItEndsHoweverItEnds) {
    TempFolder temp;
    const std::string name = UniqueName("app");
    const std::string mutexName = UniqueName("MUTEX");
    {
        CWinAppExtended first(name, 1, kArgv);
        first.SetInstanceMutexName(mutexName);
        ASSERT_FALSE(first.IsAlreadyRunning(true));
        EXPECT_EQ(RunSecondInstance(temp, mutexName, name), kAlreadyRunning);
        EXPECT_EQ(ReadFile(temp / "instance.txt"), "running\n");
        // The event carries the application name, not the mutex name: another application name still counts
        // as a second instance, since the mutex decides.
        EXPECT_EQ(RunSecondInstance(temp, mutexName, UniqueName("other")), kAlreadyRunning);
    }
    EXPECT_EQ(RunSecondInstance(temp, mutexName, name), 0);
    EXPECT_EQ(ReadFile(temp / "instance.txt"), "first\n");

    // A holder that is killed leaves nothing that blocks the next start (on Linux its lock file stays behind).
    ChildProcess holder;
    const std::string ready = temp / "holder.txt";
    ASSERT_TRUE(holder.Start(HelperProgram("appbase_probe"), {ready, "hold", mutexName, name}));
    const auto deadline = std::chrono::steady_clock::now() + kProcessTimeout;
    while (ReadFile(ready) != "first\n" && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(ReadFile(ready), "first\n");
    {
        // (On Windows an object that found the mutex keeps it in existence while it lives, so this one ends first.)
        CWinAppExtended here(name, 1, kArgv);
        here.SetInstanceMutexName(mutexName);
        EXPECT_TRUE(here.IsAlreadyRunning(false));
    }
    holder.Kill();
    CWinAppExtended afterKill(name, 1, kArgv);
    afterKill.SetInstanceMutexName(mutexName);
    EXPECT_FALSE(afterKill.IsAlreadyRunning(false));
}

#ifdef _WIN32
// ---- The watcher brings the first instance's window up when a second process starts ----
TEST(AppBase, SecondProcessRestoresTheFirstInstancesWindow) {
    TempFolder temp;
    const std::string name = UniqueName("app");
    const std::string mutexName = UniqueName("MUTEX");
    CWinAppExtended first(name, 1, kArgv);
    first.SetInstanceMutexName(mutexName);
    ASSERT_FALSE(first.IsAlreadyRunning(true));
    // A later copy finds whom to let take the foreground (Windows refuses it to a background process otherwise).
    EXPECT_EQ(platform::InstanceEvent::OwnerProcessId(first.GetInstanceEventName()),
              std::optional<std::uint64_t>(platform::CurrentProcessId()));
    EXPECT_EQ(platform::InstanceEvent::OwnerProcessId(UniqueName("none")), std::nullopt);

    // A minimized main window is restored.
    void* window = CreateTestWindow();
    ASSERT_NE(window, nullptr);
    MinimizeTestWindow(window);
    ASSERT_TRUE(IsTestWindowMinimized(window));
    first.SetMainWindow(window);
    ChildProcess second;
    ASSERT_TRUE(second.Start(HelperProgram("appbase_probe"), {temp / "second.txt", "instance", mutexName, name}));
    std::optional<int> exitCode;
    EXPECT_TRUE(PumpMessagesUntil(
        [&] { return !IsTestWindowMinimized(window) && (exitCode = second.Wait(std::chrono::milliseconds(0))); },
        kProcessTimeout));
    EXPECT_EQ(exitCode, kAlreadyRunning);
    EXPECT_FALSE(IsTestWindowMinimized(window));

    // A window behind another one is brought to the front.
    void* other = CreateTestWindow();
    ActivateTestWindow(other);
    ASSERT_TRUE(PumpMessagesUntil([&] { return CurrentForegroundWindow() == other; }, std::chrono::seconds(5)));
    EXPECT_EQ(RunSecondInstance(temp, mutexName, name), kAlreadyRunning);
    EXPECT_TRUE(PumpMessagesUntil([&] { return CurrentForegroundWindow() == window; }, std::chrono::seconds(10)));
    DestroyTestWindow(other);

    first.SetMainWindow(nullptr);
    DestroyTestWindow(window);
}

TEST(AppBase, SecondProcessBeforeTheMainWindowExistsIsRemembered) {
    TempFolder temp;
    const std::string name = UniqueName("app");
    const std::string mutexName = UniqueName("MUTEX");
    CWinAppExtended first(name, 1, kArgv);
    first.SetInstanceMutexName(mutexName);
    ASSERT_FALSE(first.IsAlreadyRunning(true));

    // The second copy ends before the first has a window; the signal waits in the event until the window is set.
    EXPECT_EQ(RunSecondInstance(temp, mutexName, name), kAlreadyRunning);
    PumpMessagesUntil([] { return false; }, std::chrono::milliseconds(300));
    void* window = CreateTestWindow();
    ASSERT_NE(window, nullptr);
    MinimizeTestWindow(window);
    ASSERT_TRUE(IsTestWindowMinimized(window));
    first.SetMainWindow(window);
    EXPECT_TRUE(PumpMessagesUntil([&] { return !IsTestWindowMinimized(window); }, std::chrono::seconds(10)));
    first.SetMainWindow(nullptr);
    DestroyTestWindow(window);
}
#endif
