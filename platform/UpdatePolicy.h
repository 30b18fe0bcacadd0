#pragma once
// What administrators decide about the update check, in the registry under
// Software\Quartzmoore Software\Tidyquill: the DWORD UpdateCheck (0 turns the check off) and the string UpdateUrl
// (replaces the update file's address). A value under HKEY_LOCAL_MACHINE wins over the same value under
// HKEY_CURRENT_USER.

#include <functional>
#include <optional>
#include <string>

namespace platform {

struct UpdatePolicy {
    bool checkEnabled = true;
    std::optional<std::string> address; // UTF-8; none when not set or empty
};

// Reads the policy; values of another type count as not set. Linux: the defaults (check on, own address). With a
// replacement installed, answers the replacement's policy instead.
UpdatePolicy ReadUpdatePolicy();

// Replaces the registry as the policy's source for the rest of the process; an empty function restores it. Answers
// the previous one. Tests that open the main window point its update check at a server of their own this way,
// without touching the registry that other tests of the same system share.
using UpdatePolicyReader = std::function<UpdatePolicy()>;
UpdatePolicyReader SetUpdatePolicyReader(UpdatePolicyReader replacement);

} // namespace platform
