// FindRunningPrograms against real processes: copies of the engine helper started from paths that hold a name.

#include "ChildProcess.h"
#include "EngineTestSupport.h"
#include "TestSupport.h"

#include "engine/RunningPrograms.h"
#include "platform/System.h"
#include "platform/Text.h"
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

// --- Windows: a name anywhere in the path, any letter case, one entry per process ---------------------------------
// --- Linux: the executable's file name, exactly --------------------------------------------------------------------

TEST(RunningPrograms, FindsEveryProcessOfTheNamedPrograms) {
    TempFolder temp;
    // Windows: the name in a folder of the path. Linux: the file name itself, in a folder named after another
    // program.
    const std::string executable = platform::kWindows ? Join({temp.Path(), "FIREFOX.EXE.old", "run.exe"})
                                                      : Join({temp.Path(), "opera-tools", "firefox"});
    MakeFolder(executable.substr(0, executable.rfind(platform::kPathSeparator)));
    std::filesystem::copy_file(platform::PathFromUtf8(EngineHelperPath()), platform::PathFromUtf8(executable));

    FakeProgram firefox("Firefox", FakeProgram::Databases::None, {ExecutableName("firefox")});
    FakeProgram vivaldi("Vivaldi", FakeProgram::Databases::None, {ExecutableName("vivaldi")});
    FakeProgram opera("Opera", FakeProgram::Databases::None, {ExecutableName("opera")});
    FakeProgram iron("Chromium/Iron", FakeProgram::Databases::None,
                     {ExecutableName("chrome"), ExecutableName("firefox")});

    {
        ChildProcess first;
        ChildProcess second;
        ASSERT_TRUE(first.Start(executable, {"wait"}));
        ASSERT_TRUE(second.Start(executable, {"wait"}));
        ASSERT_EQ(first.ReadLine(), "ready");
        ASSERT_EQ(second.ReadLine(), "ready");

        const std::vector<std::string> found = FindRunningPrograms({&vivaldi, &firefox});
        EXPECT_EQ(Count(found, executable), 2) << ::testing::PrintToString(found);
        EXPECT_EQ(Count(FindRunningPrograms({&vivaldi}), executable), 0);
        if (!platform::kWindows) {
            EXPECT_EQ(Count(FindRunningPrograms({&opera}), executable), 0) << "a folder's name is no program";
        }
        // Two programs that both claim the process still give one entry per process.
        EXPECT_EQ(Count(FindRunningPrograms({&firefox, &iron}), executable), 2);
        EXPECT_TRUE(FindRunningPrograms({}).empty());
    }
    // Both copies have ended.
    EXPECT_EQ(Count(FindRunningPrograms({&firefox}), executable), 0);
}

#ifndef _WIN32
TEST(RunningPrograms, LinuxNamesArePartOfNoOtherName) {
    // /opt/cooperative/tool is no Opera, and firefox-tools/helper no Firefox.
    TempFolder temp;
    const std::string tool = Join({temp.Path(), "cooperative", "tool"});
    const std::string helper = Join({temp.Path(), "firefox-tools", "helper"});
    for (const std::string& path : {tool, helper}) {
        MakeFolder(path.substr(0, path.rfind('/')));
        std::filesystem::copy_file(platform::PathFromUtf8(EngineHelperPath()), platform::PathFromUtf8(path));
    }
    FakeProgram opera("Opera", FakeProgram::Databases::None, {"opera"});
    FakeProgram firefox("Firefox", FakeProgram::Databases::None, {"firefox"});
    FakeProgram helperProgram("Helper", FakeProgram::Databases::None, {"helper"});
    ChildProcess first;
    ChildProcess second;
    ASSERT_TRUE(first.Start(tool, {"wait"}));
    ASSERT_TRUE(second.Start(helper, {"wait"}));
    ASSERT_EQ(first.ReadLine(), "ready");
    ASSERT_EQ(second.ReadLine(), "ready");
    EXPECT_EQ(Count(FindRunningPrograms({&opera, &firefox}), tool), 0);
    EXPECT_EQ(Count(FindRunningPrograms({&opera, &firefox}), helper), 0);
    EXPECT_EQ(Count(FindRunningPrograms({&helperProgram}), helper), 1);
}
#endif

TEST(RunningPrograms, ThisProcessNeverCountsItself) {
    // A copy of Tidyquill kept in a folder named after a program, or named like one, is not its own obstacle.
#ifdef _WIN32
    const std::string name = "runningprograms_test.exe";
#else
    const std::string self = platform::PathToUtf8(std::filesystem::canonical("/proc/self/exe"));
    const std::string name = self.substr(self.rfind('/') + 1);
#endif
    FakeProgram itself("Firefox", FakeProgram::Databases::None, {name});
    for (const std::string& found : FindRunningPrograms({&itself}))
        EXPECT_EQ(FindNoCase(found, name), std::string::npos) << found;
}
