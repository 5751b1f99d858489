#pragma once
// The main window: three dockable panels walk drives, directories and picture files; the
// picture selected in the file list shows in the tabbed picture area, at its own size or
// stretched; a double click opens it in a zoom window. The menu (shown as a dockable menu bar)
// and two toolbars reach the open dialog, the display modes, printing, the panels and the about
// box.
//
// The picture shown is always the file list's selection: the open command only steers the three
// lists to the chosen file, and the file list's change shows it.

#include "framework/forms.h"

#include <string>

class TDock97;
class TMainMenu98;
class TToolbar97;
class TToolWindow97;
class TDriveComboBox;
class TDirectoryListBox;
class TFileListBox;
class TPageControl;
class TTabSheet;
class TScrollBox;
class TImage;
class TMenuItem;
class TOpenPictureDialog;
class TPrinterSetupDialog;
class TRxTrayIcon;
class TFormStorage;

class TForm_Viewer : public TForm {
    PICTAVO_CLASS(TForm_Viewer)
public:
    explicit TForm_Viewer(TComponent* owner);
    ~TForm_Viewer() override;

    // The last n characters of s (all of s when shorter; empty for n <= 0).
    static std::string Right(const std::string& s, int n);
    // The text before the last backslash; empty when there is none.
    static std::string GetPath(const std::string& s);
    // The text after the last backslash (all of s when there is none).
    static std::string GetFileName(const std::string& s);

    // Opens a zoom window on the picture shown, captioned with the path p (selected first).
    void ZoomImagem(const std::string& p);

    // Folder browsing and the open command.
    void Lista_ArquivosChange(TObject* Sender);
    void Lista_ArquivosDblClick(TObject* Sender);
    void mnu_AbrirClick(TObject* Sender);
    void tbar_AbrirArquivoClick(TObject* Sender);
    // Display modes and zoom windows.
    void tbar_ZoomNormalClick(TObject* Sender);
    void tbar_ZoomEsticadoClick(TObject* Sender);
    void mnu_ImagemNormalClick(TObject* Sender);
    void mnu_ImagemEsticadaClick(TObject* Sender);
    void ImagemDblClick(TObject* Sender);
    // Printing.
    void mnu_VisualizarImpressaoClick(TObject* Sender);
    void tbar_VisualizarImpressaoClick(TObject* Sender);
    void mnu_ImprimirClick(TObject* Sender);
    void mnu_ConfigurarimpressoraClick(TObject* Sender);
    void TBar_ConfiguraraImpressoraClick(TObject* Sender);
    // Panels: the menu item's check mark decides; a panel's close button clears the mark.
    void mnu_DriveClick(TObject* Sender);
    void mnu_DiretoriosClick(TObject* Sender);
    void mnu_exibirarquivosClick(TObject* Sender);
    void mnu_BarradeFerramentasClick(TObject* Sender);
    void mnu_ZoomClick(TObject* Sender);
    void tbar_DriveClose(TObject* Sender);
    void tbar_DiretoriosClose(TObject* Sender);
    void tbar_ArquivosClose(TObject* Sender);
    void tbar_FerramentasClose(TObject* Sender);
    void tbar_ZoomClose(TObject* Sender);
    // The rest of the menu.
    void mnu_SairClick(TObject* Sender);
    void mnu_SobreClick(TObject* Sender);

    TDock97* Dock_Topo = nullptr;
    TDock97* Dock_Esquerda = nullptr;
    TDock97* Dock_Direita = nullptr;
    TDock97* Dock_Rodape = nullptr;
    TMainMenu98* MainMenu981 = nullptr;
    TToolbar97* tbar_Ferramentas = nullptr;
    TToolbar97* tbar_Zoom = nullptr;
    TToolWindow97* tbar_Drive = nullptr;
    TToolWindow97* tbar_Diretorios = nullptr;
    TToolWindow97* tbar_Arquivos = nullptr;
    TDriveComboBox* Combo_Drive = nullptr;
    TDirectoryListBox* List_Diretorio = nullptr;
    TFileListBox* Lista_Arquivos = nullptr;
    TPageControl* Tab_Controle = nullptr;
    TTabSheet* Tab_Imagem = nullptr;
    TScrollBox* ScrollBox = nullptr;
    TImage* Imagem = nullptr;
    TMenuItem* mnu_ImagemNormal = nullptr;
    TMenuItem* mnu_ImagemEsticada = nullptr;
    TMenuItem* mnu_Drive = nullptr;
    TMenuItem* mnu_Diretorios = nullptr;
    TMenuItem* mnu_exibirarquivos = nullptr;
    TMenuItem* mnu_BarradeFerramentas = nullptr;
    TMenuItem* mnu_Zoom = nullptr;
    TOpenPictureDialog* OpenPictureDialog = nullptr;
    TPrinterSetupDialog* PrinterSetupDialog = nullptr;
    TRxTrayIcon* RxTrayIcon = nullptr;
    TFormStorage* FormStorage = nullptr;

private:
    void registerHandlers();
    void findComponents();
    // Shows or hides a panel by its menu item's check mark, then inverts the mark.
    static void togglePanel(TControl& panel, TMenuItem& item);
};

// The main window made at start-up (null before).
extern TForm_Viewer* Form_Viewer;
