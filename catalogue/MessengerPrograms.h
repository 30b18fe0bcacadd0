#pragma once
// The messengers, Skype and Viber: one folder per account under a data folder of their own; each account folder is
// a profile named after the folder. Profile paths have no trailing separator.

#include "catalogue/Browser.h"
#include "catalogue/DataLocation.h"

class CBrowserSkype : public CBrowser {
public:
    explicit CBrowserSkype(const platform::KnownFolders& folders) : CBrowser(ProgramId::Skype, folders) {}
    // Every folder at any depth below the data folder that holds a main.db, a folder before its sub-folders.
    void FindProfiles() override;
    // The folder holds both main.db and dc.db.
    bool IsProfileFolder(const std::string& folder) const override;
    // Every *.db file directly in the account folder, without the header test.
    std::vector<std::string> GetDatabaseFiles(const std::string& profilePath) const override;

private:
    std::vector<std::string> foundFolders;
};

class CBrowserViber : public CBrowser {
public:
    explicit CBrowserViber(const platform::KnownFolders& folders) : CBrowser(ProgramId::Viber, folders) {}
    // Every direct sub-folder of the data folder except one named exactly "data".
    void FindProfiles() override;
    // The folder holds both viber.db and data.db.
    bool IsProfileFolder(const std::string& folder) const override;
    // The SQLite files directly in the account folder.
    std::vector<std::string> GetDatabaseFiles(const std::string& profilePath) const override;
};
