#pragma once
// A program of the catalogue that has only a name: no profiles of its own, no processes, no folder test, no
// databases. Tests that need programs to hang profiles on use it.

#include "catalogue/Browser.h"

#include <string>
#include <utility>
#include <vector>

namespace testing_support {

class NamedProgram : public CBrowser {
public:
    explicit NamedProgram(std::string name) : name_(std::move(name)) {}
    int GetIconId() const override { return 0; }
    int GetProfileIconId() const override { return 0; }
    std::string GetName() const override { return name_; }
    void FindProfiles() override {}
    std::vector<std::string> GetProcessNames() const override { return {}; }
    bool IsProfileFolder(const std::string&) const override { return false; }
    std::vector<std::string> GetDatabaseFiles(const std::string&) const override { return {}; }

private:
    std::string name_;
};

} // namespace testing_support
