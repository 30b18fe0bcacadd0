#pragma once
// What administrators decide about the update check, in the registry under
// Software\Quartzmoore Software\Tidyquill: the DWORD UpdateCheck (0 turns the check off) and the string UpdateUrl
// (replaces the update file's address). A value under HKEY_LOCAL_MACHINE wins over the same value under
// HKEY_CURRENT_USER.

#include <optional>
#include <string>

namespace platform {

struct UpdatePolicy {
    bool checkEnabled = true;
    std::optional<std::string> address; // UTF-8; none when not set or empty
};

// Reads the policy; values of another type count as not set. Linux: the defaults (check on, own address).
UpdatePolicy ReadUpdatePolicy();

} // namespace platform
