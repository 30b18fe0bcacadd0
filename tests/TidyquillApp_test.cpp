// The application object's start-up as a user's session sees it, on Linux, where the user's folders follow the
// environment: when the preferences file is read, and who hears that it could not be written.

#include "app/TidyquillApp.h"

#include "TestSupport.h"

#include "platform/Application.h"
#include "support/FolderHelpers.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

using namespace testing_support;

namespace {

// A home with one Firefox profile, the configuration and runtime folders inside it, for the life of the object.
class Session : public ::testing::Test {
protected:
    Session() {
        for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR"}) {
            const char* value = std::getenv(name);
            saved_.emplace_back(name, value != nullptr ? std::optional<std::string>(value) : std::nullopt);
        }
        setenv("HOME", home.Path().c_str(), 1);
        setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
        setenv("XDG_RUNTIME_DIR", (home / "run").c_str(), 1);
        MakeFolder(home / "run");
        WriteFile(home / ".mozilla/firefox/profiles.ini", "[Profile0]\nName=default\nIsRelative=1\nPath=p\n");
        MakeFolder(profile);
    }
    ~Session() override {
        for (const auto& [name, value] : saved_)
            value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
    }

    // The preferences file with the profile's mark.
    void WritePreferences(const char* checked) {
        WriteFile(preferences, "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<Tidyquill version=\"1\">\n"
                               "\t<Profile custom=\"no\" checked=\"" +
                                   std::string(checked) + "\" type=\"Firefox\">" + AppendBackslash(profile) +
                                   "</Profile>\n</Tidyquill>\n");
    }
    static bool ProfileChecked(CTidyquillApp& app) {
        return app.GetCatalogue().FindProgramByName("Firefox")->GetProfiles().at(0)->checked;
    }

    TempFolder home;
    std::string profile = home / ".mozilla/firefox/p";
    std::string preferences = home / "config/tidyquill/preferences.xml";
    const char* argv[2] = {"tidyquill", nullptr};

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

} // namespace

TEST_F(Session, ThePreferencesAreReadOnlyOnceThisCopyIsTheOnlyOne) {
    // A copy made while another one was closing: that one writes its last marks after this copy was made, and
    // this copy must start from them, not from what the file held before.
    WritePreferences("yes");
    {
        CTidyquillApp app(1, argv);
        WritePreferences("no");
        EXPECT_FALSE(app.InitInstance());
        EXPECT_FALSE(ProfileChecked(app));
    }

    // A second copy reads nothing and writes nothing: the file belongs to the copy that runs.
    platform::InstanceMutex running;
    ASSERT_FALSE(running.CreateAndCheckExisting("TIDYQUILLMUTEX"));
    WritePreferences("yes");
    CTidyquillApp second(1, argv);
    EXPECT_TRUE(second.InitInstance());
    EXPECT_EQ(second.GetPreferences().PrintDocument().find("<Profile"), std::string::npos);
    WritePreferences("no");
    EXPECT_TRUE(second.SavePreferences());
    EXPECT_NE(ReadFile(preferences).find("checked=\"no\""), std::string::npos);
}

TEST_F(Session, APreferencesFileThatCannotBeWrittenIsReportedByTheWindow) {
    // A folder in the file's place: the save fails. The window's user hears of it; a command line has its own
    // console lines and no window.
    MakeFolder(Join({preferences, "inside"}));
    std::string reported;
    CTidyquillApp::WindowMode window{[](CTidyquillApp&) { return 0; },
                                     [&](const std::string& path) { reported = path; }};
    EXPECT_EQ(CTidyquillApp::RunProcess(1, argv, window), 0);
    EXPECT_EQ(reported, preferences);

    reported.clear();
    const char* commandLine[] = {"tidyquill", "/Firefox:nobody", nullptr};
    CTidyquillApp::RunProcess(2, commandLine, window);
    EXPECT_EQ(reported, "");
    EXPECT_TRUE(IsFolder(preferences));
}
