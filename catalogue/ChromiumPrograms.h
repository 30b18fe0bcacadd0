#pragma once
// The Chromium-family programs: Chrome, Chromium/Iron, Vivaldi, Epic, SlimJet, Yandex Browser, Edge, Opera,
// Opera GX and Brave. None keeps a list of profiles that we read (the "Local State" file is not looked at): each
// contributes at most one profile per place, named "Default". Most keep it in a "User Data" folder (the profile's
// path) whose "Default" sub-folder holds the databases; Opera, Opera GX and Brave keep one profile folder. Databases
// have no common extension, so files are chosen by the SQLite header.

#include "catalogue/Browser.h"
#include "catalogue/DataLocation.h"

// Adds the first place that exists together with its "Default" sub-folder as the profile "Default" (the path is the
// "User Data" folder itself, without a trailing separator).
void FindUserDataProfile(CBrowser& program, const platform::KnownFolders& folders, const DataLocations& places);

// Adds the first place that exists as the profile "Default".
void FindProfileFolder(CBrowser& program, const platform::KnownFolders& folders, const DataLocations& places);

// The SQLite files directly in the "Default" sub-folder of a "User Data" folder.
std::vector<std::string> DefaultSubfolderDatabases(const std::string& userDataFolder);

// Chrome, and Edge with Chrome's rules in places of its own.
class CBrowserChrome : public CBrowser {
public:
    explicit CBrowserChrome(const platform::KnownFolders& folders, ProgramId id = ProgramId::Chrome)
        : CBrowser(id, folders) {}
    // The profile "Default" in the program's "User Data" folder (FindUserDataProfile).
    void FindProfiles() override;
    // The folder's "Default" sub-folder holds two of History, Bookmarks and Cookies.
    bool IsProfileFolder(const std::string& folder) const override;
    // The SQLite files directly in the profile's "Default" sub-folder.
    std::vector<std::string> GetDatabaseFiles(const std::string& profilePath) const override;
};

// Vivaldi, SlimJet and Yandex Browser keep Chrome's layout in places of their own.
class CBrowserVivaldi : public CBrowserChrome {
public:
    explicit CBrowserVivaldi(const platform::KnownFolders& folders) : CBrowserChrome(folders, ProgramId::Vivaldi) {}
};

class CBrowserEpic : public CBrowserChrome {
public:
    explicit CBrowserEpic(const platform::KnownFolders& folders) : CBrowserChrome(folders, ProgramId::Epic) {}
    // No folder is recognised as an Epic profile: its layout is Chrome's, and Chrome stands first.
    bool IsProfileFolder(const std::string&) const override { return false; }
};

class CBrowserSlimjet : public CBrowserChrome {
public:
    explicit CBrowserSlimjet(const platform::KnownFolders& folders) : CBrowserChrome(folders, ProgramId::Slimjet) {}
};

class CBrowserYandex : public CBrowserChrome {
public:
    explicit CBrowserYandex(const platform::KnownFolders& folders) : CBrowserChrome(folders, ProgramId::Yandex) {}
};

class CBrowserBrave : public CBrowserChrome {
public:
    explicit CBrowserBrave(const platform::KnownFolders& folders) : CBrowserChrome(folders, ProgramId::Brave) {}
    // The profile folder as the profile "Default" (FindProfileFolder).
    void FindProfiles() override;
    // The SQLite files directly in the profile folder itself.
    std::vector<std::string> GetDatabaseFiles(const std::string& profilePath) const override;
};

class CBrowserIron : public CBrowser {
public:
    explicit CBrowserIron(const platform::KnownFolders& folders) : CBrowser(ProgramId::Iron, folders) {}
    void FindProfiles() override;
    // The folder's "Default" sub-folder holds both History and Bookmarks.
    bool IsProfileFolder(const std::string& folder) const override;
    // As Chrome's: the SQLite files directly in the profile's "Default" sub-folder.
    std::vector<std::string> GetDatabaseFiles(const std::string& profilePath) const override;
};

// Opera, and Opera GX with Opera's rules in a place of its own.
class CBrowserOpera : public CBrowser {
public:
    explicit CBrowserOpera(const platform::KnownFolders& folders, ProgramId id = ProgramId::Opera)
        : CBrowser(id, folders) {}
    void FindProfiles() override;
    // The folder itself holds two of History, Cookies and Web Data.
    bool IsProfileFolder(const std::string& folder) const override;
    // The SQLite files directly in the profile folder itself.
    std::vector<std::string> GetDatabaseFiles(const std::string& profilePath) const override;
};
