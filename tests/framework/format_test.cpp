#include "framework/format.h"

#include "support/test_support.h"

TEST(Format, PlainDirectivesAndPercent)
{
    EXPECT_EQ(Format("Unknown picture file extension (.%s)", {std::string("txt")}),
              "Unknown picture file extension (.txt)");
    EXPECT_EQ(Format(" (%dx%d)", {640LL, 480LL}), " (640x480)");
    EXPECT_EQ(Format("100%%", {}), "100%");
    EXPECT_EQ(Format("%x", {255LL}), "FF");
    EXPECT_EQ(Format("%u", {42LL}), "42");
}

TEST(Format, IndexesReuseArgumentsAndLaterDirectivesContinueFromThem)
{
    const std::initializer_list<FormatArg> args{std::string("a"), std::string("b"), std::string("c")};
    EXPECT_EQ(Format("%s%s%0:s", args), "aba");
    // After "%1:s" the next plain directive takes argument 2.
    EXPECT_EQ(Format("%1:s%s", args), "bc");
    EXPECT_EQ(Format("%2:s|%1:s|%2:s", args), "c|b|c");
    // The filter string of pictures: "%s%s (*.%s)|*.%2:s".
    EXPECT_EQ(Format("%s%s (*.%s)|*.%2:s", {std::string(""), std::string("Bitmaps"), std::string("bmp")}),
              "Bitmaps (*.bmp)|*.bmp");
}

TEST(Format, WidthPrecisionAndAlignment)
{
    EXPECT_EQ(Format("[%5d]", {42LL}), "[   42]");
    EXPECT_EQ(Format("[%-5s]", {std::string("ab")}), "[ab   ]");
    EXPECT_EQ(Format("%.3d", {7LL}), "007");
    EXPECT_EQ(Format("%.3d", {-7LL}), "-007");
    EXPECT_EQ(Format("%.2s", {std::string("abc")}), "ab");
    EXPECT_EQ(Format("%.3f", {1.5}), "1.500");
    EXPECT_EQ(Format("%n", {1234567.5}), "1,234,567.50");
    EXPECT_EQ(Format("%.2x", {10LL}), "0A");
}

TEST(Format, BadFormatsRaiseNamingTheFormat)
{
    EXPECT_RAISES(Format("%d", {std::string("x")}), Exception,
                  "Format '%d' invalid or incompatible with argument");
    EXPECT_RAISES(Format("%s %s", {std::string("x")}), Exception,
                  "Format '%s %s' invalid or incompatible with argument");
    EXPECT_RAISES(Format("abc%", {}), Exception, "Format 'abc%' invalid or incompatible with argument");
    EXPECT_RAISES(Format("%3:s", {std::string("x")}), Exception,
                  "Format '%3:s' invalid or incompatible with argument");
    EXPECT_RAISES(Format("%q", {1LL}), Exception, "Format '%q' invalid or incompatible with argument");
    EXPECT_RAISES(Format("%f", {1LL}), Exception, "Format '%f' invalid or incompatible with argument");
}
