#pragma once
// The program's windows besides the main window and the about box: the report form, the zoom
// window and the print preview window. Each is built from its window design; the report form's
// report and the preview window's controls come with their own features.

#include "app/sobre.h"
#include "framework/forms.h"
#include "platform/seam.h"

#include <string>

class TImage;
class TQRBand;
class TQRImage;
class TQRPreview;
class TQuickRep;

// The report form that lays one picture on a page; never shown itself. Its report prints on
// the printer its printer settings name.
class TImprimeGrafico : public TForm {
    PICTAVO_CLASS(TImprimeGrafico)
public:
    explicit TImprimeGrafico(TComponent* owner);

    // Lays the picture of the file out on a page and previews it; returns when the preview is
    // replaced by another or the application ends.
    void VisualizarImagem(const std::string& p);
    // Lays the picture of the file out on a page and prints it.
    void ImprimirImagem(const std::string& p);
    // The report's preview handler: shows the report printer's pages in the preview window.
    void QuickRepPreview(TObject* Sender);

    // The picture's orientation, band and image sizes; the picture is held only for one run.
    void LayOut(const std::string& p);

    TQuickRep* QuickRep = nullptr;
    TQRBand* DetailBand = nullptr;
    TQRImage* QRImage = nullptr;
};

// What VisualizarImagem does with a file: by default, lay it out and preview it, waiting until
// the user closes the preview. Tests put their own in place. Printing waits for no one: tests
// see what it prints through the spooler's seam.
Seam<void(TImprimeGrafico&, const std::string&)>& VisualizarImagemSeam();

// A zoom window: the picture stretched over the whole client area. Closing it frees it.
// A zoom window: the picture stretched over the client area. Its outer size starts as the
// picture's, but the client area is never smaller than 64 × 32, so that the window of a tiny
// picture can still be seen and grabbed.
class TForm_Zoom : public TForm {
    PICTAVO_CLASS(TForm_Zoom)
public:
    static constexpr int minimumClientWidth = 64;
    static constexpr int minimumClientHeight = 32;

    explicit TForm_Zoom(TComponent* owner);

    void FormClose(TObject* Sender, TCloseAction& Action);

    TImage* Imagem = nullptr;
};

// The print preview window: the preview control over the client area, and the handlers of its
// toolbar's buttons. Closing it only hides it; the preview stays attached.
class TForm_PrintPreview : public TForm {
    PICTAVO_CLASS(TForm_PrintPreview)
public:
    explicit TForm_PrintPreview(TComponent* owner);

    void tbar_zoomtowidthClick(TObject* Sender);
    void tbar_vizualizarnotamanhoClick(TObject* Sender);
    void ToolbarButton971Click(TObject* Sender);
    void tbar_primeiraClick(TObject* Sender);
    void tbar_anteriorClick(TObject* Sender);
    void tbar_proximaClick(TObject* Sender);
    void tbar_ultimaClick(TObject* Sender);
    void tbar_SetupClick(TObject* Sender);
    void tbar_ImprimirClick(TObject* Sender);
    void tbar_fecharClick(TObject* Sender);

    TQRPreview* QRPreview = nullptr;
};

// The application-wide references of the windows made at start-up (null before).
extern TImprimeGrafico* ImprimeGrafico;
extern TForm_Zoom* Form_Zoom;
extern TForm_PrintPreview* Form_PrintPreview;
