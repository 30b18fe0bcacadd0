#include "catalogue/DataLocation.h"

#include "support/FolderHelpers.h"

std::string ResolveLocation(const platform::KnownFolders& folders, const DataLocation& location) {
    const std::string* base = nullptr;
    switch (location.base) {
    case KnownFolderId::RoamingAppData:
        base = &folders.roamingAppData;
        break;
    case KnownFolderId::LocalAppData:
        base = &folders.localAppData;
        break;
    case KnownFolderId::Home:
        base = &folders.home;
        break;
    case KnownFolderId::Config:
        base = &folders.config;
        break;
    }
    if (base == nullptr || base->empty())
        return {};
    return AppendBackslash(*base) + location.relative;
}
