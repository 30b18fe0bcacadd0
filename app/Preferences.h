#pragma once
// The preferences file, preferences.xml: the check mark of every profile and the custom profiles the user added,
// kept from one run to the next. Elements the application does not know are carried from load to save.

#include "app/XmlDocument.h"

#include <string>
#include <vector>

class Catalogue;
class CBrowserProfile;

// One profile of the profiles tree and the state of its check box, for StoreProfiles.
struct ProfileCheckState {
    const CBrowserProfile* profile = nullptr;
    bool checked = false; // the user's mark (kept for a profile whose folder is missing, which shows unchecked)
};

// The text of a preferences file as it is parsed: a file in UTF-16 with a byte-order mark becomes UTF-8 (a
// declaration that names UTF-16 then names UTF-8, which the text is parsed from and written back as); anything else
// stays as it is.
std::string DecodePreferencesText(const std::string& bytes);

class PreferencesDocument {
public:
    // Keeps the file in the user's settings folder: on Windows "Quartzmoore Software\Tidyquill" in the roaming
    // application-data folder, on Linux "tidyquill" in the configuration folder. The document starts as a new one
    // until LoadPreferencesDocument reads the file.
    PreferencesDocument();
    // Keeps the file in the given folder instead.
    explicit PreferencesDocument(std::string folder);

    // The full path of preferences.xml, its folder created with all missing parents on every call; empty when
    // the user's settings folder is unknown.
    std::string GetPreferencesPath() const;

    // Reads the file at path. When it is missing, cannot be read, cannot be parsed or holds no element (no root to
    // keep the profiles under), the document is made new: the declaration and an empty root "Tidyquill" with
    // version 1. A file that exists but cannot be used is copied to preferences.xml.bak at the next save, before the
    // new document replaces it; earlier backups become .bak.1 to .bak.4 (the five newest are kept). A file in
    // UTF-16 with a byte-order mark (as Windows editors save "Unicode" text) is read as well as one in UTF-8.
    void LoadPreferencesDocument(const std::string& path);

    // Applies the "Profile" elements under the root to the catalogue, in document order: a custom profile is added
    // to the program its type names exactly; any other profile is looked up by path. A named profile takes the
    // stored check mark; one whose folder is gone is also marked missing (the tree shows it unchecked and no run
    // takes it, but the mark is the user's and is stored again). Profiles no element names keep their state. An
    // element that applies to no profile (no profile has its folder this time, or its type names no program) is
    // kept as it is, for StoreProfiles to write back: the program may be reinstalled, the disk mounted again. A
    // relative path is skipped for good: it would name whatever folder happens to be current.
    void LoadProfiles(Catalogue& catalogue);

    // Replaces the "Profile" elements under the root with the given profiles, in the given order (the order of
    // the profiles tree), followed by the elements LoadProfiles kept unchanged, except those whose folder one of the
    // profiles or an earlier kept element has: one folder, one element. Other elements stay. Nothing is written to
    // disk.
    void StoreProfiles(const std::vector<ProfileCheckState>& profiles);

    // Writes the document to GetPreferencesPath(), indented with tabs, replacing the old file in one step, so
    // that a failure leaves the old file whole. False, with nothing reported, when the folder cannot be made or
    // the file cannot be written, or when a file that could not be read cannot be kept as .bak first.
    bool SavePreferencesDocument();

    // Where the last save kept a file that could not be read (preferences.xml.bak); empty when it kept none.
    const std::string& KeptBackupPath() const { return keptBackupPath_; }

    // The document as SavePreferencesDocument writes it.
    std::string PrintDocument() const;

    const std::string& RootName() const { return rootName_; }

private:
    void MakeNewDocument();

    std::string folder_;
    std::string rootName_ = "Tidyquill";
    XmlDocument document_;
    bool keepOldFile_ = false; // the file at the path could not be read: keep it as .bak before replacing it
    std::vector<XmlElementData> unmatched_; // "Profile" elements that applied to no profile, in document order
    std::string keptBackupPath_;
};
