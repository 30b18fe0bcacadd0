#pragma once
// A reader for one INI file, such as a profiles.ini of a Mozilla-family program. It reads the file anew on every
// call and caches nothing of its own, unless it is made as a snapshot.

#include "platform/IniFile.h"

#include <memory>
#include <string>
#include <vector>

class CIni {
public:
    explicit CIni(std::string path) : path_(std::move(path)) {}
    // snapshot: the file is read once, now, and every call answers from that reading (a reader that asks for
    // every value of a large file then pays for one reading, not one per value).
    CIni(std::string path, bool snapshot);
    virtual ~CIni() = default;

    // Replaces the list's content with the names of all sections in file order.
    void GetSectionNames(std::vector<std::string>& names) const;
    // A value decoded from UTF-8 when its bytes are well-formed UTF-8, otherwise (Windows) from the system's narrow
    // code page; on Linux, where file names are bytes, such a value is kept as it stands. Empty when the key or
    // section is absent.
    std::string GetString(const std::string& section, const std::string& key) const;
    // True for "true" or "yes" in any letter case, or a value whose leading decimal number is not zero (1, TRUE,
    // Yes, 7); false for 0, no, false, abc and an absent key.
    bool GetBool(const std::string& section, const std::string& key) const;

private:
    std::string Bytes(const std::string& section, const std::string& key) const;
    std::string Text(const std::string& section, const std::string& key) const;

    std::string path_;
    std::shared_ptr<const platform::IniSnapshot> snapshot_;
};
