#pragma once
// The Mozilla-family programs: Firefox, SeaMonkey, Cyberfox, Pale Moon, Thunderbird and FossaMail. All list their
// profiles in a profiles.ini and keep their databases as *.sqlite files directly in the profile folder. Their
// profile paths always end with a separator.

#include "catalogue/Browser.h"
#include "catalogue/DataLocation.h"
#include "catalogue/IconNumbers.h"

// Adds a profile for every section of a profiles.ini whose name starts with "Profile", in file order. Relative
// paths are based on baseFolder (which ends with a separator).
void ReadProfilesIni(CBrowser& program, const std::string& iniPath, const std::string& baseFolder);

// True when the folder holds urlclassifierkey3.txt, bookmarks.html or bookmarkbackups (any letter case).
bool HasFirefoxMarkers(const std::string& folder);

class CBrowserFirefox : public CBrowser {
public:
    // appDataSubfolder: the places that may hold the program's profiles.ini, each ending with a separator.
    CBrowserFirefox(const platform::KnownFolders& folders, DataLocations appDataSubfolder);
    explicit CBrowserFirefox(const platform::KnownFolders& folders);

    int GetIconId() const override { return IDI_FIREFOX; }
    int GetProfileIconId() const override { return IDI_FIREFOX_PROFILE; }
    std::string GetName() const override { return "Firefox"; }
    void FindProfiles() override;
    std::vector<std::string> GetProcessNames() const override;
    bool IsProfileFolder(const std::string& folder) const override;
    std::vector<std::string> GetDatabaseFiles(const std::string& profilePath) const override;

protected:
    platform::KnownFolders folders_;

private:
    DataLocations appDataSubfolder;
};

class CBrowserSeaMonkey : public CBrowserFirefox {
public:
    explicit CBrowserSeaMonkey(const platform::KnownFolders& folders);
    int GetIconId() const override { return IDI_SEAMONKEY; }
    int GetProfileIconId() const override { return IDI_SEAMONKEY_PROFILE; }
    std::string GetName() const override { return "SeaMonkey"; }
    std::vector<std::string> GetProcessNames() const override;
};

class CBrowserCyberfox : public CBrowserFirefox {
public:
    explicit CBrowserCyberfox(const platform::KnownFolders& folders);
    int GetIconId() const override { return IDI_CYBERFOX; }
    int GetProfileIconId() const override { return IDI_CYBERFOX_PROFILE; }
    std::string GetName() const override { return "Cyberfox"; }
    std::vector<std::string> GetProcessNames() const override;
};

class CBrowserPalemoon : public CBrowser {
public:
    explicit CBrowserPalemoon(const platform::KnownFolders& folders) : folders_(folders) {}
    int GetIconId() const override { return IDI_PALEMOON; }
    int GetProfileIconId() const override { return IDI_PALEMOON_PROFILE; }
    std::string GetName() const override { return "Pale Moon"; }
    void FindProfiles() override;
    std::vector<std::string> GetProcessNames() const override;
    // No folder is recognised as a Pale Moon profile: its profiles carry Firefox's markers, and Firefox, first in
    // the catalogue, would claim them anyway.
    bool IsProfileFolder(const std::string&) const override { return false; }
    std::vector<std::string> GetDatabaseFiles(const std::string& profilePath) const override;

private:
    platform::KnownFolders folders_;
};

class CBrowserThunderbird : public CBrowser {
public:
    explicit CBrowserThunderbird(const platform::KnownFolders& folders) : folders_(folders) {}
    int GetIconId() const override { return IDI_THUNDERBIRD; }
    int GetProfileIconId() const override { return IDI_THUNDERBIRD_PROFILE; }
    std::string GetName() const override { return "Thunderbird"; }
    void FindProfiles() override;
    std::vector<std::string> GetProcessNames() const override;
    // True when the folder holds global-messages-db.sqlite (any letter case).
    bool IsProfileFolder(const std::string& folder) const override;
    std::vector<std::string> GetDatabaseFiles(const std::string& profilePath) const override;
    // Full path of the program's profiles.ini; empty when the user's folders are unknown.
    virtual std::string GetProfilesIniPath() const;

protected:
    // The places that may hold the program's profiles.ini, in the order they are tried.
    virtual DataLocations ProfilesIniPlaces() const;
    // The first place whose profiles.ini exists, else the first place; a path of a profiles.ini.
    std::string FirstProfilesIni(const DataLocations& places) const;
    platform::KnownFolders folders_;
};

class CBrowserFossaMail : public CBrowserThunderbird {
public:
    explicit CBrowserFossaMail(const platform::KnownFolders& folders) : CBrowserThunderbird(folders) {}
    int GetIconId() const override { return IDI_FOSSAMAIL; }
    std::string GetName() const override { return "FossaMail"; }
    std::vector<std::string> GetProcessNames() const override;
    std::string GetProfilesIniPath() const override;

protected:
    DataLocations ProfilesIniPlaces() const override;
};
