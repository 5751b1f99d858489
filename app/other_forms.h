#pragma once
// The program's windows besides the main window and the about box: the report form, the zoom
// window and the print preview window. Each is built from its window design; the report form's
// report and the preview window's controls come with their own features.

#include "app/sobre.h"
#include "framework/forms.h"
#include "framework/seams.h"

#include <string>

class TImage;

// The report form that lays one picture on a page; never shown itself.
class TImprimeGrafico : public TForm {
    PICTAVO_CLASS(TImprimeGrafico)
public:
    explicit TImprimeGrafico(TComponent* owner);

    // Lays the picture of the file out on a page and previews it.
    void VisualizarImagem(const std::string& p);
    // Lays the picture of the file out on a page and prints it.
    void ImprimirImagem(const std::string& p);
    // The printer the report prints on: an index into the platform's printer list, -1 for the
    // platform's default printer.
    int PrinterIndex() const { return m_printerIndex; }
    void SetPrinterIndex(int index) { m_printerIndex = index; }

private:
    int m_printerIndex = -1;
};

// What VisualizarImagem and ImprimirImagem do with a file. Printing is not available in this
// program yet: the defaults raise that error instead of pretending to print.
Seam<void(TImprimeGrafico&, const std::string&)>& VisualizarImagemSeam();
Seam<void(TImprimeGrafico&, const std::string&)>& ImprimirImagemSeam();

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

// The print preview window.
class TForm_PrintPreview : public TForm {
    PICTAVO_CLASS(TForm_PrintPreview)
public:
    explicit TForm_PrintPreview(TComponent* owner);
};

// The application-wide references of the windows made at start-up (null before).
extern TImprimeGrafico* ImprimeGrafico;
extern TForm_Zoom* Form_Zoom;
extern TForm_PrintPreview* Form_PrintPreview;
