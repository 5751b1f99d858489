// Name patterns, attributes and the directory search of the file and directory lists.

#include "fake_file_system.h"

#include "platform/drives/drives.h"
#include "platform/drives/file_search.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <sys/stat.h>

namespace {

using platform::FileAttribute;
using testing_support::FakeFileSystem;

TEST(FilePattern, MatchesIgnoringCase)
{
    struct Row {
        const char* name;
        const char* pattern;
        bool matches;
    };
    const Row rows[] = {
        {"FOTO.BMP", "*.bmp", true},
        {"foto.bmp", "*.BMP", true},
        {"foto.bmpx", "*.bmp", false},
        {"foto.jpeg", "*.jpg", false},
        {"leiame", "*.*", true},              // no dot at all
        {"a.b.c", "*.*", true},
        {".oculto", "*.*", true},
        {"leiame", "leiame.*", true},         // ".*" also stands for no extension
        {"leiamex", "leiame.*", false},
        {"leiame.txt", "*.", false},
        {"a.bmp", "?.bmp", true},
        {"ab.bmp", "?.bmp", false},
        {".bmp", "?.bmp", false},
        {"\xC3\xA9.bmp", "?.bmp", true},     // é: one character of two bytes
        {"\xC3\x89" "COLE.BMP", "\xC3\xA9" "cole.*", true},  // ÉCOLE.BMP, école.*
        {"x.JPEG", "X.jpeg", true},           // no wildcard: one name
        {"x.jpeg", "x.jpe", false},
        {"aXXbYYb", "a*b", true},
        {"aXXbYYc", "a*b", false},
        {"abc", "a**c", true},
        {"abc", "", false},
        {"\xFF" "a.bmp", "?a.bmp", true},     // a byte that is not UTF-8 is one character
        {"bmp", "*.bmp", false},
        {"\xC3\x89vora.BMP", "*.bmp", true},
        {"a.\xE2\x84\xAAmp", "*.kmp", true},  // the Kelvin sign folds to k
        {"a.\xC3\xA9", "*.\xC3\x89", true},
        {"a.bmp", "*", true},
        {"a.bmp", "***", true},
    };
    for (const Row& row : rows)
        EXPECT_EQ(platform::matchesPattern(row.name, row.pattern), row.matches)
            << row.name << " / " << row.pattern;
}

TEST(FilePattern, MaskHoldsSeveralPatternsInOrder)
{
    EXPECT_EQ(platform::splitMask("*.bmp;*.jpg;;*.gif;"),
              (std::vector<std::string>{"*.bmp", "*.jpg", "*.gif"}));
    EXPECT_TRUE(platform::splitMask("").empty());
    const char* viewerMask = "*.bmp;*.jpg;*.gif;*.wmf;*.emf;*.ico";
    EXPECT_TRUE(platform::matchesMask("Praia.GIF", viewerMask));
    EXPECT_TRUE(platform::matchesMask("x.ico", viewerMask));
    EXPECT_FALSE(platform::matchesMask("x.png", viewerMask));
    EXPECT_FALSE(platform::matchesMask("x.jpeg", viewerMask));
}

class FileSearchTest : public ::testing::Test {
protected:
    FileSearchTest()
    {
        files.addMount("usb", FakeFileSystem::Medium::Removable);  // d:
        files.makeFile("pics/a.bmp", "12345");
        files.makeFile("pics/B.BMP");
        files.makeFile("pics/c.jpg");
        files.makeFile("pics/.oculto.bmp");
        files.makeFile("pics/leiame");
        files.makeFile("pics/ro.bmp");
        files.makeFile("pics/a\\b.bmp");  // a name no drive-letter path can hold
        files.makeDirectory("pics/sub");
        files.makeDirectory("pics/pasta.bmp");
        files.makeDirectory("pics/.git");
        std::filesystem::permissions(files.nativePath("pics/ro.bmp"),
                                     std::filesystem::perms::owner_read |
                                         std::filesystem::perms::group_read);
        mkfifo(files.nativePath("pics/fila.bmp").c_str(), 0644);
        std::filesystem::create_symlink(files.nativePath("pics/nada"),
                                        files.nativePath("pics/morto.bmp"));
        std::filesystem::create_symlink(files.nativePath("pics/sub"),
                                        files.nativePath("pics/atalho"));
        files.makeFile("usb/foto.gif");
        pics = files.systemDrivePath("pics");
    }

    // The names found, in byte order (the order of the search itself is the file system's).
    static std::vector<std::string> names(const std::vector<platform::FileEntry>& entries)
    {
        std::vector<std::string> result;
        for (const auto& entry : entries)
            result.push_back(entry.name);
        std::sort(result.begin(), result.end());
        return result;
    }

    static std::uint32_t attributesOf(const std::vector<platform::FileEntry>& entries,
                                      const std::string& name)
    {
        for (const auto& entry : entries)
            if (entry.name == name)
                return entry.attributes;
        ADD_FAILURE() << name << " not found";
        return 0;
    }

    FakeFileSystem files;
    Seam<platform::FileSystemBackend>::Scoped scope{platform::fileSystemBackendSeam(), files};
    std::string pics;
};

TEST_F(FileSearchTest, PlainFilesOnlyWithoutAttributes)
{
    auto found = platform::findFiles(pics + "\\*.bmp", 0);
    ASSERT_EQ(found.error, 0);
    EXPECT_EQ(names(found.value), (std::vector<std::string>{"B.BMP", "a.bmp", "ro.bmp"}));
}

TEST_F(FileSearchTest, HiddenDirectoryAndSystemEntriesWhenAsked)
{
    auto hidden = platform::findFiles(pics + "\\*.bmp", FileAttribute::Hidden);
    EXPECT_EQ(names(hidden.value),
              (std::vector<std::string>{".oculto.bmp", "B.BMP", "a.bmp", "ro.bmp"}));

    auto directories = platform::findFiles(pics + "\\*.*", FileAttribute::Directory);
    EXPECT_EQ(names(directories.value),
              (std::vector<std::string>{".", "..", "B.BMP", "a.bmp", "atalho", "c.jpg",
                                        "leiame", "pasta.bmp", "ro.bmp", "sub"}));

    auto system = platform::findFiles(pics + "\\*.bmp", FileAttribute::System);
    EXPECT_EQ(names(system.value), (std::vector<std::string>{"B.BMP", "a.bmp", "fila.bmp",
                                                             "morto.bmp", "ro.bmp"}));
}

TEST_F(FileSearchTest, AttributesOfEachKindOfEntry)
{
    auto all = platform::readDirectory(pics);
    ASSERT_EQ(all.error, 0);
    EXPECT_EQ(attributesOf(all.value, "a.bmp"), 0x20u);
    EXPECT_EQ(attributesOf(all.value, "ro.bmp"), 0x21u);
    EXPECT_EQ(attributesOf(all.value, ".oculto.bmp"), 0x22u);
    EXPECT_EQ(attributesOf(all.value, "sub"), 0x10u);
    EXPECT_EQ(attributesOf(all.value, "atalho"), 0x10u);  // a link to a directory
    EXPECT_EQ(attributesOf(all.value, ".git"), 0x12u);
    EXPECT_EQ(attributesOf(all.value, "fila.bmp"), 0x04u);
    EXPECT_EQ(attributesOf(all.value, "morto.bmp"), 0x04u);  // a link whose target is missing
    EXPECT_EQ(attributesOf(all.value, "."), 0x10u);
    EXPECT_EQ(attributesOf(all.value, ".."), 0x10u);
    for (const auto& entry : all.value) {
        EXPECT_EQ(entry.name.find('\\'), std::string::npos);
        if (entry.name == "a.bmp") {
            EXPECT_EQ(entry.size, 5);
        }
    }
    // 13 names on disk, less the one with a backslash, plus "." and "..".
    EXPECT_EQ(all.value.size(), 14u);
}

TEST_F(FileSearchTest, DriveRootHasNoDotEntries)
{
    auto root = platform::findFiles("D:\\*.*", FileAttribute::Directory);
    ASSERT_EQ(root.error, 0);
    EXPECT_EQ(names(root.value), (std::vector<std::string>{"foto.gif"}));
}

TEST_F(FileSearchTest, PatternAloneSearchesTheCurrentDirectory)
{
    ASSERT_EQ(platform::setCurrentDirectory(pics), 0);
    EXPECT_EQ(names(platform::findFiles("*.JPG", 0).value), (std::vector<std::string>{"c.jpg"}));
    EXPECT_EQ(names(platform::findFiles("leiame", 0).value), (std::vector<std::string>{"leiame"}));
    ASSERT_EQ(platform::setCurrentDirectory("D:\\"), 0);
    // "C:*.jpg": c:'s remembered directory, while the process is on d:.
    EXPECT_EQ(names(platform::findFiles("C:*.jpg", 0).value), (std::vector<std::string>{"c.jpg"}));
    EXPECT_EQ(names(platform::findFiles("\\*.gif", 0).value), (std::vector<std::string>{"foto.gif"}));
    EXPECT_TRUE(platform::findFiles("*.png", 0).value.empty());
    EXPECT_EQ(platform::findFiles("*.png", 0).error, 0);
}

TEST_F(FileSearchTest, SeveralPatternsOverOneReading)
{
    auto entries = platform::readDirectory(pics);
    ASSERT_EQ(entries.error, 0);
    std::vector<platform::FileEntry> listed;
    for (const std::string& pattern : platform::splitMask("*.jpg;*.bmp;a*"))
        for (auto& entry : platform::selectEntries(entries.value, pattern, 0))
            listed.push_back(entry);
    platform::sortFileEntries(listed);
    std::vector<std::string> order;
    for (const auto& entry : listed)
        order.push_back(entry.name);
    // a.bmp matches two patterns and is there twice; the directory "atalho" is not asked for.
    EXPECT_EQ(order, (std::vector<std::string>{"a.bmp", "a.bmp", "B.BMP", "c.jpg", "ro.bmp"}));
}

TEST_F(FileSearchTest, FailuresGiveTheirCodes)
{
    files.setNotReady("usb");
    files.failUnder("pics/sub", EACCES);
    EXPECT_EQ(platform::findFiles("D:\\*.*", 0).error, 21);
    EXPECT_EQ(platform::findFiles(pics + "\\sub\\*.*", 0).error, 5);
    EXPECT_EQ(platform::findFiles(pics + "\\nada\\*.*", 0).error, 2);
    EXPECT_EQ(platform::findFiles(pics + "\\nada\\mais\\*.*", 0).error, 3);
    EXPECT_EQ(platform::findFiles(pics + "\\a.bmp\\*.*", 0).error, 3);
    EXPECT_EQ(platform::findFiles("Q:\\*.*", 0).error, 3);
}

} // namespace
