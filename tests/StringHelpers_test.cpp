#include "support/StringHelpers.h"

#include <gtest/gtest.h>

TEST(StringHelpers, TrimWhitespaceRemovesSpaceClassFromBothEndsOnly) {
    EXPECT_EQ(TrimWhitespace("  1, 5, 0, 42 \t\r\n"), "1, 5, 0, 42");
    EXPECT_EQ(TrimWhitespace("\v\f a b \f"), "a b");
    EXPECT_EQ(TrimWhitespace("   "), "");
    EXPECT_EQ(TrimWhitespace(""), "");
    EXPECT_EQ(TrimWhitespace("x"), "x");
    EXPECT_EQ(TrimWhitespace(" Zürich "), "Zürich");
}

TEST(StringHelpers, ReplaceAllCountsAndContinuesBehindTheInsertedText) {
    std::string text = "1, 5, 0, 42";
    EXPECT_EQ(ReplaceAll(text, ", ", ".", false), 3u);
    EXPECT_EQ(text, "1.5.0.42");

    // The inserted text is not searched again, so a replacement containing the pattern cannot loop.
    text = "aaa";
    EXPECT_EQ(ReplaceAll(text, "a", "aa", false), 3u);
    EXPECT_EQ(text, "aaaaaa");

    text = "abab";
    EXPECT_EQ(ReplaceAll(text, "aba", "x", false), 1u);
    EXPECT_EQ(text, "xb");

    text = "Firefox FIREFOX firefox";
    EXPECT_EQ(ReplaceAll(text, "firefox", "ff", false), 1u);
    EXPECT_EQ(text, "Firefox FIREFOX ff");
    text = "Firefox FIREFOX firefox";
    EXPECT_EQ(ReplaceAll(text, "firefox", "ff", true), 3u);
    EXPECT_EQ(text, "ff ff ff");

    text = "unchanged";
    EXPECT_EQ(ReplaceAll(text, "", "x", false), 0u);
    EXPECT_EQ(ReplaceAll(text, "zz", "x", true), 0u);
    EXPECT_EQ(text, "unchanged");

    text = "aXa";
    EXPECT_EQ(ReplaceAll(text, "x", "", true), 1u);
    EXPECT_EQ(text, "aa");
}

TEST(StringHelpers, FindNoCaseSearchesTheWholeText) {
    EXPECT_EQ(FindNoCase("C:\\Program Files\\Mozilla Firefox\\FIREFOX.EXE", "firefox.exe"), 33u);
    EXPECT_EQ(FindNoCase("C:\\x\\firefox.exe.old\\run.exe", "FireFox.exe"), 5u);
    EXPECT_EQ(FindNoCase("chrome", "chromium"), std::string::npos);
    EXPECT_EQ(FindNoCase("", "a"), std::string::npos);
    EXPECT_EQ(FindNoCase("abc", ""), 0u);
    EXPECT_TRUE(EqualsNoCase("Main.DB", "main.db"));
    EXPECT_FALSE(EqualsNoCase("main.db", "main.dbx"));
    EXPECT_EQ(ToLowerAscii("Global-Messages-DB.sqlite"), "global-messages-db.sqlite");
}

// Names compared ignoring case fold letters beyond A to Z, one for one, and keep the Turkish dotless i apart.
TEST(StringHelpers, EqualsNoCaseFoldsLettersBeyondAscii) {
    struct Case {
        const char* a;
        const char* b;
        bool equal;
    };
    const Case cases[] = {
        {"Main.DB", "main.db", true},
        {"main.db", "main.dbx", false},
        {"", "", true},
        {"Jörg", "JÖRG", true},
        {"Straße", "STRASSE", false}, // no folding of one letter into two
        {"ΑΘΉΝΑ", "Αθήνα", true},
        {"ΣΊΣΥΦΟ", "σίσυφο", true},
        {"Профиль", "ПРОФИЛЬ", true},
        {"ı", "i", false},
        {"ı", "I", false},
        {"İ", "i", false},
        {"Ärger", "Arger", false},
        {"a\xFF", "A\xFF", true}, // bytes that are not UTF-8 equal themselves
        {"a\xFF", "a\xFE", false},
        {"\xC3", "\xC3\xA4", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(EqualsNoCase(c.a, c.b), c.equal) << c.a << " / " << c.b;
        EXPECT_EQ(EqualsNoCase(c.b, c.a), c.equal) << c.b << " / " << c.a;
    }
#ifndef _WIN32
    // Simple case folding also takes the final sigma to sigma (Windows decides this by its own tables).
    EXPECT_TRUE(EqualsNoCase("ΟΔΥΣΣΕΥΣ", "οδυσσευς"));
#endif
}
