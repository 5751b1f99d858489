#include "app/other_forms.h"

#include "app/components/printer_setup_dialog.h"
#include "app/design_components.h"
#include "framework/exceptions.h"
#include "picture/image.h"

TImprimeGrafico* ImprimeGrafico = nullptr;
TForm_Zoom* Form_Zoom = nullptr;
TForm_PrintPreview* Form_PrintPreview = nullptr;

namespace {
void printingUnavailable(TImprimeGrafico&, const std::string&)
{
    throw EInvalidOperation(printingNotAvailable);
}
} // namespace

// --- TImprimeGrafico ---

PICTAVO_DEFINE_CLASS(TImprimeGrafico, TForm, nullptr, nullptr)

TImprimeGrafico::TImprimeGrafico(TComponent* owner) : TForm(owner)
{
    LoadDesign("ImprimeGrafico");
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
    static Seam<void(TImprimeGrafico&, const std::string&)> seam(printingUnavailable);
    return seam;
}

Seam<void(TImprimeGrafico&, const std::string&)>& ImprimirImagemSeam()
{
    static Seam<void(TImprimeGrafico&, const std::string&)> seam(printingUnavailable);
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
    LoadDesign("Form_PrintPreview");
}
