#pragma once
// The program and profile model: every supported program is one CBrowser subclass, every profile found for it
// (or added by the user) one CBrowserProfile owned by it. Both are tree items, so the profiles tree can hang
// either on its items and ask which kind it holds.

#include "catalogue/ProgramTable.h"
#include "platform/System.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CBrowser;

class CMyTreeCtrlItem {
public:
    // 0 for a program, 1 for a profile.
    virtual int GetItemKind() const = 0;
    virtual ~CMyTreeCtrlItem() = default;
};

class CBrowserProfile : public CMyTreeCtrlItem {
public:
    // custom and missing start false, checked true; no files until first asked for.
    CBrowserProfile(std::string path, std::string name, CBrowser* program);

    int GetItemKind() const override { return 1; }

    std::string GetName() const { return name_; }
    std::string GetPath() const { return path_; }
    CBrowser* GetProgram() const { return program_; }

    // The profile's database files: asked of the program on first use (or after RefreshFileList) and kept; a
    // program that finds none is asked again on the next call.
    const std::vector<std::string>& GetFileList();
    // Forgets the kept list, so that the next GetFileList asks the program again: each run starts with the files
    // that are there now.
    void RefreshFileList() { files_.clear(); }

    // The sum of the current sizes of the database files (each with its write-ahead log), read anew on every call.
    std::uint64_t GetTotalSize();

    bool custom = false;  // added by the user or from the preferences; only these can be removed
    bool checked = true;  // initial check mark in the tree
    bool missing = false; // the folder no longer exists: shown unchecked, never optimized

private:
    std::string name_;
    std::string path_;
    CBrowser* program_;
    std::vector<std::string> files_;
};

class CBrowser : public CMyTreeCtrlItem {
public:
    // A program of the table, finding its data below the given known folders.
    CBrowser(ProgramId id, const platform::KnownFolders& folders);
    // A program outside the table, which answers the table's questions itself.
    CBrowser() = default;
    CBrowser(const CBrowser&) = delete;
    CBrowser& operator=(const CBrowser&) = delete;
    ~CBrowser() override = default;

    int GetItemKind() const override { return 0; }

    // Resource numbers of the 16x16 program and profile icons (loaded by the Windows user interface).
    virtual int GetIconId() const;
    virtual int GetProfileIconId() const;
    // Display name, also the program's key on the command line and in the preferences (compared with case).
    virtual std::string GetName() const;
    // Executable names searched for among the running processes.
    virtual std::vector<std::string> GetProcessNames() const;
    // Looks for the program's profiles on this machine and adds each with AddProfile.
    virtual void FindProfiles() = 0;
    // Whether a folder looks like a profile of this program.
    virtual bool IsProfileFolder(const std::string& folder) const = 0;
    // Full paths of the database files of one profile of this program.
    virtual std::vector<std::string> GetDatabaseFiles(const std::string& profilePath) const = 0;

    // Creates a profile (checked, not missing), appends it to the program's list and returns it.
    CBrowserProfile* AddProfile(const std::string& path, const std::string& name, bool custom);
    // Deletes a profile of this program, keeping the order of the others; one that is not in the list is ignored.
    void RemoveProfile(CBrowserProfile* profile);

    // The program's profiles, in the order of adding.
    const std::vector<std::unique_ptr<CBrowserProfile>>& GetProfiles() const { return profiles_; }

protected:
    // The places of the program's data on this system, in search order, and the folders they are below.
    const DataLocations& GetPlaces() const;
    const platform::KnownFolders& GetFolders() const { return folders_; }
    // The first place as a path; empty when there is none or its known folder is unknown.
    std::string GetFirstPlace() const;

private:
    const ProgramFacts* facts_ = nullptr;
    platform::KnownFolders folders_;
    std::vector<std::unique_ptr<CBrowserProfile>> profiles_;
};

// Database files lying directly inside folder, in the file system's order: the files (whose full path matches mask,
// when one is given) that start with the SQLite header, or that another process holds without sharing, so that the
// compaction reports the program as still running. With a mask, every other entry whose name matches it too (a
// file that cannot be read, or one that is no database: another header, a folder, a device), so that the compaction
// reports it; only an empty file, SQLite's empty database, is left out.
std::vector<std::string> EnumerateDatabaseFiles(const std::string& folder, const std::string& mask);

// The size of a database file together with its write-ahead log ("-wal" beside it), which holds committed pages
// that belong to the database; 0 for what cannot be read.
std::uint64_t QueryDatabaseSize(const std::string& path);

// What the start of a file says about it.
enum class DatabaseFileCheck {
    database,    // a regular file (after following links) that starts with the SQLite header
    empty,       // a regular file of no bytes: SQLite's empty database, with nothing to compact
    notDatabase, // shorter than the header, another header, or no regular file (folder, device, FIFO, socket)
    held,        // exists, but another process holds it open without sharing: its program is still using it
    denied,      // exists, but this user may not read it
    unreadable,  // missing, or cannot be opened for reading for another reason
};
DatabaseFileCheck CheckDatabaseFile(const std::string& path);

// True when the file is a regular file that can be opened for reading (sharing read and write) and its first 16
// bytes are "SQLite format 3" followed by a zero byte. Only such files are ever opened for writing.
bool IsSqliteFile(const std::string& path);

// The one rule for comparing profile paths: one trailing separator is ignored on each side; on Windows the letters
// A to Z are lowered first. Nothing else is normalised.
bool SamePath(const std::string& a, const std::string& b);
// The text SamePath compares: two paths are the same when their keys are equal (for sets and maps of folders).
std::string PathKey(const std::string& path);
