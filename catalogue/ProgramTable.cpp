#include "catalogue/ProgramTable.h"

#include "catalogue/IconNumbers.h"
#include "platform/System.h"

#include <array>

namespace {

using K = KnownFolderId;
using Names = std::vector<std::string>;

// Both systems' values, in catalogue order. Where a program keeps a profiles.ini, a place is the folder holding it
// (ending with a separator); for the Chromium family a "User Data" folder or (Opera, Opera GX, Brave) the profile
// folder itself; for the messengers the data folder. Linux builds run under several executable names (the
// distribution's, the Snap's, a launcher's), each checked against the real packages.
struct Row {
    ProgramId id;
    const char* name;
    int iconId;
    int profileIconId;
    Names windowsProcesses;
    Names linuxProcesses;
    DataLocations windowsPlaces;
    DataLocations linuxPlaces;
};

std::vector<Row> Rows() {
    return {
        {ProgramId::Firefox,
         "Firefox",
         IDI_FIREFOX,
         IDI_FIREFOX_PROFILE,
         {"firefox.exe"},
         {"firefox", "firefox-esr", "firefox-bin"},
         {{K::RoamingAppData, "Mozilla\\Firefox\\"}},
         {{K::Home, ".mozilla/firefox/"},
          {K::Config, "mozilla/firefox/"},
          {K::Home, "snap/firefox/common/.mozilla/firefox/"},
          {K::Home, ".var/app/org.mozilla.firefox/.mozilla/firefox/"}}},
        {ProgramId::PaleMoon,
         "Pale Moon",
         IDI_PALEMOON,
         IDI_PALEMOON_PROFILE,
         {"palemoon.exe"},
         {"palemoon", "palemoon-bin"},
         {{K::RoamingAppData, "Moonchild Productions\\Pale Moon\\"}},
         {{K::Home, ".moonchild productions/pale moon/"}}},
        // No Linux release exists.
        {ProgramId::Epic,
         "Epic",
         IDI_EPIC,
         IDI_EPIC_PROFILE,
         {"epic.exe"},
         {"epic"},
         {{K::LocalAppData, "Epic Privacy Browser\\User Data"}},
         {}},
        // The stable "User Data" folder, or only when that is not found, the side-by-side one.
        {ProgramId::Chrome,
         "Chrome",
         IDI_CHROME,
         IDI_CHROME_PROFILE,
         {"chrome.exe"},
         {"chrome"},
         {{K::LocalAppData, "Google\\Chrome\\User Data"}, {K::LocalAppData, "Google\\Chrome SxS\\User Data"}},
         {{K::Config, "google-chrome"},
          {K::Config, "google-chrome-beta"},
          {K::Config, "google-chrome-unstable"},
          {K::Home, ".var/app/com.google.Chrome/config/google-chrome"}}},
        {ProgramId::Vivaldi,
         "Vivaldi",
         IDI_VIVALDI,
         IDI_VIVALDI_PROFILE,
         {"vivaldi.exe"},
         {"vivaldi-bin", "vivaldi"},
         {{K::LocalAppData, "Vivaldi\\User Data"}},
         {{K::Config, "vivaldi"}, {K::Home, "snap/vivaldi/current/.config/vivaldi"}}},
        {ProgramId::Opera,
         "Opera",
         IDI_OPERA,
         IDI_OPERA_PROFILE,
         {"opera.exe"},
         {"opera"},
         {{K::RoamingAppData, "Opera Software\\Opera Stable"}},
         {{K::Config, "opera"}}},
        {ProgramId::Skype,
         "Skype",
         IDI_SKYPE,
         IDI_SKYPE_PROFILE,
         {"skype.exe"},
         {"skypeforlinux", "skype"},
         {{K::RoamingAppData, "Skype\\"}},
         {{K::Home, ".Skype/"}}},
        // Chrome's executable counts too, so a running Chrome blocks a Chromium/Iron run.
        {ProgramId::Iron,
         "Chromium/Iron",
         IDI_CHROMIUM,
         IDI_CHROME_PROFILE,
         {"chrome.exe", "iron.exe"},
         {"chromium", "chromium-browser", "chrome"},
         {{K::LocalAppData, "Chromium\\User Data"}},
         {{K::Config, "chromium"},
          {K::Home, "snap/chromium/common/chromium"},
          {K::Home, ".var/app/org.chromium.Chromium/config/chromium"}}},
        {ProgramId::Thunderbird,
         "Thunderbird",
         IDI_THUNDERBIRD,
         IDI_THUNDERBIRD_PROFILE,
         {"thunderbird.exe"},
         {"thunderbird", "thunderbird-bin"},
         {{K::RoamingAppData, "Thunderbird\\"}},
         {{K::Home, ".thunderbird/"},
          {K::Home, ".mozilla-thunderbird/"},
          {K::Home, "snap/thunderbird/common/.thunderbird/"},
          {K::Home, ".var/app/org.mozilla.Thunderbird/.thunderbird/"}}},
        {ProgramId::SeaMonkey,
         "SeaMonkey",
         IDI_SEAMONKEY,
         IDI_SEAMONKEY_PROFILE,
         {"seamonkey.exe"},
         {"seamonkey", "seamonkey-bin"},
         {{K::RoamingAppData, "Mozilla\\SeaMonkey\\"}},
         {{K::Home, ".mozilla/seamonkey/"}}},
        {ProgramId::Yandex,
         "Yandex Browser",
         IDI_YANDEX,
         IDI_YANDEX_PROFILE,
         {"browser.exe"},
         {"yandex_browser", "yandex-browser"},
         {{K::LocalAppData, "Yandex\\YandexBrowser\\User Data"}},
         {{K::Config, "yandex-browser"}}},
        {ProgramId::Cyberfox,
         "Cyberfox",
         IDI_CYBERFOX,
         IDI_CYBERFOX_PROFILE,
         {"Cyberfox.exe"},
         {"cyberfox", "cyberfox-bin"},
         {{K::RoamingAppData, "8pecxstudios\\Cyberfox\\"}},
         {{K::Home, ".8pecxstudios/cyberfox/"}}},
        {ProgramId::FossaMail,
         "FossaMail",
         IDI_FOSSAMAIL,
         IDI_THUNDERBIRD_PROFILE,
         {"FossaMail.exe"},
         {"fossamail", "fossamail-bin"},
         {{K::RoamingAppData, "FossaMail\\"}},
         {{K::Home, ".fossamail/"}}},
        {ProgramId::Viber,
         "Viber",
         IDI_VIBER,
         IDI_VIBER_PROFILE,
         {"Viber.exe"},
         {"Viber", "viber"},
         {{K::RoamingAppData, "ViberPC\\"}},
         {{K::Home, ".ViberPC/"}}},
        {ProgramId::Slimjet,
         "SlimJet Browser",
         IDI_SLIMJET,
         IDI_SLIMJET_PROFILE,
         {"slimjet.exe"},
         {"slimjet"},
         {{K::LocalAppData, "Slimjet\\User Data"}},
         {{K::Config, "slimjet"}}},
        {ProgramId::Brave,
         "Brave Browser",
         IDI_BRAVE,
         IDI_BRAVE,
         {"Brave.exe"},
         {"brave"},
         {{K::RoamingAppData, "brave"}},
         {{K::Config, "BraveSoftware/Brave-Browser/Default"},
          {K::Home, "snap/brave/current/.config/BraveSoftware/Brave-Browser/Default"}}},
        // The stable channel's "User Data" folder, then Beta's, Dev's and Canary's; Linux has no Canary, and the
        // Flatpak runs the Beta channel's build.
        {ProgramId::Edge,
         "Edge",
         IDI_EDGE,
         IDI_EDGE_PROFILE,
         {"msedge.exe"},
         {"msedge"},
         {{K::LocalAppData, "Microsoft\\Edge\\User Data"},
          {K::LocalAppData, "Microsoft\\Edge Beta\\User Data"},
          {K::LocalAppData, "Microsoft\\Edge Dev\\User Data"},
          {K::LocalAppData, "Microsoft\\Edge SxS\\User Data"}},
         {{K::Config, "microsoft-edge"},
          {K::Config, "microsoft-edge-beta"},
          {K::Config, "microsoft-edge-dev"},
          {K::Home, ".var/app/com.microsoft.Edge/config/microsoft-edge-beta"}}},
        // Its executable is Opera's. No Linux release exists.
        {ProgramId::OperaGX,
         "Opera GX",
         IDI_OPERAGX,
         IDI_OPERAGX_PROFILE,
         {"opera.exe"},
         {"opera"},
         {{K::RoamingAppData, "Opera Software\\Opera GX Stable"}},
         {}},
        // Linux: the tarball's folder (also the Flatpak's inside its sandbox); no configuration-folder place yet.
        {ProgramId::Waterfox,
         "Waterfox",
         IDI_WATERFOX,
         IDI_WATERFOX_PROFILE,
         {"waterfox.exe"},
         {"waterfox", "waterfox-bin"},
         {{K::RoamingAppData, "Waterfox\\"}},
         {{K::Home, ".waterfox/"}, {K::Home, ".var/app/net.waterfox.waterfox/.waterfox/"}}},
        // Linux, as for Firefox: the folder in the home folder while it exists, the configuration folder of newer
        // releases, and the Flatpak's two.
        {ProgramId::LibreWolf,
         "LibreWolf",
         IDI_LIBREWOLF,
         IDI_LIBREWOLF_PROFILE,
         {"librewolf.exe"},
         {"librewolf", "librewolf-bin"},
         {{K::RoamingAppData, "librewolf\\"}},
         {{K::Home, ".librewolf/"},
          {K::Config, "librewolf/librewolf/"},
          {K::Home, ".var/app/io.gitlab.librewolf-community/.librewolf/"},
          {K::Home, ".var/app/io.gitlab.librewolf-community/config/librewolf/librewolf/"}}},
        {ProgramId::Floorp,
         "Floorp",
         IDI_FLOORP,
         IDI_FLOORP_PROFILE,
         {"floorp.exe"},
         {"floorp", "floorp-bin"},
         {{K::RoamingAppData, "Floorp\\"}},
         {{K::Home, ".floorp/"}, {K::Config, "floorp/"}, {K::Home, ".var/app/one.ablaze.floorp/.floorp/"}}},
        {ProgramId::Zen,
         "Zen",
         IDI_ZEN,
         IDI_ZEN_PROFILE,
         {"zen.exe"},
         {"zen", "zen-bin"},
         {{K::RoamingAppData, "zen\\"}},
         {{K::Home, ".zen/"},
          {K::Config, "zen/"},
          {K::Home, ".var/app/app.zen_browser.zen/.zen/"},
          {K::Home, ".var/app/app.zen_browser.zen/config/zen/"}}},
    };
}

constexpr std::size_t kProgramCount = static_cast<std::size_t>(ProgramId::Zen) + 1;

} // namespace

const ProgramFacts& GetProgramFacts(ProgramId id) {
    static const std::array<ProgramFacts, kProgramCount> table = [] {
        std::array<ProgramFacts, kProgramCount> facts;
        for (Row& row : Rows())
            facts[static_cast<std::size_t>(row.id)] = {
                row.name, row.iconId, row.profileIconId,
                ForSystem(std::move(row.windowsProcesses), std::move(row.linuxProcesses)),
                ForSystem(std::move(row.windowsPlaces), std::move(row.linuxPlaces))};
        return facts;
    }();
    return table[static_cast<std::size_t>(id)];
}
