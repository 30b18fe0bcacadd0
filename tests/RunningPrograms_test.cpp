// FindRunningPrograms against real processes: copies of the engine helper started from paths that hold a name.

#include "ChildProcess.h"
#include "EngineTestSupport.h"
#include "TestSupport.h"

#include "catalogue/Catalogue.h"
#include "engine/RunningPrograms.h"
#include "platform/Processes.h"
#include "platform/System.h"
#include "platform/Text.h"
#include "support/StringHelpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>

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

// --- The executable's file name decides: any letter case on Windows, exactly on Linux ------------------------------

TEST(RunningPrograms, AProcessBelongsToAProgramByItsExecutablesFileNameOnly) {
    TempFolder temp;
    FakeProgram firefox("Firefox", FakeProgram::Databases::None, {ExecutableName("firefox")});
    FakeProgram vivaldi("Vivaldi", FakeProgram::Databases::None, {ExecutableName("vivaldi")});
    FakeProgram opera("Opera", FakeProgram::Databases::None, {ExecutableName("opera")});
    FakeProgram yandex("Yandex Browser", FakeProgram::Databases::None, {ExecutableName("browser")});
    FakeProgram iron("Chromium/Iron", FakeProgram::Databases::None,
                     {ExecutableName("chrome"), ExecutableName("firefox")});

    // Each executable is a copy of the engine helper, started twice; found: whether Firefox, Opera or Yandex
    // Browser claims it.
    struct Case {
        std::vector<std::string> path;
        bool found;
    };
    const std::string firefoxName = platform::kWindows ? "FIREFOX.EXE" : "firefox";
    const std::vector<Case> cases = {
        {{"Mozilla Firefox", firefoxName}, true},
        {{"opera-tools", ExecutableName("firefox")}, true}, // a folder named after another program says nothing
        {{"Tools", ExecutableName("notfirefox")}, false},
        {{"firefox.exe.old", ExecutableName("run")}, false},
        {{"cooperative", ExecutableName("tool")}, false},
        {{"Tor", ExecutableName("TorBrowser")}, false},
    };
    std::vector<std::string> executables;
    std::vector<std::unique_ptr<ChildProcess>> processes;
    for (const Case& c : cases) {
        std::vector<std::string> parts = {temp.Path()};
        parts.insert(parts.end(), c.path.begin(), c.path.end());
        executables.push_back(Join(parts));
        MakeFolder(Join(std::vector<std::string>(parts.begin(), parts.end() - 1)));
        std::filesystem::copy_file(platform::PathFromUtf8(EngineHelperPath()),
                                   platform::PathFromUtf8(executables.back()));
        for (int copy = 0; copy < 2; ++copy) {
            processes.push_back(std::make_unique<ChildProcess>());
            ASSERT_TRUE(processes.back()->Start(executables.back(), {"wait"}));
            ASSERT_EQ(processes.back()->ReadLine(), "ready");
        }
    }

    const std::vector<std::string> found = FindRunningPrograms({&vivaldi, &firefox, &opera, &yandex});
    for (size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(Count(found, executables[i]), cases[i].found ? 2 : 0) << executables[i] << "\n"
                                                                        << ::testing::PrintToString(found);
    EXPECT_EQ(Count(FindRunningPrograms({&vivaldi}), executables[0]), 0);
    // Two programs that both claim a process still give one entry per process.
    EXPECT_EQ(Count(FindRunningPrograms({&firefox, &iron}), executables[0]), 2);
    EXPECT_TRUE(FindRunningPrograms({}).empty());
    // Program by program, from one look at the process list (the analysis marks the profiles so).
    EXPECT_EQ(FindRunningProgramsAmong({&vivaldi, &firefox, nullptr, &iron, &opera}),
              (std::vector<bool>{false, true, false, true, false}));

    processes.clear(); // ends them and waits
    EXPECT_EQ(Count(FindRunningPrograms({&firefox}), executables[0]), 0);
}

// --- The executable's path: read whole, and the file name where it cannot be read ---------------------------------
TEST(RunningPrograms, ExecutablePathsAreReadWholeOrFallBackToTheFileName) {
    // A program in a deep folder is found with its whole path: on Linux deeper than any buffer of 1024 characters;
    // under Wine, which cannot start a program whose path is longer than 260 characters, deeper than the room the
    // path query starts with.
    TempFolder temp;
    std::vector<std::string> parts = {temp.Path()};
    for (int level = 0; level < (platform::kWindows ? 1 : 6); ++level)
        parts.push_back(std::string(platform::kWindows ? 150 : 200, static_cast<char>('a' + level)));
    MakeFolder(Join(parts));
    parts.push_back(ExecutableName("firefox"));
    const std::string deep = Join(parts);
    ASSERT_GT(deep.size(), platform::kWindows ? 160u : 1200u);
    std::filesystem::copy_file(platform::PathFromUtf8(EngineHelperPath()), platform::PathFromUtf8(deep));
    ChildProcess process;
    ASSERT_TRUE(process.Start(deep, {"wait"}));
    ASSERT_EQ(process.ReadLine(), "ready");
    FakeProgram firefox("Firefox", FakeProgram::Databases::None, {ExecutableName("firefox")});
    EXPECT_EQ(Count(FindRunningPrograms({&firefox}), deep), 1)
        << ::testing::PrintToString(FindRunningPrograms({&firefox}));

    // This process is asked like any other; a process that cannot be asked (here: one that does not exist, which
    // the system refuses as it refuses a process of another session) keeps the name it was listed with.
    const std::string self = platform::ExecutableOfProcess(platform::CurrentProcessId(), "fallback");
    EXPECT_NE(self, "fallback");
    EXPECT_NE(FindNoCase(self, "runningprograms_test"), std::string::npos) << self;
    EXPECT_EQ(platform::ExecutableOfProcess(0xFFFFFFF0u, "firefox.exe"), "firefox.exe");
}

// --- The programs after the sixteen, run from where their packages put them -------------------------------------

TEST(RunningPrograms, TheLaterProgramsAreFoundByTheExecutablesTheirPackagesInstall) {
    // Linux: Microsoft's package (/opt/microsoft/msedge*/) and the Flatpak made from it (/app/extra/); the
    // Waterfox, Floorp and Zen tarballs, each holding the program and its "-bin" twin (the Flatpaks start the
    // latter); LibreWolf's Debian package; Opera GX has no Linux release and shares Opera's name. Windows: the
    // executables of the installed programs.
    const std::vector<std::pair<const char*, std::string>> executables =
        platform::kWindows
            ? std::vector<std::pair<const char*, std::string>>{{"Edge", "Microsoft\\Edge\\Application\\msedge.exe"},
                                                               {"Opera GX", "Programs\\Opera GX\\opera.exe"},
                                                               {"Waterfox", "Waterfox\\waterfox.exe"},
                                                               {"LibreWolf", "LibreWolf\\librewolf.exe"},
                                                               {"Floorp", "Ablaze Floorp\\floorp.exe"},
                                                               {"Zen", "Zen Browser\\zen.exe"}}
            : std::vector<std::pair<const char*, std::string>>{{"Edge", "opt/microsoft/msedge/msedge"},
                                                               {"Edge", "app/extra/msedge"},
                                                               {"Opera GX", "usr/lib/x86_64-linux-gnu/opera/opera"},
                                                               {"Waterfox", "waterfox/waterfox"},
                                                               {"Waterfox", "waterfox/waterfox-bin"},
                                                               {"LibreWolf", "usr/share/librewolf/librewolf"},
                                                               {"LibreWolf", "usr/share/librewolf/librewolf-bin"},
                                                               {"Floorp", "floorp/floorp"},
                                                               {"Floorp", "floorp/floorp-bin"},
                                                               {"Zen", "zen/zen"},
                                                               {"Zen", "zen/zen-bin"}};
    const Catalogue catalogue = BuildCatalogue(platform::KnownFolders{});
    CBrowser* firefox = catalogue.FindProgramByName("Firefox");
    CBrowser* chrome = catalogue.FindProgramByName("Chrome");
    TempFolder temp;
    for (const auto& [name, relative] : executables) {
        CBrowser* program = catalogue.FindProgramByName(name);
        ASSERT_NE(program, nullptr) << name;
        const std::string executable = temp / relative;
        MakeFolder(executable.substr(0, executable.rfind(platform::kPathSeparator)));
        std::filesystem::copy_file(platform::PathFromUtf8(EngineHelperPath()), platform::PathFromUtf8(executable));
        ChildProcess child;
        ASSERT_TRUE(child.Start(executable, {"wait"})) << executable;
        ASSERT_EQ(child.ReadLine(), "ready") << executable;
        EXPECT_EQ(Count(FindRunningPrograms({program}), executable), 1) << name << ": " << relative;
        // The first program of its family does not take it for its own.
        EXPECT_EQ(Count(FindRunningPrograms({firefox, chrome}), executable), 0) << name << ": " << relative;
    }
}

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
