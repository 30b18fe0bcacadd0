#pragma once
// The product's addresses on the web, in one place: the home page behind the links of the windows, and the update
// file that the update check reads.

// The product's home page; the update notice of the main window opens it.
inline constexpr char kHomePageAddress[] = "https://www.quartzmoore.com/tidyquill/";

// The update file: "build|version|further fields...". Administrators can replace this address or turn the check off
// in the registry (platform/System.h).
inline constexpr char kUpdateFileAddress[] = "https://www.quartzmoore.com/update/tidyquill.txt";
