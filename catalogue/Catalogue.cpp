#include "catalogue/Catalogue.h"

#include "catalogue/FolderHelpers.h"

#include <algorithm>

Catalogue::Catalogue(std::vector<std::unique_ptr<CBrowser>> programs) : programs_(std::move(programs)) {}

CBrowser* Catalogue::FindProgramByName(const std::string& name) const {
    for (const auto& program : programs_)
        if (program->GetName() == name)
            return program.get();
    return nullptr;
}

CBrowser* Catalogue::FindProgramForFolder(const std::string& folder) const {
    for (const auto& program : programs_)
        if (program->IsProfileFolder(folder))
            return program.get();
    return nullptr;
}

CBrowserProfile* Catalogue::FindProfileByPath(const std::string& path) const {
    for (const auto& program : programs_)
        for (const auto& profile : program->GetProfiles())
            if (SamePath(profile->GetPath(), path))
                return profile.get();
    return nullptr;
}

bool Catalogue::IsKnownProfilePath(const std::string& path) const {
    return FindProfileByPath(path) != nullptr;
}

CBrowserProfile* Catalogue::AddCustomProfile(const std::string& path, CBrowser* program) {
    const bool known = std::any_of(programs_.begin(), programs_.end(),
                                   [program](const std::unique_ptr<CBrowser>& p) { return p.get() == program; });
    if (!known)
        return nullptr;
    return program->AddProfile(path, LastPathComponent(path), true);
}
