// FindRunningPrograms against real processes: copies of the engine helper started from paths that hold a name.

#include "EngineTestSupport.h"
#include "PipedProcess.h"
#include "TestSupport.h"

#include "engine/RunningPrograms.h"
#include "platform/PathText.h"
#include "platform/System.h"
#include "support/StringHelpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

using namespace testing_support;

namespace {

std::string ExecutableName(const std::string& stem) {
    return platform::kWindows ? stem + ".exe" : stem;
}

// How often the executable appears in the guard's answer (Windows may spell the folders in other letter case).
long Count(const std::vector<std::string>& found, const std::string& executable) {
    return std::count_if(found.begin(), found.end(), [&](const std::string& path) {
        return platform::kWindows ? EqualsNoCase(path, executable) : path == executable;
    });
}

} // namespace

// --- A name anywhere in the path, any letter case, one entry per process ------------------------------------------

TEST(RunningPrograms, FindsEveryProcessWhosePathHoldsOneOfTheNames) {
    TempFolder temp;
    MakeFolder(temp / "FIREFOX.EXE.old");
    const std::string executable = Join({temp.Path(), "FIREFOX.EXE.old", ExecutableName("run")});
    std::filesystem::copy_file(platform::PathFromUtf8(EngineHelperPath()), platform::PathFromUtf8(executable));

    TestProgram firefox("Firefox", {ExecutableName("firefox")});
    TestProgram vivaldi("Vivaldi", {ExecutableName("vivaldi")});
    TestProgram iron("Chromium/Iron", {ExecutableName("chrome"), ExecutableName("firefox")});

    {
        PipedProcess first;
        PipedProcess second;
        ASSERT_TRUE(first.Start(executable, {"wait"}));
        ASSERT_TRUE(second.Start(executable, {"wait"}));
        ASSERT_EQ(first.ReadLine(), "ready");
        ASSERT_EQ(second.ReadLine(), "ready");

        const std::vector<std::string> found = FindRunningPrograms({&vivaldi, &firefox});
        EXPECT_EQ(Count(found, executable), 2) << ::testing::PrintToString(found);
        EXPECT_EQ(Count(FindRunningPrograms({&vivaldi}), executable), 0);
        // Two programs that both claim the process still give one entry per process.
        EXPECT_EQ(Count(FindRunningPrograms({&firefox, &iron}), executable), 2);
        EXPECT_TRUE(FindRunningPrograms({}).empty());
    }
    // Both copies have ended.
    EXPECT_EQ(Count(FindRunningPrograms({&firefox}), executable), 0);
}
