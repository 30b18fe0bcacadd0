#include "catalogue/Catalogue.h"

#include "catalogue/ChromiumPrograms.h"
#include "catalogue/MessengerPrograms.h"
#include "catalogue/MozillaPrograms.h"
#include "platform/Files.h"
#include "support/FolderHelpers.h"

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

CBrowserProfile* Catalogue::FindProfileByFolder(const std::string& path) const {
    if (CBrowserProfile* profile = FindProfileByPath(path))
        return profile;
    // Comparing texts cannot tell every spelling of a folder; the file system can, for folders that exist.
    const auto identity = platform::GetFileIdentity(path);
    if (!identity)
        return nullptr;
    for (const auto& program : programs_)
        for (const auto& profile : program->GetProfiles())
            if (platform::GetFileIdentity(profile->GetPath()) == identity)
                return profile.get();
    return nullptr;
}

bool Catalogue::IsKnownProfilePath(const std::string& path) const {
    return FindProfileByFolder(path) != nullptr;
}

CBrowserProfile* Catalogue::AddCustomProfile(const std::string& path, CBrowser* program) {
    const bool known = std::any_of(programs_.begin(), programs_.end(),
                                   [program](const std::unique_ptr<CBrowser>& p) { return p.get() == program; });
    if (!known)
        return nullptr;
    return program->AddProfile(path, LastPathComponent(path), true);
}

Catalogue BuildCatalogue(const platform::KnownFolders& folders) {
    std::vector<std::unique_ptr<CBrowser>> programs;
    programs.push_back(std::make_unique<CBrowserFirefox>(folders));
    programs.push_back(std::make_unique<CBrowserPalemoon>(folders));
    programs.push_back(std::make_unique<CBrowserEpic>(folders));
    programs.push_back(std::make_unique<CBrowserChrome>(folders));
    programs.push_back(std::make_unique<CBrowserVivaldi>(folders));
    programs.push_back(std::make_unique<CBrowserOpera>(folders));
    programs.push_back(std::make_unique<CBrowserSkype>(folders));
    programs.push_back(std::make_unique<CBrowserIron>(folders));
    programs.push_back(std::make_unique<CBrowserThunderbird>(folders));
    programs.push_back(std::make_unique<CBrowserSeaMonkey>(folders));
    programs.push_back(std::make_unique<CBrowserYandex>(folders));
    programs.push_back(std::make_unique<CBrowserCyberfox>(folders));
    programs.push_back(std::make_unique<CBrowserFossaMail>(folders));
    programs.push_back(std::make_unique<CBrowserViber>(folders));
    programs.push_back(std::make_unique<CBrowserSlimjet>(folders));
    programs.push_back(std::make_unique<CBrowserBrave>(folders));
    // Programs that keep their family's rules entirely: objects of the family's class, told apart by their row.
    programs.push_back(std::make_unique<CBrowserChrome>(folders, ProgramId::Edge));
    programs.push_back(std::make_unique<CBrowserOpera>(folders, ProgramId::OperaGX));
    programs.push_back(std::make_unique<CBrowserFirefox>(folders, ProgramId::Waterfox));
    programs.push_back(std::make_unique<CBrowserFirefox>(folders, ProgramId::LibreWolf));
    programs.push_back(std::make_unique<CBrowserFirefox>(folders, ProgramId::Floorp));
    programs.push_back(std::make_unique<CBrowserFirefox>(folders, ProgramId::Zen));
    for (const auto& program : programs)
        program->FindProfiles();
    return Catalogue(std::move(programs));
}
