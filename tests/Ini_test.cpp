#include "catalogue/Ini.h"

#include "platform/System.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

std::vector<std::string> Sections(const std::string& path) {
    std::vector<std::string> names{"left over"};
    CIni(path).GetSectionNames(names);
    return names;
}

} // namespace

// --- Conventions of the files the supported programs write ------------------------------------------------------

TEST(Ini, ReadsTheConventionsOfRealProfilesIniFiles) {
    TempFolder temp;
    const std::string path = temp / "profiles.ini";
    // A byte-order mark, CRLF line ends, comments, blank lines, spaces around "=", an install section.
    WriteFile(path, "\xEF\xBB\xBF[Install4F96D1932A9F858E]\r\n"
                    "Default=Profiles/abc.default-release\r\n"
                    "Locked=1\r\n"
                    "\r\n"
                    "; a comment\r\n"
                    "# another comment\r\n"
                    "[Profile1]\r\n"
                    "Name = default \r\n"
                    "IsRelative=1\r\n"
                    "Path=Profiles/xyz.default\r\n"
                    "\r\n"
                    "[General]\r\n"
                    "StartWithLastProfile=1\r\n"
                    "Version=2\r\n"
                    "[ Profile0 ]\r\n"
                    "Name=\"quoted name\"\r\n"
                    "Path=Profiles/abc.default-release"); // no line end at the end of the file

    EXPECT_EQ(Sections(path), (std::vector<std::string>{"Install4F96D1932A9F858E", "Profile1", "General", "Profile0"}));
    const CIni ini(path);
    EXPECT_EQ(ini.GetString("Profile1", "Name"), "default");
    EXPECT_EQ(ini.GetString("Profile1", "Path"), "Profiles/xyz.default");
    EXPECT_EQ(ini.GetString("profile1", "PATH"), "Profiles/xyz.default"); // look-ups ignore case
    EXPECT_EQ(ini.GetString("Profile0", "Name"), "quoted name");
    EXPECT_EQ(ini.GetString("Profile0", "Path"), "Profiles/abc.default-release");
    EXPECT_EQ(ini.GetString("Profile0", "Missing"), "");
    EXPECT_EQ(ini.GetString("Missing", "Path"), "");
    EXPECT_TRUE(ini.GetBool("Profile1", "IsRelative"));
    EXPECT_FALSE(ini.GetBool("Profile0", "IsRelative"));
}

TEST(Ini, ValuesAreUtf8WhenWellFormedOtherwiseTheNarrowCodePage) {
    TempFolder temp;
    const std::string path = temp / "profiles.ini";
    WriteFile(path, "[Profile0]\n"
                    "Utf8=Z\xC3\xBCrich \xE6\x97\xA5\n"
                    "Latin=Z\xFCrich\n"
                    "Overlong=\xC0\xAF\n"
                    "Ascii=plain\n");
    const CIni ini(path);
    EXPECT_EQ(ini.GetString("Profile0", "Utf8"), "Zürich 日");
    EXPECT_EQ(ini.GetString("Profile0", "Ascii"), "plain");
    if (platform::kWindows) {
        EXPECT_EQ(ini.GetString("Profile0", "Latin"), "Zürich");
        // An overlong form is not UTF-8, so its bytes are read as narrow code page characters.
        EXPECT_EQ(ini.GetString("Profile0", "Overlong"), "\xC3\x80\xC2\xAF");
    } else {
        // Linux file names are bytes: a value that is no UTF-8 is kept as it stands.
        EXPECT_EQ(ini.GetString("Profile0", "Latin"), "Z\xFCrich");
        EXPECT_EQ(ini.GetString("Profile0", "Overlong"), "\xC0\xAF");
    }
}

TEST(Ini, AFileWithAByteOrderMarkGivesLettersOutsideTheCodePage) {
    // As a text editor saves the file. Windows decodes such a file itself, and its narrow function then answers
    // with "?" for every letter the ANSI code page lacks.
    TempFolder temp;
    const std::string path = temp / "profiles.ini";
    WriteFile(
        path,
        "\xEF\xBB\xBF[Profile0]\r\nName=Работа 🦊 日本 Zürich\r\nPath=Profiles/абв.日本語🦊\r\n");
    const CIni ini(path);
    EXPECT_EQ(ini.GetString("Profile0", "Name"), "Работа 🦊 日本 Zürich");
    EXPECT_EQ(ini.GetString("Profile0", "Path"), "Profiles/абв.日本語🦊");
}

TEST(Ini, BooleanValues) {
    TempFolder temp;
    const std::string path = temp / "flags.ini";
    WriteFile(path, "[F]\n"
                    "a=1\nb=TRUE\nc=Yes\nd=7\ne=-3\nf=12abc\ng=true\n"
                    "n1=0\nn2=no\nn3=false\nn4=abc\nn5=\nn6=00\nn7=+0\nn8=0x1\nn9=yes please\n");
    const CIni ini(path);
    for (const char* key : {"a", "b", "c", "d", "e", "f", "g"})
        EXPECT_TRUE(ini.GetBool("F", key)) << key;
    for (const char* key : {"n1", "n2", "n3", "n4", "n5", "n6", "n7", "n8", "n9", "absent"})
        EXPECT_FALSE(ini.GetBool("F", key)) << key;
    EXPECT_FALSE(ini.GetBool("NoSection", "a"));
}

TEST(Ini, LongValuesAndManySectionsAreReadWhole) {
    TempFolder temp;
    const std::string path = temp / "big.ini";
    const std::string longValue(1 << 20, 'v'); // a 1 MB line
    std::string content = "[Profile0]\nPath=" + longValue + "\n";
    for (int i = 1; i <= 3000; ++i)
        content += "[Profile" + std::to_string(i) + "]\nName=n" + std::to_string(i) + "\n";
    WriteFile(path, content);

    const std::vector<std::string> names = Sections(path);
    ASSERT_EQ(names.size(), 3001u);
    EXPECT_EQ(names.front(), "Profile0");
    EXPECT_EQ(names.back(), "Profile3000");
    const CIni ini(path);
    EXPECT_EQ(ini.GetString("Profile0", "Path"), longValue);
    EXPECT_EQ(ini.GetString("Profile2999", "Name"), "n2999");
}

// --- Bad input: quiet, empty answers ---------------------------------------------------------------------------

TEST(Ini, BadFilesGiveEmptyAnswers) {
    TempFolder temp;
    WriteFile(temp / "empty.ini", "");
    std::string binary;
    for (int i = 0; i < 4096; ++i)
        binary += static_cast<char>((i * 131 + 7) % 256);
    WriteFile(temp / "binary.ini", binary);
    MakeFolder(temp / "folder.ini");

    for (const char* name : {"empty.ini", "folder.ini", "missing.ini"}) {
        EXPECT_TRUE(Sections(temp / name).empty()) << name;
        EXPECT_EQ(CIni(temp / name).GetString("Profile0", "Path"), "") << name;
        EXPECT_FALSE(CIni(temp / name).GetBool("Profile0", "IsRelative")) << name;
    }
    // Whatever a binary file yields, reading it ends and every answer can be asked for.
    const CIni binaryIni(temp / "binary.ini");
    std::vector<std::string> names;
    binaryIni.GetSectionNames(names);
    for (const std::string& name : names)
        binaryIni.GetString(name, "Path");
    EXPECT_FALSE(CIni("").GetBool("a", "b"));
}

TEST(Ini, AnEnormousFileIsReadWithoutHanging) {
    TempFolder temp;
    const std::string path = temp / "enormous.ini";
    // 64 MB of junk lines around one real section.
    std::string junk;
    junk.reserve(64u << 20);
    const std::string line = std::string(1000, 'j') + "=" + std::string(23, 'x') + "\n";
    while (junk.size() < (64u << 20))
        junk += line;
    WriteFile(path, "[Junk]\n" + junk + "[Profile0]\nPath=p\n");
    const CIni ini(path);
    EXPECT_EQ(Sections(path), (std::vector<std::string>{"Junk", "Profile0"}));
    EXPECT_EQ(ini.GetString("Profile0", "Path"), "p");
}
