#include "app/components/printer_setup_dialog.h"

#include <QPrintDialog>
#include <QPrinter>

namespace {

bool showSetupDialog(TPrinterSetupDialog&)
{
    QPrinter printer;
    QPrintDialog dialog(&printer);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace

PICTAVO_DEFINE_CLASS(TPrinterSetupDialog, TComponent, nullptr, createComponentOf<TPrinterSetupDialog>)

TPrinterSetupDialog::TPrinterSetupDialog(TComponent* owner) : TComponent(owner) {}

bool TPrinterSetupDialog::Execute()
{
    return PrinterSetupDialogSeam()(*this);
}

Seam<bool(TPrinterSetupDialog&)>& PrinterSetupDialogSeam()
{
    static Seam<bool(TPrinterSetupDialog&)> seam(showSetupDialog);
    return seam;
}
