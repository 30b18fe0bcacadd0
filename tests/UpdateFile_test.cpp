#include "support/UpdateFile.h"

#include <climits>

#include <gtest/gtest.h>

namespace {

std::string Announced(std::string_view file, int runningBuild) {
    auto announcement = FindNewerVersion(file, runningBuild);
    return announcement ? announcement->version : "(none)";
}

} // namespace

TEST(UpdateFile, NewerBuildAnnouncesItsVersionWithTheFurtherFields) {
    auto announcement = FindNewerVersion("42|1.5.0|x|y z", 41);
    ASSERT_TRUE(announcement);
    EXPECT_EQ(announcement->version, "1.5.0");
    EXPECT_EQ(announcement->furtherFields, (std::vector<std::string>{"x", "y z"}));

    EXPECT_EQ(Announced("42|1.5.0|x", 42), "(none)");
    EXPECT_EQ(Announced("42|1.5.0|x", 43), "(none)");
    EXPECT_EQ(Announced("42|1.5.0|x", 0), "1.5.0");
    // Signed comparison: a negative build never announces to a program of build 0 or more.
    EXPECT_EQ(Announced("-3|1.5.0|x", 0), "(none)");
    EXPECT_EQ(Announced("-3|1.5.0|x", -4), "1.5.0");
    EXPECT_EQ(Announced("2147483647|9.9|x", 2147483646), "9.9");
}

TEST(UpdateFile, FieldsNeedThreeNonEmptyOnesAndANumberFirst) {
    EXPECT_EQ(Announced("42|1.5.0", 1), "(none)");
    EXPECT_EQ(Announced("42|1.5.0|", 1), "(none)");
    EXPECT_EQ(Announced("", 1), "(none)");
    EXPECT_EQ(Announced("abc|1.5.0|x", -1), "(none)");
    EXPECT_EQ(Announced("0|1.5.0|x", -1), "(none)");

    auto announcement = FindNewerVersion("42||1.5.0||x", 1);
    ASSERT_TRUE(announcement);
    EXPECT_EQ(announcement->version, "1.5.0");
    EXPECT_EQ(announcement->furtherFields, std::vector<std::string>{"x"});

    EXPECT_EQ(SplitUpdateFields("|42||1.5.0||x|"), (std::vector<std::string>{"42", "1.5.0", "x"}));
    // Line breaks separate nothing: they stay in the field they are in.
    EXPECT_EQ(SplitUpdateFields("42\r\n|1.5.0|x\r\n"), (std::vector<std::string>{"42\r\n", "1.5.0", "x\r\n"}));
    EXPECT_EQ(Announced("42\r\n|1.5.0|x\r\n", 41), "1.5.0");
    EXPECT_TRUE(SplitUpdateFields("|||").empty());
}

TEST(UpdateFile, BuildNumberIsTheLeadingNumberAsAtoiReadsIt) {
    const std::pair<const char*, int> cases[] = {
        {"42", 42},
        {" \t\r\n\v\f42", 42},
        {"+42", 42},
        {"-42", -42},
        {"42abc", 42},
        {"4 2", 4},
        {"007", 7},
        {"abc", 0},
        {"", 0},
        {"+", 0},
        {"- 42", 0},
        {"+-42", 0},
        {"x42", 0},
        {"2147483647", INT_MAX},
        {"2147483648", INT_MAX},
        {"99999999999999999999999", INT_MAX},
        {"-2147483648", INT_MIN},
        {"-99999999999999999999999", INT_MIN},
    };
    for (const auto& [text, build] : cases)
        EXPECT_EQ(ReadBuildNumber(text), build) << text;
}

TEST(UpdateFile, OnlyTheFirst5120BytesAreRead) {
    // The third field starts at the last byte read, then one byte later.
    std::string head = "42|1.5.0|";
    std::string file = head + std::string(kUpdateFileReadLimit - head.size() - 1, '|') + "x";
    ASSERT_EQ(file.size(), kUpdateFileReadLimit);
    EXPECT_EQ(Announced(file, 1), "1.5.0");
    EXPECT_EQ(Announced("|" + file, 1), "(none)");

    // What decode receives is the cut text.
    std::size_t decoded = 0;
    FindNewerVersion(std::string(2 * kUpdateFileReadLimit, 'a'), 1, [&](std::string_view bytes) {
        decoded = bytes.size();
        return std::string(bytes);
    });
    EXPECT_EQ(decoded, kUpdateFileReadLimit);
    EXPECT_EQ(Announced("42|1.5.0|x", 1), "1.5.0");
    auto upper = FindNewerVersion("42|v1.5.0|x", 1, [](std::string_view bytes) {
        std::string text(bytes);
        text[3] = 'V';
        return text;
    });
    ASSERT_TRUE(upper);
    EXPECT_EQ(upper->version, "V1.5.0");
}

TEST(UpdateFile, VersionTextIsCutAndFreedOfControlCharacters) {
    EXPECT_EQ(MakeVersionDisplayable("1.5.0"), "1.5.0");
    EXPECT_EQ(MakeVersionDisplayable("1.5\r\n.0\t\x7f"), "1.5.0");
    EXPECT_EQ(MakeVersionDisplayable(std::string("1.\0"
                                                 "5",
                                                 4)),
              "1.5");
    EXPECT_EQ(MakeVersionDisplayable("1.5\xc2\x85"
                                     "b\xc2\x9f"),
              "1.5b"); // C1 controls
    EXPECT_EQ(MakeVersionDisplayable(std::string(40, '9')), std::string(32, '9'));
    // Characters, not bytes: 33 two-byte letters keep 32 whole ones; the removed controls do not count.
    std::string umlauts;
    for (int i = 0; i < 33; ++i)
        umlauts += "\x01\xc3\xa4";
    std::string kept;
    for (int i = 0; i < 32; ++i)
        kept += "\xc3\xa4";
    EXPECT_EQ(MakeVersionDisplayable(umlauts), kept);
    EXPECT_EQ(MakeVersionDisplayable("1.5\xff"), "1.5\xef\xbf\xbd");
    EXPECT_EQ(Announced("42|\x1b[31m1.5.0\x1b[0m|x", 1), "[31m1.5.0[0m");
}
