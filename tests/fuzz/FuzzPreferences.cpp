// The preferences loader on arbitrary files. "~" in the input stands for the fixture folder, so committed inputs
// can name profile folders that exist. Each input goes through what a session does with the file: load it, apply
// it to a fresh catalogue, store the tree back, save; then the saved file is loaded into another fresh catalogue.
// Checked on every input:
// - applying never marks an existing folder missing;
// - the saved file is the printed document, and it loads again as a document, without falling back to a new one;
// - a file that could not be parsed, or holds no element, is kept whole as preferences.xml.bak before it is
//   replaced; a file that could be parsed, or an empty one, leaves no .bak;
// - the profiles of the second catalogue have the states of the first (program, path, name, custom, checked,
//   missing, in order), except that a profile whose folder is gone is now missing whether or not the first file
//   named it (it keeps its mark, which the user gave it);
// - printing the reloaded document gives the saved file again (an empty Profile element may lose its end tag).

#include "../FakeProgram.h"
#include "FuzzSupport.h"

#include "app/Preferences.h"
#include "app/XmlDocument.h"
#include "catalogue/Catalogue.h"

#include <tuple>

using fuzz::Check;

namespace {

const char* const kProgramNames[] = {
    "Firefox",     "Pale Moon", "Epic",           "Chrome",    "Vivaldi",   "Opera", "Skype",           "Chromium/Iron",
    "Thunderbird", "SeaMonkey", "Yandex Browser", "Cyberfox",  "FossaMail", "Viber", "SlimJet Browser", "Brave Browser",
    "Edge",        "Opera GX",  "Waterfox",       "LibreWolf", "Floorp",    "Zen"};

struct Fixture {
    Fixture() {
        root = fuzz::WorkFolder();
        preferencesFolder = root + "/settings";
        fuzz::MakeFolder(root + "/ff/abc.default");
        fuzz::MakeFolder(root + "/ff/Работа 🦊");
        fuzz::MakeFolder(root + "/chrome/User Data/Default");
        fuzz::MakeFolder(root + "/skype/alice");
        fuzz::MakeFolder(root + "/custom/portable profile");
    }
    // The catalogue as the programs' own searches leave it: some profiles exist, one is gone.
    Catalogue MakeCatalogue() const {
        std::vector<std::unique_ptr<CBrowser>> programs;
        for (const char* name : kProgramNames)
            programs.push_back(std::make_unique<testing_support::FakeProgram>(name));
        programs[0]->AddProfile(root + "/ff/abc.default/", "default", false);
        programs[0]->AddProfile(root + "/ff/gone/", "gone", false);
        programs[0]->AddProfile(root + "/ff/Работа 🦊/", "Работа", false);
        programs[3]->AddProfile(root + "/chrome/User Data", "Default", false);
        programs[6]->AddProfile(root + "/skype/alice", "alice", false);
        return Catalogue(std::move(programs));
    }
    std::string root;
    std::string preferencesFolder;
};

using State = std::tuple<std::string, std::string, std::string, bool, bool, bool>;

std::vector<State> StatesOf(const Catalogue& catalogue) {
    std::vector<State> states;
    for (const auto& program : catalogue.Programs())
        for (const auto& profile : program->GetProfiles())
            states.emplace_back(program->GetName(), profile->GetPath(), profile->GetName(), profile->custom,
                                profile->checked, profile->missing);
    return states;
}

// What a save and a load make of the states: every profile is named in the file now, so each one whose folder is
// gone comes back missing, with its mark, whether or not the first file named it.
std::vector<State> AfterReload(std::vector<State> states) {
    for (State& state : states) {
        auto& [program, path, name, custom, checked, missing] = state;
        if (path.empty() || !fuzz::Exists(path))
            missing = true;
    }
    return states;
}

// A stored profile without a path prints as <Profile ...></Profile>, which reads back as an element without text
// and then prints as <Profile .../>: the one difference a save and a load may make to the printed document. Only
// tags count: a declaration, a comment or a CDATA section prints its text as it was read, which may look like one.
std::string WithoutEmptyTexts(const std::string& printed) {
    static const std::string kEnd = "</Profile>";
    std::string result;
    std::size_t position = 0;
    while (position < printed.size()) {
        const std::size_t open = printed.find('<', position);
        if (open == std::string::npos)
            break;
        result.append(printed, position, open - position);
        std::size_t end = std::string::npos;
        for (const auto& [start, stop] :
             {std::pair<std::string, std::string>{"<?", "?>"}, {"<!--", "-->"}, {"<![CDATA[", "]]>"}})
            if (printed.compare(open, start.size(), start) == 0) {
                end = printed.find(stop, open + start.size());
                end = end == std::string::npos ? printed.size() : end + stop.size();
                break;
            }
        if (end == std::string::npos) {
            // An element tag: a printed attribute value holds no '>', so the first one ends the tag.
            const std::size_t close = printed.find('>', open);
            end = close == std::string::npos ? printed.size() : close + 1;
            const bool emptyProfile = close != std::string::npos && printed.compare(open, 8, "<Profile") == 0 &&
                                      (printed[open + 8] == ' ' || printed[open + 8] == '>') &&
                                      printed[close - 1] != '/' && printed.compare(end, kEnd.size(), kEnd) == 0;
            if (emptyProfile) {
                result.append(printed, open, close - open).append("/>");
                position = end + kEnd.size();
                continue;
            }
        }
        result.append(printed, open, end - open);
        position = end;
    }
    if (position < printed.size())
        result.append(printed, position, std::string::npos);
    return result;
}

// The tree as the main window hands it over: every profile in tree order with its mark (a missing one's too, which
// the tree only shows unchecked).
std::vector<ProfileCheckState> TreeOf(const Catalogue& catalogue) {
    std::vector<ProfileCheckState> tree;
    for (const auto& program : catalogue.Programs())
        for (const auto& profile : program->GetProfiles())
            tree.push_back({profile.get(), profile->checked});
    return tree;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const Fixture fixture;
    const std::string text = fuzz::ExpandHome(data, size, fixture.root);
    fuzz::RemoveAll(fixture.preferencesFolder);
    const std::string file = fixture.preferencesFolder + "/preferences.xml";
    fuzz::WriteBytes(file, text);
    XmlDocument parsed;
    // A file with a UTF-16 byte-order mark is read as UTF-16, whatever else its bytes would parse as.
    const bool parses = parsed.Parse(DecodePreferencesText(text)) && parsed.HasRoot();

    // One session: load, apply, store the tree, save.
    Catalogue first = fixture.MakeCatalogue();
    PreferencesDocument session(fixture.preferencesFolder);
    Check(session.GetPreferencesPath() == file, "the preferences path is not the fixture's");
    session.LoadPreferencesDocument(file);
    session.LoadProfiles(first);
    const std::vector<State> states = StatesOf(first);
    for (const State& state : states) {
        const auto& [program, path, name, custom, checked, missing] = state;
        if (missing)
            Check(path.empty() || !fuzz::Exists(path), "an existing folder was marked missing: " + path);
    }
    session.StoreProfiles(TreeOf(first));
    const std::string printed = session.PrintDocument();
    Check(session.SavePreferencesDocument(), "the preferences file could not be saved");
    Check(fuzz::ReadBytes(file) == printed, "the saved file is not the printed document");
    if (!parses && !text.empty())
        Check(fuzz::ReadBytes(file + ".bak") == text, "an unreadable file was not kept whole as .bak");
    else
        Check(!fuzz::Exists(file + ".bak"), "a .bak was made of a file that could be read");
    XmlDocument saved;
    Check(saved.Parse(printed) && saved.HasRoot(), "the saved file does not parse");

    // The next session.
    Catalogue second = fixture.MakeCatalogue();
    PreferencesDocument next(fixture.preferencesFolder);
    next.LoadPreferencesDocument(file);
    next.LoadProfiles(second);
    Check(StatesOf(second) == AfterReload(states), "the profiles' states did not survive a save and a load");
    const std::string reprinted = next.PrintDocument();
    Check(reprinted == WithoutEmptyTexts(printed),
          "printing the saved document again changes it:\n" + printed + "\n--- printed again:\n" + reprinted);
    return 0;
}
