#include "catalogue/MarkerFiles.h"

#include "support/FolderHelpers.h"
#include "support/StringHelpers.h"

#include <algorithm>

int CountMarkerFiles(const std::string& folder, const std::vector<std::string>& markers, const std::string& mask,
                     FolderEntries entries) {
    std::vector<bool> seen(markers.size(), false);
    for (const std::string& name : ListFolder(folder, mask, entries, EntryNames::NamesOnly))
        for (size_t i = 0; i < markers.size(); ++i)
            if (EqualsNoCase(name, markers[i]))
                seen[i] = true;
    return static_cast<int>(std::count(seen.begin(), seen.end(), true));
}
