#pragma once
// A program of the catalogue for the tests, the fuzzers and the benchmarks, set up by value: its name, its icon
// numbers, its process names, the file that makes a folder one of its profiles, and how it lists a profile's
// database files. It finds no profiles of its own; tests hang profiles on it.

#include "catalogue/Browser.h"
#include "support/FolderHelpers.h"

#include <algorithm>
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace testing_support {

class FakeProgram : public CBrowser {
public:
    // How GetDatabaseFiles answers for a profile folder.
    enum class Databases {
        None,            // never a file
        EverySqliteFile, // every "*.sqlite" file, database or not, in name order (the file system's order differs
                         // between systems; the tests need one)
        SqliteDatabases, // the "*.sqlite" files that the catalogue itself takes for databases
        Scripted,        // the lists of answers, one per call, the last one again once they are used up
    };

    explicit FakeProgram(std::string name, Databases databases = Databases::None,
                         std::vector<std::string> processNames = {})
        : name_(std::move(name)), databases_(databases), processNames_(std::move(processNames)) {}

    int GetIconId() const override { return iconId; }
    int GetProfileIconId() const override { return profileIconId; }
    std::string GetName() const override { return name_; }
    void FindProfiles() override {}
    std::vector<std::string> GetProcessNames() const override { return processNames_; }
    bool IsProfileFolder(const std::string& folder) const override {
        return !marker.empty() && PathExists(AppendBackslash(folder) + marker);
    }
    std::vector<std::string> GetDatabaseFiles(const std::string& profilePath) const override {
        ++calls;
        switch (databases_) {
        case Databases::None:
            break;
        case Databases::EverySqliteFile: {
            // Databases or not: the compaction must cope with files that changed since a listing.
            std::vector<std::string> files =
                ListFolder(profilePath, "*.sqlite", FolderEntries::FilesOnly, EntryNames::FullPaths);
            std::sort(files.begin(), files.end());
            return files;
        }
        case Databases::SqliteDatabases:
            return EnumerateDatabaseFiles(profilePath, "*.sqlite");
        case Databases::Scripted:
            if (!answers.empty())
                return answers[std::min(calls, answers.size()) - 1];
            break;
        }
        return {};
    }

    int iconId = 0;
    int profileIconId = 0;
    std::string marker;                            // the name of the file that marks a profile folder; none when empty
    std::vector<std::vector<std::string>> answers; // for Databases::Scripted
    mutable std::size_t calls = 0;                 // of GetDatabaseFiles

private:
    std::string name_;
    Databases databases_;
    std::vector<std::string> processNames_;
};

} // namespace testing_support
