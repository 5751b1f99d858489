// The main window driven as a user would: walking the lists, choosing files, the open dialog,
// the display modes and zoom windows. The file system is a temporary tree (c: over "/", d: a
// removable medium inside the tree), and messages are caught instead of shown.

#include "app/components/open_picture_dialog.h"
#include "app/components/printer_setup_dialog.h"
#include "app/components/tray_icon.h"
#include "app/other_forms.h"
#include "app/startup.h"
#include "app/viewer_form.h"
#include "docking/docking.h"
#include "filelists/filelists.h"
#include "framework/application.h"
#include "framework/ext_controls.h"
#include "framework/menus.h"
#include "picture/bitmap/bitmap.h"
#include "picture/image.h"

#include "fake_file_system.h"
#include "support/test_support.h"
#include "support/test_pictures.h"

#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QImage>
#include <QTest>
#include <QWidget>

#include <filesystem>
#include <fstream>
#include <tuple>

using namespace testing_support;

namespace {

class ViewerTest : public ::testing::Test {
protected:
    ViewerTest()
        : presenter(MessagePresenter(),
                    [this](const std::string& caption, const std::string& text) {
                        messages.push_back(caption + ": " + text);
                    }),
          tray(TrayIconSeam(),
               [this](TrayIconMessage message, const TRxTrayIcon&) {
                   const char* names[] = {"add", "modify", "delete"};
                   trayRequests.push_back(names[int(message)]);
               }),
          dialog(OpenPictureDialogSeam(), [this](TOpenPictureDialog& d) {
              ++dialogRuns;
              if (chosen.empty())
                  return false;
              d.SetFileName(chosen);
              return true;
          })
    {
        files.makeFile("fotos/quadros.bmp", quadrantBitmap(100, 60));
        files.makeFile("fotos/pequena.bmp", quadrantBitmap(2, 2));
        files.makeFile("fotos/zz_corrompida.bmp", "BM and nothing a bitmap needs");
        files.makeFile("fotos/notas.txt", "not a picture");
        files.makeFile("outra/pasta/longe.bmp", quadrantBitmap(30, 20));
        files.makeFile("usb/raiz.bmp", quadrantBitmap(20, 30));
        files.addMount("usb", FakeFileSystem::Medium::Removable, "FOTOS");
        application.SetTitle(ViewerTitle);
        RegisterViewerClasses();
        CreateViewerWindows();
        StartViewer(ParseCommandLine({"pictavo"}));
        viewer = Form_Viewer;
    }

    // The c: path of a name in the tree, with backslashes.
    std::string path(const std::string& relative)
    {
        std::string converted = relative;
        for (char& c : converted)
            if (c == '/')
                c = '\\';
        return files.systemDrivePath(converted);
    }

    // Double-clicks an item of a list.
    static void doubleClickItem(TCustomListBox& list, int index)
    {
        auto* view = qobject_cast<QAbstractScrollArea*>(list.Widget());
        ASSERT_NE(view, nullptr);
        const TRect r = list.ItemRect(index);
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, QPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2));
    }

    // Chooses a file as a keyboard user does: with the arrow keys from the current item (each
    // item passed on the way is shown in turn).
    void chooseFile(const std::string& name)
    {
        TFileListBox& list = *viewer->Lista_Arquivos;
        const int target = list.Items()->IndexOf(name);
        ASSERT_GE(target, 0) << name;
        auto* view = qobject_cast<QAbstractItemView*>(list.Widget());
        ASSERT_NE(view, nullptr);
        if (list.ItemIndex() < 0)
            QTest::keyClick(view, Qt::Key_Home);
        while (list.ItemIndex() >= 0 && list.ItemIndex() < target)
            QTest::keyClick(view, Qt::Key_Down);
        while (list.ItemIndex() > target)
            QTest::keyClick(view, Qt::Key_Up);
        ASSERT_EQ(list.ItemIndex(), target);
    }

    // Runs a menu command the way the window system does, through the application.
    void choose(const char* itemName)
    {
        auto* item = dynamic_cast<TMenuItem*>(viewer->FindComponent(itemName));
        ASSERT_NE(item, nullptr) << itemName;
        application.Dispatch(item, [item] { item->Click(); });
    }

    std::vector<TForm_Zoom*> zoomWindows() const
    {
        std::vector<TForm_Zoom*> windows;
        for (int i = 0; i < viewer->ComponentCount(); ++i)
            if (auto* zoom = dynamic_cast<TForm_Zoom*>(viewer->Components(i)))
                windows.push_back(zoom);
        return windows;
    }

    FakeFileSystem files;
    platform::FileSystemBackendScope scope{files};
    TApplication application;
    std::vector<std::string> messages;
    std::vector<std::string> trayRequests;
    std::string chosen;
    int dialogRuns = 0;
    Seam<void(const std::string&, const std::string&)>::Scoped presenter;
    Seam<void(TrayIconMessage, const TRxTrayIcon&)>::Scoped tray;
    Seam<bool(TOpenPictureDialog&)>::Scoped dialog;
    TForm_Viewer* viewer = nullptr;
};

void expectQuadrants(const QImage& shown, int width, int height)
{
    // The picture's quadrants, stretched to width × height: sampled in their middles.
    EXPECT_EQ(pixelAt(shown, width / 4, height / 4), red);
    EXPECT_EQ(pixelAt(shown, width * 3 / 4, height / 4), green);
    EXPECT_EQ(pixelAt(shown, width / 4, height * 3 / 4), blue);
    EXPECT_EQ(pixelAt(shown, width * 3 / 4, height * 3 / 4), white);
}

} // namespace

TEST_F(ViewerTest, ChoosingAFileShowsItStretchedThenAtItsOwnSize)
{
    EXPECT_EQ(viewer->List_Diretorio->CurrentDirectory(), path(""));
    viewer->List_Diretorio->SetCurrentDirectory(path("fotos"));
    // Only the picture names of the mask, in name order.
    EXPECT_EQ(viewer->Lista_Arquivos->Items()->ToVector(),
              (std::vector<std::string>{"pequena.bmp", "quadros.bmp", "zz_corrompida.bmp"}));
    chooseFile("quadros.bmp");
    EXPECT_EQ(viewer->Lista_Arquivos->SelectedPath(), path("fotos/quadros.bmp"));
    EXPECT_EQ(viewer->Tab_Imagem->Caption(), "quadros.bmp");
    ASSERT_TRUE(viewer->Imagem->Visible());
    EXPECT_EQ(viewer->Imagem->Picture()->Width(), 100);
    EXPECT_EQ(viewer->Imagem->Picture()->Height(), 60);

    // Stretched (the mode at start): the picture fills the scroll box.
    EXPECT_EQ(viewer->Imagem->BoundsRect(), viewer->ScrollBox->ClientRect());
    const int width = viewer->Imagem->Width();
    const int height = viewer->Imagem->Height();
    ASSERT_GT(width, 200);
    ASSERT_GT(height, 200);
    expectQuadrants(grabControl(*viewer->Imagem), width, height);

    // Normal, from the toolbar: the picture at its own size at the top left; the menu's marks
    // stay as they are.
    QTest::mouseClick(viewer->FindComponent("tbar_ZoomNormal") ? dynamic_cast<TControl*>(viewer->FindComponent("tbar_ZoomNormal"))->Widget() : nullptr,
                      Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(viewer->Imagem->Align(), alNone);
    EXPECT_FALSE(viewer->Imagem->Stretch());
    EXPECT_EQ(viewer->Imagem->BoundsRect(), (TRect{0, 0, 100, 60}));
    EXPECT_FALSE(viewer->mnu_ImagemNormal->Checked());
    EXPECT_TRUE(viewer->mnu_ImagemEsticada->Checked());
    const QImage normal = grabControl(*viewer->Imagem);
    ASSERT_EQ(normal.width(), 100);
    EXPECT_EQ(pixelAt(normal, 0, 0), red);
    EXPECT_EQ(pixelAt(normal, 49, 29), red);
    EXPECT_EQ(pixelAt(normal, 50, 0), green);
    EXPECT_EQ(pixelAt(normal, 0, 30), blue);
    EXPECT_EQ(pixelAt(normal, 99, 59), white);

    // A picture smaller than the view leaves the scroll box around it.
    chooseFile("pequena.bmp");
    EXPECT_EQ(viewer->Imagem->BoundsRect(), (TRect{0, 0, 2, 2}));
    EXPECT_FALSE(viewer->ScrollBox->HorzScrollBar()->IsScrollBarVisible());

    // Stretched again, from the toolbar's second button.
    QTest::mouseClick(dynamic_cast<TControl*>(viewer->FindComponent("tbar_ZoomEsticado"))->Widget(), Qt::LeftButton,
                      {}, QPoint(5, 5));
    EXPECT_EQ(viewer->Imagem->BoundsRect(), viewer->ScrollBox->ClientRect());
    expectQuadrants(grabControl(*viewer->Imagem), viewer->Imagem->Width(), viewer->Imagem->Height());
    EXPECT_TRUE(messages.empty());
}

TEST_F(ViewerTest, ClickingAFileWithTheMouseShowsIt)
{
    viewer->List_Diretorio->SetCurrentDirectory(path("fotos"));
    auto* view = qobject_cast<QAbstractScrollArea*>(viewer->Lista_Arquivos->Widget());
    ASSERT_NE(view, nullptr);
    const TRect r = viewer->Lista_Arquivos->ItemRect(1);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, QPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2));
    EXPECT_EQ(viewer->Lista_Arquivos->SelectedPath(), path("fotos/quadros.bmp"));
    EXPECT_EQ(viewer->Tab_Imagem->Caption(), "quadros.bmp");
    EXPECT_TRUE(viewer->Imagem->Visible());
}

TEST_F(ViewerTest, TheMenuInvertsBothMarksWhateverTheyShowed)
{
    viewer->List_Diretorio->SetCurrentDirectory(path("fotos"));
    chooseFile("quadros.bmp");
    TMenuItem* normal = viewer->mnu_ImagemNormal;
    TMenuItem* stretched = viewer->mnu_ImagemEsticada;
    choose("mnu_ImagemNormal");
    EXPECT_TRUE(normal->Checked());
    EXPECT_FALSE(stretched->Checked());
    EXPECT_EQ(viewer->Imagem->BoundsRect(), (TRect{0, 0, 100, 60}));
    // Chosen again while checked: both marks turn over and the mode stays normal.
    choose("mnu_ImagemNormal");
    EXPECT_FALSE(normal->Checked());
    EXPECT_TRUE(stretched->Checked());
    EXPECT_FALSE(viewer->Imagem->Stretch());
    choose("mnu_ImagemEsticada");
    EXPECT_TRUE(normal->Checked());
    EXPECT_FALSE(stretched->Checked());
    EXPECT_TRUE(viewer->Imagem->Stretch());
    EXPECT_EQ(viewer->Imagem->Align(), alClient);
}

TEST_F(ViewerTest, AnEmptySelectionHidesThePictureAndEmptiesTheTab)
{
    viewer->List_Diretorio->SetCurrentDirectory(path("fotos"));
    chooseFile("quadros.bmp");
    ASSERT_TRUE(viewer->Imagem->Visible());
    viewer->List_Diretorio->SetCurrentDirectory(path("outra"));
    EXPECT_EQ(viewer->Lista_Arquivos->SelectedPath(), "");
    EXPECT_FALSE(viewer->Imagem->Visible());
    EXPECT_EQ(viewer->Tab_Imagem->Caption(), "");
    // The picture itself stays.
    EXPECT_EQ(viewer->Imagem->Picture()->Width(), 100);
}

TEST_F(ViewerTest, ADamagedFileIsReportedAndThePreviousPictureStays)
{
    viewer->List_Diretorio->SetCurrentDirectory(path("fotos"));
    chooseFile("quadros.bmp");
    chooseFile("zz_corrompida.bmp");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].rfind("Pictavo 2: ", 0), 0u) << messages[0];
    EXPECT_EQ(viewer->Tab_Imagem->Caption(), "zz_corrompida.bmp");
    EXPECT_EQ(viewer->Lista_Arquivos->SelectedPath(), path("fotos/zz_corrompida.bmp"));
    EXPECT_TRUE(viewer->Imagem->Visible());
    EXPECT_EQ(viewer->Imagem->Picture()->Width(), 100);
    expectQuadrants(grabControl(*viewer->Imagem), viewer->Imagem->Width(), viewer->Imagem->Height());
}

TEST_F(ViewerTest, TheOpenCommandSteersTheListsToTheChosenFile)
{
    // Cancelled: nothing moves.
    viewer->List_Diretorio->SetCurrentDirectory(path("fotos"));
    choose("mnu_Abrir");
    EXPECT_EQ(dialogRuns, 1);
    EXPECT_EQ(viewer->List_Diretorio->CurrentDirectory(), path("fotos"));

    chosen = path("outra/pasta/longe.bmp");
    QTest::mouseClick(dynamic_cast<TControl*>(viewer->FindComponent("tbar_AbrirArquivo"))->Widget(), Qt::LeftButton,
                      {}, QPoint(5, 5));
    EXPECT_EQ(dialogRuns, 2);
    EXPECT_EQ(viewer->List_Diretorio->CurrentDirectory(), path("outra/pasta"));
    EXPECT_EQ(viewer->Lista_Arquivos->SelectedPath(), chosen);
    EXPECT_EQ(viewer->Tab_Imagem->Caption(), "longe.bmp");
    EXPECT_TRUE(viewer->Imagem->Visible());
    EXPECT_EQ(viewer->Imagem->Picture()->Width(), 30);
    EXPECT_EQ(tolower(viewer->Combo_Drive->CurrentDrive()), 'c');
    EXPECT_TRUE(messages.empty());
}

TEST_F(ViewerTest, TheOpenCommandReachesAFileInADrivesRoot)
{
    chosen = "D:\\raiz.bmp";
    choose("mnu_Abrir");
    EXPECT_EQ(tolower(viewer->Combo_Drive->CurrentDrive()), 'd');
    EXPECT_EQ(viewer->List_Diretorio->CurrentDirectory(), "D:\\");
    EXPECT_EQ(viewer->Lista_Arquivos->SelectedPath(), "D:\\raiz.bmp");
    EXPECT_EQ(viewer->Tab_Imagem->Caption(), "raiz.bmp");
    EXPECT_EQ(viewer->Imagem->Picture()->Height(), 30);
    EXPECT_TRUE(messages.empty());
}

TEST_F(ViewerTest, AJpegEndingIsListedAndShown)
{
    std::filesystem::copy_file(testdataPath("libjpeg-turbo/testimages/testorig.jpg"),
                               files.nativePath("outra/foto.jpeg"));
    chosen = path("outra/foto.jpeg");
    const std::string mask = viewer->Lista_Arquivos->Mask();
    choose("mnu_Abrir");
    EXPECT_TRUE(messages.empty()) << (messages.empty() ? "" : messages[0]);
    // The mask lists ".jpeg" files: it stays as it was.
    EXPECT_EQ(viewer->Lista_Arquivos->Mask(), mask);
    EXPECT_GE(viewer->Lista_Arquivos->Items()->IndexOf("foto.jpeg"), 0);
    EXPECT_EQ(viewer->Lista_Arquivos->SelectedPath(), chosen);
    EXPECT_EQ(viewer->Tab_Imagem->Caption(), "foto.jpeg");
    EXPECT_TRUE(viewer->Imagem->Visible());
    // The sample is 227 × 149.
    EXPECT_EQ(viewer->Imagem->Picture()->Width(), 227);
    EXPECT_EQ(viewer->Imagem->Picture()->Height(), 149);
}

TEST_F(ViewerTest, PngAndPluginFormatsAreListedAndShown)
{
    std::filesystem::copy_file(testdataPath("pngsuite/basn6a08.png"), files.nativePath("outra/tela.png"));
    QImage wide(40, 10, QImage::Format_RGB32);
    wide.fill(Qt::darkGreen);
    ASSERT_TRUE(wide.save(QString::fromStdString(files.nativePath("outra/foto.webp")), "WEBP"));
    for (const auto& [name, width, height] : {std::tuple{"tela.png", 32, 32}, std::tuple{"foto.webp", 40, 10}}) {
        SCOPED_TRACE(name);
        chosen = path(std::string("outra/") + name);
        choose("mnu_Abrir");
        EXPECT_TRUE(messages.empty()) << (messages.empty() ? "" : messages[0]);
        EXPECT_GE(viewer->Lista_Arquivos->Items()->IndexOf("tela.png"), 0);
        EXPECT_GE(viewer->Lista_Arquivos->Items()->IndexOf("foto.webp"), 0);
        EXPECT_EQ(viewer->Tab_Imagem->Caption(), name);
        EXPECT_TRUE(viewer->Imagem->Visible());
        EXPECT_EQ(viewer->Imagem->Picture()->Width(), width);
        EXPECT_EQ(viewer->Imagem->Picture()->Height(), height);
    }
}

TEST_F(ViewerTest, AFileThatIsNotThereIsReportedWhereTheListsStop)
{
    chosen = path("outra/pasta/sumiu.bmp");
    choose("mnu_Abrir");
    EXPECT_EQ(messages, (std::vector<std::string>{"Pictavo 2: Invalid file name - sumiu.bmp"}));
    EXPECT_EQ(viewer->List_Diretorio->CurrentDirectory(), path("outra/pasta"));
    EXPECT_EQ(viewer->Lista_Arquivos->SelectedPath(), "");
}

TEST_F(ViewerTest, ZoomWindowsShowTheirOwnCopyStretchedAndFreeThemselves)
{
    viewer->List_Diretorio->SetCurrentDirectory(path("fotos"));
    chooseFile("quadros.bmp");
    QTest::mouseDClick(viewer->Imagem->Widget(), Qt::LeftButton, {}, QPoint(10, 10));
    doubleClickItem(*viewer->Lista_Arquivos, viewer->Lista_Arquivos->ItemIndex());
    std::vector<TForm_Zoom*> windows = zoomWindows();
    ASSERT_EQ(windows.size(), 2u);
    for (TForm_Zoom* zoom : windows) {
        EXPECT_EQ(zoom->Caption(), path("fotos/quadros.bmp"));
        EXPECT_TRUE(zoom->Visible());
        // Outer size = the picture's 100 × 60, so the picture area is 92 × 33, centred on the
        // 1024 × 768 screen.
        EXPECT_EQ(zoom->BoundsRect(), (TRect{462, 354, 562, 414}));
        EXPECT_EQ(zoom->ClientWidth(), 92);
        EXPECT_EQ(zoom->ClientHeight(), 33);
        EXPECT_EQ(zoom->Imagem->BoundsRect(), (TRect{0, 0, 92, 33}));
        EXPECT_NE(zoom->Imagem->Picture(), viewer->Imagem->Picture());
        expectQuadrants(grabControl(*zoom->Imagem), 92, 33);
    }
    // The copy does not follow the main window's picture.
    chooseFile("pequena.bmp");
    EXPECT_EQ(windows[0]->Imagem->Picture()->Width(), 100);

    // Resizing a zoom window keeps the picture over its whole client area.
    windows[1]->SetBounds(windows[1]->Left(), windows[1]->Top(), 308, 227);
    EXPECT_EQ(windows[1]->Imagem->BoundsRect(), (TRect{0, 0, 300, 200}));
    expectQuadrants(grabControl(*windows[1]->Imagem), 300, 200);

    windows[0]->Close();
    application.ProcessMessages();
    EXPECT_EQ(zoomWindows().size(), 1u);
    windows[1]->Close();
    application.ProcessMessages();
    EXPECT_TRUE(zoomWindows().empty());
    // The start-up zoom window is never shown.
    EXPECT_FALSE(Form_Zoom->Visible());
}

TEST_F(ViewerTest, AZoomWindowOfAPictureLargerThanTheScreenKeepsToTheScreen)
{
    // 1200 × 900 on the 1024 × 768 screen: the window takes the screen's size, not one the size
    // of the picture, and shows the whole picture reduced over its 1016 × 741 picture area.
    files.makeFile("grande/grande.bmp", quadrantBitmap(1200, 900));
    viewer->List_Diretorio->SetCurrentDirectory(path("grande"));
    chooseFile("grande.bmp");
    ASSERT_EQ(viewer->Imagem->Picture()->Width(), 1200);
    viewer->ZoomImagem(viewer->Lista_Arquivos->SelectedPath());
    ASSERT_EQ(zoomWindows().size(), 1u);
    TForm_Zoom* zoom = zoomWindows()[0];
    EXPECT_EQ(zoom->BoundsRect(), (TRect{0, 0, 1024, 768}));
    EXPECT_EQ(zoom->Imagem->BoundsRect(), (TRect{0, 0, 1016, 741}));
    expectQuadrants(grabControl(*zoom->Imagem), 1016, 741);
    // Only the side that is too large gives way: 1200 × 60 keeps its height.
    files.makeFile("grande/faixa.bmp", quadrantBitmap(1200, 60));
    viewer->List_Diretorio->SetCurrentDirectory(path(""));
    viewer->List_Diretorio->SetCurrentDirectory(path("grande"));
    chooseFile("faixa.bmp");
    viewer->ZoomImagem(viewer->Lista_Arquivos->SelectedPath());
    ASSERT_EQ(zoomWindows().size(), 2u);
    EXPECT_EQ(zoomWindows()[1]->BoundsRect(), (TRect{0, 354, 1024, 414}));
    EXPECT_TRUE(messages.empty());
}

TEST_F(ViewerTest, AZoomWindowOfATinyPictureKeepsAUsableClientArea)
{
    struct Case {
        const char* file;
        TRect bounds;  // outer, centred on the 1024 x 768 screen
    };
    // 2 x 2 and 30 x 20 ask for less than 64 x 32 inside the frame; 100 x 60 asks for 92 x 33.
    const Case cases[] = {
        {"pequena.bmp", {476, 354, 548, 413}},
        {"pasta/longe.bmp", {476, 354, 548, 413}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string file = std::string(c.file).find('/') == std::string::npos ? "fotos/" + std::string(c.file)
                                                                                  : "outra/" + std::string(c.file);
        viewer->ZoomImagem(path(file));
        TForm_Zoom* zoom = zoomWindows().back();
        EXPECT_EQ(zoom->BoundsRect(), c.bounds);
        EXPECT_EQ(zoom->Imagem->BoundsRect(), (TRect{0, 0, 64, 32}));
        // Nor can the user make it smaller.
        zoom->SetBounds(zoom->Left(), zoom->Top(), 10, 10);
        EXPECT_EQ(zoom->ClientWidth(), 64);
        EXPECT_EQ(zoom->ClientHeight(), 32);
    }
}

TEST_F(ViewerTest, ZoomingWithNothingSelectedShowsTheLastPictureUnderAnEmptyCaption)
{
    viewer->ZoomImagem("");
    ASSERT_EQ(zoomWindows().size(), 1u);
    TForm_Zoom* empty = zoomWindows()[0];
    EXPECT_EQ(empty->Caption(), "");
    // No picture yet: a window of no size keeps the zoom window's smallest client area.
    EXPECT_EQ(empty->ClientWidth(), 64);
    EXPECT_EQ(empty->ClientHeight(), 32);

    viewer->List_Diretorio->SetCurrentDirectory(path("fotos"));
    chooseFile("quadros.bmp");
    viewer->List_Diretorio->SetCurrentDirectory(path("outra"));
    ASSERT_FALSE(viewer->Imagem->Visible());
    // A double click in the (empty) file list.
    auto* view = qobject_cast<QAbstractScrollArea*>(viewer->Lista_Arquivos->Widget());
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, QPoint(10, 10));
    ASSERT_EQ(zoomWindows().size(), 2u);
    EXPECT_EQ(zoomWindows()[1]->Caption(), "");
    EXPECT_EQ(zoomWindows()[1]->Imagem->Picture()->Width(), 100);
}

TEST_F(ViewerTest, PanelsFollowTheirMenuItemsAndTheirCloseButtonsClearTheMarks)
{
    TMenuItem* drive = viewer->mnu_Drive;
    choose("mnu_Drive");
    EXPECT_FALSE(viewer->tbar_Drive->Visible());
    EXPECT_FALSE(drive->Checked());
    // The other panels keep their places; the panel comes back to its own.
    EXPECT_EQ(viewer->tbar_Diretorios->Top(), 51);
    choose("mnu_Drive");
    EXPECT_TRUE(viewer->tbar_Drive->Visible());
    EXPECT_TRUE(drive->Checked());
    EXPECT_EQ(viewer->tbar_Drive->Top(), 0);

    // With all three panels hidden the left dock is empty and the picture area takes its width.
    choose("mnu_Drive");
    choose("mnu_Diretorios");
    choose("mnu_exibirarquivos");
    EXPECT_EQ(viewer->Dock_Esquerda->Width(), 0);
    EXPECT_EQ(viewer->Tab_Controle->Left(), 0);
    EXPECT_EQ(viewer->Tab_Controle->Width(), 584);
    choose("mnu_Drive");
    choose("mnu_Diretorios");
    choose("mnu_exibirarquivos");
    EXPECT_EQ(viewer->Dock_Esquerda->Width(), 166);

    // The mark alone decides: a panel hidden behind the menu's back is not consulted.
    viewer->tbar_Zoom->Hide();
    choose("mnu_Zoom");
    EXPECT_FALSE(viewer->tbar_Zoom->Visible());
    EXPECT_FALSE(viewer->mnu_Zoom->Checked());
    choose("mnu_Zoom");
    EXPECT_TRUE(viewer->tbar_Zoom->Visible());

    // Floating, the panel's close button hides it and clears the mark.
    viewer->tbar_Arquivos->SetDockedTo(nullptr);
    const TRect close = viewer->tbar_Arquivos->CloseButtonRect();
    QTest::mouseClick(viewer->tbar_Arquivos->Widget(), Qt::LeftButton, {},
                      QPoint((close.left + close.right) / 2, (close.top + close.bottom) / 2));
    EXPECT_FALSE(viewer->tbar_Arquivos->Visible());
    EXPECT_FALSE(viewer->mnu_exibirarquivos->Checked());
    choose("mnu_exibirarquivos");
    EXPECT_TRUE(viewer->tbar_Arquivos->Visible());
    EXPECT_TRUE(viewer->mnu_exibirarquivos->Checked());
}

TEST_F(ViewerTest, PrintingCommandsActOnlyOnAnExistingSelectedFile)
{
    std::vector<std::string> commands;
    Seam<void(TImprimeGrafico&, const std::string&)>::Scoped preview(
        VisualizarImagemSeam(), [&](TImprimeGrafico&, const std::string& p) { commands.push_back("preview " + p); });
    Seam<void(TImprimeGrafico&, const std::string&)>::Scoped print(
        ImprimirImagemSeam(), [&](TImprimeGrafico&, const std::string& p) { commands.push_back("print " + p); });
    Seam<bool(TPrinterSetupDialog&)>::Scoped setup(PrinterSetupDialogSeam(), [&](TPrinterSetupDialog&) {
        commands.push_back("setup");
        return true;
    });
    choose("mnu_VisualizarImpressao");
    choose("mnu_Imprimir");
    EXPECT_TRUE(commands.empty());

    viewer->List_Diretorio->SetCurrentDirectory(path("fotos"));
    chooseFile("quadros.bmp");
    QTest::mouseClick(dynamic_cast<TControl*>(viewer->FindComponent("tbar_VisualizarImpressao"))->Widget(),
                      Qt::LeftButton, {}, QPoint(5, 5));
    choose("mnu_Imprimir");
    QTest::mouseClick(dynamic_cast<TControl*>(viewer->FindComponent("tBar_Imprimir"))->Widget(), Qt::LeftButton, {},
                      QPoint(5, 5));
    choose("mnu_Configurarimpressora");
    const std::string quadros = path("fotos/quadros.bmp");
    EXPECT_EQ(commands,
              (std::vector<std::string>{"preview " + quadros, "print " + quadros, "print " + quadros, "setup"}));
    EXPECT_TRUE(messages.empty());
    // A file removed since it was selected: nothing.
    std::filesystem::remove(files.nativePath("fotos/quadros.bmp"));
    choose("mnu_Imprimir");
    choose("mnu_VisualizarImpressao");
    EXPECT_EQ(commands.size(), 4u);
}

TEST_F(ViewerTest, TheAboutBoxOpensModallyAndSairEndsTheProgram)
{
    std::vector<TForm*> modal;
    Seam<TModalResult(TForm&)>::Scoped showModal(ShowModalSeam(), [&](TForm& form) {
        modal.push_back(&form);
        return mrOk;
    });
    choose("mnu_Sobre");
    EXPECT_EQ(modal, (std::vector<TForm*>{Sobre}));
    choose("mnu_Sair");
    EXPECT_TRUE(application.Terminated());
}

namespace {

// Reads bitmap files under the icon ending, so that the viewer's handling of icon files can be
// seen with pictures made in the test.
class TTestIcon : public TBitmap {
    PICTAVO_CLASS(TTestIcon)
};
PICTAVO_DEFINE_CLASS(TTestIcon, TBitmap, createObjectOf<TTestIcon>, nullptr)

} // namespace

TEST_F(ViewerTest, AnIconFileAlsoShowsInTheNotificationAreaUntilAnotherFileIsChosen)
{
    RegisterFileFormat("ico", "Icons", TTestIcon::StaticClass());
    struct Unregister {
        ~Unregister() { UnregisterGraphicClass(TTestIcon::StaticClass()); }
    } unregister;
    files.makeFile("icones/a.ico", quadrantBitmap(32, 32));
    files.makeFile("icones/b.ico", "BM but damaged");
    files.makeFile("icones/c.ico", quadrantBitmap(16, 16));
    files.makeFile("icones/d.bmp", quadrantBitmap(8, 8));
    viewer->List_Diretorio->SetCurrentDirectory(path("icones"));
    chooseFile("a.ico");
    EXPECT_EQ(viewer->Imagem->Picture()->Width(), 32);
    EXPECT_EQ(trayRequests, (std::vector<std::string>{"add"}));
    EXPECT_EQ(viewer->RxTrayIcon->Icon()->Width(), 32);
    // A damaged icon stops at the picture: the tray keeps the icon it had.
    chooseFile("b.ico");
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_EQ(trayRequests, (std::vector<std::string>{"add"}));
    chooseFile("c.ico");
    EXPECT_EQ(viewer->RxTrayIcon->Icon()->Width(), 16);
    chooseFile("d.bmp");
    EXPECT_EQ(trayRequests, (std::vector<std::string>{"add", "modify", "delete"}));
    // Nothing selected any more: the icon goes, once.
    chooseFile("c.ico");
    viewer->List_Diretorio->SetCurrentDirectory(path(""));
    viewer->List_Diretorio->SetCurrentDirectory(path("fotos"));
    EXPECT_EQ(trayRequests, (std::vector<std::string>{"add", "modify", "delete", "add", "delete"}));
}

TEST(ViewerPaths, RightGetPathAndGetFileName)
{
    EXPECT_EQ(TForm_Viewer::Right("ab", 4), "ab");
    EXPECT_EQ(TForm_Viewer::Right("C:\\Fotos\\mar.jpg", 4), ".jpg");
    EXPECT_EQ(TForm_Viewer::Right("C:\\Fotos\\mar.jpeg", 4), "jpeg");
    EXPECT_EQ(TForm_Viewer::Right("abc", 0), "");
    EXPECT_EQ(TForm_Viewer::Right("abc", -2), "");
    EXPECT_EQ(TForm_Viewer::GetPath("C:\\Fotos\\mar.jpg"), "C:\\Fotos");
    EXPECT_EQ(TForm_Viewer::GetFileName("C:\\Fotos\\mar.jpg"), "mar.jpg");
    EXPECT_EQ(TForm_Viewer::GetPath("C:\\mar.jpg"), "C:");
    EXPECT_EQ(TForm_Viewer::GetFileName("C:\\mar.jpg"), "mar.jpg");
    EXPECT_EQ(TForm_Viewer::GetPath(""), "");
    EXPECT_EQ(TForm_Viewer::GetFileName(""), "");
    EXPECT_EQ(TForm_Viewer::GetPath("mar.jpg"), "");
    EXPECT_EQ(TForm_Viewer::GetFileName("mar.jpg"), "mar.jpg");
    EXPECT_EQ(TForm_Viewer::GetFileName("C:\\Fotos\\"), "");
}
