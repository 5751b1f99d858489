#pragma once
// The system print dialog as the report asks for it: copies and a page range.

#include "platform/seam.h"

#include <optional>

struct QRPrintDialogRequest {
    // The page range offered; 0 for none (the pages are not known yet).
    int minPage = 0;
    int maxPage = 0;
    int fromPage = 0;
    int toPage = 0;
    int copies = 1;
    // Without a printer the dialog warns that none is installed.
    bool printerInstalled = true;
};

struct QRPrintDialogResult {
    enum Range { All, Selection, Pages };
    int copies = 1;
    Range range = All;
    int fromPage = 0;
    int toPage = 0;
};

// Shows the dialog; none when the user cancels it. Tests put their own answer in place.
Seam<std::optional<QRPrintDialogResult>(const QRPrintDialogRequest&)>& QRPrintDialogSeam();
