// The grammar of one command-line argument on arbitrary text. The input is cut at line breaks into up to eight
// arguments; "~" stands for the fake user's folder, so committed inputs can name real profile folders. The catalogue
// is built once over a fake user with Firefox, Thunderbird, Chrome and Skype profiles, and the current directory is
// Firefox's folder, so relative paths such as Profiles/abc.default name profiles too (and a folder named ALL stands
// in the way of that keyword's neighbours). Checked for every argument:
// - a malformed argument, an unknown program and a selection that finds nothing each give their one message and
//   no profile; a selection that finds something gives no message;
// - every profile returned belongs to the catalogue, and the catalogue does not change;
// - an existing path selects at most one profile, and that profile's folder is the same folder; a profile whose
//   path is the argument's, as written, is found;
// - "all" selects the program's profiles in order; a name selects the program's first profile of that name,
//   ignoring letter case.

#include "FuzzSupport.h"

#include "app/CommandLine.h"
#include "catalogue/Catalogue.h"
#include "support/StringHelpers.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

using fuzz::Check;

namespace {

const char kFirefoxIni[] = "[Install4F96D1932A9F858E]\n"
                           "Default=Profiles/xyz.default-release\n"
                           "Locked=1\n\n"
                           "[Profile2]\nName=Работа 🦊\nIsRelative=1\nPath=Profiles/w0rk.работа\n\n"
                           "[Profile1]\nName=default-release\nIsRelative=1\nPath=Profiles/xyz.default-release\n"
                           "Default=1\n\n"
                           "[Profile0]\nName=default\nIsRelative=1\nPath=Profiles/abc.default\n\n"
                           "[Profile3]\nName=Default\nIsRelative=1\nPath=Profiles/second.default\n\n"
                           "[Profile4]\nName=gone\nIsRelative=1\nPath=Profiles/gone\n\n"
                           "[Profile5]\nName=elsewhere\nIsRelative=0\nPath=%s/elsewhere/ff\n\n"
                           "[General]\nStartWithLastProfile=1\nVersion=2\n";

const char kThunderbirdIni[] = "[Profile0]\nName=default-release\nIsRelative=1\nPath=r1n8cm2j.default-release\n\n"
                               "[General]\nStartWithLastProfile=1\nVersion=2\n";

struct Fixture {
    Fixture() {
        root = fuzz::WorkFolder();
        platform::KnownFolders folders;
        folders.home = root + "/home";
        folders.config = folders.home + "/.config";
        const std::string firefox = folders.home + "/.mozilla/firefox";
        char ini[sizeof(kFirefoxIni) + 4096];
        std::snprintf(ini, sizeof(ini), kFirefoxIni, root.c_str());
        fuzz::WriteBytes(firefox + "/profiles.ini", ini);
        for (const char* profile : {"w0rk.работа", "xyz.default-release", "abc.default", "second.default"})
            fuzz::WriteBytes(firefox + "/Profiles/" + profile + "/places.sqlite", "x");
        fuzz::MakeFolder(firefox + "/ALL");
        fuzz::WriteBytes(firefox + "/notes.txt", "x");
        fuzz::MakeFolder(root + "/elsewhere/ff");
        fuzz::WriteBytes(folders.home + "/.thunderbird/profiles.ini", kThunderbirdIni);
        fuzz::MakeFolder(folders.home + "/.thunderbird/r1n8cm2j.default-release");
        fuzz::WriteBytes(folders.config + "/google-chrome/Default/History", "x");
        fuzz::WriteBytes(folders.home + "/.Skype/alice/main.db", "x");
        fuzz::WriteBytes(folders.home + "/.Skype/bob smith/main.db", "x");
        catalogue = BuildCatalogue(folders);
        for (const auto& program : catalogue.Programs())
            for (const auto& profile : program->GetProfiles())
                all.push_back(profile.get());
        Check(all.size() == 10, "the fixture catalogue lacks profiles: " + std::to_string(all.size()));
        Check(chdir(firefox.c_str()) == 0, "cannot enter " + firefox);
    }
    std::string root;
    Catalogue catalogue;
    std::vector<CBrowserProfile*> all;
};

bool SameFolder(const std::string& a, const std::string& b) {
    struct stat left {
    }, right{};
    return stat(a.c_str(), &left) == 0 && stat(b.c_str(), &right) == 0 && left.st_dev == right.st_dev &&
           left.st_ino == right.st_ino;
}

using Lines = std::vector<std::string>;

void CheckArgument(Fixture& fixture, const std::string& argument) {
    fuzz::LogLines log;
    const std::vector<CBrowserProfile*> result = ParseProfileArgument(fixture.catalogue, argument);
    const Lines lines = log.Take();

    for (CBrowserProfile* profile : result)
        Check(std::find(fixture.all.begin(), fixture.all.end(), profile) != fixture.all.end(),
              "a profile that is not in the catalogue");

    const std::size_t colon = argument.find(':');
    if (argument.empty() || argument[0] != '/' || colon == std::string::npos) {
        Check(result.empty() && lines == Lines{"Error: invalid command line syntax"}, "malformed argument accepted");
        return;
    }
    const std::string name = argument.substr(1, colon - 1);
    const std::string part = argument.substr(colon + 1);
    CBrowser* program = fixture.catalogue.FindProgramByName(name);
    if (program == nullptr) {
        Check(result.empty() && lines == Lines{"Error: specified program name '" + name + "' is invalid"},
              "unknown program accepted or not named: " + name);
        return;
    }
    Check(result.empty() ? lines == Lines{"Invalid profile specified."} : lines.empty(),
          "the message does not fit the selection");

    const auto& own = program->GetProfiles();
    struct stat status {};
    if (!part.empty() && stat(part.c_str(), &status) == 0) {
        Check(result.size() <= 1, "a path selected several profiles");
        if (result.size() == 1)
            Check(SameFolder(result[0]->GetPath(), part), "a path selected another folder's profile");
        for (CBrowserProfile* profile : fixture.all)
            if (SamePath(profile->GetPath(), part)) {
                Check(result.size() == 1 && result[0] == profile, "the profile of a path was not found: " + part);
                break;
            }
    } else if (part == "all") {
        Check(result.size() == own.size(), "all did not select every profile");
        for (std::size_t i = 0; i < result.size(); ++i)
            Check(result[i] == own[i].get(), "all changed the order of the profiles");
    } else {
        CBrowserProfile* first = nullptr;
        for (const auto& profile : own)
            if (EqualsNoCase(profile->GetName(), part)) {
                first = profile.get();
                break;
            }
        Check(first == nullptr ? result.empty() : result.size() == 1 && result[0] == first,
              "a name did not select the first profile of that name: " + part);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Fixture fixture;
    const std::string text = fuzz::ExpandHome(data, size, fixture.root);
    for (const std::string& argument : fuzz::SplitLines(text, 8))
        CheckArgument(fixture, argument);

    std::size_t count = 0;
    for (const auto& program : fixture.catalogue.Programs())
        count += program->GetProfiles().size();
    Check(count == fixture.all.size(), "parsing changed the catalogue");
    return 0;
}
