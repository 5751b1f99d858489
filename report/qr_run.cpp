// The report run: the bands printed page by page onto a report printer, and the operations that
// make one (prepare, preview, print, printer setup).

#include "report/qr_print_dialog.h"
#include "report/qr_printer.h"
#include "report/qr_progress_form.h"
#include "report/quick_rep.h"

#include "framework/application.h"
#include "framework/scope_exit.h"

namespace {

void processMessages()
{
    if (Application)
        Application->ProcessMessages();
}

bool breaksPages(TQRBandType type)
{
    return type != rbTitle && type != rbPageHeader && type != rbPageFooter && type != rbOverlay;
}

} // namespace

TQRPrinter* TQuickRep::newReportPrinter(std::unique_ptr<TQRPrinter> printer)
{
    // The progress window of the report printer before goes over to the new one.
    if (m_qrPrinter)
        printer->SetProgressWindow(m_qrPrinter->ProgressWindow());
    printer->AfterPreview = [this](TObject*) {
        if (AfterPreview)
            AfterPreview(this);
    };
    printer->AfterPrint = [this](TObject*) {
        if (AfterPrint)
            AfterPrint(this);
    };
    m_qrPrinter = printer.get();
    if (m_prepared && m_prepared.get() != m_qrPrinter)
        m_prepared.reset();
    return printer.release();
}

void TQuickRep::releaseReportPrinter(TQRPrinter* printer)
{
    if (m_qrPrinter == printer)
        m_qrPrinter = nullptr;
    delete printer;
}

std::unique_ptr<TQRPrinter> TQuickRep::TakeQRPrinter()
{
    if (m_qrPrinter == m_prepared.get())
        m_qrPrinter = nullptr;
    return std::move(m_prepared);
}

void TQuickRep::Prepare()
{
    if (m_running)
        return;
    auto made = std::make_unique<TQRPrinter>();
    m_prepared.reset(newReportPrinter(std::move(made)));
    TQRPrinter& printer = *m_prepared;
    printer.SetDestination(TQRPrinterDestination::ToPreview);
    printer.OnPreview = OnPreview;
    processMessages();
    run(printer);
}

void TQuickRep::Preview()
{
    if (m_running)
        return;
    TQRPrinter* printer = newReportPrinter(std::make_unique<TQRPrinter>());
    const ScopeExit release([&] { releaseReportPrinter(printer); });
    printer->SetDestination(TQRPrinterDestination::ToPreview);
    printer->OnPrint = [this](TObject*) { Print(); };
    printer->OnPrintSetup = [this](TObject*) { PrinterSetup(); };
    printer->OnPreview = OnPreview;
    printer->Preview();
    processMessages();
    run(*printer);
    while (printer->ShowingPreview() && Application && !Application->Terminated())
        Application->HandleMessage();
}

bool TQuickRep::Print()
{
    if (m_running)
        return false;
    auto made = std::make_unique<TQRPrinter>();
    if (!made->PrinterOK())
        return false;
    TQRPrinter* printer = newReportPrinter(std::move(made));
    const ScopeExit release([&] { releaseReportPrinter(printer); });
    printer->SetDestination(TQRPrinterDestination::ToPrinter);
    // The progress window lives on the application's messages; without an application object
    // there is nothing to show it.
    std::unique_ptr<TQRProgressForm> progress;
    if (Application) {
        progress = std::make_unique<TQRProgressForm>(nullptr);
        progress->SetQRPrinter(printer);
        printer->SetProgressWindow(progress.get());
        if (m_showProgress)
            progress->Show();
    }
    const ScopeExit forget([&] { printer->SetProgressWindow(nullptr); });
    run(*printer);
    return true;
}

void TQuickRep::PrinterSetup()
{
    if (!m_qrPrinter || !m_qrPrinter->PrinterOK())
        return;
    QRPrintDialogRequest request;
    request.copies = m_printerSettings->Copies();
    request.printerInstalled = m_qrPrinter->PrinterOK();
    if (m_qrPrinter->Status() == TQRPrinterStatus::Complete) {
        request.minPage = 1;
        request.maxPage = m_qrPrinter->PageCount();
        request.fromPage = 1;
        request.toPage = m_qrPrinter->PageCount();
    }
    const auto answer = QRPrintDialogSeam()(request);
    if (!answer)
        return;
    m_printerSettings->SetCopies(answer->copies);
    m_printerSettings->SetPrinterIndex(m_qrPrinter->PrinterIndex());
    const bool pages = answer->range == QRPrintDialogResult::Pages;
    m_printerSettings->SetFirstPage(pages ? answer->fromPage : 0);
    m_printerSettings->SetLastPage(pages ? answer->toPage : 0);
}

void TQuickRep::passSettings(TQRPrinter& printer)
{
    printer.SetPrinterIndex(m_printerSettings->PrinterIndex());
    TPrinterSettings& settings = printer.Settings();
    settings.SetPaperSize(m_page->PaperSize());
    if (m_page->PaperSize() == TQRPaperSize::Custom) {
        settings.SetPaperWidth(QRRound(m_page->NativeWidth()));
        settings.SetPaperLength(QRRound(m_page->NativeLength()));
    }
    settings.SetOrientation(m_page->Orientation());
    settings.SetCopies(m_printerSettings->Copies());
    settings.SetOutputBin(m_printerSettings->OutputBin());
    settings.SetTitle(m_reportTitle);
    printer.SetFirstPage(m_printerSettings->FirstPage());
    printer.SetLastPage(m_printerSettings->LastPage());
    printer.SetTitle(m_reportTitle);
    printer.PageList().SetCompression((m_options & (1u << Compression)) != 0);
}

void TQuickRep::run(TQRPrinter& printer)
{
    if (m_running)
        return;
    m_running = true;
    m_runPrinter = &printer;
    const ScopeExit notRunning([&] {
        m_running = false;
        m_runPrinter = nullptr;
    });
    m_lastPage = false;
    m_pageBreakSeen = false;
    m_columnBreakSeen = false;
    bool printReport = true;
    if (BeforePrint)
        BeforePrint(this, printReport);
    if (!printReport)
        return;

    const TQRUnit savedUnits = m_units;
    bool begun = false;
    // Whatever happens, the document ends unless it was cancelled.
    const ScopeExit finish([&] {
        if (m_units != savedUnits)
            SetUnits(savedUnits);
        if (begun && !printer.Cancelled()) {
            try {
                printer.EndDoc();
            } catch (...) {
                // The run's own failure is the one that counts.
            }
        }
    });
    SetUnits(TQRUnit::Native);
    passSettings(printer);
    printer.BeginDoc();
    begun = true;
    m_currentY = m_page->NativeLength();
    m_runPage = 0;
    m_column = 1;
    m_footerHeight = 0;
    for (TQRCustomBand* band : BandOrder())
        if (band->BandType() == rbPageFooter && band->Enabled())
            m_footerHeight += band->Size()->NativeHeight();
    m_currentX = m_page->NativeLeftMargin();
    newPage();
    runBands(printer);
    m_currentX = m_page->NativeLeftMargin();
    m_lastPage = true;
    if (!printer.Cancelled())
        endPage();
}

void TQuickRep::runBands(TQRPrinter& printer)
{
    TQRCustomBand* detail = firstBand(rbDetail);
    if (OnNeedData) {
        printBand(firstBand(rbTitle), PrintedBy::BandPass);
        if (m_runPage == 1)
            printBand(firstBand(rbColumnHeader), PrintedBy::BandPass);
        m_columnTop = m_currentY;
        for (;;) {
            processMessages();
            if (printer.Cancelled())
                return;
            bool more = false;
            OnNeedData(this, more);
            if (!more)
                break;
            if (detail && !fits(*detail))
                newColumn();
            printBand(detail, PrintedBy::BandPass);
        }
        printBand(firstBand(rbSummary), PrintedBy::BandPass);
    } else if (m_printIfEmpty) {
        printBand(firstBand(rbTitle), PrintedBy::BandPass);
        printBand(detail, PrintedBy::BandPass);
        printBand(firstBand(rbSummary), PrintedBy::BandPass);
    }
}

TQRCustomBand* TQuickRep::firstBand(TQRBandType type) const
{
    for (TQRCustomBand* band : BandOrder())
        if (band->BandType() == type)
            return band;
    return nullptr;
}

double TQuickRep::pageBottom() const
{
    return m_page->NativeLength() - m_page->NativeBottomMargin() - m_footerHeight;
}

void TQuickRep::newPage()
{
    if (m_runPage > 0)
        endPage();
    ++m_runPage;
    m_runPrinter->NewPage();
    m_currentY = m_page->NativeTopMargin();
    if (OnStartPage)
        OnStartPage(this);
    if (m_runPage >= 2 || (m_options & (1u << FirstPageHeader)))
        printBand(firstBand(rbPageHeader), PrintedBy::Break);
    m_columnTop = m_currentY;
}

void TQuickRep::endPage()
{
    if (m_runPage == 0)
        return;
    TQRPrinter& printer = *m_runPrinter;
    if (OnEndPage)
        OnEndPage(this);
    m_currentY = QRRound(pageBottom());
    if (!m_lastPage || (m_options & (1u << LastPageFooter)))
        printBand(firstBand(rbPageFooter), PrintedBy::Break);
    TCanvas& canvas = *printer.Canvas();
    for (int i = 0; i < ControlCount(); ++i)
        if (auto* printable = dynamic_cast<TQRPrintable*>(Controls(i)); printable && printable->Enabled())
            printable->PrintOnto(canvas, printer.Mapping(), 0, 0);
    const TQRPage& page = *m_page;
    const TRect body{printer.XPos(page.NativeLeftMargin()), printer.YPos(page.NativeTopMargin()),
                     printer.XPos(page.NativeWidth() - page.NativeRightMargin()),
                     printer.YPos(page.NativeLength() - page.NativeBottomMargin())};
    Frame()->PaintIt(canvas, body, printer.XFactor(), printer.YFactor());
}

void TQuickRep::newColumn()
{
    if (m_column >= m_page->Columns()) {
        m_column = 1;
        m_currentX = m_page->NativeLeftMargin();
        newPage();
    } else {
        const TQRCustomBand* detail = firstBand(rbDetail);
        const double width = detail ? detail->Size()->NativeWidth() : 0;
        m_currentX += QRRound(width + m_page->NativeColumnSpace());
        m_currentY = m_columnTop;
        ++m_column;
    }
    printBand(firstBand(rbColumnHeader), PrintedBy::Break);
}

bool TQuickRep::fits(const TQRCustomBand& band) const
{
    return QRRound(band.Size()->NativeHeight()) < QRRound(pageBottom() - m_currentY);
}

void TQuickRep::printBand(TQRCustomBand* band, PrintedBy by)
{
    if (!band)
        return;
    bool printIt = band->Enabled();
    if (printIt && band->BeforePrint)
        band->BeforePrint(band, printIt);
    if (printIt) {
        if (breaksPages(band->BandType())) {
            if (band->ForceNewPage()) {
                if (!m_pageBreakSeen && m_runPage <= 1)
                    m_pageBreakSeen = true;
                else
                    newPage();
            } else if (band->ForceNewColumn()) {
                if (!m_columnBreakSeen && m_column <= 1)
                    m_columnBreakSeen = true;
                else
                    newColumn();
            }
        }
        TQRBandSize& size = *band->Size();
        const double height = size.NativeHeight();
        if (by == PrintedBy::BandPass && band->AlignToBottom())
            m_currentY = QRRound(pageBottom() - height);
        TQRPrinter& printer = *m_runPrinter;
        TCanvas& canvas = *printer.Canvas();
        const TRect rect{printer.XPos(m_currentX), printer.YPos(m_currentY),
                         printer.XPos(m_currentX + size.NativeWidth()), printer.YPos(m_currentY + height)};
        band->SetBandRect(rect);
        canvas.Brush().SetStyle(bsSolid);
        canvas.Brush().SetColor(band->Color());
        canvas.FillRect(rect);
        for (int i = 0; i < band->ControlCount(); ++i)
            if (auto* printable = dynamic_cast<TQRPrintable*>(band->Controls(i)); printable && printable->Enabled())
                printable->PrintOnto(canvas, printer.Mapping(), m_currentX, m_currentY);
        band->Frame()->PaintIt(canvas, rect, printer.XFactor(), printer.YFactor());
        m_currentY += QRRound(height);
        if (size.NativeHeight() != height)
            size.SetNativeHeight(height);
    }
    if (band->AfterPrint)
        band->AfterPrint(band, printIt);
    if (band->HasChild())
        printBand(band->ChildBand(), by);
}
