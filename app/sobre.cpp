#include "app/sobre.h"

#include "app/components/rx_label.h"
#include "app/components/secret_panel.h"
#include "app/design_components.h"
#include "framework/std_controls.h"
#include "picture/image.h"

TSobre* Sobre = nullptr;

PICTAVO_DEFINE_CLASS(TSobre, TForm, nullptr, nullptr)

TSobre::TSobre(TComponent* owner) : TForm(owner)
{
    RegisterHandler("ProgramIconDblClick", this, &TSobre::ProgramIconDblClick);
    RegisterHandler("FormClose", this, &TSobre::FormClose);
    LoadDesign("Sobre");
    Panel1 = DesignComponent<TPanel>(*this, "Panel1");
    ProgramIcon = DesignComponent<TImage>(*this, "ProgramIcon");
    RxLabel1 = DesignComponent<TRxLabel>(*this, "RxLabel1");
    RxLabel2 = DesignComponent<TRxLabel>(*this, "RxLabel2");
    RxLabel3 = DesignComponent<TRxLabel>(*this, "RxLabel3");
    RxLabel4 = DesignComponent<TRxLabel>(*this, "RxLabel4");
    RxLabel5 = DesignComponent<TRxLabel>(*this, "RxLabel5");
    RxLabel6 = DesignComponent<TRxLabel>(*this, "RxLabel6");
    SecretPanel = DesignComponent<TSecretPanel>(*this, "SecretPanel");
    OKButton = DesignComponent<TButton>(*this, "OKButton");
}

void TSobre::ProgramIconDblClick(TObject*)
{
    SecretPanel->Show();
    SecretPanel->SetActive(true);
}

void TSobre::FormClose(TObject*, TCloseAction&)
{
    SecretPanel->Hide();
    SecretPanel->SetActive(false);
}
