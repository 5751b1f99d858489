#pragma once
// TPrinterSetupDialog: the platform's printer setup dialog, run through PrinterSetupDialogSeam.
// Printing is not available in this program yet: the default raises that error rather than
// pretend.

#include "framework/component.h"
#include "framework/seams.h"

class TPrinterSetupDialog : public TComponent {
    PICTAVO_CLASS(TPrinterSetupDialog)
public:
    explicit TPrinterSetupDialog(TComponent* owner);
    // Shows the dialog modally; true when the user confirmed it.
    bool Execute();
};

Seam<bool(TPrinterSetupDialog&)>& PrinterSetupDialogSeam();

// The text of the error raised while printing is not available.
extern const char* const printingNotAvailable;
