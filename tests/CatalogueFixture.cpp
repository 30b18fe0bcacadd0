#include "CatalogueFixture.h"

#include "platform/System.h"

#include <map>

namespace testing_support {

namespace {

struct Place {
    char base; // R roaming, L local, H home, C config, - none
    const char* relative;
};

// Windows place, Linux place.
const std::map<std::string, std::pair<Place, Place>>& Places() {
    static const std::map<std::string, std::pair<Place, Place>> places = {
        {"Firefox", {{'R', "Mozilla\\Firefox"}, {'H', ".mozilla/firefox"}}},
        {"SeaMonkey", {{'R', "Mozilla\\SeaMonkey"}, {'H', ".mozilla/seamonkey"}}},
        {"Cyberfox", {{'R', "8pecxstudios\\Cyberfox"}, {'H', ".8pecxstudios/cyberfox"}}},
        {"Pale Moon", {{'R', "Moonchild Productions\\Pale Moon"}, {'H', ".moonchild productions/pale moon"}}},
        {"Thunderbird", {{'R', "Thunderbird"}, {'H', ".thunderbird"}}},
        {"FossaMail", {{'R', "FossaMail"}, {'H', ".fossamail"}}},
        {"Chrome", {{'L', "Google\\Chrome\\User Data"}, {'C', "google-chrome"}}},
        {"Chrome SxS", {{'L', "Google\\Chrome SxS\\User Data"}, {'C', "google-chrome-beta"}}},
        {"Chromium/Iron", {{'L', "Chromium\\User Data"}, {'C', "chromium"}}},
        {"Vivaldi", {{'L', "Vivaldi\\User Data"}, {'C', "vivaldi"}}},
        {"Epic", {{'L', "Epic Privacy Browser\\User Data"}, {'-', ""}}},
        {"SlimJet Browser", {{'L', "Slimjet\\User Data"}, {'C', "slimjet"}}},
        {"Yandex Browser", {{'L', "Yandex\\YandexBrowser\\User Data"}, {'C', "yandex-browser"}}},
        {"Opera", {{'R', "Opera Software\\Opera Stable"}, {'C', "opera"}}},
        {"Brave Browser", {{'R', "brave"}, {'C', "BraveSoftware/Brave-Browser/Default"}}},
        {"Skype", {{'R', "Skype"}, {'H', ".Skype"}}},
        {"Viber", {{'R', "ViberPC"}, {'H', ".ViberPC"}}},
        {"Edge", {{'L', "Microsoft\\Edge\\User Data"}, {'C', "microsoft-edge"}}},
        {"Edge SxS", {{'L', "Microsoft\\Edge SxS\\User Data"}, {'C', "microsoft-edge-dev"}}},
        {"Opera GX", {{'R', "Opera Software\\Opera GX Stable"}, {'-', ""}}},
        {"Waterfox", {{'R', "Waterfox"}, {'H', ".waterfox"}}},
        {"LibreWolf", {{'R', "librewolf"}, {'H', ".librewolf"}}},
        {"Floorp", {{'R', "Floorp"}, {'H', ".floorp"}}},
        {"Zen", {{'R', "zen"}, {'H', ".zen"}}},
    };
    return places;
}

} // namespace

FakeUser::FakeUser() {
    if (platform::kWindows) {
        folders_.roamingAppData = temp_ / "Roaming";
        folders_.localAppData = temp_ / "Local";
        MakeFolder(folders_.roamingAppData);
        MakeFolder(folders_.localAppData);
    } else {
        folders_.home = temp_ / "home";
        folders_.config = Join({folders_.home, ".config"});
        MakeFolder(folders_.config);
    }
}

std::string FakeUser::ProgramFolder(const std::string& program) const {
    const auto found = Places().find(program);
    if (found == Places().end())
        return {};
    const Place& place = platform::kWindows ? found->second.first : found->second.second;
    switch (place.base) {
    case 'R':
        return Join({folders_.roamingAppData, place.relative});
    case 'L':
        return Join({folders_.localAppData, place.relative});
    case 'H':
        return Join({folders_.home, place.relative});
    case 'C':
        return Join({folders_.config, place.relative});
    default:
        return {};
    }
}

std::string SqliteHeaderBytes() {
    return std::string("SQLite format 3\0", 16) + std::string(100, '\x01');
}

void FakeUser::WriteDatabase(const std::string& path) {
    WriteFile(path, SqliteHeaderBytes());
}

std::vector<std::pair<std::string, std::string>> ProfilesOf(const CBrowser& program) {
    std::vector<std::pair<std::string, std::string>> profiles;
    for (const auto& profile : program.GetProfiles())
        profiles.emplace_back(profile->GetName(), profile->GetPath());
    return profiles;
}

} // namespace testing_support
