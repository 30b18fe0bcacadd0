#include "app/CommandLine.h"

#include "catalogue/Catalogue.h"
#include "engine/LogOutput.h"
#include "platform/Files.h"
#include "platform/System.h"
#include "platform/Text.h"
#include "support/FolderHelpers.h"
#include "support/StringHelpers.h"

#include <algorithm>
#include <filesystem>

namespace {

void Log(const std::string& text) {
    GetLogOutput().Log(text, 0);
}

// The absolute form of a path that may be relative to the current directory; empty when it cannot be formed.
std::string AbsolutePath(const std::string& path) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(platform::PathFromUtf8(path), error);
    return error ? std::string() : platform::PathToUtf8(absolute.lexically_normal());
}

// Whether two paths lead to the same file or folder.
bool SameFile(const std::string& a, const std::string& b) {
    const auto left = platform::GetFileIdentity(a);
    return left && left == platform::GetFileIdentity(b);
}

} // namespace

std::vector<CBrowserProfile*> ParseProfileArgument(Catalogue& catalogue, const std::string& argument) {
    const size_t colon = argument.find(':');
    if (argument.empty() || argument[0] != '/' || colon == std::string::npos) {
        Log("Error: invalid command line syntax");
        return {};
    }
    const std::string programName = argument.substr(1, colon - 1);
    const std::string profilePart = argument.substr(colon + 1);

    CBrowser* program = catalogue.FindProgramByName(programName);
    if (program == nullptr) {
        Log("Error: specified program name '" + programName + "' is invalid");
        return {};
    }

    std::vector<CBrowserProfile*> result;
    if (PathExists(profilePart)) {
        // A folder that exists names the profile with that path, whichever program it belongs to. A relative
        // path is also tried in its absolute form, as the current directory resolves it. That form is lexical: it
        // drops "x/.." whatever x is, so it counts only where it still names the same folder (not where x is a
        // link to elsewhere).
        CBrowserProfile* profile = catalogue.FindProfileByFolder(profilePart);
        if (profile == nullptr) {
            const std::string absolute = AbsolutePath(profilePart);
            if (!absolute.empty() && SameFile(absolute, profilePart))
                profile = catalogue.FindProfileByPath(absolute);
        }
        if (profile != nullptr)
            result.push_back(profile);
    }
    // A path that leads to no profile (a file named all in the current folder, a folder named Default where Chrome
    // keeps one) may still be meant as a name.
    if (result.empty() && profilePart == "all") {
        for (const auto& profile : program->GetProfiles())
            result.push_back(profile.get());
    } else if (result.empty()) {
        for (const auto& profile : program->GetProfiles()) {
            if (EqualsNoCase(profile->GetName(), profilePart)) {
                result.push_back(profile.get());
                break;
            }
        }
    }
    if (result.empty())
        Log("Invalid profile specified.");
    return result;
}

ProfileSelection SelectProfiles(Catalogue& catalogue, const std::vector<std::string>& arguments) {
    ProfileSelection selection;
    for (const std::string& argument : arguments) {
        const std::vector<CBrowserProfile*> profiles = ParseProfileArgument(catalogue, argument);
        if (profiles.empty())
            selection.argumentRejected = true;
        std::vector<CBrowserProfile*> added;
        for (CBrowserProfile* profile : profiles) {
            const auto has = [profile](const std::vector<CBrowserProfile*>& list) {
                return std::find(list.begin(), list.end(), profile) != list.end();
            };
            if (!has(selection.profiles) && !has(added))
                added.push_back(profile);
        }
        selection.profiles.insert(selection.profiles.begin(), added.begin(), added.end());
    }
    return selection;
}

InfoRequest FindInfoRequest(const std::vector<std::string>& arguments) {
    for (const std::string& argument : arguments) {
        if (argument == "--help" || argument == "-h" || argument == "/?")
            return InfoRequest::usage;
        if (argument == "--version")
            return InfoRequest::version;
        if (argument == kAnalyzeArgument)
            return InfoRequest::analyze;
    }
    return InfoRequest::none;
}

std::vector<std::string> UsageLines(const Catalogue& catalogue) {
    const std::string self = platform::kWindows ? "Tidyquill.exe" : "tidyquill";
    // The program names as they are typed (quoted where they hold a blank), wrapped within 105 columns as the rest
    // of the text is; a name is never split, and continued lines start under the first name.
    const std::string label = "  <program>: ";
    constexpr std::size_t kWidth = 105;
    std::vector<std::string> programLines{label};
    for (const auto& program : catalogue.Programs()) {
        const std::string name = program->GetName();
        const std::string typed = name.find(' ') == std::string::npos ? name : '"' + name + '"';
        std::string& line = programLines.back();
        const bool first = line.size() == label.size();
        if (!first && line.size() + 2 + typed.size() + 1 > kWidth) {
            line += ',';
            programLines.push_back(std::string(label.size(), ' ') + typed);
        } else {
            line += (first ? "" : ", ") + typed;
        }
    }
    std::vector<std::string> lines{
        "Usage: " + self + " /<program>:<profile> [/<program>:<profile> ...]",
        "  <profile>: a profile name, the keyword all, or a profile folder",
    };
    lines.insert(lines.end(), programLines.begin(), programLines.end());
    const std::vector<std::string> rest{
        "  Example: " + self + " /Firefox:all /Chrome:Default",
        "  " + self + " --help (or -h, /?) shows this text, " + self + " --version the version.",
        "  " + self + " --analyze [/<program>:<profile> ...] estimates how much compacting would reclaim, without",
        "     compacting anything (every profile found when none is named; also while the programs run).",
        "Exit status:",
        "  0  the run completed and every selected file was compacted or already compact",
        "  1  nothing ran or the run did not complete (invalid syntax, a related program running, a locked file,",
        "     another copy running)",
        "  2  the run completed, but an argument was invalid or a file was not compacted (a warning line)",
        "  With --analyze: 0, or 2 when a file could not be read or an argument was invalid.",
    };
    lines.insert(lines.end(), rest.begin(), rest.end());
    return lines;
}
