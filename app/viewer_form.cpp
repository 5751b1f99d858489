#include "app/viewer_form.h"

#include "app/components/open_picture_dialog.h"
#include "app/components/printer_setup_dialog.h"
#include "app/components/tray_icon.h"
#include "app/design_components.h"
#include "app/other_forms.h"
#include "docking/docking.h"
#include "filelists/filelists.h"
#include "framework/ext_controls.h"
#include "framework/menus.h"
#include "picture/image.h"
#include "platform/ascii_text.h"
#include "platform/drives/drives.h"
#include "settings/form_storage.h"

#include <array>

TForm_Viewer* Form_Viewer = nullptr;

namespace {

// The endings (last four characters, in any case) of the files the picture area shows. "JPEG"
// has no dot so that ".jpeg" names are shown too.
constexpr std::array<const char*, 7> pictureEndings = {".GIF", ".BMP", ".ICO", ".EMF", ".WMF", ".JPG", "JPEG"};
constexpr auto iconEnding = ".ICO";

bool isPictureEnding(std::string_view ending)
{
    for (const char* known : pictureEndings)
        if (platform::sameTextIgnoringAsciiCase(ending, known))
            return true;
    return false;
}

// Files of every other registered format are shown too: those whose extension (the text after
// the last dot of the name) the picture registry knows.
bool hasRegisteredExtension(const std::string& path)
{
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || path.find_first_of("\\:", dot) != std::string::npos || dot + 1 == path.size())
        return false;
    return FileFormats().FindExt(path.substr(dot + 1)) != nullptr;
}

} // namespace

PICTAVO_DEFINE_CLASS(TForm_Viewer, TForm, nullptr, nullptr)

TForm_Viewer::TForm_Viewer(TComponent* owner) : TForm(owner)
{
    registerHandlers();
    LoadDesign("Form_Viewer");
    findComponents();
    // The file list and the open dialog offer every format the registry reads, not only
    // those the design names.
    Lista_Arquivos->SetMask(RegisteredPictureMask());
    OpenPictureDialog->SetFilter(PictureFilter(TGraphic::StaticClass()));
}

TForm_Viewer::~TForm_Viewer()
{
    // The storage component saves from the destroy event; the components must still be there.
    DoDestroy();
    DestroyComponents();
}

void TForm_Viewer::registerHandlers()
{
    RegisterHandler("Lista_ArquivosChange", this, &TForm_Viewer::Lista_ArquivosChange);
    RegisterHandler("Lista_ArquivosDblClick", this, &TForm_Viewer::Lista_ArquivosDblClick);
    RegisterHandler("mnu_AbrirClick", this, &TForm_Viewer::mnu_AbrirClick);
    RegisterHandler("tbar_AbrirArquivoClick", this, &TForm_Viewer::tbar_AbrirArquivoClick);
    RegisterHandler("tbar_ZoomNormalClick", this, &TForm_Viewer::tbar_ZoomNormalClick);
    RegisterHandler("tbar_ZoomEsticadoClick", this, &TForm_Viewer::tbar_ZoomEsticadoClick);
    RegisterHandler("mnu_ImagemNormalClick", this, &TForm_Viewer::mnu_ImagemNormalClick);
    RegisterHandler("mnu_ImagemEsticadaClick", this, &TForm_Viewer::mnu_ImagemEsticadaClick);
    RegisterHandler("ImagemDblClick", this, &TForm_Viewer::ImagemDblClick);
    RegisterHandler("mnu_VisualizarImpressaoClick", this, &TForm_Viewer::mnu_VisualizarImpressaoClick);
    RegisterHandler("tbar_VisualizarImpressaoClick", this, &TForm_Viewer::tbar_VisualizarImpressaoClick);
    RegisterHandler("mnu_ImprimirClick", this, &TForm_Viewer::mnu_ImprimirClick);
    RegisterHandler("mnu_ConfigurarimpressoraClick", this, &TForm_Viewer::mnu_ConfigurarimpressoraClick);
    RegisterHandler("TBar_ConfiguraraImpressoraClick", this, &TForm_Viewer::TBar_ConfiguraraImpressoraClick);
    RegisterHandler("mnu_DriveClick", this, &TForm_Viewer::mnu_DriveClick);
    RegisterHandler("mnu_DiretoriosClick", this, &TForm_Viewer::mnu_DiretoriosClick);
    RegisterHandler("mnu_exibirarquivosClick", this, &TForm_Viewer::mnu_exibirarquivosClick);
    RegisterHandler("mnu_BarradeFerramentasClick", this, &TForm_Viewer::mnu_BarradeFerramentasClick);
    RegisterHandler("mnu_ZoomClick", this, &TForm_Viewer::mnu_ZoomClick);
    RegisterHandler("tbar_DriveClose", this, &TForm_Viewer::tbar_DriveClose);
    RegisterHandler("tbar_DiretoriosClose", this, &TForm_Viewer::tbar_DiretoriosClose);
    RegisterHandler("tbar_ArquivosClose", this, &TForm_Viewer::tbar_ArquivosClose);
    RegisterHandler("tbar_FerramentasClose", this, &TForm_Viewer::tbar_FerramentasClose);
    RegisterHandler("tbar_ZoomClose", this, &TForm_Viewer::tbar_ZoomClose);
    RegisterHandler("mnu_SairClick", this, &TForm_Viewer::mnu_SairClick);
    RegisterHandler("mnu_SobreClick", this, &TForm_Viewer::mnu_SobreClick);
}

void TForm_Viewer::findComponents()
{
    Dock_Topo = DesignComponent<TDock97>(*this, "Dock_Topo");
    Dock_Esquerda = DesignComponent<TDock97>(*this, "Dock_Esquerda");
    Dock_Direita = DesignComponent<TDock97>(*this, "Dock_Direita");
    Dock_Rodape = DesignComponent<TDock97>(*this, "Dock_Rodape");
    MainMenu981 = DesignComponent<TMainMenu98>(*this, "MainMenu981");
    tbar_Ferramentas = DesignComponent<TToolbar97>(*this, "tbar_Ferramentas");
    tbar_Zoom = DesignComponent<TToolbar97>(*this, "tbar_Zoom");
    tbar_Drive = DesignComponent<TToolWindow97>(*this, "tbar_Drive");
    tbar_Diretorios = DesignComponent<TToolWindow97>(*this, "tbar_Diretorios");
    tbar_Arquivos = DesignComponent<TToolWindow97>(*this, "tbar_Arquivos");
    Combo_Drive = DesignComponent<TDriveComboBox>(*this, "Combo_Drive");
    List_Diretorio = DesignComponent<TDirectoryListBox>(*this, "List_Diretorio");
    Lista_Arquivos = DesignComponent<TFileListBox>(*this, "Lista_Arquivos");
    Tab_Controle = DesignComponent<TPageControl>(*this, "Tab_Controle");
    Tab_Imagem = DesignComponent<TTabSheet>(*this, "Tab_Imagem");
    ScrollBox = DesignComponent<TScrollBox>(*this, "ScrollBox");
    Imagem = DesignComponent<TImage>(*this, "Imagem");
    mnu_ImagemNormal = DesignComponent<TMenuItem>(*this, "mnu_ImagemNormal");
    mnu_ImagemEsticada = DesignComponent<TMenuItem>(*this, "mnu_ImagemEsticada");
    mnu_Drive = DesignComponent<TMenuItem>(*this, "mnu_Drive");
    mnu_Diretorios = DesignComponent<TMenuItem>(*this, "mnu_Diretorios");
    mnu_exibirarquivos = DesignComponent<TMenuItem>(*this, "mnu_exibirarquivos");
    mnu_BarradeFerramentas = DesignComponent<TMenuItem>(*this, "mnu_BarradeFerramentas");
    mnu_Zoom = DesignComponent<TMenuItem>(*this, "mnu_Zoom");
    OpenPictureDialog = DesignComponent<TOpenPictureDialog>(*this, "OpenPictureDialog");
    PrinterSetupDialog = DesignComponent<TPrinterSetupDialog>(*this, "PrinterSetupDialog");
    RxTrayIcon = DesignComponent<TRxTrayIcon>(*this, "RxTrayIcon");
    FormStorage = DesignComponent<TFormStorage>(*this, "FormStorage");
}

// --- path operations ---

std::string TForm_Viewer::Right(const std::string& s, int n)
{
    if (n <= 0)
        return {};
    if (std::size_t(n) >= s.size())
        return s;
    return s.substr(s.size() - std::size_t(n));
}

std::string TForm_Viewer::GetPath(const std::string& s)
{
    const std::size_t slash = s.rfind('\\');
    return slash == std::string::npos ? std::string() : s.substr(0, slash);
}

std::string TForm_Viewer::GetFileName(const std::string& s)
{
    const std::size_t slash = s.rfind('\\');
    return slash == std::string::npos ? s : s.substr(slash + 1);
}

// --- folder browsing and the open command ---

void TForm_Viewer::Lista_ArquivosChange(TObject*)
{
    // The lists may report changes while the window is still being built.
    if (!Imagem || !RxTrayIcon)
        return;
    const std::string p = Lista_Arquivos->SelectedPath();
    const std::string e = Right(p, 4);
    // The caption follows the selection even when the picture then fails to load.
    Tab_Imagem->SetCaption(GetFileName(p));
    if (isPictureEnding(e) || hasRegisteredExtension(p)) {
        Imagem->Picture()->LoadFile(p);
        Imagem->SetVisible(true);
    } else {
        Imagem->SetVisible(false);
    }
    if (platform::sameTextIgnoringAsciiCase(e, iconEnding))
        RxTrayIcon->Icon()->LoadFile(p);
    else
        RxTrayIcon->Icon()->ReplaceGraphic(nullptr);
}

void TForm_Viewer::Lista_ArquivosDblClick(TObject*)
{
    ZoomImagem(Lista_Arquivos->SelectedPath());
}

void TForm_Viewer::mnu_AbrirClick(TObject*)
{
    if (!OpenPictureDialog->Execute())
        return;
    const std::string f = OpenPictureDialog->FileName();
    // Each step makes the file list read its directory again; the last one selects the file,
    // and the file list's change shows it.
    Combo_Drive->SetCurrentDrive(f.empty() ? char(0) : f[0]);
    List_Diretorio->SetCurrentDirectory(GetPath(f));
    Lista_Arquivos->SetSelectedPath(GetFileName(f));
}

void TForm_Viewer::tbar_AbrirArquivoClick(TObject* Sender)
{
    mnu_AbrirClick(Sender);
}

// --- display modes and zoom windows ---

void TForm_Viewer::tbar_ZoomNormalClick(TObject*)
{
    // Freed from the client alignment first, the image then takes the picture's size.
    Imagem->SetAlign(alNone);
    Imagem->SetStretch(false);
}

void TForm_Viewer::tbar_ZoomEsticadoClick(TObject*)
{
    Imagem->SetAlign(alClient);
    Imagem->SetStretch(true);
}

void TForm_Viewer::mnu_ImagemNormalClick(TObject* Sender)
{
    mnu_ImagemNormal->SetChecked(!mnu_ImagemNormal->Checked());
    mnu_ImagemEsticada->SetChecked(!mnu_ImagemEsticada->Checked());
    tbar_ZoomNormalClick(Sender);
}

void TForm_Viewer::mnu_ImagemEsticadaClick(TObject* Sender)
{
    mnu_ImagemNormal->SetChecked(!mnu_ImagemNormal->Checked());
    mnu_ImagemEsticada->SetChecked(!mnu_ImagemEsticada->Checked());
    tbar_ZoomEsticadoClick(Sender);
}

void TForm_Viewer::ImagemDblClick(TObject*)
{
    ZoomImagem(Lista_Arquivos->SelectedPath());
}

void TForm_Viewer::ZoomImagem(const std::string& p)
{
    Lista_Arquivos->SetSelectedPath(p);
    auto* zoom = new TForm_Zoom(this);
    zoom->SetCaption(p);
    // The picture is copied, not read from the file again.
    zoom->Imagem->SetPicture(Imagem->Picture());
    zoom->SetBounds(zoom->Left(), zoom->Top(), Imagem->Picture()->Width(), Imagem->Picture()->Height());
    zoom->SetPosition(poScreenCenter);
    zoom->Show();
}

// --- printing ---

void TForm_Viewer::mnu_VisualizarImpressaoClick(TObject*)
{
    const std::string p = Lista_Arquivos->SelectedPath();
    if (!p.empty() && platform::fileExists(p))
        ImprimeGrafico->VisualizarImagem(p);
}

void TForm_Viewer::tbar_VisualizarImpressaoClick(TObject* Sender)
{
    mnu_VisualizarImpressaoClick(Sender);
}

void TForm_Viewer::mnu_ImprimirClick(TObject*)
{
    const std::string p = Lista_Arquivos->SelectedPath();
    if (!p.empty() && platform::fileExists(p))
        ImprimeGrafico->ImprimirImagem(p);
}

void TForm_Viewer::mnu_ConfigurarimpressoraClick(TObject*)
{
    PrinterSetupDialog->Execute();
}

void TForm_Viewer::TBar_ConfiguraraImpressoraClick(TObject* Sender)
{
    mnu_ConfigurarimpressoraClick(Sender);
}

// --- panels ---

void TForm_Viewer::togglePanel(TControl& panel, TMenuItem& item)
{
    // The check mark alone decides; the panel's own visibility is not consulted.
    panel.SetVisible(!item.Checked());
    item.SetChecked(!item.Checked());
}

void TForm_Viewer::mnu_DriveClick(TObject*)
{
    togglePanel(*tbar_Drive, *mnu_Drive);
}

void TForm_Viewer::mnu_DiretoriosClick(TObject*)
{
    togglePanel(*tbar_Diretorios, *mnu_Diretorios);
}

void TForm_Viewer::mnu_exibirarquivosClick(TObject*)
{
    togglePanel(*tbar_Arquivos, *mnu_exibirarquivos);
}

void TForm_Viewer::mnu_BarradeFerramentasClick(TObject*)
{
    togglePanel(*tbar_Ferramentas, *mnu_BarradeFerramentas);
}

void TForm_Viewer::mnu_ZoomClick(TObject*)
{
    togglePanel(*tbar_Zoom, *mnu_Zoom);
}

void TForm_Viewer::tbar_DriveClose(TObject*)
{
    mnu_Drive->SetChecked(false);
}

void TForm_Viewer::tbar_DiretoriosClose(TObject*)
{
    mnu_Diretorios->SetChecked(false);
}

void TForm_Viewer::tbar_ArquivosClose(TObject*)
{
    mnu_exibirarquivos->SetChecked(false);
}

void TForm_Viewer::tbar_FerramentasClose(TObject*)
{
    mnu_BarradeFerramentas->SetChecked(false);
}

void TForm_Viewer::tbar_ZoomClose(TObject*)
{
    mnu_Zoom->SetChecked(false);
}

// --- the rest of the menu ---

void TForm_Viewer::mnu_SairClick(TObject*)
{
    Close();
}

void TForm_Viewer::mnu_SobreClick(TObject*)
{
    Sobre->ShowModal();
}
