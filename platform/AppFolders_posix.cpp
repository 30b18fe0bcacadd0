#include "platform/AppFolders.h"

#include "platform/KnownFolders.h"

namespace platform {

std::string GetAppSettingsFolder(const std::string&, const std::string& product) {
    std::string folder = GetSpecialFolder(kFolderConfig);
    if (folder.empty())
        return {};
    std::string name = product;
    for (char& c : name)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    if (folder.back() != '/')
        folder += '/';
    return folder + name;
}

} // namespace platform
