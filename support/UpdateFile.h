#pragma once
// The update file that the product's web site serves: its content split at "|" into fields (build number of the
// newest version, its version text, further fields), and the comparison with the running program's build.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Bytes of the file that are read; anything beyond is ignored.
inline constexpr std::size_t kUpdateFileReadLimit = 5120;
// Characters of the version text that are shown.
inline constexpr std::size_t kVersionTextLimit = 32;

struct UpdateAnnouncement {
    std::string version;                    // shown to the user: see MakeVersionDisplayable
    std::vector<std::string> furtherFields; // the third and later fields, in file order, unchanged
};

// Reads a decimal number as the C library's atoi does: optional leading white space, an optional sign, digits up to
// the first other character; 0 when there are no digits; clamped to the range of int.
int ReadBuildNumber(std::string_view field);

// The non-empty fields of text between the "|" separators, in order; line breaks are ordinary characters.
std::vector<std::string> SplitUpdateFields(std::string_view text);

// What the file announces to a program whose build number is runningBuild: a newer version when it has at least
// three fields and its first field reads as a number other than 0 and above runningBuild; none otherwise. Only the
// first kUpdateFileReadLimit bytes of file are read; decode turns them into UTF-8 (none: they are UTF-8 already).
std::optional<UpdateAnnouncement> FindNewerVersion(std::string_view file, int runningBuild,
                                                   const std::function<std::string(std::string_view)>& decode = {});

// Text from the network made safe to show: control characters (C0, DEL, C1) removed, then cut to
// kVersionTextLimit characters. Bytes that are not UTF-8 become U+FFFD.
std::string MakeVersionDisplayable(std::string_view version);
