#pragma once
// TPrinterSetupDialog: the platform's printer setup dialog, run through PrinterSetupDialogSeam.

#include "framework/component.h"
#include "platform/seam.h"

class TPrinterSetupDialog : public TComponent {
    PICTAVO_CLASS(TPrinterSetupDialog)
public:
    explicit TPrinterSetupDialog(TComponent* owner);
    // Shows the dialog modally; true when the user confirmed it.
    bool Execute();
};

// By default the system's print dialog. Its choice of printer is not kept: every report run
// chooses its own printer.
Seam<bool(TPrinterSetupDialog&)>& PrinterSetupDialogSeam();
