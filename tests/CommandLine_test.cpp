// The command line's selection: a path that is no profile taken as a name, each profile once, the arguments that
// select nothing, the arguments that ask for the usage text or the version, and the analysis's report.

#include "app/AnalysisCommand.h"
#include "app/CommandLine.h"

#include "CatalogueFixture.h"
#include "EngineTestSupport.h"

#include "catalogue/Catalogue.h"
#include "engine/Analysis.h"
#include "engine/Optimization.h"
#include "platform/System.h"
#include "platform/Text.h"
#include "support/FolderHelpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <regex>

#ifdef _WIN32
#include <windows.h>
#endif

using namespace testing_support;

namespace {

// Firefox with the profiles second and default (in that order in profiles.ini), Chrome with its "User Data".
class CommandLine : public ::testing::Test {
protected:
    CommandLine() {
        const std::string firefox = user.ProgramFolder("Firefox");
        WriteFile(Join({firefox, "profiles.ini"}), "[Profile1]\nName=second\nIsRelative=1\nPath=Profiles/p1\n"
                                                   "[Profile0]\nName=default\nIsRelative=1\nPath=Profiles/p0\n");
        MakeFolder(Join({firefox, "Profiles", "p0"}));
        MakeFolder(Join({firefox, "Profiles", "p1"}));
        MakeFolder(Join({user.ProgramFolder("Chrome"), "Default"}));
        catalogue = BuildCatalogue(user.Folders());
        const auto& firefoxProfiles = catalogue.FindProgramByName("Firefox")->GetProfiles();
        second = firefoxProfiles.at(0).get();
        first = firefoxProfiles.at(1).get();
        chrome = catalogue.FindProgramByName("Chrome")->GetProfiles().at(0).get();
    }
    ~CommandLine() override { std::filesystem::current_path(previous); }

    // Runs the arguments in folder as the current folder.
    ProfileSelection SelectIn(const std::string& folder, const std::vector<std::string>& arguments) {
        std::filesystem::current_path(platform::PathFromUtf8(folder));
        return SelectProfiles(catalogue, arguments);
    }

    std::filesystem::path previous = std::filesystem::current_path();
    FakeUser user;
    Catalogue catalogue;
    CBrowserProfile* first = nullptr;  // Firefox's "default"
    CBrowserProfile* second = nullptr; // Firefox's "second"
    CBrowserProfile* chrome = nullptr;
};

using Profiles = std::vector<CBrowserProfile*>;

} // namespace

// --- A profile part that names a file or folder which is no profile is tried as a name ----------------------------

TEST_F(CommandLine, APathThatLeadsToNoProfileIsTriedAsANameOrAll) {
    WriteFile(user / Join({"cwd", "all"}), "a file named all");
    MakeFolder(user / Join({"cwd", "default"}));
    LogCapture log;
    EXPECT_EQ(SelectIn(user / "cwd", {"/Firefox:all"}).profiles, (Profiles{second, first}));
    EXPECT_EQ(SelectIn(user / "cwd", {"/Firefox:default"}).profiles, Profiles{first});
    // Chrome's profile is its "User Data" folder; started from there, "Default" is also a folder below it.
    EXPECT_EQ(SelectIn(user.ProgramFolder("Chrome"), {"/Chrome:Default"}).profiles, Profiles{chrome});
    EXPECT_TRUE(log.Texts().empty()) << ::testing::PrintToString(log.Texts());

    // A path that is a profile's folder still wins, whatever program the argument names.
    EXPECT_EQ(SelectIn(user / "cwd", {"/Chrome:" + first->GetPath()}).profiles, Profiles{first});
    // A path that is no profile and no name of one is still refused.
    const ProfileSelection refused = SelectIn(user / "cwd", {"/Firefox:" + (user / "cwd")});
    EXPECT_TRUE(refused.profiles.empty());
    EXPECT_TRUE(refused.argumentRejected);
    EXPECT_EQ(log.Texts(), std::vector<std::string>{"Invalid profile specified."});
}

// --- Each profile once, where it was first selected ---------------------------------------------------------------

TEST_F(CommandLine, EachProfileIsSelectedOnceInTheOrderOfItsFirstSelection) {
    LogCapture log;
    EXPECT_EQ(SelectIn(user.Path(), {"/Firefox:all", "/Firefox:all"}).profiles, (Profiles{second, first}));
    // By name and by path: the same profile.
    EXPECT_EQ(SelectIn(user.Path(), {"/Firefox:default", "/Firefox:" + first->GetPath()}).profiles, Profiles{first});
    // The last argument's profiles come first, unless an earlier argument selected them already.
    EXPECT_EQ(SelectIn(user.Path(), {"/Firefox:default", "/Chrome:Default", "/Firefox:all"}).profiles,
              (Profiles{second, chrome, first}));
    EXPECT_TRUE(log.Texts().empty()) << ::testing::PrintToString(log.Texts());
}

TEST_F(CommandLine, AnArgumentThatSelectsNothingIsRemembered) {
    LogCapture log;
    const ProfileSelection mixed = SelectIn(user.Path(), {"/Firefox:default", "/Firefox:nobody", "Firefox:all"});
    EXPECT_EQ(mixed.profiles, Profiles{first});
    EXPECT_TRUE(mixed.argumentRejected);
    EXPECT_EQ(log.Texts(),
              (std::vector<std::string>{"Invalid profile specified.", "Error: invalid command line syntax"}));
    EXPECT_FALSE(SelectIn(user.Path(), {"/Firefox:default", "/Firefox:default"}).argumentRejected);
}

// --- Usage text and version ---------------------------------------------------------------------------------------

TEST(CommandLineInfo, HelpAndVersionArgumentsAreRecognisedExactly) {
    EXPECT_EQ(FindInfoRequest({}), InfoRequest::none);
    for (const char* argument : {"--help", "-h", "/?"})
        EXPECT_EQ(FindInfoRequest({argument}), InfoRequest::usage) << argument;
    EXPECT_EQ(FindInfoRequest({"--version"}), InfoRequest::version);
    EXPECT_EQ(FindInfoRequest({"/Firefox:all", "--version", "-h"}), InfoRequest::version);
    EXPECT_EQ(FindInfoRequest({"/Firefox:all", "--analyze"}), InfoRequest::analyze);
    EXPECT_EQ(FindInfoRequest({"--analyze", "--help"}), InfoRequest::analyze);
    for (const char* argument : {"--HELP", "-help", "/?x", "--versions", "/Firefox:--help", "-H", "--analyse", "-a"})
        EXPECT_EQ(FindInfoRequest({argument}), InfoRequest::none) << argument;

    const std::vector<std::string> usage = UsageLines(BuildCatalogue(platform::KnownFolders()));
    std::string text;
    for (const std::string& line : usage)
        text += line + "\n";
    for (const char* part : {"\"Pale Moon\"", "Chromium/Iron", "\"Brave Browser\"", "Edge", "\"Opera GX\"", "Zen",
                             "--analyze [/<program>:<profile> ...]", "Exit status:", "  0  ", "  1  ", "  2  "})
        EXPECT_NE(text.find(part), std::string::npos) << part << " in\n" << text;
    // The program names wrap as the rest of the text does; a name is never split across lines.
    for (const std::string& line : usage)
        EXPECT_LE(line.size(), 105u) << line;
    EXPECT_EQ(text.find("\"Opera\n"), std::string::npos) << text;
}

// --- The programs after the sixteen are named like any other ---------------------------------------------------

TEST_F(CommandLine, LaterProgramsAreSelectedByTheirNames) {
    MakeFolder(Join({user.ProgramFolder("Edge"), "Default"}));
    const std::string portable = user / Join({"Opera GX portable", "profile"});
    MakeFolder(portable);
    Catalogue withEdge = BuildCatalogue(user.Folders());
    CBrowserProfile* edge = withEdge.FindProgramByName("Edge")->GetProfiles().at(0).get();
    CBrowserProfile* operaGx = withEdge.AddCustomProfile(portable, withEdge.FindProgramByName("Opera GX"));
    std::filesystem::current_path(platform::PathFromUtf8(user.Path()));
    LogCapture log;
    EXPECT_EQ(SelectProfiles(withEdge, {"/Edge:Default", "/Opera GX:all"}).profiles, (Profiles{operaGx, edge}));
    EXPECT_EQ(SelectProfiles(withEdge, {"/Opera GX:" + portable}).profiles, Profiles{operaGx});
    EXPECT_TRUE(log.Texts().empty()) << ::testing::PrintToString(log.Texts());
    // Names keep their case and their blank.
    EXPECT_TRUE(SelectProfiles(withEdge, {"/edge:Default", "/OperaGX:all", "/Opera gx:all"}).profiles.empty());
    EXPECT_EQ(log.Texts(), (std::vector<std::string>{"Error: specified program name 'edge' is invalid",
                                                     "Error: specified program name 'OperaGX' is invalid",
                                                     "Error: specified program name 'Opera gx' is invalid"}));
}

// --- The analysis: the run's shapes, every profile or the selected ones, and what its status tells ----------------

TEST_F(CommandLine, AnalysisReportsEveryFileInTheRunsShapesAndWhatItCouldNotRead) {
    const std::string good = Join({first->GetPath(), "places.sqlite"});
    MakeDatabase(good, 2000, 1000, 4);
    WriteFile(Join({second->GetPath(), "places.sqlite"}), std::string(9000, 't')); // no database at all
    MakeDatabase(Join({chrome->GetPath(), "Default", "History"}), 500, 200, 2);
    const FileEstimate figures = EstimateFile(good, false, nullptr);
    ASSERT_GT(figures.reclaimable, 0u);
    const std::string size = "[0-9.]+ (bytes|KB|MB)";
    const std::string share = size + ", about " + size + " can be reclaimed \\([0-9]+%\\)";
    // Text taken as it is: the regular expression's own characters in it are escaped.
    const auto literal = [](const std::string& text) {
        return std::regex_replace(text, std::regex(R"([.^$|()\[\]{}*+?\\])"), R"(\$&)");
    };

    // Every profile found, in catalogue order; the file that is no database makes the status 2.
    LogCapture log;
    EXPECT_EQ(RunAnalysis(catalogue, {}), kExitWithWarnings);
    const std::vector<std::pair<std::string, int>> expected = {
        {"Starting analysis", 0},
        {"Analyzing 'second'", 1},
        {"Path: " + literal(second->GetPath()), 0},
        {literal("Warning: places.sqlite: " + FormatFileSize(9000) + ", the file is encrypted or not valid"), 0},
        // Not counted, as the run does not count it.
        {literal("Analyzed 0 files, " + FormatFileSize(9000) + ", about 0 bytes can be reclaimed (0%)"), 0},
        {"Analyzing 'default'", 1},
        {"Path: " + literal(first->GetPath()), 0},
        {literal("places.sqlite: " + FormatFileSize(figures.size) + ", about " + FormatFileSize(figures.reclaimable) +
                 " can be reclaimed"),
         0},
        {"Analyzed 1 files, " + share, 0},
        {"Analyzing 'Default'", 1},
        {"Path: " + literal(chrome->GetPath()), 0},
        {"History: " + size + ", about " + size + " can be reclaimed", 0},
        {"Analyzed 1 files, " + share, 0},
        {"Total: 2 files, " + share, 0},
        {"Completed in [0-9]+\\.[0-9]{2} seconds", 1},
    };
    const std::vector<LogLine> lines = log.Lines();
    ASSERT_EQ(lines.size(), expected.size()) << ::testing::PrintToString(lines);
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const std::string& pattern = expected[i].first;
        EXPECT_TRUE(std::regex_match(lines[i].text, std::regex(pattern))) << lines[i].text << "\n  vs " << pattern;
        EXPECT_EQ(lines[i].bold, expected[i].second) << lines[i].text;
    }

    // The selected profiles only; an argument that selects nothing makes the status 2, none at all 1.
    const struct {
        std::vector<std::string> arguments;
        int status;
        std::size_t profiles;
    } cases[] = {
        {{"/Firefox:default"}, kExitCompleted, 1},
        {{"/Firefox:default", "/Chrome:Default"}, kExitCompleted, 2},
        {{"/Firefox:default", "/Firefox:nobody"}, kExitWithWarnings, 1},
        {{"/Firefox:all"}, kExitWithWarnings, 2},
        {{"/Nope:x"}, kExitNotRun, 0},
    };
    for (const auto& c : cases) {
        LogCapture selected;
        EXPECT_EQ(RunAnalysis(catalogue, c.arguments), c.status) << ::testing::PrintToString(c.arguments);
        const std::vector<std::string> texts = selected.Texts();
        EXPECT_EQ(std::count_if(texts.begin(), texts.end(),
                                [](const std::string& text) { return text.rfind("Analyzing '", 0) == 0; }),
                  static_cast<std::ptrdiff_t>(c.profiles))
            << ::testing::PrintToString(texts);
    }
}

// --- One folder under many spellings -----------------------------------------------------------------------------

namespace {

// Spellings of an existing absolute folder that the file system takes for the same folder: on Windows another
// letter case beyond ASCII, the "\\?\" form, a trailing dot, forward slashes, the short (8.3) name and, under Wine, the
// Z: drive that shows the prefix's C: drive again; on Linux a link to it.
std::vector<std::string> OtherSpellings(const std::string& folder, const std::string& upper, const std::string& lower,
                                        TempFolder& links) {
    std::vector<std::string> spellings;
    if (!platform::kWindows) {
        std::filesystem::create_directory_symlink(platform::PathFromUtf8(folder),
                                                  platform::PathFromUtf8(links / "link"));
        spellings.push_back(links / "link");
        return spellings;
    }
    std::string otherCase = folder;
    otherCase.replace(otherCase.rfind(upper), upper.size(), lower);
    spellings.push_back(otherCase);
    spellings.push_back("\\\\?\\" + folder);
    spellings.push_back(folder + ".");
    std::string slashes = folder;
    std::replace(slashes.begin(), slashes.end(), '\\', '/');
    spellings.push_back(slashes);
#ifdef _WIN32
    wchar_t shortPath[1024] = {};
    const std::wstring widePath = platform::PathFromUtf8(folder).native();
    const DWORD length = GetShortPathNameW(widePath.c_str(), shortPath, 1024);
    if (length > 0 && length < 1024 && widePath != shortPath)
        spellings.push_back(platform::PathToUtf8(std::filesystem::path(shortPath)));
#endif
    const char* prefix = std::getenv("WINEPREFIX");
    if (prefix != nullptr && folder.rfind("C:\\", 0) == 0) {
        std::string unix = prefix;
        std::replace(unix.begin(), unix.end(), '/', '\\');
        spellings.push_back("Z:" + unix + "\\drive_c\\" + folder.substr(3));
    }
    return spellings;
}

} // namespace

TEST_F(CommandLine, APathSelectsItsProfileUnderEverySpellingOfTheFolder) {
    const std::string upper = "\xD0\x9F\xD0\xA0\xD0\x9E\xD0\xA4\xD0\x98\xD0\x9B\xD0\xAC.DEFAULT"; // ПРОФИЛЬ.DEFAULT
    const std::string lower = "\xD0\xBF\xD1\x80\xD0\xBE\xD1\x84\xD0\xB8\xD0\xBB\xD1\x8C.default"; // профиль.default
    const std::string folder = user / upper;
    MakeFolder(folder);
    CBrowserProfile* custom = catalogue.AddCustomProfile(folder, catalogue.FindProgramByName("Firefox"));
    TempFolder links;
    for (const std::string& spelling : OtherSpellings(folder, upper, lower, links)) {
        EXPECT_EQ(SelectIn(user.Path(), {"/Chrome:" + spelling}).profiles, Profiles{custom}) << spelling;
        EXPECT_EQ(catalogue.FindProfileByFolder(spelling), custom) << spelling;
    }
    // Its name, the folder's, ignores case beyond ASCII (from a folder where no such path exists).
    EXPECT_EQ(SelectIn(links.Path(), {"/Firefox:" + lower}).profiles, Profiles{custom});
    // A folder that is no profile's selects none, and the profile's own text still selects it first.
    MakeFolder(user / "elsewhere");
    EXPECT_EQ(catalogue.FindProfileByFolder(user / "elsewhere"), nullptr);
    EXPECT_EQ(SelectIn(user.Path(), {"/Firefox:" + folder}).profiles, Profiles{custom});
}

// --- Bad input: a relative path through a link ------------------------------------------------------------------

namespace fs = std::filesystem;

// Found by the command-line fuzzer: the absolute form of a relative path is lexical, and "x/.." fell away in it
// even where x is a link to another folder (or where the text holds a NUL, which no real command line can), so the
// argument selected a profile whose folder it did not name.
TEST(BadInput, ARelativePathSelectsOnlyTheFolderItNames) {
    FakeUser user;
    const std::string firefox = user.ProgramFolder("Firefox");
    WriteFile(Join({firefox, "profiles.ini"}), "[Profile0]\nName=default\nIsRelative=1\nPath=Profiles/abc.default\n");
    MakeFolder(Join({firefox, "Profiles", "abc.default"}));
    MakeFolder(user / Join({"elsewhere", "Profiles", "abc.default"})); // where x/.. leads when x is the link
    MakeFolder(user / Join({"elsewhere", "sub"}));
    Catalogue catalogue = BuildCatalogue(user.Folders());
    CBrowserProfile* profile = catalogue.FindProgramByName("Firefox")->GetProfiles().at(0).get();

    const fs::path previous = fs::current_path();
    fs::current_path(platform::PathFromUtf8(firefox));
    LogCapture log;
    EXPECT_EQ(ParseProfileArgument(catalogue, "/Firefox:Profiles/abc.default"), std::vector<CBrowserProfile*>{profile});
    EXPECT_EQ(ParseProfileArgument(catalogue, "/Firefox:./Profiles/../Profiles/abc.default/"),
              std::vector<CBrowserProfile*>{profile});
    EXPECT_TRUE(ParseProfileArgument(catalogue, std::string("/Firefox:./\0/../Profiles/abc.default", 36)).empty());
    std::error_code error;
    fs::create_directory_symlink(platform::PathFromUtf8(user / Join({"elsewhere", "sub"})), "x", error);
    if (!error) {
        EXPECT_TRUE(ParseProfileArgument(catalogue, "/Firefox:x/../Profiles/abc.default").empty());
    }
    fs::current_path(previous);
    EXPECT_EQ(log.Texts(), std::vector<std::string>(error ? 1 : 2, "Invalid profile specified."));
}
