#pragma once
// The Chromium-family programs: Chrome, Chromium/Iron, Vivaldi, Epic, SlimJet, Yandex Browser, Opera and Brave.
// None keeps a list of profiles that we read: each contributes at most one profile, named "Default". The first six
// keep it in a "User Data" folder (the profile's path) whose "Default" sub-folder holds the databases; Opera and
// Brave keep one profile folder. Databases have no common extension, so files are chosen by the SQLite header.

#include "catalogue/Browser.h"
#include "catalogue/IconNumbers.h"
#include "catalogue/DataLocation.h"

// Counts the distinct marker names among the files (not sub-folders) of a folder, ignoring letter case.
int CountMarkerFiles(const std::string& folder, const std::vector<std::string>& markers);

// Adds the first place that exists together with its "Default" sub-folder as the profile "Default" (the path is the
// "User Data" folder itself, without a trailing separator).
void FindUserDataProfile(CBrowser& program, const platform::KnownFolders& folders, const DataLocations& places);

// Adds the first place that exists as the profile "Default".
void FindProfileFolder(CBrowser& program, const platform::KnownFolders& folders, const DataLocations& places);

// The SQLite files directly in the "Default" sub-folder of a "User Data" folder.
std::vector<std::string> DefaultSubfolderDatabases(const std::string& userDataFolder);

class CBrowserChrome : public CBrowser {
public:
    explicit CBrowserChrome(const platform::KnownFolders& folders) : folders_(folders) {}
    int GetIconId() const override { return IDI_CHROME; }
    int GetProfileIconId() const override { return IDI_CHROME_PROFILE; }
    std::string GetName() const override { return "Chrome"; }
    // The stable "User Data" folder, or only when that is not found, the side-by-side one.
    void FindProfiles() override;
    std::vector<std::string> GetProcessNames() const override;
    // The folder's "Default" sub-folder holds two of History, Bookmarks and Cookies.
    bool IsProfileFolder(const std::string& folder) const override;
    // The SQLite files directly in the profile's "Default" sub-folder.
    std::vector<std::string> GetDatabaseFiles(const std::string& profilePath) const override;

protected:
    platform::KnownFolders folders_;
};

class CBrowserVivaldi : public CBrowserChrome {
public:
    using CBrowserChrome::CBrowserChrome;
    int GetIconId() const override { return IDI_VIVALDI; }
    int GetProfileIconId() const override { return IDI_VIVALDI_PROFILE; }
    std::string GetName() const override { return "Vivaldi"; }
    void FindProfiles() override;
    std::vector<std::string> GetProcessNames() const override;
};

class CBrowserEpic : public CBrowserChrome {
public:
    using CBrowserChrome::CBrowserChrome;
    int GetIconId() const override { return IDI_EPIC; }
    int GetProfileIconId() const override { return IDI_EPIC_PROFILE; }
    std::string GetName() const override { return "Epic"; }
    void FindProfiles() override;
    std::vector<std::string> GetProcessNames() const override;
    // No folder is recognised as an Epic profile: its layout is Chrome's, and Chrome stands first.
    bool IsProfileFolder(const std::string&) const override { return false; }
};

class CBrowserSlimjet : public CBrowserChrome {
public:
    using CBrowserChrome::CBrowserChrome;
    int GetIconId() const override { return IDI_SLIMJET; }
    int GetProfileIconId() const override { return IDI_SLIMJET_PROFILE; }
    std::string GetName() const override { return "SlimJet Browser"; }
    void FindProfiles() override;
    std::vector<std::string> GetProcessNames() const override;
};

class CBrowserYandex : public CBrowserChrome {
public:
    using CBrowserChrome::CBrowserChrome;
    int GetIconId() const override { return IDI_YANDEX; }
    int GetProfileIconId() const override { return IDI_YANDEX_PROFILE; }
    std::string GetName() const override { return "Yandex Browser"; }
    void FindProfiles() override;
    std::vector<std::string> GetProcessNames() const override;
};

class CBrowserBrave : public CBrowserChrome {
public:
    using CBrowserChrome::CBrowserChrome;
    int GetIconId() const override { return IDI_BRAVE; }
    int GetProfileIconId() const override { return IDI_BRAVE; }
    std::string GetName() const override { return "Brave Browser"; }
    void FindProfiles() override;
    std::vector<std::string> GetProcessNames() const override;
    // The SQLite files directly in the profile folder itself.
    std::vector<std::string> GetDatabaseFiles(const std::string& profilePath) const override;
};

class CBrowserIron : public CBrowser {
public:
    explicit CBrowserIron(const platform::KnownFolders& folders) : folders_(folders) {}
    int GetIconId() const override { return IDI_CHROMIUM; }
    int GetProfileIconId() const override { return IDI_CHROME_PROFILE; }
    std::string GetName() const override { return "Chromium/Iron"; }
    void FindProfiles() override;
    // Chrome's executable counts too, so a running Chrome blocks a Chromium/Iron run.
    std::vector<std::string> GetProcessNames() const override;
    // The folder's "Default" sub-folder holds both History and Bookmarks.
    bool IsProfileFolder(const std::string& folder) const override;
    // As Chrome's: the SQLite files directly in the profile's "Default" sub-folder.
    std::vector<std::string> GetDatabaseFiles(const std::string& profilePath) const override;

private:
    platform::KnownFolders folders_;
};

class CBrowserOpera : public CBrowser {
public:
    explicit CBrowserOpera(const platform::KnownFolders& folders) : folders_(folders) {}
    int GetIconId() const override { return IDI_OPERA; }
    int GetProfileIconId() const override { return IDI_OPERA_PROFILE; }
    std::string GetName() const override { return "Opera"; }
    void FindProfiles() override;
    std::vector<std::string> GetProcessNames() const override;
    // The folder itself holds two of History, Cookies and Web Data.
    bool IsProfileFolder(const std::string& folder) const override;
    // The SQLite files directly in the profile folder itself.
    std::vector<std::string> GetDatabaseFiles(const std::string& profilePath) const override;

private:
    platform::KnownFolders folders_;
};
