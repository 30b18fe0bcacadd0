#pragma once
// Where the application keeps its own files.

#include <string>

namespace platform {

// The folder for the application's settings, without a trailing separator; empty when the user's folders are
// unknown. Windows: the roaming application-data folder, then company and product (for example
// "C:\Users\Zoe\AppData\Roaming\Quartzmoore Software\Tidyquill"). Linux: the configuration folder
// ($XDG_CONFIG_HOME, else ~/.config), then the product name in lower case (".../tidyquill"). The folder is not
// created here.
std::string GetAppSettingsFolder(const std::string& company, const std::string& product);

} // namespace platform
