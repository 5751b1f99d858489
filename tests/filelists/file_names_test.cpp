// The order of names in every list: case-insensitive, by the user's locale.

#include "platform/drives/file_names.h"

#include <QLocale>
#include <gtest/gtest.h>

namespace {

// Runs each test under a chosen default locale and puts the previous one back.
class FileNameOrderTest : public ::testing::Test {
protected:
    ~FileNameOrderTest() override { QLocale::setDefault(m_saved); }

    static std::vector<std::string> sorted(std::vector<std::string> names)
    {
        platform::sortFileNames(names);
        return names;
    }

private:
    QLocale m_saved;
};

const char* const locales[] = {"C", "pt_BR", "en_US"};

TEST_F(FileNameOrderTest, CaseIsIgnoredInEveryLocale)
{
    for (const char* name : locales) {
        QLocale::setDefault(QLocale(name));
        EXPECT_EQ(sorted({"c.bmp", "B.bmp", "a.bmp"}),
                  (std::vector<std::string>{"a.bmp", "B.bmp", "c.bmp"}))
            << name;
        EXPECT_LT(platform::compareFileNames("a.bmp", "B.bmp"), 0) << name;
        EXPECT_LT(platform::compareFileNames("B.bmp", "c.bmp"), 0) << name;
        EXPECT_GT(platform::compareFileNames("c.bmp", "B.bmp"), 0) << name;
        EXPECT_EQ(platform::compareFileNames("FOTO.BMP", "foto.bmp"), 0) << name;
        // Digits are text: "10" sorts before "9".
        EXPECT_EQ(sorted({"9.bmp", "a.bmp", "10.bmp"}),
                  (std::vector<std::string>{"10.bmp", "9.bmp", "a.bmp"}))
            << name;
        // Names equal but for case keep a fixed order: by their bytes.
        EXPECT_EQ(sorted({"a.bmp", "A.bmp", "b.bmp", "A.BMP"}),
                  (std::vector<std::string>{"A.BMP", "A.bmp", "a.bmp", "b.bmp"}))
            << name;
    }
}

TEST_F(FileNameOrderTest, AccentedNamesFollowTheLocale)
{
    const std::vector<std::string> names{"f.bmp", "\xC3\xA9.bmp", "e.bmp", "\xC3\x89" "bano.bmp",
                                         "ema.bmp"};
    // é and Ébano sort with e in Portuguese: base letters first, the accent only breaks ties,
    // and "." sorts before letters.
    QLocale::setDefault(QLocale("pt_BR"));
    EXPECT_EQ(sorted(names), (std::vector<std::string>{"e.bmp", "\xC3\xA9.bmp",
                                                       "\xC3\x89" "bano.bmp", "ema.bmp", "f.bmp"}));
    EXPECT_LT(platform::compareFileNames("\xC3\xA9.bmp", "f.bmp"), 0);

    // The C locale compares code points: é (U+00E9) comes after every ASCII letter.
    QLocale::setDefault(QLocale::c());
    EXPECT_EQ(sorted(names), (std::vector<std::string>{"e.bmp", "ema.bmp", "f.bmp", "\xC3\xA9.bmp",
                                                       "\xC3\x89" "bano.bmp"}));
    EXPECT_GT(platform::compareFileNames("\xC3\xA9.bmp", "f.bmp"), 0);
}

TEST_F(FileNameOrderTest, KeysAgreeWithComparison)
{
    const std::vector<std::string> names{"a.bmp", "A.BMP", "B.bmp", "b", "_x.gif", "10.jpg",
                                         "9.jpg", "\xC3\xA9t\xC3\xA9.ico", "Ete.ico", "a b.bmp",
                                         "ab.bmp", "Z.emf", "\xC3\x9F.bmp"};
    for (const char* name : locales) {
        QLocale::setDefault(QLocale(name));
        std::vector<platform::FileNameKey> keys;
        for (const std::string& text : names)
            keys.emplace_back(text);
        for (std::size_t i = 0; i < names.size(); ++i)
            for (std::size_t j = 0; j < names.size(); ++j)
                EXPECT_EQ(keys[i].compare(keys[j]),
                          platform::compareFileNames(names[i], names[j]))
                    << name << ": " << names[i] << " / " << names[j];
    }
}

TEST(FileNameEquality, IgnoresCase)
{
    EXPECT_TRUE(platform::sameFileName("FOTO.BMP", "foto.bmp"));
    EXPECT_TRUE(platform::sameFileName("\xC3\x89" "COLE", "\xC3\xA9" "cole"));
    EXPECT_FALSE(platform::sameFileName("foto.bmp", "foto.bmpx"));
    EXPECT_FALSE(platform::sameFileName("a", "b"));
}

} // namespace
