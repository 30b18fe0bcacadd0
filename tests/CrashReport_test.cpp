// The crash report's portable part: the texts with their placeholders, the dump file's name and place, the mail
// link's encoding, the Outlook command line, and the mail attempts as far as they reach the shell.

#include "support/CrashReport.h"

#include "TestSupport.h"
#include "platform/Application.h"
#include "platform/Processes.h"
#include "platform/System.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <vector>

using testing_support::Join;
using testing_support::TempFolder;

namespace {

// Records what reaches the shell instead of opening it, for the life of the object.
class ShellRecorder {
public:
    ShellRecorder() {
        platform::SetShellOpenFunction(
            [this](const std::string& address, const std::string& verb, void* owner, const std::string&) {
                opened.push_back(address);
                verbs.push_back(verb);
                owners.push_back(owner);
                return true;
            });
    }
    ~ShellRecorder() { platform::SetShellOpenFunction({}); }

    std::vector<std::string> opened;
    std::vector<std::string> verbs;
    std::vector<void*> owners;
};

// Puts the settings back as they were when the test ends.
class SettingsRestorer {
public:
    ~SettingsRestorer() {
        GetCrashReportSettings() = saved_;
        SetCrashMessageBox({});
    }

private:
    CrashReportSettings saved_ = GetCrashReportSettings();
};

} // namespace

// --- Texts ---------------------------------------------------------------------------------------------------------
TEST(CrashReport, DefaultTextsExpandToTheMessageTheUserSees) {
    CrashReportSettings settings;
    settings.appName = "Tidyquill";
    settings.appVersion = "1.5.0.42";
    settings.email = "support@example.com";
    EXPECT_EQ(ExpandPlaceholders(settings.messageTitle, settings, "x.dmp", "6.2_x64"),
              "Tidyquill - Unhandled Exception");
    EXPECT_EQ(ExpandPlaceholders(settings.messageText, settings, "Tidyquill.exe_1.dmp", "6.2_x64"),
              "We're sorry but an unhandled exception has occurred and \nTidyquill has become unstable. \nPlease "
              "send us an e-mail to 'support@example.com'\nattaching the following crash dump file:\n\n"
              "'Tidyquill.exe_1.dmp'\n\nAfter pressing 'Send Report' button, a default mailer program \nwill be "
              "opened with composed message.");
    EXPECT_EQ(ExpandPlaceholders(settings.mailSubject, settings, "", ""), "Tidyquill 1.5.0.42 Bug Report");
    EXPECT_EQ(ExpandPlaceholders(settings.mailBody, settings, "C:\\d\\t.dmp", "10.0_x64"),
              "Hello, Support.\n\nI'm having a problem with Tidyquill. The dump file is attached.\n(don't forget to "
              "attach the file C:\\d\\t.dmp)\n\nMy windows version is 10.0_x64 and my actions before the problem "
              "were... (put some words please)");
}

TEST(CrashReport, PlaceholdersAreReplacedEverywhereInOrderAndWithCase) {
    CrashReportSettings settings;
    settings.appName = "A";
    settings.appVersion = "";
    settings.email = "e@x";
    EXPECT_EQ(ExpandPlaceholders("%app_name%%app_name% v%app_version%. %email% %dump_file% %winver% %winver%", settings,
                                 "d.dmp", "5.1_x86"),
              "AA v. e@x d.dmp 5.1_x86 5.1_x86");
    EXPECT_EQ(ExpandPlaceholders("%APP_NAME% %app_name %Email%", settings, "", ""), "%APP_NAME% %app_name %Email%");
    // A name that holds a later placeholder has it replaced too: the order is part of the rule.
    settings.appName = "%email%";
    EXPECT_EQ(ExpandPlaceholders("%app_name%", settings, "", ""), "e@x");
    settings.email = "%app_name%";
    EXPECT_EQ(ExpandPlaceholders("%email%", settings, "", ""), "%app_name%");
}

// --- The dump file -------------------------------------------------------------------------------------------------
TEST(CrashReport, DumpNameHasEverySeparatorAndNumbersWithoutLeadingZeros) {
    const UtcTime time = UtcTimeFromUnixSeconds(1614762307); // 2021-03-03 09:05:07 UTC
    EXPECT_EQ(FormatDumpFileName("Tidyquill.exe", "1.5.0.42", "6.2_x64", time),
              "Tidyquill.exe_1.5.0.42_6.2_x64_2021-3-3_9.5.7.dmp");
    EXPECT_EQ(FormatDumpFileName("Tidyquill.exe", "", "6.2_x64", time), "Tidyquill.exe__6.2_x64_2021-3-3_9.5.7.dmp");
    EXPECT_EQ(FormatDumpFileName("", "", "", UtcTime{}), "___1970-1-1_0.0.0.dmp");
}

TEST(CrashReport, UtcCalendarAcrossLeapDaysAndCenturies) {
    const auto text = [](long long seconds) {
        const UtcTime t = UtcTimeFromUnixSeconds(seconds);
        return std::to_string(t.year) + "-" + std::to_string(t.month) + "-" + std::to_string(t.day) + " " +
               std::to_string(t.hour) + ":" + std::to_string(t.minute) + ":" + std::to_string(t.second);
    };
    EXPECT_EQ(text(0), "1970-1-1 0:0:0");
    EXPECT_EQ(text(946684799), "1999-12-31 23:59:59");
    EXPECT_EQ(text(946684800), "2000-1-1 0:0:0");
    EXPECT_EQ(text(951782400), "2000-2-29 0:0:0"); // 2000 is a leap year
    EXPECT_EQ(text(1709251199), "2024-2-29 23:59:59");
    EXPECT_EQ(text(4107542400), "2100-3-1 0:0:0"); // 2100 is not
    EXPECT_EQ(text(-1), "1969-12-31 23:59:59");

    const UtcTime now = CurrentUtcTime();
    EXPECT_GE(now.year, 2024);
    EXPECT_LE(now.year, 2200);
}

TEST(CrashReport, DumpFileGoesToTheFirstFolderThatTakesIt) {
    TempFolder temp;
    const std::string missing = temp / "missing";
    const std::string second = temp / "second";
    testing_support::MakeFolder(second);
    const std::string path = platform::CreateDumpFile("a.dmp", {"", missing, second, temp.Path()});
    EXPECT_EQ(path, Join({second, "a.dmp"}));
    EXPECT_TRUE(std::ifstream(path).good());

    // An existing file is replaced.
    testing_support::WriteFile(Join({temp.Path(), "b.dmp"}), "old");
    EXPECT_EQ(platform::CreateDumpFile("b.dmp", {temp.Path()}), Join({temp.Path(), "b.dmp"}));
    EXPECT_EQ(testing_support::ReadFile(Join({temp.Path(), "b.dmp"})), "");

    // A full path over 2047 characters is not tried.
    EXPECT_EQ(platform::CreateDumpFile(std::string(2048 - temp.Path().size(), 'n'), {temp.Path()}), "");
    EXPECT_EQ(platform::CreateDumpFile("c.dmp", {missing}), "");
    EXPECT_EQ(platform::CreateDumpFile("c.dmp", {}), "");
}

TEST(CrashReport, WindowsVersionTagIsMajorDotMinorAndArchitecture) {
    const std::string tag = platform::GetWindowsVersionTag();
    if (platform::kWindows)
        EXPECT_TRUE(std::regex_match(tag, std::regex(R"(\d+\.\d+_x(64|86))"))) << tag;
    else
        EXPECT_TRUE(std::regex_match(tag, std::regex(R"(\d+\.\d+_\w+)"))) << tag;
}

// --- The mail ------------------------------------------------------------------------------------------------------
TEST(CrashReport, MailLinkKeepsEveryCharacterOfItsTexts) {
    EXPECT_EQ(FormatMailtoLink("support@example.com", "Tidyquill 1.0 Bug Report", "Hello,\nline 2\r\nline 3\rend"),
              "mailto:support@example.com?subject=Tidyquill%201.0%20Bug%20Report"
              "&body=Hello%2C%0D%0Aline%202%0D%0Aline%203%0D%0Aend");
    // A path with the link's own delimiters and a percent sign reaches the mail whole; so do letters outside ASCII.
    EXPECT_EQ(FormatMailtoLink("a@b.c", "x&y=z", "C:\\R&D #1\\100%\\Zoë.dmp?"),
              "mailto:a@b.c?subject=x%26y%3Dz&body=C%3A%5CR%26D%20%231%5C100%25%5CZo%C3%AB.dmp%3F");
    EXPECT_EQ(FormatMailtoLink("", "", ""), "mailto:?subject=&body=");
    // The unreserved characters stay; in the address '?' and '#' would end it, so they are encoded.
    EXPECT_EQ(FormatMailtoLink("odd?#%@x.y", "a-b.c_d~e", "AZaz09"),
              "mailto:odd%3F%23%25@x.y?subject=a-b.c_d~e&body=AZaz09");
}

TEST(CrashReport, OutlookCommandLineCarriesTheTextsAsTheyAre) {
    EXPECT_EQ(FormatOutlookCommandLine("C:\\Office\\OUTLOOK.EXE", "C:\\d\\t.dmp", "s@x.com", "Sub ject", "a&b\nc"),
              "\"C:\\Office\\OUTLOOK.EXE\" /a \"C:\\d\\t.dmp\" /m \"s@x.com&subject=Sub ject&body=a&b\nc\"");
}

TEST(CrashReport, WithoutAttachmentOnlyTheMailLinkIsOpened) {
    ShellRecorder shell;
    EXPECT_TRUE(SendReportMail(nullptr, "S", "line 1\nline 2", "s@x.com", ""));
    ASSERT_EQ(shell.opened.size(), 1u);
    EXPECT_EQ(shell.opened[0], "mailto:s@x.com?subject=S&body=line%201%0D%0Aline%202");
    EXPECT_EQ(shell.verbs[0], "open");

    // The shell's refusal is the answer.
    platform::SetShellOpenFunction(
        [](const std::string&, const std::string&, void*, const std::string&) { return false; });
    EXPECT_FALSE(SendReportMail(nullptr, "S", "B", "s@x.com", ""));
}

TEST(CrashReport, ReportShowsTheFileNameAndMailsTheFullPathOnYes) {
    SettingsRestorer restorer;
    ShellRecorder shell;
    SetCrashReportAppName("Probe");
    SetCrashReportAppVersion("2.0");
    SetCrashReportEmail("s@x.com");
    SetCrashReportIconId(128);
    const std::string dumpPath = Join({"folder", "Probe.exe_2.0_1.2_x64_2021-3-3_9.5.7.dmp"});

    std::vector<CrashMessageBoxRequest> shown;
    int answer = 7;
    SetCrashMessageBox([&](const CrashMessageBoxRequest& request) {
        shown.push_back(request);
        return answer;
    });
    ShowCrashReport(dumpPath);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(GetCrashReportSettings().dumpFilePath, dumpPath);
    EXPECT_EQ(shown[0].title, "Probe - Unhandled Exception");
    EXPECT_NE(shown[0].text.find("\n\n'Probe.exe_2.0_1.2_x64_2021-3-3_9.5.7.dmp'\n\n"), std::string::npos);
    EXPECT_EQ(shown[0].text.find("folder"), std::string::npos);
    EXPECT_EQ(shown[0].yesButtonText, "Send Report (Recommended)");
    EXPECT_EQ(shown[0].noButtonText, "Cancel");
    EXPECT_EQ(shown[0].iconId, 128);
    EXPECT_TRUE(shell.opened.empty()) << "No sends nothing";

    // Answers other than Yes, such as the box's failures (-1, 2), send nothing either.
    for (const int failure : {-1, 2}) {
        answer = failure;
        ShowCrashReport(dumpPath);
    }
    EXPECT_TRUE(shell.opened.empty());

    // Without a box the dump is recorded and nothing is shown.
    SetCrashMessageBox({});
    ShowCrashReport("other.dmp");
    EXPECT_EQ(GetCrashReportSettings().dumpFilePath, "other.dmp");

    if (!platform::kWindows) {
        // Linux has neither Outlook nor MAPI: Yes leads to the mail link, with the full path in the body.
        answer = 6;
        SetCrashMessageBox([&](const CrashMessageBoxRequest&) { return answer; });
        ShowCrashReport(dumpPath);
        ASSERT_EQ(shell.opened.size(), 1u);
        EXPECT_EQ(
            shell.opened[0].rfind("mailto:s@x.com?subject=Probe%202.0%20Bug%20Report&body=Hello%2C%20Support.", 0), 0u)
            << shell.opened[0];
        EXPECT_NE(shell.opened[0].find("folder%2FProbe.exe_2.0_1.2_x64_2021-3-3_9.5.7.dmp%29"), std::string::npos)
            << shell.opened[0];
        EXPECT_EQ(shell.owners[0], nullptr);
    }
}
