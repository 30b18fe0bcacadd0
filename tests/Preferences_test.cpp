#include "app/Preferences.h"

#include "CatalogueFixture.h"
#include "FakeProgram.h"
#include "TestSupport.h"

#include "catalogue/Catalogue.h"
#include "platform/System.h"
#include "platform/Text.h"
#include "support/FolderHelpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>

#ifndef _WIN32
#include <csignal>
#include <cstdlib>
#include <sys/resource.h>
#include <unistd.h>
#endif

using namespace testing_support;

namespace {

const std::string kNewDocument = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<Tidyquill version=\"1\"/>\n";

// A catalogue of Firefox and Chromium/Iron with no profiles; tests add the ones they need.
Catalogue MakeCatalogue() {
    std::vector<std::unique_ptr<CBrowser>> programs;
    programs.push_back(std::make_unique<FakeProgram>("Firefox"));
    programs.push_back(std::make_unique<FakeProgram>("Chromium/Iron"));
    return Catalogue(std::move(programs));
}

CBrowser* Program(const Catalogue& catalogue, const std::string& name) {
    return catalogue.FindProgramByName(name);
}

std::string ProfileElement(const std::string& custom, const std::string& checked, const std::string& type,
                           const std::string& path) {
    return "\t<Profile custom=\"" + custom + "\" checked=\"" + checked + "\" type=\"" + type + "\">" + path +
           "</Profile>\n";
}

std::string Document(const std::string& elements) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<Tidyquill version=\"1\">\n" + elements + "</Tidyquill>\n";
}

// Loads the text as preferences.xml of a folder and applies it to the catalogue.
PreferencesDocument LoadInto(const TempFolder& temp, const std::string& text, Catalogue& catalogue) {
    WriteFile(temp / "preferences.xml", text);
    PreferencesDocument preferences(temp.Path());
    preferences.LoadPreferencesDocument(preferences.GetPreferencesPath());
    preferences.LoadProfiles(catalogue);
    return preferences;
}

} // namespace

// ---- First run: the location, a new document, and the tree written in its order ----
TEST(Preferences, FirstRunWritesANewDocumentWithTheTreeInOrder) {
    TempFolder temp;
    const std::string folder = temp / Join({"Roaming", "Quartzmoore Software", "Tidyquill"});
    PreferencesDocument preferences(folder);
    EXPECT_EQ(preferences.PrintDocument(), kNewDocument); // never an empty document, even before loading
    const std::string path = preferences.GetPreferencesPath();
    EXPECT_EQ(path, Join({folder, "preferences.xml"}));
    EXPECT_TRUE(IsFolder(folder));

    preferences.LoadPreferencesDocument(path);
    EXPECT_EQ(preferences.PrintDocument(), kNewDocument);

    Catalogue catalogue = MakeCatalogue();
    const std::string firefoxPath = AppendBackslash(temp / "ff");
    CBrowserProfile* firefox = Program(catalogue, "Firefox")->AddProfile(firefoxPath, "default", false);
    CBrowserProfile* iron = Program(catalogue, "Chromium/Iron")->AddProfile(temp / "iron", "Default", false);
    CBrowserProfile* custom = catalogue.AddCustomProfile(temp / "portable", Program(catalogue, "Firefox"));
    preferences.LoadProfiles(catalogue);
    EXPECT_TRUE(firefox->checked && iron->checked && custom->checked);
    EXPECT_FALSE(firefox->missing || iron->missing || custom->missing);

    preferences.StoreProfiles({{firefox, true}, {custom, false}, {iron, true}});
    ASSERT_TRUE(preferences.SavePreferencesDocument());
    EXPECT_EQ(ReadFile(path), Document(ProfileElement("no", "yes", "Firefox", firefoxPath) +
                                       ProfileElement("yes", "no", "Firefox", temp / "portable") +
                                       ProfileElement("no", "yes", "Chromium/Iron", temp / "iron")));
    EXPECT_EQ(FolderNames(folder), std::vector<std::string>{"preferences.xml"});

    // Storing again replaces the elements instead of adding to them.
    preferences.StoreProfiles({{iron, false}});
    ASSERT_TRUE(preferences.SavePreferencesDocument());
    EXPECT_EQ(ReadFile(path), Document(ProfileElement("no", "no", "Chromium/Iron", temp / "iron")));
}

TEST(Preferences, DefaultLocationIsTheUsersSettingsFolder) {
#ifdef _WIN32
    const std::string path = PreferencesDocument().GetPreferencesPath();
    EXPECT_NE(path.find("\\Quartzmoore Software\\Tidyquill\\preferences.xml"), std::string::npos) << path;
    EXPECT_TRUE(IsFolder(path.substr(0, path.rfind('\\'))));
#else
    TempFolder temp;
    const char* saved = std::getenv("XDG_CONFIG_HOME");
    const std::string savedValue = saved != nullptr ? saved : "";
    setenv("XDG_CONFIG_HOME", (temp / "config").c_str(), 1);
    const std::string path = PreferencesDocument().GetPreferencesPath();
    if (saved != nullptr)
        setenv("XDG_CONFIG_HOME", savedValue.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(path, temp / "config/tidyquill/preferences.xml");
    EXPECT_TRUE(IsFolder(temp / "config/tidyquill"));
#endif
}

// ---- Applying the elements: attributes compared exactly, types, paths, missing folders ----
TEST(Preferences, LoadProfilesAppliesOnlyWhatMatchesExactly) {
    TempFolder temp;
    MakeFolder(temp / "a");
    MakeFolder(temp / "b");
    MakeFolder(temp / "c");
    MakeFolder(temp / "portable");
    Catalogue catalogue = MakeCatalogue();
    CBrowser* firefox = Program(catalogue, "Firefox");
    CBrowserProfile* a = firefox->AddProfile(temp / "a", "a", false);
    CBrowserProfile* b = firefox->AddProfile(temp / "b", "b", false);
    CBrowserProfile* c = firefox->AddProfile(temp / "c", "c", false);
    CBrowserProfile* gone = firefox->AddProfile(temp / "gone", "gone", false);
    CBrowserProfile* untouched = firefox->AddProfile(temp / "untouched", "untouched", false);

    const std::string text = Document(
        // "Yes" and a missing attribute both count as no; "yes" only is yes.
        ProfileElement("no", "Yes", "Firefox", temp / "a") + ProfileElement("no", "yes", "Firefox", temp / "b") +
        "\t<Profile custom=\"no\" type=\"Firefox\">" + temp / "c" + "</Profile>\n" +
        // A found profile whose folder is gone: missing, and it keeps the stored mark for when it is back.
        ProfileElement("no", "yes", "Firefox", temp / "gone") +
        // Custom profiles: the type must name a program exactly; "YES" is not a custom profile, and a path that
        // no profile has is then skipped.
        ProfileElement("yes", "yes", "chromium/iron", temp / "portable") +
        ProfileElement("yes", "yes", "Netscape", temp / "portable") +
        ProfileElement("YES", "yes", "Firefox", temp / "portable") +
        ProfileElement("yes", "no", "Chromium/Iron", AppendBackslash(temp / "portable")) +
        ProfileElement("yes", "yes", "Firefox", temp / "vanished") +
        // The type of a found profile plays no part.
        ProfileElement("no", "no", "Chromium/Iron", temp / "b") + "\t<Profile custom=\"no\" checked=\"no\"/>\n");
    LoadInto(temp, text, catalogue);

    EXPECT_FALSE(a->checked);
    EXPECT_FALSE(b->checked); // the last element for a path wins
    EXPECT_FALSE(c->checked);
    EXPECT_FALSE(a->missing || b->missing || c->missing);
    EXPECT_TRUE(gone->checked);
    EXPECT_TRUE(gone->missing);
    EXPECT_TRUE(untouched->checked);
    EXPECT_FALSE(untouched->missing);

    const auto& ironProfiles = Program(catalogue, "Chromium/Iron")->GetProfiles();
    ASSERT_EQ(ironProfiles.size(), 1u);
    EXPECT_TRUE(ironProfiles[0]->custom);
    EXPECT_EQ(ironProfiles[0]->GetPath(), AppendBackslash(temp / "portable"));
    EXPECT_EQ(ironProfiles[0]->GetName(), AppendBackslash("portable"));
    EXPECT_FALSE(ironProfiles[0]->checked);

    // The custom profile whose folder vanished comes back missing, with its mark.
    const auto& firefoxProfiles = firefox->GetProfiles();
    ASSERT_EQ(firefoxProfiles.size(), 6u);
    EXPECT_TRUE(firefoxProfiles[5]->custom);
    EXPECT_EQ(firefoxProfiles[5]->GetName(), "vanished");
    EXPECT_TRUE(firefoxProfiles[5]->checked);
    EXPECT_TRUE(firefoxProfiles[5]->missing);
}

TEST(Preferences, EntriesThatApplyToNoProfileThisTimeAreWrittenBackOncePerFolder) {
    // A program being reinstalled, a disk not mounted, a program this version does not know: the user's marks for
    // them must be there when they are back.
    TempFolder temp;
    MakeFolder(temp / "a");
    MakeFolder(temp / "custom");
    Catalogue catalogue = MakeCatalogue();
    CBrowserProfile* a = Program(catalogue, "Firefox")->AddProfile(temp / "a", "a", false);
    const std::string absent =
        "\t<Profile custom=\"no\" checked=\"yes\" type=\"Firefox\" since=\"2\">" + temp / "absent" + "</Profile>\n";
    const std::string unknown = ProfileElement("yes", "no", "Netscape", temp / "old");
    PreferencesDocument preferences = LoadInto(
        temp,
        Document(ProfileElement("no", "no", "Firefox", temp / "a") + absent +
                 ProfileElement("no", "no", "Firefox", AppendBackslash(temp / "absent")) + // the same folder again
                 unknown + ProfileElement("no", "yes", "Firefox", "relative/path") +
                 ProfileElement("yes", "yes", "Chromium/Iron", temp / "custom") +
                 ProfileElement("yes", "yes", "Firefox", temp / "deleted")),
        catalogue);
    CBrowserProfile* custom = Program(catalogue, "Chromium/Iron")->GetProfiles().at(0).get();
    // The user deletes one custom profile; that one goes for good.
    CBrowserProfile* deleted = Program(catalogue, "Firefox")->GetProfiles().at(1).get();
    ASSERT_EQ(deleted->GetName(), "deleted");
    Program(catalogue, "Firefox")->RemoveProfile(deleted);

    preferences.StoreProfiles({{a, true}, {custom, true}});
    EXPECT_EQ(preferences.PrintDocument(),
              Document(ProfileElement("no", "yes", "Firefox", temp / "a") +
                       ProfileElement("yes", "yes", "Chromium/Iron", temp / "custom") + absent + unknown));

    // Once a profile has that folder (here: added by the user), its own element takes the place of the kept one.
    CBrowserProfile* back = catalogue.AddCustomProfile(temp / "absent", Program(catalogue, "Firefox"));
    preferences.StoreProfiles({{a, true}, {back, false}});
    EXPECT_EQ(preferences.PrintDocument(), Document(ProfileElement("no", "yes", "Firefox", temp / "a") +
                                                    ProfileElement("yes", "no", "Firefox", temp / "absent") + unknown));
}

TEST(Preferences, StoredPathsMatchFoundProfilesByTheSystemsPathRule) {
    TempFolder temp;
    MakeFolder(temp / "Profile");
    Catalogue catalogue = MakeCatalogue();
    CBrowserProfile* profile =
        Program(catalogue, "Firefox")->AddProfile(AppendBackslash(temp / "Profile"), "default", false);

    // One trailing separator is ignored on both systems.
    LoadInto(temp, Document(ProfileElement("no", "no", "Firefox", temp / "Profile")), catalogue);
    EXPECT_FALSE(profile->checked);

    // Letter case is ignored on Windows only; on Linux a path in other case is another folder.
    profile->checked = true;
    std::string otherCase = temp / "PROFILE";
    LoadInto(temp, Document(ProfileElement("no", "no", "Firefox", otherCase)), catalogue);
    EXPECT_EQ(profile->checked, !platform::kWindows);
    EXPECT_FALSE(profile->missing);
}

// ---- What is carried from load to save ----
TEST(Preferences, OtherRootsElementsAndFormattingAreCarriedThrough) {
    TempFolder temp;
    Catalogue catalogue = MakeCatalogue();
    MakeFolder(temp / "p");
    CBrowserProfile* profile = Program(catalogue, "Firefox")->AddProfile(temp / "p", "p", false);

    // Another root name and version, a comment, unknown elements before and between the profiles; indented with
    // spaces. Without StoreProfiles only the indentation changes.
    const std::string spaced = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<!-- written by hand -->\n"
                               "<Settings version=\"7\">\n  <Window x=\"10\" y=\"20\">\n    <Column width=\"3\"/>\n"
                               "  </Window>\n  <Profile custom=\"no\" checked=\"no\" type=\"Firefox\">" +
                               temp / "p" + "</Profile>\n  <Note>keep &amp; carry</Note>\n</Settings>\n";
    const std::string tabbed = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<!-- written by hand -->\n"
                               "<Settings version=\"7\">\n\t<Window x=\"10\" y=\"20\">\n\t\t<Column width=\"3\"/>\n"
                               "\t</Window>\n\t<Profile custom=\"no\" checked=\"no\" type=\"Firefox\">" +
                               temp / "p" + "</Profile>\n\t<Note>keep &amp; carry</Note>\n</Settings>\n";
    PreferencesDocument preferences = LoadInto(temp, spaced, catalogue);
    EXPECT_FALSE(profile->checked);
    ASSERT_TRUE(preferences.SavePreferencesDocument());
    EXPECT_EQ(ReadFile(temp / "preferences.xml"), tabbed);

    // A file written with tabs comes back byte for byte.
    LoadInto(temp, tabbed, catalogue);
    ASSERT_TRUE(preferences.SavePreferencesDocument());
    EXPECT_EQ(ReadFile(temp / "preferences.xml"), tabbed);

    // Storing replaces the profiles only; the new ones go last, after the other elements.
    preferences.StoreProfiles({{profile, true}});
    ASSERT_TRUE(preferences.SavePreferencesDocument());
    EXPECT_EQ(ReadFile(temp / "preferences.xml"),
              "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<!-- written by hand -->\n<Settings version=\"7\">\n"
              "\t<Window x=\"10\" y=\"20\">\n\t\t<Column width=\"3\"/>\n\t</Window>\n"
              "\t<Note>keep &amp; carry</Note>\n" +
                  ProfileElement("no", "yes", "Firefox", temp / "p") + "</Settings>\n");
}

TEST(Preferences, PathsWithMarkupAndTextThatIsNotAsciiRoundTrip) {
    TempFolder temp;
    const std::string odd = temp / "Zoë & 'Ünïcødé' 日本";
    MakeFolder(odd);
    Catalogue catalogue = MakeCatalogue();
    CBrowserProfile* custom = catalogue.AddCustomProfile(odd, Program(catalogue, "Chromium/Iron"));
    PreferencesDocument preferences(temp.Path());
    preferences.LoadPreferencesDocument(preferences.GetPreferencesPath());
    preferences.StoreProfiles({{custom, false}});
    ASSERT_TRUE(preferences.SavePreferencesDocument());
    EXPECT_NE(ReadFile(temp / "preferences.xml").find("Zoë &amp; 'Ünïcødé' 日本"), std::string::npos);

    Catalogue restored = MakeCatalogue();
    PreferencesDocument again(temp.Path());
    again.LoadPreferencesDocument(again.GetPreferencesPath());
    again.LoadProfiles(restored);
    const auto& profiles = Program(restored, "Chromium/Iron")->GetProfiles();
    ASSERT_EQ(profiles.size(), 1u);
    EXPECT_EQ(profiles[0]->GetPath(), odd);
    EXPECT_EQ(profiles[0]->GetName(), "Zoë & 'Ünïcødé' 日本");
    EXPECT_FALSE(profiles[0]->checked);
    EXPECT_FALSE(profiles[0]->missing);
}

// ---- The programs after the sixteen: a file written before them loads as it did; they are stored by name ----
TEST(Preferences, AFileFromBeforeTheLaterProgramsLoadsUnchangedAndTheyAreStoredByName) {
    FakeUser user;
    const std::string firefox = Join({user.ProgramFolder("Firefox"), "Profiles", "p0"});
    const std::string zen = Join({user.ProgramFolder("Zen"), "Profiles", "z0"});
    WriteFile(Join({user.ProgramFolder("Firefox"), "profiles.ini"}),
              "[Profile0]\nName=default\nIsRelative=1\nPath=Profiles/p0\n");
    WriteFile(Join({user.ProgramFolder("Zen"), "profiles.ini"}),
              "[Profile0]\nName=zen\nIsRelative=1\nPath=Profiles/z0\n");
    MakeFolder(firefox);
    MakeFolder(zen);
    MakeFolder(Join({user.ProgramFolder("Chrome"), "Default"}));
    MakeFolder(Join({user.ProgramFolder("Edge"), "Default"}));
    const std::string portable = user / "portable";
    const std::string portableGx = user / "Opera GX portable";
    MakeFolder(portable);
    MakeFolder(portableGx);

    // As the program saved it before Edge and Zen were known: it applies to the profiles it names, leaves theirs
    // checked, and stays as it was.
    const std::string before = Document(ProfileElement("no", "no", "Firefox", AppendBackslash(firefox)) +
                                        ProfileElement("yes", "yes", "Firefox", portable) +
                                        ProfileElement("no", "no", "Chrome", user.ProgramFolder("Chrome")));
    TempFolder settings;
    Catalogue catalogue = BuildCatalogue(user.Folders());
    PreferencesDocument preferences = LoadInto(settings, before, catalogue);
    const auto profile = [&](Catalogue& in, const std::string& program, size_t index) {
        return in.FindProgramByName(program)->GetProfiles().at(index).get();
    };
    EXPECT_FALSE(profile(catalogue, "Firefox", 0)->checked);
    EXPECT_TRUE(profile(catalogue, "Firefox", 1)->custom && profile(catalogue, "Firefox", 1)->checked);
    EXPECT_FALSE(profile(catalogue, "Chrome", 0)->checked);
    EXPECT_TRUE(profile(catalogue, "Edge", 0)->checked && profile(catalogue, "Zen", 0)->checked);
    EXPECT_EQ(preferences.PrintDocument(), before);

    // The tree stored: every profile under its program's name, a custom Opera GX profile too.
    CBrowserProfile* customGx = catalogue.AddCustomProfile(portableGx, catalogue.FindProgramByName("Opera GX"));
    preferences.StoreProfiles({{profile(catalogue, "Firefox", 0), false},
                               {profile(catalogue, "Firefox", 1), true},
                               {profile(catalogue, "Chrome", 0), false},
                               {profile(catalogue, "Edge", 0), false},
                               {customGx, false},
                               {profile(catalogue, "Zen", 0), true}});
    ASSERT_TRUE(preferences.SavePreferencesDocument());
    EXPECT_EQ(ReadFile(settings / "preferences.xml"),
              Document(ProfileElement("no", "no", "Firefox", AppendBackslash(firefox)) +
                       ProfileElement("yes", "yes", "Firefox", portable) +
                       ProfileElement("no", "no", "Chrome", user.ProgramFolder("Chrome")) +
                       ProfileElement("no", "no", "Edge", user.ProgramFolder("Edge")) +
                       ProfileElement("yes", "no", "Opera GX", portableGx) +
                       ProfileElement("no", "yes", "Zen", AppendBackslash(zen))));

    // And read back by the next start.
    Catalogue next = BuildCatalogue(user.Folders());
    LoadInto(settings, ReadFile(settings / "preferences.xml"), next);
    EXPECT_FALSE(profile(next, "Edge", 0)->checked);
    ASSERT_EQ(next.FindProgramByName("Opera GX")->GetProfiles().size(), 1u);
    EXPECT_TRUE(profile(next, "Opera GX", 0)->custom);
    EXPECT_EQ(profile(next, "Opera GX", 0)->GetName(), "Opera GX portable");
    EXPECT_FALSE(profile(next, "Opera GX", 0)->checked);
}

// ---- Files that cannot be used: kept as .bak, never silently lost ----
TEST(Preferences, UnreadableFileIsKeptAsBackupBeforeItIsReplaced) {
    TempFolder temp;
    const std::string path = temp / "preferences.xml";
    const std::string broken = "<Tidyquill version=\"1\"><Profile custom=\"yes\" checked=\"yes\" type=\"Firefox\">"
                               "C:\\Portable\\profile</Profile>"; // cut short
    Catalogue catalogue = MakeCatalogue();
    PreferencesDocument preferences = LoadInto(temp, broken, catalogue);
    EXPECT_EQ(preferences.PrintDocument(), kNewDocument);
    EXPECT_TRUE(Program(catalogue, "Firefox")->GetProfiles().empty());
    EXPECT_FALSE(PathExists(path + ".bak")); // nothing happens before the save

    ASSERT_TRUE(preferences.SavePreferencesDocument());
    EXPECT_EQ(ReadFile(path + ".bak"), broken);
    EXPECT_EQ(ReadFile(path), kNewDocument);
    EXPECT_EQ(preferences.KeptBackupPath(), path + ".bak");
    // Once replaced, later saves leave the backup alone.
    ASSERT_TRUE(preferences.SavePreferencesDocument());
    EXPECT_EQ(ReadFile(path + ".bak"), broken);
    EXPECT_EQ(preferences.KeptBackupPath(), "");

    // An empty file holds nothing to keep and does not replace an earlier backup.
    PreferencesDocument empty = LoadInto(temp, "", catalogue);
    EXPECT_EQ(empty.PrintDocument(), kNewDocument);
    ASSERT_TRUE(empty.SavePreferencesDocument());
    EXPECT_EQ(ReadFile(path + ".bak"), broken);
    EXPECT_EQ(ReadFile(path), kNewDocument);
}

// ---- Files as people save them: UTF-16 with a byte-order mark; paths that name no fixed folder ----

TEST(Preferences, Utf16WithAByteOrderMarkIsRead) {
    TempFolder temp;
    const std::string folder = temp / "Caf\xC3\xA9 \xF0\x9F\x98\x80"; // Café and an emoji (a surrogate pair)
    MakeFolder(folder);
    const std::u32string text =
        platform::DecodeUtf8Lenient("<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n<Tidyquill version=\"1\">\r\n" +
                                    ProfileElement("yes", "no", "Firefox", folder) + "</Tidyquill>\r\n");
    for (const bool little : {true, false}) {
        std::string bytes = little ? "\xFF\xFE" : "\xFE\xFF";
        const auto put = [&](char32_t unit) {
            const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
            bytes += little ? std::string{low, high} : std::string{high, low};
        };
        for (const char32_t c : text) {
            if (c >= 0x10000) {
                put(0xD800 + ((c - 0x10000) >> 10));
                put(0xDC00 + ((c - 0x10000) & 0x3FF));
            } else {
                put(c);
            }
        }
        Catalogue catalogue = MakeCatalogue();
        PreferencesDocument preferences = LoadInto(temp, bytes, catalogue);
        const auto& profiles = Program(catalogue, "Firefox")->GetProfiles();
        ASSERT_EQ(profiles.size(), 1u) << (little ? "little" : "big") << "-endian";
        EXPECT_EQ(profiles[0]->GetPath(), folder);
        EXPECT_FALSE(profiles[0]->checked);
        // Written back in UTF-8, saying so, and not taken for an unreadable file.
        ASSERT_TRUE(preferences.SavePreferencesDocument());
        EXPECT_EQ(preferences.KeptBackupPath(), "");
        EXPECT_FALSE(PathExists(temp / "preferences.xml.bak"));
        EXPECT_EQ(ReadFile(temp / "preferences.xml").rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>", 0), 0u)
            << ReadFile(temp / "preferences.xml");
    }
}

TEST(Preferences, RelativePathsAreIgnored) {
    TempFolder temp;
    MakeFolder(temp / "profile");
    Catalogue catalogue = MakeCatalogue();
    Program(catalogue, "Firefox")->AddProfile("profile", "found", false);
    const std::string relative = std::string("..") + platform::kPathSeparator + "profile";
    const std::string driveRelative = platform::kWindows ? "C:profile" : "./profile";
    std::error_code error;
    const auto current = std::filesystem::current_path(error);
    std::filesystem::current_path(platform::PathFromUtf8(temp.Path()), error);
    LoadInto(temp,
             Document(ProfileElement("yes", "yes", "Firefox", "profile") +
                      ProfileElement("yes", "yes", "Firefox", relative) +
                      ProfileElement("yes", "yes", "Firefox", driveRelative) +
                      ProfileElement("no", "no", "Firefox", "profile")),
             catalogue);
    std::filesystem::current_path(current, error);
    // Only the profile the catalogue had; no custom profile was added, and it keeps its check mark.
    ASSERT_EQ(Program(catalogue, "Firefox")->GetProfiles().size(), 1u);
    EXPECT_TRUE(Program(catalogue, "Firefox")->GetProfiles()[0]->checked);
}

TEST(Preferences, OneFolderUnderTwoSpellingsIsOneProfile) {
    TempFolder temp;
    const std::string folder = temp / "\xC3\x89T\xC3\x89"; // ÉTÉ
    MakeFolder(folder);
    MakeFolder(temp / "found");
    // Other spellings the file system takes for the same folders: on Windows letter case beyond ASCII with the
    // "\\?\" form, and a trailing dot; on Linux links.
    std::string other = temp / "link";
    std::string found = temp / "link-found";
    if (platform::kWindows) {
        other = "\\\\?\\" + (temp / "\xC3\xA9t\xC3\xA9");
        found = temp / "FOUND.";
    } else {
        std::filesystem::create_directory_symlink(platform::PathFromUtf8(folder), platform::PathFromUtf8(other));
        std::filesystem::create_directory_symlink(platform::PathFromUtf8(temp / "found"),
                                                  platform::PathFromUtf8(found));
    }
    Catalogue catalogue = MakeCatalogue();
    CBrowserProfile* known = Program(catalogue, "Firefox")->AddProfile(temp / "found", "found", false);
    LoadInto(temp,
             Document(ProfileElement("yes", "yes", "Firefox", folder) + ProfileElement("yes", "no", "Firefox", other) +
                      ProfileElement("no", "no", "Firefox", found)),
             catalogue);
    const auto& profiles = Program(catalogue, "Firefox")->GetProfiles();
    ASSERT_EQ(profiles.size(), 2u);
    EXPECT_EQ(profiles[1]->GetPath(), folder);
    EXPECT_FALSE(profiles[1]->checked); // the later element applies to the same profile
    EXPECT_FALSE(known->checked);
    EXPECT_FALSE(known->missing);
}

TEST(Preferences, AFolderDeeperThan260CharactersInTheVerbatimForm) {
    TempFolder temp;
    const std::string name(100, 'p');
    const std::string folder = platform::FileCallPath(Join({temp.Path(), name, name, name}));
    ASSERT_GT(folder.size(), 300u);
    PreferencesDocument broken(folder);
    WriteFile(broken.GetPreferencesPath(), "<Tidyquill");
    broken.LoadPreferencesDocument(broken.GetPreferencesPath());
    ASSERT_TRUE(broken.SavePreferencesDocument());
    EXPECT_EQ(ReadFile(broken.GetPreferencesPath() + ".bak"), "<Tidyquill");
    PreferencesDocument again(folder);
    again.LoadPreferencesDocument(again.GetPreferencesPath());
    EXPECT_EQ(again.PrintDocument(), kNewDocument);
    ASSERT_TRUE(again.SavePreferencesDocument());
    EXPECT_EQ(again.KeptBackupPath(), "");
}

TEST(Preferences, EveryUnreadableFileIsKeptAndTheFiveNewestBackupsStay) {
    TempFolder temp;
    const std::string path = temp / "preferences.xml";
    Catalogue catalogue = MakeCatalogue();
    // Seven broken files in a row, each replaced by a new document: none replaces the backup of another.
    for (int i = 1; i <= 7; ++i) {
        PreferencesDocument preferences = LoadInto(temp, "<broken " + std::to_string(i), catalogue);
        ASSERT_TRUE(preferences.SavePreferencesDocument()) << i;
    }
    EXPECT_EQ(ReadFile(path), kNewDocument);
    EXPECT_EQ(ReadFile(path + ".bak"), "<broken 7");
    for (int n = 1; n <= 4; ++n)
        EXPECT_EQ(ReadFile(path + ".bak." + std::to_string(n)), "<broken " + std::to_string(7 - n)) << n;
    EXPECT_EQ(FolderNames(temp.Path()),
              (std::vector<std::string>{"preferences.xml", "preferences.xml.bak", "preferences.xml.bak.1",
                                        "preferences.xml.bak.2", "preferences.xml.bak.3", "preferences.xml.bak.4"}));
}

// ---- Found by fuzzing: documents tinyxml2 reads, but which would not come back as they were ----
TEST(Preferences, ADocumentWithoutAnElementCountsAsUnreadable) {
    // With no root nothing could be stored into it: the check marks would never be saved.
    TempFolder temp;
    const std::string path = temp / "preferences.xml";
    const std::string rootless = "<?xml version=\"1.0\"?>\n<!-- nothing else -->\n";
    Catalogue catalogue = MakeCatalogue();
    CBrowserProfile* profile = Program(catalogue, "Firefox")->AddProfile(temp / "ff", "default", false);
    PreferencesDocument preferences = LoadInto(temp, rootless, catalogue);
    EXPECT_EQ(preferences.PrintDocument(), kNewDocument);
    preferences.StoreProfiles({{profile, false}});
    ASSERT_TRUE(preferences.SavePreferencesDocument());
    EXPECT_EQ(ReadFile(path), Document(ProfileElement("no", "no", "Firefox", temp / "ff")));
    EXPECT_EQ(ReadFile(path + ".bak"), rootless);
}

TEST(Preferences, StrayTextBesideTheRootIsDropped) {
    // Printed after the root, such text ended the file inside a text that tinyxml2 cannot read back: the next start
    // made a new document and the custom profiles were gone. Printed before it, it gained a line at every save.
    TempFolder temp;
    MakeFolder(temp / "portable");
    const std::string path = temp / "preferences.xml";
    Catalogue catalogue = MakeCatalogue();
    PreferencesDocument preferences =
        LoadInto(temp,
                 "<?xml version=\"1.0\"?>\nbefore\n<Tidyquill version=\"1\">\n" +
                     ProfileElement("yes", "no", "Firefox", temp / "portable") + "</Tidyquill>\nafter</Profile>",
                 catalogue);
    ASSERT_EQ(Program(catalogue, "Firefox")->GetProfiles().size(), 1u);
    preferences.StoreProfiles({{Program(catalogue, "Firefox")->GetProfiles()[0].get(), false}});
    ASSERT_TRUE(preferences.SavePreferencesDocument());
    const std::string saved = ReadFile(path);
    EXPECT_EQ(saved, "<?xml version=\"1.0\"?>\n<Tidyquill version=\"1\">\n" +
                         ProfileElement("yes", "no", "Firefox", temp / "portable") + "</Tidyquill>\n");

    Catalogue next = MakeCatalogue();
    PreferencesDocument again(temp.Path());
    again.LoadPreferencesDocument(path);
    again.LoadProfiles(next);
    ASSERT_EQ(Program(next, "Firefox")->GetProfiles().size(), 1u);
    EXPECT_EQ(Program(next, "Firefox")->GetProfiles()[0]->GetPath(), temp / "portable");
    EXPECT_EQ(again.PrintDocument(), saved);
}

TEST(Preferences, ACarriageReturnInAPathSurvivesSavingAndLoading) {
    // Read from "&#13;" and written back raw, it came back as a line feed: another path.
    TempFolder temp;
    Catalogue catalogue = MakeCatalogue();
    PreferencesDocument preferences =
        LoadInto(temp, Document(ProfileElement("yes", "yes", "Firefox", temp / "line&#13;end")), catalogue);
    ASSERT_EQ(Program(catalogue, "Firefox")->GetProfiles().size(), 1u);
    CBrowserProfile* profile = Program(catalogue, "Firefox")->GetProfiles()[0].get();
    EXPECT_EQ(profile->GetPath(), temp / "line\rend");
    preferences.StoreProfiles({{profile, false}});
    ASSERT_TRUE(preferences.SavePreferencesDocument());

    Catalogue next = MakeCatalogue();
    PreferencesDocument again(temp.Path());
    again.LoadPreferencesDocument(temp / "preferences.xml");
    again.LoadProfiles(next);
    ASSERT_EQ(Program(next, "Firefox")->GetProfiles().size(), 1u);
    EXPECT_EQ(Program(next, "Firefox")->GetProfiles()[0]->GetPath(), temp / "line\rend");
}

// ---- Saving replaces the file in one step ----
TEST(Preferences, FailedSavesLeaveTheOldFileAndNoTemporaryFile) {
    TempFolder temp;
    const std::string old = Document(ProfileElement("no", "yes", "Firefox", "old"));

    // The file's place is taken by a folder: the rename fails and the temporary file goes.
    MakeFolder(temp / Join({"taken", "preferences.xml", "inside"}));
    PreferencesDocument taken(temp / "taken");
    taken.LoadPreferencesDocument(taken.GetPreferencesPath());
    EXPECT_FALSE(taken.SavePreferencesDocument());
    EXPECT_EQ(FolderNames(temp / "taken"), std::vector<std::string>{"preferences.xml"});
    EXPECT_TRUE(IsFolder(temp / Join({"taken", "preferences.xml", "inside"})));

    // The folder cannot be made because a file stands where one of its parents should be.
    WriteFile(temp / "file", "x");
    PreferencesDocument nowhere(temp / Join({"file", "Tidyquill"}));
    nowhere.LoadPreferencesDocument(nowhere.GetPreferencesPath());
    EXPECT_FALSE(nowhere.SavePreferencesDocument());
    EXPECT_EQ(ReadFile(temp / "file"), "x");

#ifndef _WIN32
    // The disk fills up while the new file is written: simulated by a limit on the size of written files.
    WriteFile(temp / "preferences.xml", old);
    PreferencesDocument full(temp.Path());
    full.LoadPreferencesDocument(full.GetPreferencesPath());
    Catalogue catalogue = MakeCatalogue();
    std::vector<ProfileCheckState> many;
    for (int i = 0; i < 100; ++i)
        many.push_back({Program(catalogue, "Firefox")->AddProfile("/p/" + std::to_string(i), "p", false), true});
    full.StoreProfiles(many);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = 512;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    const bool written = full.SavePreferencesDocument();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_FALSE(written);
    EXPECT_EQ(ReadFile(temp / "preferences.xml"), old);
    EXPECT_FALSE(PathExists(temp / "preferences.xml.tmp"));

    // A preferences file that is a link (as dotfile managers make) has its target replaced; the link stays.
    WriteFile(temp / Join({"dotfiles", "preferences.xml"}), old);
    MakeFolder(temp / "linked");
    ASSERT_EQ(symlink((temp / Join({"dotfiles", "preferences.xml"})).c_str(),
                      (temp / Join({"linked", "preferences.xml"})).c_str()),
              0);
    PreferencesDocument linked(temp / "linked");
    linked.LoadPreferencesDocument(linked.GetPreferencesPath());
    ASSERT_TRUE(linked.SavePreferencesDocument());
    EXPECT_TRUE(std::filesystem::is_symlink(platform::PathFromUtf8(temp / Join({"linked", "preferences.xml"}))));
    EXPECT_EQ(ReadFile(temp / Join({"dotfiles", "preferences.xml"})), old);
    EXPECT_EQ(FolderNames(temp / "dotfiles"), std::vector<std::string>{"preferences.xml"});

    // A relative link, a chain of two links, and a link whose file is gone: each stays a link and its end is
    // written.
    const std::string fresh = Document(ProfileElement("no", "yes", "Firefox", "/p/fresh"));
    const auto saveThrough = [&](const std::string& folder) {
        PreferencesDocument preferences(folder);
        preferences.LoadPreferencesDocument(preferences.GetPreferencesPath());
        std::vector<ProfileCheckState> states{
            {Program(catalogue, "Firefox")->AddProfile("/p/fresh", "fresh", false), true}};
        preferences.StoreProfiles(states);
        return preferences.SavePreferencesDocument();
    };
    MakeFolder(temp / "relative");
    ASSERT_EQ(symlink("../dotfiles/preferences.xml", (temp / Join({"relative", "preferences.xml"})).c_str()), 0);
    MakeFolder(temp / "chain");
    ASSERT_EQ(symlink((temp / Join({"relative", "preferences.xml"})).c_str(),
                      (temp / Join({"chain", "preferences.xml"})).c_str()),
              0);
    ASSERT_TRUE(saveThrough(temp / "chain"));
    EXPECT_EQ(ReadFile(temp / Join({"dotfiles", "preferences.xml"})), fresh);
    for (const char* folder : {"relative", "chain"})
        EXPECT_TRUE(std::filesystem::is_symlink(platform::PathFromUtf8(temp / Join({folder, "preferences.xml"}))));
    EXPECT_EQ(FolderNames(temp / "dotfiles"), std::vector<std::string>{"preferences.xml"});

    std::filesystem::remove(platform::PathFromUtf8(temp / Join({"dotfiles", "preferences.xml"})));
    ASSERT_TRUE(saveThrough(temp / "linked"));
    EXPECT_TRUE(std::filesystem::is_symlink(platform::PathFromUtf8(temp / Join({"linked", "preferences.xml"}))));
    EXPECT_EQ(ReadFile(temp / Join({"dotfiles", "preferences.xml"})), fresh);

    // A loop of links is not replaced by a file.
    MakeFolder(temp / "loop");
    ASSERT_EQ(symlink("preferences.xml", (temp / Join({"loop", "preferences.xml"})).c_str()), 0);
    EXPECT_FALSE(saveThrough(temp / "loop"));
    EXPECT_TRUE(std::filesystem::is_symlink(platform::PathFromUtf8(temp / Join({"loop", "preferences.xml"}))));
#endif
}

// --- Bad input: preferences.xml truncated, empty, random, huge, no element, a folder in its place ------------

namespace {

namespace fs = std::filesystem;

class PreferencesFiles : public ::testing::Test {
protected:
    PreferencesFiles() {
        MakeFolder(temp / "a");
        MakeFolder(temp / "b");
        a = catalogue.FindProgramByName("Firefox")->AddProfile(AppendBackslash(temp / "a"), "a", false);
        b = catalogue.FindProgramByName("Chromium/Iron")->AddProfile(temp / "b", "b", false);
    }

    // Loads the bytes as the preferences file and applies them; the document stays for saving.
    PreferencesDocument& Load(const std::string& bytes) {
        WriteFile(file, bytes);
        document.LoadPreferencesDocument(file);
        document.LoadProfiles(catalogue);
        return document;
    }

    // Stores both profiles as the tree shows them and saves.
    bool StoreAndSave() {
        document.StoreProfiles({{a, a->checked && !a->missing}, {b, b->checked && !b->missing}});
        return document.SavePreferencesDocument();
    }

    TempFolder temp;
    std::string file = temp / Join({"settings", "preferences.xml"});
    PreferencesDocument document{temp / "settings"};
    Catalogue catalogue = MakeCatalogue();
    CBrowserProfile* a = nullptr;
    CBrowserProfile* b = nullptr;
};

} // namespace

TEST_F(PreferencesFiles, UnreadableFilesGiveANewDocumentAndAreKeptAsBak) {
    const std::string real = Document(ProfileElement("no", "no", "Firefox", AppendBackslash(temp / "a")) +
                                      ProfileElement("yes", "yes", "Firefox", temp / "portable"));
    const auto cut = [&](const std::string& through) { return real.substr(0, real.find(through) + through.size()); };
    std::string deep = "<Tidyquill>";
    for (int i = 0; i < 200000; ++i)
        deep += "<a>";
    // UTF-16 with a byte-order mark is read; without one it is no document.
    std::string utf16;
    for (char c : real)
        utf16 += std::string(1, c) + '\0';

    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"cut inside the declaration", cut("<?xml ver")},
        {"cut inside the root's start tag", cut("<Tidyquill vers")},
        {"cut inside an attribute", cut("checked=\"n")},
        {"cut inside a path", cut("<Profile custom=\"yes\" checked=\"yes\" type=\"Firefox\">") + "/por"},
        {"cut before the root's end tag", cut("</Profile>\n\t<Profile")},
        {"random bytes", RandomBytes(64 << 10, 2)},
        {"200000 nested elements", deep},
        {"UTF-16 without a byte-order mark", utf16},
        {"a declaration and a comment, no element", "<?xml version=\"1.0\"?>\n<!-- nothing here -->\n"},
        {"stray text only", "just some words"},
    };
    for (const auto& c : cases) {
        fs::remove_all(platform::PathFromUtf8(temp / "settings"));
        a->checked = b->checked = true;
        Load(c.bytes);
        EXPECT_EQ(document.PrintDocument(), kNewDocument) << c.what;
        EXPECT_TRUE(a->checked && !a->missing && b->checked && !b->missing) << c.what;
        EXPECT_EQ(catalogue.FindProgramByName("Firefox")->GetProfiles().size(), 1u) << c.what;
        ASSERT_TRUE(StoreAndSave()) << c.what;
        EXPECT_EQ(ReadFile(file + ".bak"), c.bytes) << c.what << ": the unreadable file was not kept whole";
        EXPECT_NE(ReadFile(file).find("<Profile custom=\"no\" checked=\"yes\" type=\"Firefox\">"), std::string::npos)
            << c.what << ": the tree was not stored";
    }

    // An empty file holds nothing worth keeping.
    fs::remove_all(platform::PathFromUtf8(temp / "settings"));
    Load("");
    EXPECT_EQ(document.PrintDocument(), kNewDocument);
    ASSERT_TRUE(StoreAndSave());
    EXPECT_FALSE(PathExists(file + ".bak"));
}

TEST_F(PreferencesFiles, AFolderInThePlaceOfTheFileIsLeftAlone) {
    MakeFolder(file);
    WriteFile(Join({file, "inside"}), "x");
    document.LoadPreferencesDocument(file);
    document.LoadProfiles(catalogue);
    EXPECT_EQ(document.PrintDocument(), kNewDocument);
    EXPECT_FALSE(StoreAndSave());
    EXPECT_TRUE(IsFolder(file));
    EXPECT_EQ(ReadFile(Join({file, "inside"})), "x");
}

TEST_F(PreferencesFiles, AHugeFileIsAppliedWhole) {
    // 20 MB: a large element of another kind, then many elements for the two profiles and for paths no profile
    // has, then the ones that count.
    std::string elements = "\t<Other>" + std::string(16u << 20, 'x') + "</Other>\n";
    for (int i = 0; i < 20000; ++i)
        elements += ProfileElement("no", "yes", "Firefox", temp / ("elsewhere" + std::to_string(i))) +
                    ProfileElement("no", "yes", "Chromium/Iron", temp / "b");
    for (int i = 0; i < 2000; ++i)
        elements += ProfileElement("yes", "yes", "Chromium/Iron", temp / ("portable" + std::to_string(i)));
    elements +=
        ProfileElement("no", "no", "Firefox", temp / "a") + ProfileElement("no", "no", "Chromium/Iron", temp / "b");
    const auto start = std::chrono::steady_clock::now();
    Load(Document(elements));
    EXPECT_FALSE(a->checked);
    EXPECT_FALSE(b->checked);
    EXPECT_EQ(catalogue.FindProgramByName("Chromium/Iron")->GetProfiles().size(), 2001u);
    ASSERT_TRUE(StoreAndSave());
    EXPECT_NE(ReadFile(file).find(std::string(16u << 20, 'x')), std::string::npos);
    // A guard against a reading that grows with the square of the file, not a speed target: under Wine on a loaded
    // machine this takes 40 s and more of file look-ups, natively about 4 s.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(150));
}
