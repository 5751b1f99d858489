#include "platform/ascii_text.h"

#include <gtest/gtest.h>

namespace {

TEST(SameTextIgnoringAsciiCase, OnlyAsciiLettersMatchAcrossCase)
{
    struct Row {
        const char* name;
        std::string_view a, b;
        bool same;
    };
    const Row rows[] = {
        {"both empty", "", "", true},
        {"empty and a letter", "", "a", false},
        {"letters in other cases", "Form_Viewer", "FORM_viewer", true},
        {"first and last letters", "AZaz", "azAZ", true},
        {"other letters", "abc", "abd", false},
        {"one longer", "pictavo", "pictavo.", false},
        {"a prefix is not enough", "/PRINT", "/PRINTER", false},
        {"digits and signs stand for themselves", "*.BMP;1", "*.bmp;1", true},
        // These pairs differ only in the bit that separates the two cases of a letter.
        {"at sign and back quote", "@", "`", false},
        {"brackets and braces", "[]", "{}", false},
        {"caret and tilde", "^", "~", false},
        {"UTF-8 letters keep their case", "\xC3\xA9", "\xC3\x89", false},
        {"UTF-8 letters equal to themselves", "a\xC3\xA9", "A\xC3\xA9", true},
        {"single high bytes keep their case", "\xE9", "\xC9", false},
        {"an embedded zero counts", std::string_view("a\0b", 3), std::string_view("A\0B", 3), true},
        {"an embedded zero differs from its absence", std::string_view("a\0", 2), "a", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(platform::sameTextIgnoringAsciiCase(row.a, row.b), row.same);
        EXPECT_EQ(platform::sameTextIgnoringAsciiCase(row.b, row.a), row.same);
    }
}

} // namespace
