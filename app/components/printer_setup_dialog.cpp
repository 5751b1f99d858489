#include "app/components/printer_setup_dialog.h"

#include "framework/exceptions.h"

const char* const printingNotAvailable = "Printing is not available in this version of the program";

PICTAVO_DEFINE_CLASS(TPrinterSetupDialog, TComponent, nullptr, createComponentOf<TPrinterSetupDialog>)

TPrinterSetupDialog::TPrinterSetupDialog(TComponent* owner) : TComponent(owner) {}

bool TPrinterSetupDialog::Execute()
{
    return PrinterSetupDialogSeam()(*this);
}

Seam<bool(TPrinterSetupDialog&)>& PrinterSetupDialogSeam()
{
    static Seam<bool(TPrinterSetupDialog&)> seam([](TPrinterSetupDialog&) -> bool {
        throw EInvalidOperation(printingNotAvailable);
    });
    return seam;
}
