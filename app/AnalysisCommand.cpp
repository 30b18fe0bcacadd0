#include "app/AnalysisCommand.h"

#include "app/CommandLine.h"
#include "app/Preferences.h"
#include "catalogue/Catalogue.h"
#include "engine/Analysis.h"
#include "engine/LogOutput.h"
#include "engine/Optimization.h"
#include "platform/System.h"
#include "support/FolderHelpers.h"

#include <chrono>
#include <cstdio>

namespace {

void Log(const std::string& text, int bold = 0) {
    GetLogOutput().Log(text, bold);
}

// "552 MB, about 395 MB can be reclaimed (72%)": the share rounded to a whole percent.
std::string Figures(std::uint64_t size, std::uint64_t reclaimable) {
    const std::uint64_t percent = size > 0 ? (reclaimable * 100 + size / 2) / size : 0;
    return FormatFileSize(size) + ", about " + FormatFileSize(reclaimable) + " can be reclaimed (" +
           std::to_string(percent) + "%)";
}

std::string FileLine(const FileEstimate& file, const ProfileEstimate& profile) {
    const std::string start = LastPathComponent(file.path) + ": " + FormatFileSize(file.size);
    const std::string reclaimable = ", about " + FormatFileSize(file.reclaimable) + " can be reclaimed";
    switch (file.basis) {
    case EstimateBasis::pages:
        return start + reclaimable;
    case EstimateBasis::headerRunning:
        return start + reclaimable + " (from its header only: '" + profile.programName + "' is running)";
    case EstimateBasis::headerInUse:
        return start + reclaimable + " (from its header only: the file is in use)";
    case EstimateBasis::held:
        return "Warning: " + start + ", could not be read. Seems like related program ('" + profile.programName +
               "') is still running";
    case EstimateBasis::denied:
        return "Warning: " + start + ", could not be read: access is denied";
    case EstimateBasis::unreadable:
        return "Warning: " + start + ", could not be read";
    case EstimateBasis::invalid:
    case EstimateBasis::notDatabase:
        break;
    }
    return "Warning: " + start + ", the file is encrypted or not valid";
}

std::string SecondsText(std::chrono::steady_clock::duration duration) {
    char text[64];
    std::snprintf(text, sizeof(text), "%.2f", std::chrono::duration<double>(duration).count());
    return text;
}

} // namespace

int RunAnalysis(Catalogue& catalogue, const std::vector<std::string>& profileArguments) {
    std::vector<CBrowserProfile*> selected;
    bool argumentRejected = false;
    if (profileArguments.empty()) {
        for (const auto& program : catalogue.Programs())
            for (const auto& profile : program->GetProfiles())
                if (!profile->missing)
                    selected.push_back(profile.get());
    } else {
        ProfileSelection selection = SelectProfiles(catalogue, profileArguments);
        if (selection.profiles.empty()) {
            Log("Error: invalid command line syntax, please run Tidyquill to learn more about its command line");
            return kExitNotRun;
        }
        selected = std::move(selection.profiles);
        argumentRejected = selection.argumentRejected;
    }

    Log("Starting analysis");
    const auto start = std::chrono::steady_clock::now();
    std::vector<ProfileToEstimate> profiles;
    for (const CBrowserProfile* profile : selected)
        profiles.push_back(DescribeProfile(*profile));
    MarkRunningPrograms(profiles);

    std::uint64_t size = 0;
    std::uint64_t reclaimable = 0;
    std::uint32_t files = 0;
    unsigned filesNotRead = 0;
    EstimateProfiles(profiles, nullptr, [&](ProfileEstimate&& profile) {
        Log("Analyzing '" + profile.name + "'", 1);
        Log("Path: " + profile.path);
        for (const FileEstimate& file : profile.files)
            Log(FileLine(file, profile));
        // Files that are no database at all are not counted, as the run does not count them.
        Log("Analyzed " + std::to_string(profile.DatabaseCount()) + " files, " +
            Figures(profile.size, profile.reclaimable));
        size += profile.size;
        reclaimable += profile.reclaimable;
        files += profile.DatabaseCount();
        filesNotRead += profile.filesNotRead;
    });
    Log("Total: " + std::to_string(files) + " files, " + Figures(size, reclaimable));
    Log("Completed in " + SecondsText(std::chrono::steady_clock::now() - start) + " seconds", 1);
    return filesNotRead > 0 || argumentRejected ? kExitWithWarnings : kExitCompleted;
}

int RunAnalysisCommand(const std::vector<std::string>& arguments) {
    PreferencesDocument preferences;
    preferences.LoadPreferencesDocument(preferences.GetPreferencesPath());
    Catalogue catalogue = BuildCatalogue(platform::QueryKnownFolders());
    preferences.LoadProfiles(catalogue);
    std::vector<std::string> profileArguments;
    for (const std::string& argument : arguments)
        if (argument != kAnalyzeArgument)
            profileArguments.push_back(argument);
    return RunAnalysis(catalogue, profileArguments);
}
