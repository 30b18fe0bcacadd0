#include "app/Preferences.h"

#include "catalogue/Catalogue.h"
#include "platform/Application.h"
#include "platform/Files.h"
#include "platform/System.h"
#include "platform/Text.h"
#include "support/FolderHelpers.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <unordered_set>

namespace fs = std::filesystem;

namespace {

constexpr char kProfileElement[] = "Profile";
constexpr char kFileName[] = "preferences.xml";
constexpr unsigned kDocumentVersion = 1;

// The path for the file calls below, in the form that reaches files deeper than 260 characters on Windows.
fs::path FileSystemPath(const std::string& path) {
    return platform::PathFromUtf8(platform::FileCallPath(path));
}

// The whole file; false when it cannot be opened or read (the stream throws when asked to read a folder).
bool ReadWholeFile(const std::string& path, std::string& content) {
    try {
        std::ifstream in(FileSystemPath(path), std::ios::binary);
        if (!in)
            return false;
        content.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        return !in.bad();
    } catch (const std::exception&) {
        return false;
    }
}

constexpr int kBackups = 5;

// The name of the n-th newest backup: preferences.xml.bak, then .bak.1 to .bak.4.
std::string BackupName(const std::string& path, int n) {
    return path + ".bak" + (n == 0 ? std::string() : "." + std::to_string(n));
}

// Keeps the file as the newest backup. Earlier backups move up one number and the oldest of five is dropped, so
// one unreadable file never replaces another. The copy is made first: a failure leaves every backup as it was.
bool KeepBackup(const std::string& path) {
    std::error_code error;
    const fs::path fresh = FileSystemPath(path + ".bak.new");
    fs::copy_file(FileSystemPath(path), fresh, fs::copy_options::overwrite_existing, error);
    if (error) {
        fs::remove(fresh, error);
        return false;
    }
    fs::remove(FileSystemPath(BackupName(path, kBackups - 1)), error);
    error.clear(); // an oldest backup that cannot go is overwritten below or stays; neither loses the newest
    for (int n = kBackups - 2; n >= 0; --n) {
        const fs::path older = FileSystemPath(BackupName(path, n));
        std::error_code missing;
        if (fs::symlink_status(older, missing).type() != fs::file_type::not_found) {
            fs::rename(older, FileSystemPath(BackupName(path, n + 1)), error);
            if (error)
                break;
        }
    }
    if (!error)
        fs::rename(fresh, FileSystemPath(BackupName(path, 0)), error);
    if (error) {
        fs::remove(fresh, error);
        return false;
    }
    return true;
}

// A path that names one folder whatever the current folder: on Windows a drive letter with a separator, or a path
// starting with two separators (a network share, the "\\?\" form); on Linux a path from the root.
bool IsAbsolutePath(const std::string& path) {
    using platform::IsPathSeparator;
    if (!platform::kWindows)
        return !path.empty() && path[0] == '/';
    if (path.size() >= 3 && path[1] == ':' && IsPathSeparator(path[2]))
        return true;
    return path.size() >= 2 && IsPathSeparator(path[0]) && IsPathSeparator(path[1]);
}

bool IsYes(const std::string* value) {
    return value != nullptr && *value == "yes";
}

} // namespace

std::string DecodePreferencesText(const std::string& bytes) {
    if (bytes.size() < 2)
        return bytes;
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const bool little = byte(0) == 0xFF && byte(1) == 0xFE;
    const bool big = byte(0) == 0xFE && byte(1) == 0xFF;
    if (!little && !big)
        return bytes;
    std::string text;
    const auto unit = [&](size_t i) -> char32_t {
        return little ? byte(i) | byte(i + 1) << 8 : byte(i) << 8 | byte(i + 1);
    };
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
        char32_t code = unit(i);
        if (code >= 0xD800 && code <= 0xDBFF && i + 3 < bytes.size() && unit(i + 2) >= 0xDC00 &&
            unit(i + 2) <= 0xDFFF) {
            code = 0x10000 + ((code - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
            i += 2;
        } else if (code >= 0xD800 && code <= 0xDFFF) {
            code = 0xFFFD;
        }
        platform::AppendUtf8(text, code);
    }
    const size_t declarationEnd = text.rfind("?>", text.find('<', 1));
    if (text.compare(0, 5, "<?xml") == 0 && declarationEnd != std::string::npos) {
        for (const char* name : {"UTF-16", "utf-16", "UTF-16LE", "UTF-16BE", "utf-16le", "utf-16be"}) {
            for (const char quote : {'"', '\''}) {
                const std::string value = quote + std::string(name) + quote;
                const size_t at = text.find(value);
                if (at != std::string::npos && at < declarationEnd) {
                    text.replace(at, value.size(), "\"UTF-8\"");
                    return text;
                }
            }
        }
    }
    return text;
}

PreferencesDocument::PreferencesDocument() : PreferencesDocument(std::string()) {}

PreferencesDocument::PreferencesDocument(std::string folder) : folder_(std::move(folder)) {
    MakeNewDocument();
}

std::string PreferencesDocument::GetPreferencesPath() const {
    const std::string folder =
        folder_.empty() ? platform::GetAppSettingsFolder("Quartzmoore Software", "Tidyquill") : folder_;
    if (folder.empty())
        return {};
    // Success, an existing folder and a failure alike pass silently: a failure shows when the file is written.
    std::error_code error;
    fs::create_directories(platform::PathFromUtf8(folder), error);
    return AppendBackslash(folder) + kFileName;
}

void PreferencesDocument::MakeNewDocument() {
    char text[1024];
    std::snprintf(text, sizeof(text), "<?xml version=\"1.0\" encoding=\"UTF-8\" ?><%s version=\"%u\"/>",
                  rootName_.c_str(), kDocumentVersion);
    document_.Parse(text);
}

void PreferencesDocument::LoadPreferencesDocument(const std::string& path) {
    keepOldFile_ = false;
    std::string content;
    // tinyxml2 also accepts a document without any element (a declaration, a comment, stray text). That is no
    // well-formed XML, and with no root nothing could ever be stored into it: it counts as unreadable.
    if (!path.empty() && ReadWholeFile(path, content) && document_.Parse(DecodePreferencesText(content)) &&
        document_.HasRoot())
        return;
    // A file that is there but unusable may still hold the user's custom profiles; an empty one holds nothing.
    keepOldFile_ = PathExists(path) && !(IsFolder(path) || QueryFileSize(path) == 0);
    MakeNewDocument();
}

void PreferencesDocument::LoadProfiles(Catalogue& catalogue) {
    unmatched_.clear();
    if (!document_.HasRoot())
        return;
    for (const XmlElementData& element : document_.GetRootChildren(kProfileElement)) {
        const std::string& path = element.text;
        const bool checked = IsYes(element.FindAttribute("checked"));
        const bool custom = IsYes(element.FindAttribute("custom"));
        const std::string* typeAttribute = element.FindAttribute("type");
        const std::string type = typeAttribute != nullptr ? *typeAttribute : std::string();

        // A relative path is relative to whatever folder the program was started in: it names no fixed folder.
        if (!IsAbsolutePath(path))
            continue;
        // An element that names the folder of a profile already there (found, or stored before under another
        // spelling) applies to that profile: one folder is one profile.
        CBrowserProfile* profile = nullptr;
        if (custom) {
            if (CBrowser* program = catalogue.FindProgramByName(type)) {
                profile = catalogue.FindProfileByFolder(path);
                if (profile == nullptr)
                    profile = catalogue.AddCustomProfile(path, program);
            }
        } else {
            profile = catalogue.FindProfileByFolder(path);
        }
        if (profile == nullptr) {
            unmatched_.push_back(element);
            continue;
        }

        profile->checked = checked;
        if (!PathExists(path))
            profile->missing = true;
    }
}

void PreferencesDocument::StoreProfiles(const std::vector<ProfileCheckState>& profiles) {
    if (!document_.HasRoot())
        return;
    document_.RemoveRootChildren(kProfileElement);
    std::unordered_set<std::string> folders;
    const auto isNewFolder = [&folders](const std::string& path) { return folders.insert(PathKey(path)).second; };
    for (const ProfileCheckState& state : profiles) {
        if (state.profile == nullptr || !isNewFolder(state.profile->GetPath()))
            continue;
        XmlElementData element;
        element.text = state.profile->GetPath();
        element.attributes = {
            {"custom", state.profile->custom ? "yes" : "no"},
            {"checked", state.checked ? "yes" : "no"},
            {"type", state.profile->GetProgram() != nullptr ? state.profile->GetProgram()->GetName() : std::string()},
        };
        document_.AppendRootChild(kProfileElement, element);
    }
    for (const XmlElementData& element : unmatched_)
        if (isNewFolder(element.text))
            document_.AppendRootChild(kProfileElement, element);
}

std::string PreferencesDocument::PrintDocument() const {
    return document_.Print();
}

bool PreferencesDocument::SavePreferencesDocument() {
    const std::string path = GetPreferencesPath();
    if (path.empty())
        return false;
    // Never replace what could not be kept.
    const bool keep = keepOldFile_ && PathExists(path);
    if (keep && !KeepBackup(path))
        return false;
    if (!platform::ReplaceFileContent(path, PrintDocument()))
        return false;
    keepOldFile_ = false;
    keptBackupPath_ = keep ? BackupName(path, 0) : std::string();
    return true;
}
