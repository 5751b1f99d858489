// The three lists linked as the viewer links them: the order of their change events, a drive
// that cannot be entered, a file in a drive's root, and the lists read from a window design.

#include "list_fixture.h"

#include "filelists/filelists.h"
#include "framework/design_reader.h"
#include "framework/forms.h"
#include "platform/drives/drives.h"
#include "support/test_support.h"

#include <QComboBox>

#include <cerrno>
#include <filesystem>

namespace {

using testing_support::itemsOf;
using Events = std::vector<std::string>;

constexpr auto viewerMask = "*.bmp;*.jpg;*.gif;*.wmf;*.emf;*.ico";

class ListChain : public testing_support::ListsTest {
protected:
    ListChain()
    {
        files.makeFile("usb/mar.jpg");
        files.makeFile("usb/Fotos/praia.bmp");
        files.makeFile("usb/Fotos/sol.gif");
        files.makeDirectory("usb/Fotos/Mar");
        files.makeFile("usb/Fotos/Mar/onda.jpg");
        files.makeFile("pics/casa.bmp");
        files.makeDirectory("pics/Trancada");
        files.failChangeDirectory("pics/Trancada", EACCES);
        files.setNotReady("cd");
        // g: was last in \Fotos; the program starts in pics on c:.
        goTo("G:\\Fotos");
        goTo(onC("pics"));

        combo = new TDriveComboBox(&form);
        combo->SetParent(&form);
        directories = new TDirectoryListBox(&form);
        directories->SetParent(&form);
        directories->SetItemHeight(16);
        fileList = new TFileListBox(&form);
        fileList->SetParent(&form);
        fileList->SetMask(viewerMask);
        fileList->SetItemHeight(13);
        combo->SetDirList(directories);
        directories->SetFileList(fileList);
        form.HandleNeeded();

        combo->OnChange = [this](TObject*) { events.push_back("drive " + std::string(1, combo->CurrentDrive())); };
        directories->OnChange = [this](TObject*) { events.push_back("directory " + directories->CurrentDirectory()); };
        fileList->OnChange = [this](TObject*) { events.push_back("file " + fileList->SelectedPath()); };
    }

    // The open command of the viewer, for the file f.
    void open(const std::string& f)
    {
        const std::size_t cut = f.rfind('\\');
        combo->SetCurrentDrive(f[0]);
        directories->SetCurrentDirectory(f.substr(0, cut));
        fileList->SetSelectedPath(f.substr(cut + 1));
    }

    TForm form{nullptr};
    TDriveComboBox* combo;
    TDirectoryListBox* directories;
    TFileListBox* fileList;
    Events events;
};

TEST_F(ListChain, ChoosingADriveMovesTheListsThenReportsFromTheBottomUp)
{
    EXPECT_EQ(combo->CurrentDrive(), 'c');
    EXPECT_EQ(directories->CurrentDirectory(), onC("pics"));
    EXPECT_EQ(itemsOf(*fileList->Items()), (Events{"casa.bmp"}));
    auto* widget = static_cast<QComboBox*>(combo->Widget());
    widget->setCurrentIndex(4);  // g:
    emit widget->activated(4);
    EXPECT_EQ(events, (Events{"file ", "directory G:\\Fotos", "drive g"}));
    EXPECT_EQ(itemsOf(*directories->Items()), (Events{"G:\\", "Fotos", "Mar"}));
    EXPECT_EQ(itemsOf(*fileList->Items()), (Events{"praia.bmp", "sol.gif"}));
    EXPECT_EQ(current(), "G:\\Fotos");
}

TEST_F(ListChain, OpeningADirectory)
{
    directories->SetCurrentDirectory("G:\\Fotos");
    events.clear();
    directories->SetItemIndex(2);  // Mar
    directories->OpenCurrent();
    EXPECT_EQ(events, (Events{"file ", "directory G:\\Fotos\\Mar"}));
    EXPECT_EQ(itemsOf(*fileList->Items()), (Events{"onda.jpg"}));
}

TEST_F(ListChain, GoingToAFileElsewhere)
{
    fileList->SetSelectedPath("G:\\Fotos\\Mar\\onda.jpg");
    // The box follows the drive first, then each list reports its move, then the selection.
    EXPECT_EQ(events, (Events{"drive g", "file ", "directory G:\\Fotos\\Mar", "file G:\\Fotos\\Mar\\onda.jpg"}));
    EXPECT_EQ(combo->ItemIndex(), 4);
    EXPECT_EQ(directories->CurrentDirectory(), "G:\\Fotos\\Mar");
    EXPECT_EQ(fileList->ItemIndex(), 0);
}

TEST_F(ListChain, ADriveThatIsNotReady)
{
    EXPECT_RAISES(combo->SetCurrentDrive('d'), EInOutError, "I/O error 21");
    // The box is on the new drive; the lists stay; nobody reports.
    EXPECT_EQ(combo->CurrentDrive(), 'd');
    EXPECT_EQ(combo->ItemIndex(), 1);
    EXPECT_EQ(directories->CurrentDirectory(), onC("pics"));
    EXPECT_EQ(fileList->CurrentDirectory(), onC("pics"));
    EXPECT_EQ(itemsOf(*fileList->Items()), (Events{"casa.bmp"}));
    EXPECT_TRUE(events.empty());
    // The same drive again does nothing; another one works.
    combo->SetCurrentDrive('d');
    EXPECT_TRUE(events.empty());
    combo->SetCurrentDrive('g');
    EXPECT_EQ(directories->CurrentDirectory(), "G:\\Fotos");
    EXPECT_EQ(events.back(), "drive g");
}

TEST_F(ListChain, ADirectoryThatCannotBeEntered)
{
    EXPECT_RAISES(directories->SetCurrentDirectory(onC("pics/Trancada")), EInOutError, "File access denied");
    EXPECT_EQ(directories->CurrentDirectory(), onC("pics"));
    EXPECT_EQ(fileList->CurrentDirectory(), onC("pics"));
    EXPECT_TRUE(events.empty());
}

TEST_F(ListChain, AListOnADriveTheBoxFailedToEnterStillMovesThere)
{
    EXPECT_RAISES(combo->SetCurrentDrive('d'), EInOutError, "I/O error 21");
    // The medium comes in; the box shows d: already, so it does not move the list again.
    files.failUnder("cd", 0);
    files.makeDirectory("cd/Viagem");
    directories->SetCurrentDirectory("D:\\Viagem");
    EXPECT_EQ(directories->CurrentDirectory(), "D:\\Viagem");
    EXPECT_EQ(fileList->CurrentDirectory(), "D:\\Viagem");
    EXPECT_EQ(combo->CurrentDrive(), 'd');
    EXPECT_EQ(events.back(), "directory D:\\Viagem");
}

TEST_F(ListChain, OpeningAFileInADrivesRoot)
{
    // "G:\mar.jpg": the directory part is the bare drive "G:", whose current directory is
    // G:\Fotos; the file is in the root.
    open("G:\\mar.jpg");
    EXPECT_EQ(directories->CurrentDirectory(), "G:\\");
    EXPECT_EQ(fileList->SelectedPath(), "G:\\mar.jpg");
    EXPECT_EQ(events.back(), "file G:\\mar.jpg");
}

TEST_F(ListChain, OpeningFiles)
{
    open("G:\\Fotos\\Mar\\onda.jpg");
    EXPECT_EQ(fileList->SelectedPath(), "G:\\Fotos\\Mar\\onda.jpg");
    EXPECT_EQ(events.back(), "file G:\\Fotos\\Mar\\onda.jpg");
    // A name the mask does not show replaces the mask.
    files.makeFile("usb/Fotos/Mar/longa.jpeg");
    open("G:\\Fotos\\Mar\\longa.jpeg");
    EXPECT_EQ(fileList->Mask(), "longa.jpeg");
    EXPECT_EQ(fileList->SelectedPath(), "G:\\Fotos\\Mar\\longa.jpeg");
    // A name that is not there.
    EXPECT_RAISES(open("G:\\Fotos\\nada.bmp"), EInvalidOperation, "Invalid file name - nada.bmp");
    EXPECT_EQ(directories->CurrentDirectory(), "G:\\Fotos");
}

TEST_F(ListChain, TheShownDirectoryRemovedFromOutside)
{
    // Another program removes the directory the lists show, with the process in it.
    files.makeFile("pics/Velha/antiga.bmp");
    directories->SetCurrentDirectory(onC("pics/Velha"));
    std::filesystem::remove_all(files.nativePath("pics/Velha"));
    ASSERT_FALSE(platform::currentDirectory());
    // Its parent still opens...
    directories->SetItemIndex(directories->Items()->Count() - 2);
    ASSERT_EQ(directories->GetItemPath(directories->ItemIndex()), onC("pics"));
    directories->OpenCurrent();
    EXPECT_EQ(directories->CurrentDirectory(), onC("pics"));
    EXPECT_EQ(itemsOf(*fileList->Items()), (Events{"casa.bmp"}));
    // ...and so does a file on the same drive chosen in the open dialog.
    files.makeDirectory("pics/Outra");
    directories->SetCurrentDirectory(onC("pics/Outra"));
    std::filesystem::remove_all(files.nativePath("pics/Outra"));
    open(onC("pics/casa.bmp"));
    EXPECT_EQ(directories->CurrentDirectory(), onC("pics"));
    EXPECT_EQ(fileList->SelectedPath(), onC("pics/casa.bmp"));
    EXPECT_EQ(events.back(), "file " + onC("pics/casa.bmp"));
}

TEST_F(ListChain, LinksAreClearedWhenAListGoes)
{
    delete fileList;
    EXPECT_EQ(directories->FileList(), nullptr);
    directories->SetCurrentDirectory("G:\\Fotos");
    EXPECT_EQ(events, (Events{"drive g", "directory G:\\Fotos"}));
    delete directories;
    EXPECT_EQ(combo->DirList(), nullptr);
    combo->SetCurrentDrive('c');
    EXPECT_EQ(combo->CurrentDrive(), 'c');
}

TEST(FileListClasses, DesignsMakeAndLinkTheLists)
{
    RegisterFileListClasses();
    ASSERT_NE(GetClass("TDriveComboBox"), nullptr);
    ASSERT_NE(GetClass("tfilelistbox"), nullptr);
    testing_support::FakeFileSystem files;
    Seam<platform::FileSystemBackend>::Scoped scope(platform::fileSystemBackendSeam(), files);
    files.makeFile("a.bmp");
    files.makeFile("b.txt");

    TForm form(nullptr);
    int changes = 0;
    TNotifyEvent change = [&](TObject*) { ++changes; };
    const std::any handler = change;
    ReadDesignText(form, R"({
        "class": "TForm", "name": "Form_Lists",
        "components": [
            {"class": "TDriveComboBox", "name": "Combo_Drive",
             "properties": {"DirList": "List_Diretorio", "TextCase": "tcUpperCase"}},
            {"class": "TDirectoryListBox", "name": "List_Diretorio",
             "properties": {"FileList": "Lista_Arquivos", "ItemHeight": 16}},
            {"class": "TFileListBox", "name": "Lista_Arquivos",
             "properties": {"Mask": "*.bmp;*.jpg", "ItemHeight": 13, "OnChange": "Lista_ArquivosChange",
                            "FileType": ["ftNormal", "ftReadOnly"], "ShowGlyphs": true}}
        ]})",
                   [&](std::string_view name) { return name == "Lista_ArquivosChange" ? &handler : nullptr; },
                   "lists");
    auto* combo = dynamic_cast<TDriveComboBox*>(form.FindComponent("Combo_Drive"));
    auto* directories = dynamic_cast<TDirectoryListBox*>(form.FindComponent("List_Diretorio"));
    auto* fileList = dynamic_cast<TFileListBox*>(form.FindComponent("Lista_Arquivos"));
    ASSERT_TRUE(combo && directories && fileList);
    EXPECT_EQ(combo->DirList(), directories);
    EXPECT_EQ(combo->TextCase(), tcUpperCase);
    EXPECT_EQ(directories->FileList(), fileList);
    EXPECT_EQ(fileList->DirList(), directories);
    EXPECT_EQ(directories->ItemHeight(), 16);
    EXPECT_EQ(fileList->Mask(), "*.bmp;*.jpg");
    EXPECT_EQ(fileList->FileType(), (1u << ftNormal) | (1u << ftReadOnly));
    EXPECT_TRUE(fileList->ShowGlyphs());
    form.HandleNeeded();
    EXPECT_EQ(itemsOf(*fileList->Items()), (Events{"a.bmp"}));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(combo->CurrentDrive(), 'C');
}

} // namespace
