#include "support/AppBase.h"
#include "support/VersionInfo.h"

#include "BuildVersion.h"
#include "ChildProcess.h"
#include "TestSupport.h"

#include "platform/System.h"
#include "platform/Text.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace testing_support;

namespace {

FileVersionInfo WithNumbers(std::uint32_t value) {
    FileVersionInfo info;
    info.major = info.minor = info.patch = info.build = value;
    return info;
}

std::string Numbers(const FileVersionInfo& info) {
    return std::to_string(info.major) + "," + std::to_string(info.minor) + "," + std::to_string(info.patch) + "," +
           std::to_string(info.build);
}

const std::string kBuildVersion =
    std::to_string(TIDYQUILL_VERSION_MAJOR) + "." + std::to_string(TIDYQUILL_VERSION_MINOR) + "." +
    std::to_string(TIDYQUILL_VERSION_PATCH) + "." + std::to_string(TIDYQUILL_VERSION_BUILD);

} // namespace

// ---- The version text: ", " and "." forms, and numbers that cannot be read ----
TEST(VersionInfo, SetFileVersionTextReadsBothFormsAndKeepsWhatItCannotRead) {
    struct Case {
        std::uint32_t before; // every number's value beforehand
        const char* text;     // given to SetFileVersionText
        const char* stored;   // the version text it keeps (not checked when null)
        const char* numbers;  // the four numbers afterwards
    };
    const Case cases[] = {
        {0, "1, 5, 0, 42", "1.5.0.42", "1,5,0,42"},
        {0, "1.5.0.42", "1.5.0.42", "1,5,0,42"},
        // Only ", " is replaced; "," alone still separates the numbers.
        {0, "2,6,1,7", "2,6,1,7", "2,6,1,7"},
        {0, "release", "release", "0,0,0,0"},
        // Reading stops at the first number it cannot read; that one and the rest keep their values.
        {9, "4, 2", "4.2", "4,2,9,9"},
        {9, "3.x.1.1", nullptr, "3,9,9,9"},
        {9, "5, 1 beta, 2, 2", "5.1 beta.2.2", "5,1,9,9"},
        {9, "v1.2.3.4", nullptr, "9,9,9,9"},
        // A comma decides the form even when dots come first: "1.2, 3" is read as "%u, %u..." and stops at once.
        {9, "1.2, 3", "1.2.3", "1,9,9,9"},
        // An empty text replaces the old text and changes no number.
        {9, "", "", "9,9,9,9"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        FileVersionInfo info = WithNumbers(c.before);
        info.versionText = "old";
        info.SetFileVersionText(c.text);
        if (c.stored != nullptr) {
            EXPECT_EQ(info.versionText, c.stored);
        }
        EXPECT_EQ(Numbers(info), c.numbers);
    }
}

// ---- Version resources of real files ----
TEST(VersionInfo, ReadFileVersionInfoTakesTheFirstTranslationAndTrims) {
    TempFolder temp;
    FileVersionInfo info;
    EXPECT_FALSE(ReadFileVersionInfo(temp / "missing.exe", info));
    EXPECT_FALSE(ReadFileVersionInfo(temp.Path(), info));
    EXPECT_FALSE(ReadFileVersionInfo("", info));
    EXPECT_TRUE(info.notLoaded);

    if (!platform::kWindows) {
        // Linux files carry no version resource, the test program included.
        EXPECT_FALSE(ReadFileVersionInfo(GetModuleFilePath(), info));
        EXPECT_TRUE(info.notLoaded);
        return;
    }

    // This test program is linked with the program's own resource script.
    info = FileVersionInfo();
    ASSERT_TRUE(ReadFileVersionInfo(GetModuleFilePath(), info));
    EXPECT_FALSE(info.notLoaded);
    EXPECT_EQ(info.description, "Tidyquill");
    EXPECT_EQ(info.company, "Quartzmoore Software");
    EXPECT_EQ(info.versionText, kBuildVersion);
    EXPECT_EQ(info.major, TIDYQUILL_VERSION_MAJOR);
    EXPECT_EQ(info.build, TIDYQUILL_VERSION_BUILD);

    // The first translation is German (code page 1252); the English block beside it must not be read.
    info = FileVersionInfo();
    ASSERT_TRUE(ReadFileVersionInfo(HelperProgram("version_German"), info));
    EXPECT_EQ(info.description, "Werkzeug für Profile");
    EXPECT_EQ(info.company, "Beispiel Gesellschaft");
    EXPECT_EQ(info.versionText, "2.3.4.5");
    EXPECT_EQ(Numbers(info), "2,3,4,5");

    // No FileVersion: read all the same, numbers at zero; a value of blanks counts as missing.
    info = FileVersionInfo();
    info.company = "kept";
    ASSERT_TRUE(ReadFileVersionInfo(HelperProgram("version_NoFileVersion"), info));
    EXPECT_FALSE(info.notLoaded);
    EXPECT_EQ(info.description, "Versionless");
    EXPECT_EQ(info.company, "kept");
    EXPECT_EQ(info.versionText, "");
    EXPECT_EQ(Numbers(info), "0,0,0,0");

    // Strings without a translation table, or no resource at all: false, and the record stays as it was.
    info = WithNumbers(6);
    info.description = "before";
    EXPECT_FALSE(ReadFileVersionInfo(HelperProgram("version_NoTranslation"), info));
    EXPECT_FALSE(ReadFileVersionInfo(HelperProgram("version_None"), info));
    EXPECT_TRUE(info.notLoaded);
    EXPECT_EQ(info.description, "before");
    EXPECT_EQ(Numbers(info), "6,6,6,6");
}

// ---- The running program: version text, title and build number ----
TEST(VersionInfo, AppTitleAndVersionComeFromTheRunningProgram) {
    const char* argv[] = {"versioninfo_test", nullptr};
    CWinAppExtended app("Tidyquill", 1, argv);
    EXPECT_EQ(app.GetAppVersionString(), kBuildVersion);
    const std::string title = "Tidyquill " + std::to_string(TIDYQUILL_VERSION_MAJOR) + "." +
                              std::to_string(TIDYQUILL_VERSION_MINOR) + "." + std::to_string(TIDYQUILL_VERSION_PATCH);
    EXPECT_EQ(app.GetAppTitle(), title);
    EXPECT_EQ(app.GetAppTitle(), title);
    EXPECT_EQ(GetModuleBuildNumber(), TIDYQUILL_VERSION_BUILD);

    CWinAppExtended other("Other Name", 1, argv);
    EXPECT_EQ(other.GetAppTitle().rfind("Other Name ", 0), 0u);
}

// ---- The program's own path, long and not ASCII ----
TEST(VersionInfo, GetModuleFilePathGivesTheWholePathOfACopy) {
    const std::string self = GetModuleFilePath();
    ASSERT_FALSE(self.empty());
    EXPECT_TRUE(std::filesystem::exists(platform::PathFromUtf8(self)));

    // A copy of the probe below a folder name that is not ASCII, with a path longer than the first buffer of 260
    // characters where the system can start such a program (Windows cannot: there it stays just below).
    TempFolder temp;
    const size_t length = platform::kWindows ? 200 : 300;
    std::string folder = temp / "Prüfung-データ";
    while (folder.size() < length)
        folder = Join({folder, "long-folder"});
    MakeFolder(folder);
    const std::string probe = HelperProgram("appbase_probe");
    const std::string copy = Join({folder, platform::kWindows ? "probe copy.exe" : "probe copy"});
    std::error_code error;
    std::filesystem::copy_file(platform::PathFromUtf8(probe), platform::PathFromUtf8(copy), error);
    ASSERT_FALSE(error) << error.message();
    ASSERT_GT(copy.size(), length);

    const std::string report = temp / "report.txt";
    ChildProcess child;
    ASSERT_TRUE(child.Start(copy, {report, "path"}));
    ASSERT_EQ(child.Wait(std::chrono::seconds(60)), 0);
    EXPECT_EQ(ReadFile(report), copy + "\n");
}
