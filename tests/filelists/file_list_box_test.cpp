// The file list: what it lists and in which order, going to a path, and drawing an item.

#include "list_fixture.h"

#include "filelists/filelists.h"
#include "picture/formats.h"
#include "support/test_support.h"

#include <QAbstractItemView>
#include <QGuiApplication>

#include <filesystem>

namespace {

using testing_support::firstPixelOf;
using testing_support::itemsOf;
using testing_support::paintItem;
using Items = std::vector<std::string>;

constexpr auto viewerMask = "*.bmp;*.jpg;*.gif;*.wmf;*.emf;*.ico";

class FileListBox : public testing_support::ListsTest {
protected:
    FileListBox()
    {
        for (const char* name : {"a.bmp", "B.JPG", "c.gif", "mar.jpg", "z.BMP", "notes.txt", ".hidden.bmp",
                                 "x.jpeg", "run.EXE", "icone.ico", "desenho.wmf"})
            files.makeFile(std::string("usb/Fotos/") + name);
        files.makeDirectory("usb/Fotos/sub");
        files.makeDirectory("usb/Fotos/.oculta");
        files.makeFile("usb/photo.bmp");
        goTo("G:\\Fotos");
    }

    // Makes the list in the process's current directory, with its window, recording every
    // change as the selected item's text ("" for none).
    std::unique_ptr<TFileListBox> makeList(const std::string& mask = "*.*")
    {
        auto list = std::make_unique<TFileListBox>(nullptr);
        list->SetMask(mask);
        list->HandleNeeded();
        list->OnChange = [this, raw = list.get()](TObject*) {
            const int index = raw->ItemIndex();
            changes.push_back(index < 0 ? std::string() : raw->Items()->Get(index));
        };
        return list;
    }

    std::vector<std::string> changes;
};

TEST_F(FileListBox, TheViewersMaskListsPicturesInNameOrder)
{
    TFileListBox list(nullptr);
    list.SetMask(viewerMask);
    EXPECT_EQ(list.Items()->Count(), 0);  // read with the window
    list.HandleNeeded();
    // Extensions match in any case; hidden files, directories and other names stay out.
    EXPECT_EQ(itemsOf(*list.Items()),
              (Items{"a.bmp", "B.JPG", "c.gif", "desenho.wmf", "icone.ico", "mar.jpg", "z.BMP"}));
    EXPECT_EQ(list.ItemIndex(), -1);
    EXPECT_EQ(list.CurrentDirectory(), "G:\\Fotos");
    // The default mask: every name.
    list.SetMask("*.*");
    EXPECT_EQ(itemsOf(*list.Items()),
              (Items{"a.bmp", "B.JPG", "c.gif", "desenho.wmf", "icone.ico", "mar.jpg", "notes.txt", "run.EXE",
                     "x.jpeg", "z.BMP"}));
}

TEST_F(FileListBox, TheRegistrysMaskListsEveryRegisteredFormat)
{
    RegisterPictureFormats();
    files.makeFile("usb/Fotos/tela.PNG");
    files.makeFile("usb/Fotos/foto.webp");
    const std::string mask = RegisteredPictureMask();
    for (const char* pattern : {"*.png", "*.jpeg", "*.jpg", "*.webp", "*.tiff", "*.bmp", "*.ico", "*.wmf"})
        EXPECT_NE((mask + ";").find(std::string(pattern) + ";"), std::string::npos) << pattern << " in " << mask;
    auto list = makeList(mask);
    EXPECT_EQ(itemsOf(*list->Items()), (Items{"a.bmp", "B.JPG", "c.gif", "desenho.wmf", "foto.webp", "icone.ico",
                                              "mar.jpg", "tela.PNG", "x.jpeg", "z.BMP"}));
}

TEST_F(FileListBox, PatternsMergeInOrderAndAMatchOfTwoIsListedTwice)
{
    auto list = makeList("*.bmp;*.jpg");
    EXPECT_EQ(itemsOf(*list->Items()), (Items{"a.bmp", "B.JPG", "mar.jpg", "z.BMP"}));
    list->SetMask("*.bmp;a*;;");
    EXPECT_EQ(itemsOf(*list->Items()), (Items{"a.bmp", "a.bmp", "z.BMP"}));
    EXPECT_EQ(changes, (Items{""}));
}

TEST_F(FileListBox, DirectoriesInBracketsWhenAsked)
{
    auto list = makeList();
    list->SetFileType((1u << ftNormal) | (1u << ftDirectory));
    const Items items = itemsOf(*list->Items());
    auto has = [&](const std::string& text) { return std::count(items.begin(), items.end(), text); };
    EXPECT_EQ(has("[sub]"), 1);
    EXPECT_EQ(has("[..]"), 1);
    EXPECT_EQ(has("[.oculta]"), 0);
    EXPECT_EQ(has("a.bmp"), 1);
    EXPECT_EQ(items.size(), 10u + 3u);  // with "[.]"
    // Directories alone.
    list->SetFileType(1u << ftDirectory);
    EXPECT_EQ(itemsOf(*list->Items()).size(), 3u);
    // Hidden files with the hidden attribute.
    list->SetFileType(1u << ftHidden);
    EXPECT_EQ(itemsOf(*list->Items()), (Items{".hidden.bmp"}));
    // Read-only files: the owner may not write them.
    std::filesystem::permissions(files.nativePath("usb/Fotos/c.gif"), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);
    list->SetFileType(1u << ftReadOnly);
    EXPECT_EQ(itemsOf(*list->Items()), (Items{"c.gif"}));
}

TEST_F(FileListBox, TheSelectedPath)
{
    auto list = makeList(viewerMask);
    EXPECT_EQ(list->SelectedPath(), "");
    list->SetItemIndex(1);
    EXPECT_EQ(list->SelectedPath(), "G:\\Fotos\\B.JPG");
    list->SetCurrentDirectory("G:\\");
    list->SetItemIndex(0);
    EXPECT_EQ(list->SelectedPath(), "G:\\photo.bmp");
}

TEST_F(FileListBox, OnlyTheUsersNewSelectionChanges)
{
    auto list = makeList(viewerMask);
    changes.clear();
    auto* view = static_cast<QAbstractItemView*>(list->Widget());
    view->selectionModel()->setCurrentIndex(view->model()->index(2, 0), QItemSelectionModel::ClearAndSelect);
    EXPECT_EQ(changes, (Items{"c.gif"}));
    // The program's own selection is not the user's; the user's next click changes again.
    list->SetItemIndex(0);
    EXPECT_EQ(changes, (Items{"c.gif"}));
    list->Click();
    EXPECT_EQ(changes, (Items{"c.gif", "a.bmp"}));
    list->Click();
    EXPECT_EQ(changes, (Items{"c.gif", "a.bmp"}));
}

TEST_F(FileListBox, GoingToAFileSelectsIt)
{
    goTo(onC(""));
    auto list = makeList(viewerMask);
    changes.clear();
    list->SetSelectedPath("G:\\Fotos\\mar.jpg");
    EXPECT_EQ(list->CurrentDirectory(), "G:\\Fotos");
    EXPECT_EQ(list->SelectedPath(), "G:\\Fotos\\mar.jpg");
    EXPECT_EQ(changes, (Items{"", "mar.jpg"}));
    // The same path again: nothing.
    list->SetSelectedPath("G:\\Fotos\\mar.jpg");
    EXPECT_EQ(changes.size(), 2u);
    // A bare name is taken in the current directory.
    list->SetSelectedPath("a.bmp");
    EXPECT_EQ(list->SelectedPath(), "G:\\Fotos\\a.bmp");
    EXPECT_EQ(changes, (Items{"", "mar.jpg", "a.bmp"}));
}

TEST_F(FileListBox, AFileHiddenByTheMaskOrAWildcardBecomesTheMask)
{
    goTo(onC(""));
    auto list = makeList(viewerMask);
    changes.clear();
    list->SetSelectedPath("G:\\Fotos\\x.jpeg");
    EXPECT_EQ(list->Mask(), "x.jpeg");
    EXPECT_EQ(itemsOf(*list->Items()), (Items{"x.jpeg"}));
    EXPECT_EQ(list->SelectedPath(), "G:\\Fotos\\x.jpeg");
    // Moved (nothing selected), no item of that name (nothing selected), the mask changed
    // (nothing selected), then the file.
    EXPECT_EQ(changes, (Items{"", "", "", "x.jpeg"}));

    list->SetSelectedPath("G:\\Fotos\\*.gif");
    EXPECT_EQ(list->Mask(), "*.gif");
    EXPECT_EQ(itemsOf(*list->Items()), (Items{"c.gif"}));
    EXPECT_EQ(list->ItemIndex(), -1);
}

TEST_F(FileListBox, AHiddenFilesNameStandsInForTheMaskOnlyUntilTheDirectoryOrMaskChanges)
{
    files.makeFile("usb/Fotos/sub/y.jpeg");
    files.makeFile("usb/Fotos/sub/d.bmp");
    goTo(onC(""));
    auto list = makeList(viewerMask);
    list->SetSelectedPath("G:\\Fotos\\x.jpeg");
    ASSERT_EQ(list->Mask(), "x.jpeg");
    // Another file of the same directory, one the list's own mask shows.
    list->SetSelectedPath("G:\\Fotos\\B.JPG");
    EXPECT_EQ(list->Mask(), viewerMask) << "a file the mask shows brings the mask back";
    EXPECT_EQ(list->SelectedPath(), "G:\\Fotos\\B.JPG");
    list->SetSelectedPath("G:\\Fotos\\x.jpeg");
    // Another directory: the mask the list was given, with that directory's pictures.
    list->SetCurrentDirectory("G:\\Fotos\\sub");
    EXPECT_EQ(list->Mask(), viewerMask);
    EXPECT_EQ(itemsOf(*list->Items()), (Items{"d.bmp"}));
    list->SetSelectedPath("G:\\Fotos\\sub\\y.jpeg");
    ASSERT_EQ(list->Mask(), "y.jpeg");
    list->SetMask("*.bmp");
    EXPECT_EQ(list->Mask(), "*.bmp");
    list->SetMask(viewerMask);
    EXPECT_EQ(itemsOf(*list->Items()), (Items{"d.bmp"}));
}

TEST_F(FileListBox, AFileWhoseNameHoldsWildcardsIsSelectedNotTakenAsAMask)
{
    for (const char* name : {"o que?.jpg", "tudo*.bmp", "tudo e mais.bmp", "bem?.jpeg"})
        files.makeFile(std::string("usb/Fotos/") + name);
    auto list = makeList(viewerMask);
    for (const char* name : {"o que?.jpg", "tudo*.bmp"}) {
        list->SetSelectedPath(std::string("G:\\Fotos\\") + name);
        EXPECT_EQ(list->SelectedPath(), std::string("G:\\Fotos\\") + name);
        EXPECT_EQ(list->Mask(), viewerMask);
    }
    // Hidden by the mask, its name stands in for it, and the file itself is the one selected.
    list->SetSelectedPath("G:\\Fotos\\bem?.jpeg");
    EXPECT_EQ(list->SelectedPath(), "G:\\Fotos\\bem?.jpeg");
    // A wildcard name that is no file is still a mask.
    list->SetSelectedPath("G:\\Fotos\\tudo*.txt");
    EXPECT_EQ(list->Mask(), "tudo*.txt");
    EXPECT_EQ(list->ItemIndex(), -1);
}

TEST_F(FileListBox, AMissingFileIsReportedAfterTheMove)
{
    goTo(onC(""));
    auto list = makeList(viewerMask);
    changes.clear();
    EXPECT_RAISES(list->SetSelectedPath("G:\\Fotos\\nada.bmp"), EInvalidOperation,
                  "Invalid file name - G:\\Fotos\\nada.bmp");
    EXPECT_EQ(list->CurrentDirectory(), "G:\\Fotos");
    EXPECT_EQ(list->Mask(), viewerMask);
    // The move, then the name that selects nothing.
    EXPECT_EQ(changes, (Items{"", ""}));
    // A name already selected is left alone; a missing one in its place selects nothing.
    list->SetSelectedPath("G:\\Fotos\\c.gif");
    changes.clear();
    list->SetSelectedPath("c.gif");
    EXPECT_TRUE(changes.empty());
    EXPECT_RAISES(list->SetSelectedPath("nada.bmp"), EInvalidOperation, "Invalid file name - nada.bmp");
    EXPECT_EQ(changes, (Items{""}));
    EXPECT_EQ(list->ItemIndex(), -1);
    // A missing directory is no file name: the move itself fails.
    EXPECT_RAISES(list->SetSelectedPath("G:\\Nada\\x.bmp"), EInOutError, "File not found");
    EXPECT_EQ(list->CurrentDirectory(), "G:\\Fotos");
}

TEST_F(FileListBox, CaseCountsOnlyWhereTheVolumeSaysSo)
{
    files.makeFile("caso/Caixa/um.bmp");
    files.makeFile("caso/caixa/dois.bmp");
    auto list = makeList();
    changes.clear();
    list->SetCurrentDirectory("G:\\FOTOS");  // vfat: the same directory
    EXPECT_TRUE(changes.empty());
    list->SetCurrentDirectory(onC("caso/Caixa"));
    list->SetCurrentDirectory(onC("caso/caixa"));
    EXPECT_EQ(itemsOf(*list->Items()), (Items{"dois.bmp"}));
    EXPECT_EQ(changes.size(), 2u);
}

TEST_F(FileListBox, ALostDirectoryDoesNotHoldTheListBack)
{
    files.makeFile("gone/um.bmp");
    files.makeFile("kept/dois.bmp");
    auto list = makeList();
    list->SetCurrentDirectory(onC("gone"));
    std::filesystem::remove_all(files.nativePath("gone"));
    list->SetCurrentDirectory(onC("kept"));
    EXPECT_EQ(list->CurrentDirectory(), onC("kept"));
    EXPECT_EQ(itemsOf(*list->Items()), (Items{"dois.bmp"}));
}

TEST_F(FileListBox, AnEditBoxShowsTheSelectedNameOrTheMask)
{
    auto list = makeList(viewerMask);
    TWinControl edit(nullptr);
    list->SetFileEdit(&edit);
    EXPECT_EQ(edit.Text(), viewerMask);
    list->SetSelectedPath("G:\\Fotos\\c.gif");
    EXPECT_EQ(edit.Text(), "c.gif");
    list->SetMask("*.bmp");
    EXPECT_EQ(edit.Text(), "*.bmp");
}

TEST_F(FileListBox, TheHourglassShowsOnceTheHundredthItemIsIn)
{
    for (int i = 0; i < 150; ++i)
        files.makeFile("usb/Muitos/f" + std::to_string(1000 + i) + ".bmp");
    files.makeFile("usb/Poucos/um.bmp");
    goTo("G:\\Poucos");
    auto list = makeList();
    std::vector<int> waitingRows;
    auto* view = static_cast<QAbstractItemView*>(list->Widget());
    QObject::connect(view->model(), &QAbstractItemModel::rowsInserted, view,
                     [&](const QModelIndex&, int first, int) {
                         const QCursor* cursor = QGuiApplication::overrideCursor();
                         if (cursor && cursor->shape() == Qt::WaitCursor)
                             waitingRows.push_back(first);
                     });
    // The change that follows the reading sees the user's cursor again.
    std::vector<Qt::CursorShape> cursorsAtChange;
    list->OnChange = [&](TObject*) {
        const QCursor* cursor = QGuiApplication::overrideCursor();
        cursorsAtChange.push_back(cursor ? cursor->shape() : Qt::ArrowCursor);
    };
    QGuiApplication::setOverrideCursor(QCursor(Qt::PointingHandCursor));
    list->SetCurrentDirectory("G:\\Muitos");
    ASSERT_EQ(list->Items()->Count(), 150);
    EXPECT_EQ(cursorsAtChange, (std::vector<Qt::CursorShape>{Qt::PointingHandCursor}));
    // Rows 0 to 100 go in before it shows; 101 to 149 after.
    ASSERT_EQ(waitingRows.size(), 49u);
    EXPECT_EQ(waitingRows.front(), 101);
    EXPECT_EQ(waitingRows.back(), 149);
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::PointingHandCursor);
    QGuiApplication::restoreOverrideCursor();
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);

    // A hundred items or fewer: no hourglass.
    waitingRows.clear();
    list->SetMask("f10??.bmp");
    EXPECT_EQ(list->Items()->Count(), 100);
    EXPECT_TRUE(waitingRows.empty());
}

TEST_F(FileListBox, GlyphsOnlyWhenShown)
{
    auto list = makeList();
    list->SetFileType((1u << ftNormal) | (1u << ftDirectory));
    const int runIndex = list->Items()->IndexOf("run.EXE");
    const int pictureIndex = list->Items()->IndexOf("a.bmp");
    const int folderIndex = list->Items()->IndexOf("[sub]");
    ASSERT_GE(runIndex, 0);
    const QRgb navy = 0xFF000080;  // the title bar of the executable glyph, its row 3
    const QRgb window = testing_support::rgbOf(clWindow);

    list->SetItemHeight(13);
    list->SetShowGlyphs(true);
    EXPECT_GE(list->ItemHeight(), 16);  // raised to the glyph's height and a row
    list->SetShowGlyphs(false);
    list->SetItemHeight(20);
    list->SetShowGlyphs(true);
    EXPECT_EQ(list->ItemHeight(), 20);
    list->SetShowGlyphs(false);

    // Without glyphs the text starts at x 2: nothing at 0 and 1.
    const QImage plain = paintItem(*list, runIndex, 120, 16);
    EXPECT_EQ(firstPixelOf(plain, 3, navy), -1);
    for (int y = 0; y < 16; ++y)
        EXPECT_EQ(plain.pixel(0, y), window);

    list->SetShowGlyphs(true);
    // 16 high: the glyphs (15 high) begin at row 0, column 2.
    const QImage executable = paintItem(*list, runIndex, 120, 16);
    EXPECT_EQ(firstPixelOf(executable, 3, navy), 2 + 2);
    EXPECT_EQ(executable.pixel(2, 3), window);  // transparent corner
    EXPECT_EQ(firstPixelOf(executable, 3, testing_support::black), 2 + 1);
    // The unknown file's outline starts in column 3; the folder's row 4 in column 0.
    EXPECT_EQ(firstPixelOf(paintItem(*list, pictureIndex, 120, 16), 3, testing_support::black), 2 + 3);
    EXPECT_EQ(firstPixelOf(paintItem(*list, folderIndex, 120, 16), 4, testing_support::black), 2);
    // The text starts at 16 + 6: the columns between glyph and text stay clear.
    for (int y = 0; y < 16; ++y)
        for (int x = 18; x < 22; ++x)
            EXPECT_EQ(executable.pixel(x, y), window) << x << "," << y;
}

} // namespace
