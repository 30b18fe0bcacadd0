#include "platform/AppFolders.h"

#include "platform/KnownFolders.h"

namespace platform {

std::string GetAppSettingsFolder(const std::string& company, const std::string& product) {
    std::string folder = GetSpecialFolder(kFolderRoamingAppData);
    if (folder.empty())
        return {};
    if (folder.back() != '\\')
        folder += '\\';
    return folder + company + '\\' + product;
}

} // namespace platform
