#pragma once
// The Mozilla-family programs: Firefox, SeaMonkey, Cyberfox, Pale Moon, Thunderbird, FossaMail, Waterfox,
// LibreWolf, Floorp and Zen. All list their profiles in a profiles.ini and keep their databases as *.sqlite files
// directly in the profile folder. Their profile paths always end with a separator.

#include "catalogue/Browser.h"
#include "catalogue/DataLocation.h"

// Adds a profile for every section of a profiles.ini whose name starts with "Profile", in file order. Relative
// paths are based on baseFolder (which ends with a separator).
void ReadProfilesIni(CBrowser& program, const std::string& iniPath, const std::string& baseFolder);

// True when the folder holds urlclassifierkey3.txt, bookmarks.html or bookmarkbackups (any letter case).
bool HasFirefoxMarkers(const std::string& folder);

// Firefox, and the programs that keep Firefox's rules in places of their own (SeaMonkey and Cyberfox as classes
// of their own; Waterfox, LibreWolf, Floorp and Zen as Firefox objects with their own row).
class CBrowserFirefox : public CBrowser {
public:
    explicit CBrowserFirefox(const platform::KnownFolders& folders, ProgramId id = ProgramId::Firefox)
        : CBrowser(id, folders) {}
    // Every profiles.ini of the program's places (Windows: the first that exists).
    void FindProfiles() override;
    bool IsProfileFolder(const std::string& folder) const override;
    std::vector<std::string> GetDatabaseFiles(const std::string& profilePath) const override;
};

class CBrowserSeaMonkey : public CBrowserFirefox {
public:
    explicit CBrowserSeaMonkey(const platform::KnownFolders& folders)
        : CBrowserFirefox(folders, ProgramId::SeaMonkey) {}
};

class CBrowserCyberfox : public CBrowserFirefox {
public:
    explicit CBrowserCyberfox(const platform::KnownFolders& folders) : CBrowserFirefox(folders, ProgramId::Cyberfox) {}
};

class CBrowserPalemoon : public CBrowser {
public:
    explicit CBrowserPalemoon(const platform::KnownFolders& folders) : CBrowser(ProgramId::PaleMoon, folders) {}
    void FindProfiles() override;
    // No folder is recognised as a Pale Moon profile: its profiles carry Firefox's markers, and Firefox, first in
    // the catalogue, would claim them anyway.
    bool IsProfileFolder(const std::string&) const override { return false; }
    std::vector<std::string> GetDatabaseFiles(const std::string& profilePath) const override;
};

class CBrowserThunderbird : public CBrowser {
public:
    explicit CBrowserThunderbird(const platform::KnownFolders& folders, ProgramId id = ProgramId::Thunderbird)
        : CBrowser(id, folders) {}
    void FindProfiles() override;
    // True when the folder holds global-messages-db.sqlite (any letter case).
    bool IsProfileFolder(const std::string& folder) const override;
    std::vector<std::string> GetDatabaseFiles(const std::string& profilePath) const override;
    // Full path of the program's profiles.ini: in the first place that holds one, else in the first place; empty
    // when the user's folders are unknown.
    std::string GetProfilesIniPath() const;
};

class CBrowserFossaMail : public CBrowserThunderbird {
public:
    explicit CBrowserFossaMail(const platform::KnownFolders& folders)
        : CBrowserThunderbird(folders, ProgramId::FossaMail) {}
};
