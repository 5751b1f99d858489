#include "app/other_forms.h"

#include "app/design_components.h"
#include "framework/exceptions.h"
#include "framework/scope_exit.h"
#include "picture/image.h"
#include "report/qr_preview.h"
#include "report/qr_printer.h"
#include "report/quick_rep.h"

TImprimeGrafico* ImprimeGrafico = nullptr;
TForm_Zoom* Form_Zoom = nullptr;
TForm_PrintPreview* Form_PrintPreview = nullptr;

namespace {

// The report's operations generate the pages each needs, so the report runs once for a preview
// and once for a print; the image holds the picture only meanwhile.
void previewPicture(TImprimeGrafico& form, const std::string& p)
{
    const ScopeExit empty([&] { form.QRImage->SetPicture(nullptr); });
    form.LayOut(p);
    form.QuickRep->Preview();
}

void printPicture(TImprimeGrafico& form, const std::string& p)
{
    const ScopeExit empty([&] { form.QRImage->SetPicture(nullptr); });
    form.LayOut(p);
    // Print draws the page afresh at the printer's resolution, so pages prepared before it would
    // go unused. Only without a printer, when Print does nothing, is the page prepared instead,
    // as before: that still checks the printer chosen, and a batch print on an empty printer
    // list ends with "Printer index out of range".
    if (!form.QuickRep->Print())
        form.QuickRep->Prepare();
}

// The file's name without its folder: what a user recognises in the printer's queue.
std::string fileName(const std::string& p)
{
    const auto slash = p.find_last_of("\\/");
    return slash == std::string::npos ? p : p.substr(slash + 1);
}

} // namespace

// --- TImprimeGrafico ---

PICTAVO_DEFINE_CLASS(TImprimeGrafico, TForm, nullptr, nullptr)

TImprimeGrafico::TImprimeGrafico(TComponent* owner) : TForm(owner)
{
    LoadDesign("ImprimeGrafico");
    QuickRep = DesignComponent<TQuickRep>(*this, "QuickRep");
    DetailBand = DesignComponent<TQRBand>(*this, "DetailBand");
    QRImage = DesignComponent<TQRImage>(*this, "QRImage");
    QuickRep->OnPreview = [this](TObject* sender) { QuickRepPreview(sender); };
}

void TImprimeGrafico::LayOut(const std::string& p)
{
    // The temporary picture goes also when loading fails; the layout then stays as it was.
    auto picture = std::make_unique<TPicture>();
    picture->LoadFile(p);
    QuickRep->Page()->SetOrientation(picture->Height() > picture->Width() ? poPortrait : poLandscape);
    DetailBand->SetHeight(QuickRep->Height() - 2 * DetailBand->Top());
    DetailBand->SetWidth(QuickRep->Width() - 2 * DetailBand->Left());
    QRImage->SetWidth(DetailBand->Width() - 5);
    QRImage->SetHeight(DetailBand->Height() - 5);
    QRImage->SetPicture(picture.get());
    QuickRep->SetReportTitle(fileName(p));
}

void TImprimeGrafico::QuickRepPreview(TObject* Sender)
{
    if (!Form_PrintPreview)
        return;
    Form_PrintPreview->QRPreview->SetQRPrinter(dynamic_cast<TQRPrinter*>(Sender));
    Form_PrintPreview->Show();
}

void TImprimeGrafico::VisualizarImagem(const std::string& p)
{
    VisualizarImagemSeam()(*this, p);
}

void TImprimeGrafico::ImprimirImagem(const std::string& p)
{
    ImprimirImagemSeam()(*this, p);
}

Seam<void(TImprimeGrafico&, const std::string&)>& VisualizarImagemSeam()
{
    static Seam<void(TImprimeGrafico&, const std::string&)> seam(previewPicture);
    return seam;
}

Seam<void(TImprimeGrafico&, const std::string&)>& ImprimirImagemSeam()
{
    static Seam<void(TImprimeGrafico&, const std::string&)> seam(printPicture);
    return seam;
}

// --- TForm_Zoom ---

PICTAVO_DEFINE_CLASS(TForm_Zoom, TForm, nullptr, nullptr)

TForm_Zoom::TForm_Zoom(TComponent* owner) : TForm(owner)
{
    RegisterHandler("FormClose", this, &TForm_Zoom::FormClose);
    LoadDesign("Form_Zoom");
    Imagem = DesignComponent<TImage>(*this, "Imagem");
    Constraints()->SetMinWidth(minimumClientWidth + FrameAllowance().cx);
    Constraints()->SetMinHeight(minimumClientHeight + FrameAllowance().cy);
}

void TForm_Zoom::FormClose(TObject*, TCloseAction& Action)
{
    Action = caFree;
}

// --- TForm_PrintPreview ---

PICTAVO_DEFINE_CLASS(TForm_PrintPreview, TForm, nullptr, nullptr)

TForm_PrintPreview::TForm_PrintPreview(TComponent* owner) : TForm(owner)
{
    using F = TForm_PrintPreview;
    RegisterHandler("tbar_zoomtowidthClick", this, &F::tbar_zoomtowidthClick);
    RegisterHandler("tbar_vizualizarnotamanhoClick", this, &F::tbar_vizualizarnotamanhoClick);
    RegisterHandler("ToolbarButton971Click", this, &F::ToolbarButton971Click);
    RegisterHandler("tbar_primeiraClick", this, &F::tbar_primeiraClick);
    RegisterHandler("tbar_anteriorClick", this, &F::tbar_anteriorClick);
    RegisterHandler("tbar_proximaClick", this, &F::tbar_proximaClick);
    RegisterHandler("tbar_ultimaClick", this, &F::tbar_ultimaClick);
    RegisterHandler("tbar_SetupClick", this, &F::tbar_SetupClick);
    RegisterHandler("tbar_ImprimirClick", this, &F::tbar_ImprimirClick);
    RegisterHandler("tbar_fecharClick", this, &F::tbar_fecharClick);
    LoadDesign("Form_PrintPreview");
    QRPreview = dynamic_cast<TQRPreview*>(FindComponent("QRPreview"));
    if (!QRPreview) {
        // A design without the preview control gets one over the whole client area.
        QRPreview = new TQRPreview(this);
        QRPreview->SetName("QRPreview");
        QRPreview->SetParent(this);
        QRPreview->SetAlign(alClient);
    }
}

void TForm_PrintPreview::tbar_zoomtowidthClick(TObject*)
{
    QRPreview->ZoomToWidth();
}

void TForm_PrintPreview::tbar_vizualizarnotamanhoClick(TObject*)
{
    QRPreview->ZoomToFit();
}

void TForm_PrintPreview::ToolbarButton971Click(TObject*)
{
    QRPreview->SetZoom(100);
}

void TForm_PrintPreview::tbar_primeiraClick(TObject*)
{
    if (TQRPrinter* printer = QRPreview->QRPrinter())
        printer->SetPageNumber(1);
}

void TForm_PrintPreview::tbar_anteriorClick(TObject*)
{
    if (TQRPrinter* printer = QRPreview->QRPrinter(); printer && printer->PageNumber() > 1)
        printer->SetPageNumber(printer->PageNumber() - 1);
}

void TForm_PrintPreview::tbar_proximaClick(TObject*)
{
    if (TQRPrinter* printer = QRPreview->QRPrinter(); printer && printer->PageNumber() < printer->PageCount())
        printer->SetPageNumber(printer->PageNumber() + 1);
}

void TForm_PrintPreview::tbar_ultimaClick(TObject*)
{
    if (TQRPrinter* printer = QRPreview->QRPrinter())
        printer->SetPageNumber(printer->PageCount());
}

void TForm_PrintPreview::tbar_SetupClick(TObject*)
{
    if (TQRPrinter* printer = QRPreview->QRPrinter())
        printer->PrintSetup();
    QRPreview->RefreshPage();
}

void TForm_PrintPreview::tbar_ImprimirClick(TObject*)
{
    if (TQRPrinter* printer = QRPreview->QRPrinter())
        printer->Print();
}

void TForm_PrintPreview::tbar_fecharClick(TObject*)
{
    Close();
}
