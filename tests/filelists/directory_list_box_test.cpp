// The directory list: its items and their indents, entering directories, and its label.

#include "list_fixture.h"

#include "filelists/filelists.h"
#include "framework/std_controls.h"
#include "support/test_support.h"

#include <cerrno>

namespace {

using testing_support::firstPixelOf;
using testing_support::itemsOf;
using testing_support::paintItem;
using Items = std::vector<std::string>;

class DirectoryListBox : public testing_support::ListsTest {
protected:
    DirectoryListBox()
    {
        files.makeDirectory("usb/Fotos/Mar/Verao");
        files.makeDirectory("usb/Fotos/Mar/inverno");
        files.makeDirectory("usb/Fotos/Mar/Abril");
        files.makeDirectory("usb/Fotos/Mar/.oculto");
        files.makeFile("usb/Fotos/Mar/foto.bmp");
        files.makeDirectory("usb/Outros");
        goTo("G:\\Fotos\\Mar");
    }

    // Makes the list in the process's current directory, with its window and the design's
    // item height, counting its changes.
    std::unique_ptr<TDirectoryListBox> makeList()
    {
        auto list = std::make_unique<TDirectoryListBox>(nullptr);
        list->SetItemHeight(16);
        list->HandleNeeded();
        list->OnChange = [this](TObject*) { ++changes; };
        return list;
    }

    // Where an item's folder glyph begins: with the item 16 high the glyph's top is row 0, and
    // its row 4 begins with the black outline.
    int glyphLeft(TDirectoryListBox& list, int index)
    {
        return firstPixelOf(paintItem(list, index, 140, 16), 4, testing_support::black);
    }

    int changes = 0;
};

TEST_F(DirectoryListBox, ThePathThenTheCurrentDirectoryThenItsSubdirectories)
{
    auto list = makeList();
    // Hidden directories and files are not listed; names sort without regard to case.
    EXPECT_EQ(itemsOf(*list->Items()), (Items{"G:\\", "Fotos", "Mar", "Abril", "inverno", "Verao"}));
    EXPECT_EQ(list->CurrentDirectory(), "G:\\Fotos\\Mar");
    EXPECT_EQ(list->CurrentDrive(), 'G');
    // Two backslashes: the item at index 2, the current directory.
    EXPECT_EQ(list->ItemIndex(), 2);
    EXPECT_EQ(changes, 0);

    EXPECT_EQ(list->GetItemPath(0), "G:\\");
    EXPECT_EQ(list->GetItemPath(1), "G:\\Fotos");
    EXPECT_EQ(list->GetItemPath(2), "G:\\Fotos\\Mar");
    EXPECT_EQ(list->GetItemPath(3), "G:\\Fotos\\Mar\\Abril");
    EXPECT_EQ(list->GetItemPath(5), "G:\\Fotos\\Mar\\Verao");
    EXPECT_EQ(list->GetItemPath(6), "");
    EXPECT_EQ(list->GetItemPath(-1), "");
}

TEST_F(DirectoryListBox, IndentsFollowTheDepthAndEachKindHasItsGlyph)
{
    auto list = makeList();
    const int expected[] = {2, 6, 10, 14, 14, 14};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(glyphLeft(*list, i), expected[i]) << list->Items()->Get(i);

    const QRgb red = 0xFFFF0000;    // the mark of the current folder, its row 9, column 7
    const QRgb olive = 0xFF808000;  // the shadow of a closed folder, its row 11, column 1
    EXPECT_EQ(paintItem(*list, 2, 140, 16).pixel(10 + 7, 9), red);
    EXPECT_EQ(firstPixelOf(paintItem(*list, 1, 140, 16), 9, red), -1);
    EXPECT_EQ(paintItem(*list, 3, 140, 16).pixel(14 + 1, 11), olive);
    EXPECT_EQ(firstPixelOf(paintItem(*list, 1, 140, 16), 11, olive), -1);
    // The folders' background shows the brush, selected or not.
    EXPECT_EQ(paintItem(*list, 3, 140, 16).pixel(14, 0), testing_support::rgbOf(clWindow));
    EXPECT_EQ(paintItem(*list, 3, 140, 16, 1u << odSelected).pixel(14, 0),
              testing_support::rgbOf(clHighlight));
}

TEST_F(DirectoryListBox, InARootTheFirstSubdirectoryIsSelected)
{
    goTo("G:\\");
    auto list = makeList();
    EXPECT_EQ(itemsOf(*list->Items()), (Items{"G:\\", "Fotos", "Outros"}));
    EXPECT_EQ(list->ItemIndex(), 1);
    EXPECT_EQ(glyphLeft(*list, 0), 2);
    EXPECT_EQ(glyphLeft(*list, 1), 10);
    EXPECT_EQ(glyphLeft(*list, 2), 10);
    EXPECT_EQ(list->GetItemPath(1), "G:\\Fotos");  // no second backslash after the root
}

TEST_F(DirectoryListBox, OpeningAnItemEntersIt)
{
    auto list = makeList();
    list->SetItemIndex(1);
    list->OpenCurrent();
    EXPECT_EQ(list->CurrentDirectory(), "G:\\Fotos");
    EXPECT_EQ(itemsOf(*list->Items()), (Items{"G:\\", "Fotos", "Mar"}));
    EXPECT_EQ(list->ItemIndex(), 1);
    EXPECT_EQ(current(), "G:\\Fotos");
    EXPECT_EQ(changes, 1);

    // Enter opens.
    list->SetItemIndex(0);
    char enter = '\r';
    list->KeyPress(enter);
    EXPECT_EQ(list->CurrentDirectory(), "G:\\");
    EXPECT_EQ(list->ItemIndex(), 0);  // after the window exists, the current item
    EXPECT_EQ(changes, 2);
    char other = 'x';
    list->KeyPress(other);
    EXPECT_EQ(changes, 2);

    // A double click reports itself, then opens.
    std::vector<std::string> seen;
    list->OnDblClick = [&](TObject*) { seen.push_back("dblclick " + list->CurrentDirectory()); };
    list->SetItemIndex(2);
    list->DblClick();
    EXPECT_EQ(seen, (Items{"dblclick G:\\"}));
    EXPECT_EQ(list->CurrentDirectory(), "G:\\Outros");
    EXPECT_EQ(changes, 3);
}

TEST_F(DirectoryListBox, ADirectoryThatCannotBeEnteredLeavesTheListAsItWas)
{
    files.failChangeDirectory("usb/Fotos/Mar/Verao", EACCES);
    auto list = makeList();
    const Items before = itemsOf(*list->Items());
    EXPECT_RAISES(list->SetCurrentDirectory("G:\\Fotos\\Mar\\Verao"), EInOutError, "File access denied");
    EXPECT_RAISES(list->SetCurrentDirectory("G:\\Fotos\\Nada"), EInOutError, "File not found");
    EXPECT_EQ(list->CurrentDirectory(), "G:\\Fotos\\Mar");
    EXPECT_EQ(itemsOf(*list->Items()), before);
    EXPECT_EQ(current(), "G:\\Fotos\\Mar");
    EXPECT_EQ(changes, 0);
}

TEST_F(DirectoryListBox, ABareDriveMeansItsRoot)
{
    // "G:" is what remains of "G:\mar.jpg" when its name is cut off.
    goTo(onC(""));
    auto list = makeList();
    list->SetCurrentDirectory("G:");
    EXPECT_EQ(list->CurrentDirectory(), "G:\\");
    list->SetCurrentDirectory("G:\\Fotos");
    list->SetCurrentDirectory("g:");
    EXPECT_EQ(list->CurrentDirectory(), "G:\\");
}

TEST_F(DirectoryListBox, CaseCountsOnlyWhereTheVolumeSaysSo)
{
    auto list = makeList();
    // g: is a vfat stick: the same directory.
    list->SetCurrentDirectory("G:\\FOTOS\\MAR");
    EXPECT_EQ(list->CurrentDirectory(), "G:\\Fotos\\Mar");
    EXPECT_EQ(changes, 0);
    // c: tells names apart by case.
    files.makeDirectory("caso/Caixa");
    files.makeDirectory("caso/caixa");
    list->SetCurrentDirectory(onC("caso/Caixa"));
    list->SetCurrentDirectory(onC("caso/caixa"));
    EXPECT_EQ(list->CurrentDirectory(), onC("caso/caixa"));
    EXPECT_EQ(changes, 2);
}

TEST_F(DirectoryListBox, ItemsAreAtLeastAsHighAsTheFolderGlyphAndARow)
{
    TDirectoryListBox list(nullptr);
    list.Font()->SetHeight(-6);
    EXPECT_EQ(list.ItemHeight(), 16);
    EXPECT_EQ(list.Width(), 145);
}

class DirectoryLabel : public DirectoryListBox {
protected:
    int widthOf(TLabel& label, const std::string& text)
    {
        label.Canvas()->Font().CopyFrom(label.Font());
        return label.Canvas()->TextWidth(text);
    }
};

TEST_F(DirectoryLabel, ShowsTheDirectoryShortenedToItsWidth)
{
    auto list = makeList();
    TLabel label(nullptr);
    label.SetAutoSize(false);
    label.SetWidth(widthOf(label, "G:\\...\\Mar"));
    ASSERT_GT(widthOf(label, "G:\\Fotos\\Mar"), label.Width());
    list->SetDirLabel(&label);
    EXPECT_EQ(label.Caption(), "G:\\...\\Mar");
    label.SetWidth(1);
    list->SetItemIndex(1);
    list->OpenCurrent();
    EXPECT_EQ(label.Caption(), "...\\Fotos");
    label.SetWidth(1000);
    list->SetCurrentDirectory("G:\\Fotos\\Mar\\Verao");
    EXPECT_EQ(label.Caption(), "G:\\Fotos\\Mar\\Verao");
}

TEST_F(DirectoryLabel, ALabelThatSizesItselfTakesTheListsWidth)
{
    files.makeDirectory("usb/Fotos/Mar/Verao/uma pasta de nome muito comprido/e outra mais");
    auto list = makeList();
    auto label = std::make_unique<TLabel>(nullptr);
    ASSERT_TRUE(label->AutoSize());
    list->SetDirLabel(label.get());
    EXPECT_EQ(label->Caption(), "G:\\Fotos\\Mar");
    list->SetCurrentDirectory("G:\\Fotos\\Mar\\Verao\\uma pasta de nome muito comprido\\e outra mais");
    const std::string shown = label->Caption();
    EXPECT_EQ(shown.rfind("\\e outra mais"), shown.size() - 13);
    EXPECT_LE(widthOf(*label, shown), list->Width());
    EXPECT_NE(shown.find("..."), std::string::npos);
    // A label that goes away is forgotten.
    label.reset();
    EXPECT_EQ(list->DirLabel(), nullptr);
    list->SetCurrentDirectory("G:\\");
    EXPECT_EQ(list->CurrentDirectory(), "G:\\");
}

} // namespace
