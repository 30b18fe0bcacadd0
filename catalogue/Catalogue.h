#pragma once
// The catalogue: the supported programs in their fixed order, and the look-ups over them. Every look-up goes in
// catalogue order and takes the first match.

#include "catalogue/Browser.h"
#include "platform/System.h"

#include <memory>
#include <string>
#include <vector>

class Catalogue {
public:
    Catalogue() = default;
    // A catalogue of the given programs, in the given order (tests use their own programs).
    explicit Catalogue(std::vector<std::unique_ptr<CBrowser>> programs);
    Catalogue(Catalogue&&) = default;
    Catalogue& operator=(Catalogue&&) = default;

    const std::vector<std::unique_ptr<CBrowser>>& Programs() const { return programs_; }

    // The program whose display name equals name exactly, with case.
    CBrowser* FindProgramByName(const std::string& name) const;
    // The first program whose folder test accepts folder.
    CBrowser* FindProgramForFolder(const std::string& folder) const;
    // The first profile, programs in order and each program's profiles in order, whose path is SamePath with path.
    CBrowserProfile* FindProfileByPath(const std::string& path) const;
    // The profile whose folder path names: the one FindProfileByPath gives, else the first, in the same order,
    // whose folder is the same folder in the file system (another letter case, a short name, the "\\?\" form, a
    // trailing dot, another drive letter, a link or junction); none when path leads nowhere.
    CBrowserProfile* FindProfileByFolder(const std::string& path) const;
    // Whether some profile has that folder (FindProfileByFolder).
    bool IsKnownProfilePath(const std::string& path) const;
    // Adds a custom profile named after the last component of path; none when program is not in the catalogue.
    CBrowserProfile* AddCustomProfile(const std::string& path, CBrowser* program);

private:
    std::vector<std::unique_ptr<CBrowser>> programs_;
};

// Creates the supported programs in catalogue order, with their data locations resolved against the given
// known folders, and lets each find its profiles.
Catalogue BuildCatalogue(const platform::KnownFolders& folders);
