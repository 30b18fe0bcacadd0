#include "support/StringHelpers.h"

#include <gtest/gtest.h>

TEST(StringHelpers, TrimWhitespaceRemovesSpaceClassFromBothEndsOnly) {
    const std::pair<const char*, const char*> cases[] = {
        {"  1, 5, 0, 42 \t\r\n", "1, 5, 0, 42"},
        {"\v\f a b \f", "a b"},
        {"   ", ""},
        {"", ""},
        {"x", "x"},
        {" Zürich ", "Zürich"},
    };
    for (const auto& [text, trimmed] : cases)
        EXPECT_EQ(TrimWhitespace(text), trimmed) << text;
}

TEST(StringHelpers, ReplaceAllCountsAndContinuesBehindTheInsertedText) {
    struct Case {
        const char* text;
        const char* what;
        const char* with;
        bool ignoreCase;
        std::size_t count;
        const char* result;
    };
    const Case cases[] = {
        {"1, 5, 0, 42", ", ", ".", false, 3, "1.5.0.42"},
        // The inserted text is not searched again, so a replacement containing the pattern cannot loop.
        {"aaa", "a", "aa", false, 3, "aaaaaa"},
        {"abab", "aba", "x", false, 1, "xb"},
        {"Firefox FIREFOX firefox", "firefox", "ff", false, 1, "Firefox FIREFOX ff"},
        {"Firefox FIREFOX firefox", "firefox", "ff", true, 3, "ff ff ff"},
        {"unchanged", "", "x", false, 0, "unchanged"},
        {"unchanged", "zz", "x", true, 0, "unchanged"},
        {"aXa", "x", "", true, 1, "aa"},
    };
    for (const Case& c : cases) {
        std::string text = c.text;
        EXPECT_EQ(ReplaceAll(text, c.what, c.with, c.ignoreCase), c.count) << c.text << " / " << c.what;
        EXPECT_EQ(text, c.result) << c.text << " / " << c.what;
    }
}

TEST(StringHelpers, FindNoCaseSearchesTheWholeText) {
    struct Case {
        const char* text;
        const char* what;
        std::size_t found;
    };
    const Case cases[] = {
        {"C:\\Program Files\\Mozilla Firefox\\FIREFOX.EXE", "firefox.exe", 33},
        {"C:\\x\\firefox.exe.old\\run.exe", "FireFox.exe", 5},
        {"chrome", "chromium", std::string::npos},
        {"", "a", std::string::npos},
        {"abc", "", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FindNoCase(c.text, c.what), c.found) << c.text << " / " << c.what;
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
