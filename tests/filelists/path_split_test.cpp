// How the lists take a path apart, and how the directory label shortens one.

#include "list_fixture.h"

#include "filelists/path_split.h"
#include "support/test_support.h"

#include <cerrno>

namespace {

using filelists_detail::drivePart;
using filelists_detail::MissingName;
using filelists_detail::PathParts;
using filelists_detail::shortenPath;
using filelists_detail::splitPath;

TEST(DrivePart, LetterOrShare)
{
    struct Row {
        const char* path;
        const char* drive;
    };
    const Row rows[] = {
        {"C:\\Fotos", "C:"},
        {"c:Fotos", "c:"},
        {"G:", "G:"},
        {"\\\\server\\share\\Fotos\\mar.jpg", "\\\\server\\share"},
        {"\\\\server\\share", "\\\\server\\share"},
        {"\\\\server", "\\\\server"},
        {"\\Fotos", ""},
        {"Fotos\\Mar", ""},
        {"1:\\x", ""},
        {"", ""},
    };
    for (const Row& row : rows)
        EXPECT_EQ(drivePart(row.path), row.drive) << row.path;
}

// One pixel per byte, so that widths are lengths.
int lengthOf(std::string_view text)
{
    return int(text.size());
}

TEST(ShortenPath, DirectoriesGoFirstThenTheDrive)
{
    struct Row {
        const char* name;
        const char* path;
        int width;
        const char* shown;
    };
    const Row rows[] = {
        {"fits", "C:\\Fotos\\Mar\\Verao", 18, "C:\\Fotos\\Mar\\Verao"},
        {"first directory goes", "C:\\Fotos\\Mar\\Verao", 17, "C:\\...\\Mar\\Verao"},
        {"second directory goes", "C:\\Fotos\\Mar\\Verao", 15, "C:\\...\\Verao"},
        {"then the drive", "C:\\Fotos\\Mar\\Verao", 11, "...\\Verao"},
        {"the name always stays", "C:\\Fotos\\Mar\\Verao", 3, "...\\Verao"},
        {"no directory to remove", "C:\\Fotos", 7, "...\\Fotos"},
        {"a root", "C:\\", 2, "...\\"},
        {"a share", "\\\\srv\\share\\a\\b", 13, "...\\b"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(shortenPath(row.path, row.width, lengthOf), row.shown) << row.name;
}

class SplitPath : public testing_support::ListsTest {
protected:
    SplitPath()
    {
        files.makeFile("usb/Fotos/mar.jpg");
        files.makeFile("usb/mar.jpg");
        files.makeDirectory("usb/Fotos/Mar");
        files.makeFile("net/Fotos/rede.bmp");
        files.setNotReady("cd");
        files.failChangeDirectory("usb/Fotos/Fechado", EACCES);
        files.makeDirectory("usb/Fotos/Fechado");
        // G:'s own current directory is G:\Fotos; the process stays on c:.
        goTo("G:\\Fotos");
        goTo(onC(""));
    }

    void expectParts(const PathParts& parts, char drive, const std::string& directory,
                     const std::string& file)
    {
        EXPECT_EQ(parts.drive, drive);
        EXPECT_EQ(parts.directory, directory);
        EXPECT_EQ(parts.file, file);
    }
};

TEST_F(SplitPath, AbsolutePaths)
{
    expectParts(splitPath("G:\\Fotos\\mar.jpg"), 'G', "\\Fotos", "mar.jpg");
    expectParts(splitPath("g:\\Fotos\\*.gif"), 'g', "\\Fotos", "*.gif");
    expectParts(splitPath("G:\\mar.jpg"), 'G', "\\", "mar.jpg");
    expectParts(splitPath("G:\\"), 'G', "\\", "");
    // A last name that is no file is a directory.
    expectParts(splitPath("G:\\Fotos\\Mar"), 'G', "\\Fotos\\Mar", "");
    expectParts(splitPath("G:\\Fotos"), 'G', "\\Fotos", "");
    EXPECT_EQ(current(), onC(""));
}

TEST_F(SplitPath, WithoutDirectoryTheDrivesCurrentDirectory)
{
    expectParts(splitPath("G:mar.jpg"), 'G', "\\Fotos", "mar.jpg");
    expectParts(splitPath("G:"), 'G', "\\Fotos", "");
    goTo("G:\\Fotos");
    // Without a drive: the current directory's; brackets make a directory name of the file list.
    expectParts(splitPath("mar.jpg"), 'G', "\\Fotos", "mar.jpg");
    expectParts(splitPath("[Mar]"), 'G', "\\Fotos\\Mar", "");
    expectParts(splitPath("Mar\\..\\mar.jpg"), 'G', "Mar\\..", "mar.jpg");
    EXPECT_EQ(current(), "G:\\Fotos");
}

TEST_F(SplitPath, NetworkPathsReachTheirShareThroughItsDrive)
{
    PathParts parts = splitPath("\\\\servidor\\fotos\\Fotos\\rede.bmp");
    EXPECT_TRUE(parts.network);
    expectParts(parts, 'E', "\\\\servidor\\fotos\\Fotos", "rede.bmp");
    EXPECT_FALSE(splitPath("E:\\Fotos\\rede.bmp").network);
}

TEST_F(SplitPath, FailuresRaiseAndGoBack)
{
    goTo("G:\\Fotos\\Mar");
    EXPECT_RAISES(splitPath("D:\\x.bmp"), EInOutError, "I/O error 21");
    EXPECT_RAISES(splitPath("G:\\Nada\\x.bmp"), EInOutError, "File not found");
    EXPECT_RAISES(splitPath("G:\\Fotos\\Fechado"), EInOutError, "File access denied");
    EXPECT_RAISES(splitPath("Q:\\x.bmp"), EInOutError, "Invalid filename");
    // A missing last name is a missing directory, unless the caller takes it as a file.
    EXPECT_RAISES(splitPath("G:\\Fotos\\nada.bmp"), EInOutError, "File not found");
    expectParts(splitPath("G:\\Fotos\\nada.bmp", MissingName::IsFile), 'G', "\\Fotos", "nada.bmp");
    EXPECT_RAISES(splitPath("G:\\Fotos\\Fechado", MissingName::IsFile), EInOutError,
                  "File access denied");
    EXPECT_EQ(current(), "G:\\Fotos\\Mar");
}

} // namespace
