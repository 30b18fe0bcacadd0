#include "app/CommandLine.h"

#include "catalogue/Catalogue.h"
#include "catalogue/FolderHelpers.h"
#include "engine/LogOutput.h"
#include "platform/FolderEntries.h"
#include "platform/PathText.h"
#include "support/StringHelpers.h"

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
        CBrowserProfile* profile = catalogue.FindProfileByPath(profilePart);
        if (profile == nullptr) {
            const std::string absolute = AbsolutePath(profilePart);
            if (!absolute.empty() && SameFile(absolute, profilePart))
                profile = catalogue.FindProfileByPath(absolute);
        }
        if (profile != nullptr)
            result.push_back(profile);
    } else if (profilePart == "all") {
        for (const auto& profile : program->GetProfiles())
            result.push_back(profile.get());
    } else {
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
