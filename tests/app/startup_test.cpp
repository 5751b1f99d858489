#include "app/components/app_events.h"
#include "app/components/open_picture_dialog.h"
#include "app/components/printer_setup_dialog.h"
#include "app/components/rx_label.h"
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
#include "platform/paths.h"
#include "settings/form_storage.h"

#include "fake_spooler.h"
#include "report/quick_rep.h"
#include "support/test_support.h"
#include "support/test_pictures.h"

#include <QTemporaryDir>
#include <QTest>

#include <filesystem>

using namespace testing_support;

namespace {

// The program as it stands after start-up's first two steps, with messages, printing and the
// modal windows caught.
class StartupTest : public ::testing::Test {
protected:
    StartupTest()
        : presenter(MessagePresenter(),
                    [this](const std::string& caption, const std::string& text) {
                        messages.push_back(caption + ": " + text);
                    }),
          print(ImprimirImagemSeam(), [this](TImprimeGrafico& report, const std::string& path) {
              printed.push_back(path + " on printer " + std::to_string(report.QuickRep->PrinterSettings()->PrinterIndex()));
              if (failPrinting)
                  throw EInvalidGraphic("Bitmap image is not valid");
          })
    {
        application.SetTitle(ViewerTitle);
        RegisterViewerClasses();
        CreateViewerWindows();
    }

    template <class T>
    T* component(const char* name)
    {
        auto* found = dynamic_cast<T*>(Form_Viewer->FindComponent(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    TApplication application;
    std::vector<std::string> messages;
    std::vector<std::string> printed;
    bool failPrinting = false;
    Seam<void(const std::string&, const std::string&)>::Scoped presenter;
    Seam<void(TImprimeGrafico&, const std::string&)>::Scoped print;
};

} // namespace

TEST_F(StartupTest, FiveWindowsInTheirOrderTheFirstOfThemTheMainWindow)
{
    struct Window {
        const char* className;
        const char* name;
        const char* caption;
        int clientWidth, clientHeight;
    };
    // Designed outer sizes less the 8 × 27 frame allowance (the about box is designed by its
    // client area).
    const Window expected[] = {
        {"TForm_Viewer", "Form_Viewer", "Pictavo 2.0", 584, 451},
        {"TSobre", "Sobre", "Sobre este Freeware", 363, 231},
        {"TImprimeGrafico", "ImprimeGrafico", "ImprimeGrafico", 688, 453},
        {"TForm_Zoom", "Form_Zoom", "Zoom", 536, 348},
        {"TForm_PrintPreview", "Form_PrintPreview", "Visualização ", 578, 424},
    };
    ASSERT_EQ(application.ComponentCount(), 5);
    for (int i = 0; i < 5; ++i) {
        auto* form = dynamic_cast<TForm*>(application.Components(i));
        ASSERT_NE(form, nullptr);
        SCOPED_TRACE(expected[i].name);
        EXPECT_EQ(form->ClassName(), expected[i].className);
        EXPECT_EQ(form->Name(), expected[i].name);
        EXPECT_EQ(form->Caption(), expected[i].caption);
        EXPECT_EQ(form->ClientWidth(), expected[i].clientWidth);
        EXPECT_EQ(form->ClientHeight(), expected[i].clientHeight);
        EXPECT_FALSE(form->Visible());
    }
    EXPECT_EQ(application.MainForm(), Form_Viewer);
    EXPECT_EQ(application.Components(1), Sobre);
    EXPECT_EQ(application.Components(2), ImprimeGrafico);
    EXPECT_EQ(application.Components(3), Form_Zoom);
    EXPECT_EQ(application.Components(4), Form_PrintPreview);
    EXPECT_EQ(application.Title(), "Pictavo 2");
    EXPECT_EQ(Sobre->BorderStyle(), bsDialog);
    EXPECT_EQ(Form_Zoom->Position(), poScreenCenter);
    EXPECT_EQ(Form_Zoom->Imagem->Align(), alClient);
    EXPECT_TRUE(Form_Zoom->Imagem->Stretch());
    EXPECT_TRUE(Form_PrintPreview->ShowHint());
    EXPECT_EQ(ImprimeGrafico->QuickRep->PrinterSettings()->PrinterIndex(), -1);
}

TEST_F(StartupTest, TheMainWindowShowsCentredWithItsMenuBarAndPanels)
{
    // The window's design turns the application's own showing of the main window off.
    EXPECT_FALSE(application.ShowMainForm());
    EXPECT_EQ(application.HintPause(), 500);
    EXPECT_EQ(application.HintShortPause(), 50);
    EXPECT_EQ(application.HintHidePause(), 2500);
    EXPECT_TRUE(application.ShowHint());
    EXPECT_EQ(application.HintColor(), clInfoBk);

    EXPECT_EQ(Form_Viewer->Tab_Imagem->Caption(), "&Imagem");
    EXPECT_EQ(StartViewer(ParseCommandLine({"pictavo"})), 0);
    ASSERT_TRUE(Form_Viewer->Visible());
    // (1024 - 592) / 2 and (768 - 478) / 2 on the offscreen screen.
    EXPECT_EQ(Form_Viewer->BoundsRect(), (TRect{216, 145, 808, 623}));
    EXPECT_EQ(Form_Viewer->ClientWidth(), 584);
    EXPECT_EQ(Form_Viewer->ClientHeight(), 451);
    EXPECT_FALSE(Form_Viewer->NativeMenuVisible());
    EXPECT_TRUE(Form_Viewer->ShowHint());
    EXPECT_EQ(Form_Viewer->ActiveControl(), Form_Viewer->List_Diretorio);
    EXPECT_EQ(Form_Viewer->Font()->Name(), "MS Sans Serif");
    EXPECT_EQ(Form_Viewer->Font()->Height(), -11);

    // The menu bar toolbar has a button for each menu.
    std::vector<std::string> buttons;
    for (int i = 0; i < Form_Viewer->MainMenu981->ControlCount(); ++i)
        buttons.push_back(Form_Viewer->MainMenu981->Controls(i)->Caption());
    EXPECT_EQ(buttons, (std::vector<std::string>{"&Arquivo", "E&xibir", "?"}));

    // Docks: the menu bar and a row of two toolbars on top, the three panels on the left, and
    // nothing at the right and the bottom.
    EXPECT_EQ(Form_Viewer->Dock_Topo->Align(), alTop);
    EXPECT_EQ(Form_Viewer->Dock_Topo->Height(), 52);
    EXPECT_EQ(Form_Viewer->MainMenu981->BoundsRect(), (TRect{0, 0, 584, 26}));
    EXPECT_EQ(Form_Viewer->tbar_Ferramentas->BoundsRect(), (TRect{0, 26, 111, 52}));
    EXPECT_EQ(Form_Viewer->tbar_Zoom->BoundsRect(), (TRect{164, 26, 164 + 45 + 13, 52}));
    EXPECT_EQ(Form_Viewer->Dock_Esquerda->BoundsRect(), (TRect{0, 52, 166, 451}));
    EXPECT_EQ(Form_Viewer->tbar_Drive->BoundsRect(), (TRect{0, 0, 166, 51}));
    EXPECT_EQ(Form_Viewer->tbar_Diretorios->BoundsRect(), (TRect{0, 51, 166, 212}));
    EXPECT_EQ(Form_Viewer->tbar_Arquivos->BoundsRect(), (TRect{0, 213, 166, 383}));
    EXPECT_EQ(Form_Viewer->Dock_Direita->Width(), 0);
    EXPECT_EQ(Form_Viewer->Dock_Rodape->Height(), 0);
    EXPECT_EQ(Form_Viewer->Tab_Controle->BoundsRect(), (TRect{166, 52, 584, 451}));
    // The file list reads its directory when its window is made, with nothing selected: no
    // picture and an empty tab caption.
    EXPECT_TRUE(Form_Viewer->Tab_Imagem->Showing());
    EXPECT_FALSE(Form_Viewer->Imagem->Visible());
    EXPECT_EQ(Form_Viewer->Tab_Imagem->Caption(), "");
}

TEST_F(StartupTest, TheMainWindowsComponentsAreSetAndWiredAsDesigned)
{
    TForm_Viewer& viewer = *Form_Viewer;

    struct Item {
        const char* name;
        const char* caption;
        int group;
        bool checked;
        bool hasHandler;
    };
    const Item items[] = {
        {"mnu_Arquivo", "&Arquivo", 0, false, false},
        {"mnu_Abrir", "&Abrir arquivo de imagem", 0, false, true},
        {"N2", "-", 0, false, false},
        {"mnu_VisualizarImpressao", "&Visualizar Impressão", 0, false, true},
        {"mnu_Imprimir", "&Imprimir", 0, false, true},
        {"N3", "-", 0, false, false},
        {"mnu_Configurarimpressora", "Con&figurar impressora", 0, false, true},
        {"mnu_Sair", "&Sair", 0, false, true},
        {"mnu_Exibir", "E&xibir", 0, false, false},
        {"mnu_ImagemNormal", "&Imagem Normal", 10, false, true},
        {"mnu_ImagemEsticada", "Imagem &Esticada", 10, true, true},
        {"N4", "-", 10, false, false},
        {"mnu_Drive", "&Drive", 10, true, true},
        {"mnu_Diretorios", "Di&retórios", 10, true, true},
        {"mnu_exibirarquivos", "&Arquivos", 10, true, true},
        {"mnu_BarradeFerramentas", "&Barra de Ferramentas", 10, true, true},
        {"mnu_Zoom", "&Zoom", 10, true, true},
        {"N1", "?", 0, false, false},
        {"mnu_Sobre", "Sobre...", 0, false, true},
    };
    auto* menu = component<TMainMenu>("MainMenu");
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(viewer.Menu(), menu);
    std::vector<std::string> order;
    for (int i = 0; i < menu->Items()->Count(); ++i) {
        TMenuItem* top = menu->Items()->Items(i);
        order.push_back(top->Name());
        for (int j = 0; j < top->Count(); ++j)
            order.push_back(top->Items(j)->Name());
    }
    std::vector<std::string> expectedOrder;
    for (const Item& item : items) {
        expectedOrder.push_back(item.name);
        auto* found = component<TMenuItem>(item.name);
        if (!found)
            continue;
        SCOPED_TRACE(item.name);
        EXPECT_EQ(found->Caption(), item.caption);
        EXPECT_EQ(found->GroupIndex(), item.group);
        EXPECT_EQ(found->Checked(), item.checked);
        EXPECT_FALSE(found->RadioItem());
        EXPECT_EQ(found->ShortCut(), scNone);
        EXPECT_EQ(bool(found->OnClick), item.hasHandler);
    }
    EXPECT_EQ(order, expectedOrder);

    struct Button {
        const char* name;
        const char* parent;
        int width;
        const char* hint;
        int numGlyphs;
        bool hasHandler;
    };
    const Button buttons[] = {
        {"tbar_AbrirArquivo", "tbar_Ferramentas", 23, "Abrir arquivo", 1, true},
        {"TBar_ConfiguraraImpressora", "tbar_Ferramentas", 23, "Configurar a Impressora", 1, true},
        {"tbar_VisualizarImpressao", "tbar_Ferramentas", 23, "Visualizar a Impressão", 1, true},
        {"tBar_Imprimir", "tbar_Ferramentas", 23, "Imprimir o arquivo selecionado", 1, true},
        {"tbar_ZoomNormal", "tbar_Zoom", 22, "Imagem Normal", 2, true},
        {"tbar_ZoomEsticado", "tbar_Zoom", 23, "", 2, true},
    };
    for (const Button& button : buttons) {
        auto* found = component<TToolbarButton97>(button.name);
        if (!found)
            continue;
        SCOPED_TRACE(button.name);
        EXPECT_EQ(found->Parent()->Name(), button.parent);
        EXPECT_EQ(found->Width(), button.width);
        EXPECT_EQ(found->Height(), 22);
        EXPECT_EQ(found->Hint(), button.hint);
        EXPECT_EQ(found->NumGlyphs(), button.numGlyphs);
        EXPECT_EQ(found->Glyph()->Height(), 16);
        EXPECT_EQ(found->Glyph()->Width(), 16 * button.numGlyphs);
        EXPECT_EQ(bool(found->OnClick), button.hasHandler);
    }
    EXPECT_EQ(component<TToolbarButton97>("TBar_ConfiguraraImpressora")->DisplayMode(), dmGlyphOnly);
    EXPECT_NE(component<TToolbarSep97>("tbar_Sep1"), nullptr);

    struct Panel {
        TCustomToolWindow97* window;
        const char* caption;
        TDock97* dock;
        TDock97* defaultDock;
        bool closeButton;
        bool hasOnClose;
    };
    // The Drive panel starts in the left dock, yet a double click on it floating docks it on top.
    const Panel panels[] = {
        {viewer.MainMenu981, "Menu Bar", viewer.Dock_Topo, viewer.Dock_Topo, false, false},
        {viewer.tbar_Ferramentas, "Ferramentas", viewer.Dock_Topo, viewer.Dock_Topo, true, true},
        {viewer.tbar_Zoom, "Zoom", viewer.Dock_Topo, viewer.Dock_Topo, true, true},
        {viewer.tbar_Drive, "Drive", viewer.Dock_Esquerda, viewer.Dock_Topo, true, true},
        {viewer.tbar_Diretorios, "Diretórios", viewer.Dock_Esquerda, viewer.Dock_Esquerda, true, true},
        {viewer.tbar_Arquivos, "Arquivos Gráficos", viewer.Dock_Esquerda, viewer.Dock_Esquerda, true, true},
    };
    for (const Panel& panel : panels) {
        SCOPED_TRACE(panel.caption);
        EXPECT_EQ(panel.window->Caption(), panel.caption);
        EXPECT_EQ(panel.window->DockedTo(), panel.dock);
        EXPECT_EQ(panel.window->DefaultDock(), panel.defaultDock);
        EXPECT_EQ(panel.window->CloseButton(), panel.closeButton);
        EXPECT_EQ(bool(panel.window->OnClose), panel.hasOnClose);
    }
    EXPECT_TRUE(viewer.MainMenu981->FullSize());
    EXPECT_TRUE(viewer.MainMenu981->DoubleSpeed());
    EXPECT_EQ(viewer.MainMenu981->StatusBarIndex(), 0);
    EXPECT_EQ(viewer.MainMenu981->MainMenu(), menu);
    EXPECT_EQ(viewer.tbar_Drive->DefaultDock(), viewer.Dock_Topo);
    EXPECT_EQ(viewer.tbar_Arquivos->DefaultDock(), viewer.Dock_Esquerda);
    EXPECT_EQ(viewer.tbar_Zoom->DockPos(), 164);
    EXPECT_EQ(viewer.tbar_Arquivos->DockPos(), 213);

    auto* driveLabel = component<TRxLabel>("RxLabel1");
    EXPECT_EQ(driveLabel->Caption(), "Drive");
    EXPECT_EQ(driveLabel->Align(), alTop);
    EXPECT_EQ(driveLabel->Height(), 13);
    EXPECT_EQ(component<TRxLabel>("RxLabel2")->Caption(), "Diretórios");
    EXPECT_EQ(component<TRxLabel>("RxLabel3")->Caption(), "Arquivos");
    EXPECT_EQ(viewer.Combo_Drive->BoundsRect(), (TRect{2, 16, 147, 35}));
    EXPECT_EQ(viewer.Combo_Drive->DirList(), viewer.List_Diretorio);
    EXPECT_EQ(viewer.List_Diretorio->FileList(), viewer.Lista_Arquivos);
    EXPECT_EQ(viewer.Lista_Arquivos->DirList(), viewer.List_Diretorio);
    EXPECT_EQ(viewer.List_Diretorio->ItemHeight(), 16);
    EXPECT_EQ(viewer.Lista_Arquivos->ItemHeight(), 13);
    EXPECT_EQ(viewer.List_Diretorio->Align(), alClient);
    // Every extension the format registry knows, the design's six among them.
    EXPECT_EQ(viewer.Lista_Arquivos->Mask(), RegisteredPictureMask());
    for (const char* pattern : {"*.bmp;", "*.jpg;", "*.jpeg;", "*.gif;", "*.png;", "*.ico;", "*.emf;"})
        EXPECT_NE(viewer.Lista_Arquivos->Mask().find(pattern), std::string::npos) << pattern;
    EXPECT_TRUE(bool(viewer.Lista_Arquivos->OnChange));
    EXPECT_TRUE(bool(viewer.Lista_Arquivos->OnDblClick));

    EXPECT_EQ(viewer.Tab_Controle->Align(), alClient);
    EXPECT_EQ(viewer.Tab_Controle->TabPosition(), tpBottom);
    EXPECT_EQ(viewer.Tab_Controle->ActivePage(), viewer.Tab_Imagem);
    EXPECT_EQ(viewer.Tab_Imagem->Caption(), "&Imagem");
    EXPECT_EQ(viewer.ScrollBox->Parent(), viewer.Tab_Imagem);
    EXPECT_EQ(viewer.ScrollBox->Align(), alClient);
    EXPECT_EQ(viewer.Imagem->Parent(), viewer.ScrollBox);
    EXPECT_EQ(viewer.Imagem->Align(), alClient);
    EXPECT_TRUE(viewer.Imagem->AutoSize());
    EXPECT_TRUE(viewer.Imagem->Stretch());
    EXPECT_FALSE(viewer.Imagem->Center());
    EXPECT_FALSE(viewer.Imagem->Transparent());
    EXPECT_TRUE(bool(viewer.Imagem->OnDblClick));

    EXPECT_EQ(viewer.OpenPictureDialog->Filter(), PictureFilter(TGraphic::StaticClass()));
    EXPECT_NE(component<TPrinterSetupDialog>("PrinterSetupDialog"), nullptr);
    for (auto [bitmaps, item] : {std::pair{"MenuItemBitmaps1", "mnu_Abrir"}, std::pair{"MenuItemBitmaps2", "mnu_Imprimir"}}) {
        auto* found = component<TMenuItemBitmaps>(bitmaps);
        EXPECT_TRUE(found->SingleBitmap());
        EXPECT_EQ(found->MenuItem(), component<TMenuItem>(item));
        EXPECT_EQ(component<TMenuItem>(item)->UncheckedBitmap(), static_cast<TDrawable*>(found->UncheckedBitmap()));
        EXPECT_EQ(component<TMenuItem>(item)->CheckedBitmap(), static_cast<TDrawable*>(found->CheckedBitmap()));
        EXPECT_FALSE(found->CheckedBitmap()->IsEmpty());
    }
    EXPECT_FALSE(component<TAppEvents>("AppEvents")->ShowMainForm());
    EXPECT_TRUE(viewer.RxTrayIcon->Active());
    EXPECT_EQ(viewer.RxTrayIcon->Hint(), "");

    TFormStorage& storage = *viewer.FormStorage;
    EXPECT_TRUE(storage.Active());
    EXPECT_EQ(storage.IniFileName(), "pictavo.ini");
    EXPECT_EQ(storage.IniSection(), "Pictavo");
    EXPECT_EQ(storage.MinMaxInfo()->MinTrackWidth(), 300);
    EXPECT_EQ(storage.MinMaxInfo()->MinTrackHeight(), 250);
    EXPECT_EQ(storage.MinMaxInfo()->MaxTrackWidth(), 0);
    EXPECT_EQ(storage.Options(), (1u << fpState) | (1u << fpPosition));
    EXPECT_EQ(storage.StoredProps()->ToVector(),
              (std::vector<std::string>{
                  "MainMenu981.DockedTo", "MainMenu981.DockPos", "MainMenu981.DockRow", "tbar_Arquivos.DockedTo",
                  "tbar_Arquivos.DockPos", "tbar_Arquivos.DockRow", "tbar_Arquivos.Visible", "Combo_Drive.Visible",
                  "List_Diretorio.Visible", "Lista_Arquivos.Visible", "mnu_BarradeFerramentas.Checked",
                  "mnu_Diretorios.Checked", "mnu_Drive.Checked", "mnu_exibirarquivos.Checked",
                  "mnu_ImagemEsticada.Checked", "mnu_ImagemNormal.Checked", "tbar_Diretorios.Visible",
                  "tbar_Drive.Visible", "tbar_Ferramentas.Visible", "tbar_Zoom.Visible"}));
    EXPECT_EQ(storage.BoundProps().size(), 20u);
    // Each stored property is one the component publishes.
    for (const StoredPropsLine& line : storage.BoundProps())
        EXPECT_NE(line.component->Properties()->Find(line.property), nullptr) << line.line;
}

TEST_F(StartupTest, TheImprimirToolbarButtonWithNothingChosenPrintsNothing)
{
    StartViewer(ParseCommandLine({"pictavo"}));
    auto* button = component<TToolbarButton97>("tBar_Imprimir");
    QTest::mouseClick(button->Widget(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(printed.empty());
    EXPECT_TRUE(messages.empty());
}

TEST_F(StartupTest, AnythingButTheSwitchAndAFileShowsTheMainWindow)
{
    const std::vector<std::vector<std::string>> commandLines = {
        {"pictavo"},
        {"pictavo", "foto.bmp"},
        {"pictavo", "/PRINT"},
        {"pictavo", "/PRINTER", "foto.bmp"},
        {"pictavo", "-print", "foto.bmp"},
        {"pictavo", "print", "foto.bmp"},
    };
    for (const auto& commandLine : commandLines) {
        SCOPED_TRACE(commandLine.back());
        Form_Viewer->SetVisible(false);
        EXPECT_EQ(StartViewer(ParseCommandLine(commandLine)), 0);
        EXPECT_TRUE(Form_Viewer->Visible());
        EXPECT_FALSE(application.Terminated());
    }
    EXPECT_TRUE(printed.empty());
}

namespace {

// Runs a test with the process's current directory in a fresh temporary directory.
class InTemporaryDirectory {
public:
    InTemporaryDirectory() : m_previous(std::filesystem::current_path())
    {
        std::filesystem::current_path(m_directory.path().toStdString());
    }
    ~InTemporaryDirectory() { std::filesystem::current_path(m_previous); }
    std::string path() const { return m_directory.path().toStdString(); }
    // The drive-letter path of a name in the directory.
    std::string driveLetterPath(const std::string& name) const
    {
        return platform::toDriveLetterPath(path() + "/" + name).value();
    }

private:
    QTemporaryDir m_directory;
    std::filesystem::path m_previous;
};

} // namespace

TEST_F(StartupTest, BatchModePrintsEachExistingFileOnTheFirstPrinterAndEnds)
{
    InTemporaryDirectory directory;
    writeFile(directory.path(), "a.bmp", quadrantBitmap(2, 2));
    writeFile(directory.path(), "b.jpg", "not looked at before printing");
    std::filesystem::create_directory(directory.path() + "/pasta.bmp");
    const std::string absolute = directory.path() + "/a.bmp";
    const StartupCommand command =
        ParseCommandLine({"pictavo", "/print", "a.bmp", "falta.bmp", "pasta.bmp", "b.jpg", absolute});
    EXPECT_EQ(StartViewer(command), 0);
    const std::string a = directory.driveLetterPath("a.bmp");
    const std::string b = directory.driveLetterPath("b.jpg");
    EXPECT_EQ(printed, (std::vector<std::string>{a + " on printer 0", b + " on printer 0", a + " on printer 0"}));
    EXPECT_TRUE(application.Terminated());
    EXPECT_FALSE(Form_Viewer->Visible());
    EXPECT_TRUE(messages.empty());
    // The loop ends at once and the window is never shown.
    application.Run();
    EXPECT_FALSE(Form_Viewer->Visible());
}

TEST_F(StartupTest, BatchModeOfMissingFilesPrintsNothing)
{
    InTemporaryDirectory directory;
    EXPECT_EQ(StartViewer(ParseCommandLine({"pictavo", "/PrInT", "falta1.bmp", "falta2.bmp"})), 0);
    EXPECT_TRUE(printed.empty());
    EXPECT_TRUE(application.Terminated());
    EXPECT_FALSE(Form_Viewer->Visible());
}

TEST_F(StartupTest, AFailedPrintIsShownAndEndsTheBatchWithStatusOne)
{
    InTemporaryDirectory directory;
    writeFile(directory.path(), "a.bmp", "");
    writeFile(directory.path(), "b.bmp", "");
    failPrinting = true;
    EXPECT_EQ(StartViewer(ParseCommandLine({"pictavo", "/PRINT", "a.bmp", "b.bmp"})), 1);
    EXPECT_EQ(printed.size(), 1u);
    EXPECT_EQ(messages, (std::vector<std::string>{"Pictavo 2: Bitmap image is not valid"}));
    EXPECT_TRUE(application.Terminated());
    EXPECT_FALSE(Form_Viewer->Visible());
}

TEST(StartupPrinting, WithoutAPrinterTheBatchEndsWithPrinterIndexOutOfRange)
{
    // The program's own printing path, not a test's, on a system without printers.
    FakeSpooler noPrinters;
    platform::ScopedSpooler spooler(noPrinters);
    TApplication application;
    application.SetTitle(ViewerTitle);
    RegisterViewerClasses();
    CreateViewerWindows();
    std::vector<std::string> messages;
    Seam<void(const std::string&, const std::string&)>::Scoped presenter(
        MessagePresenter(), [&](const std::string& caption, const std::string& text) { messages.push_back(caption + ": " + text); });
    InTemporaryDirectory directory;
    writeFile(directory.path(), "a.bmp", quadrantBitmap(2, 2));
    writeFile(directory.path(), "b.bmp", quadrantBitmap(2, 2));
    EXPECT_EQ(StartViewer(ParseCommandLine({"pictavo", "/print", "a.bmp", "b.bmp"})), 1);
    EXPECT_EQ(messages, (std::vector<std::string>{"Pictavo 2: Printer index out of range"}));
    EXPECT_TRUE(application.Terminated());
    EXPECT_EQ(ImprimeGrafico->QRImage->Picture()->Graphic(), nullptr) << "the picture is let go";
}
