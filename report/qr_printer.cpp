#include "report/qr_printer.h"

#include "framework/application.h"
#include "framework/deferred_call.h"
#include "picture/metafile/metafile.h"
#include "platform/display.h"
#include "platform/printers.h"

namespace {

// Pages in memory up to this size; beyond it the store moves to a temporary file.
constexpr std::int64_t storeMemoryLimit = 100000;

void processMessages()
{
    if (Application)
        Application->ProcessMessages();
}

} // namespace

// --- TQRProgressWindow ---

void TQRProgressWindow::PostPageAvailable(int pageNumber)
{
    CallSoon(*this, [this, pageNumber] { PageAvailable(pageNumber); });
}

void TQRProgressWindow::PostProgress(int percent)
{
    CallSoon(*this, [this, percent] { ProgressUpdate(percent); });
}

// --- TQRPrinter ---

PICTAVO_DEFINE_CLASS(TQRPrinter, TObject, nullptr, nullptr)

TQRPrinter::TQRPrinter() : m_printer(std::make_unique<platform::Printer>()), m_pageList(TMetafile::StaticClass())
{
    m_printerOK = !m_printer->printers().empty();
    if (m_printerOK) {
        m_printer->setPrinterIndex(-1);
        m_settings.SetPrinter(m_printer.get());
    }
    takeOffsets(true);
}

TQRPrinter::~TQRPrinter()
{
    try {
        if (m_status != TQRPrinterStatus::Ready)
            Cleanup();
    } catch (...) {
        // Releasing goes on whatever the store says.
    }
    m_canvas = nullptr;
    m_printerCanvas.reset();
    if (TQRProgressWindow* window = ProgressWindow())
        window->QRPrinterReleased(this);
    // The printer object ends a running job normally.
}

int TQRPrinter::PrinterIndex() const
{
    return m_printer->printerIndex();
}

void TQRPrinter::SetPrinterIndex(int index)
{
    if (index == m_printer->printerIndex() && (m_printerOK || index == -1))
        return;
    if (!m_printer->setPrinterIndex(index))
        throw EQRError("Printer index out of range");
    m_settings.SetPrinter(m_printer.get());
}

void TQRPrinter::takeOffsets(bool printing)
{
    m_mapping.LeftOffset = printing ? m_settings.LeftOffset() : 0;
    m_mapping.TopOffset = printing ? m_settings.TopOffset() : 0;
}

double TQRPrinter::PaperWidth() const
{
    return m_settings.Orientation() == poLandscape ? m_settings.PortraitLength() : m_settings.PortraitWidth();
}

double TQRPrinter::PaperLength() const
{
    return m_settings.Orientation() == poLandscape ? m_settings.PortraitWidth() : m_settings.PortraitLength();
}

bool TQRPrinter::inRange(int page) const
{
    return (m_firstPage <= 0 || page >= m_firstPage) && (m_lastPage <= 0 || page <= m_lastPage);
}

void TQRPrinter::SetProgress(int percent)
{
    m_progress = percent;
    if (TQRProgressWindow* window = ProgressWindow())
        window->PostProgress(percent);
}

void TQRPrinter::SetShowingPreview(bool showing)
{
    const bool was = m_showingPreview;
    m_showingPreview = showing;
    if (was && !showing) {
        if (m_status == TQRPrinterStatus::Busy)
            Cancel();
        if (AfterPreview)
            AfterPreview(this);
    }
}

void TQRPrinter::BeginDoc()
{
    const bool printing = m_destination == TQRPrinterDestination::ToPrinter;
    m_progress = 0;
    m_cancelled = false;
    takeOffsets(printing);
    if (printing)
        m_settings.ApplySettings();
    if (m_status != TQRPrinterStatus::Ready)
        throw EQRError("QRPrinter not ready");
    m_pageNumber = 0;
    m_pageCount = 0;
    m_availablePages = 0;
    m_status = TQRPrinterStatus::Busy;
    if (printing) {
        m_mapping.XFactor = m_printer->pixelsPerInchX() / 254.0;
        m_mapping.YFactor = m_printer->pixelsPerInchY() / 254.0;
    } else {
        m_pageList.Reset();
        m_pageList.SetStream(std::make_unique<TQRStream>(storeMemoryLimit));
        const platform::DisplayInfo& screen = platform::displayInfo();
        m_mapping.XFactor = screen.logicalDpiX / 254.0;
        m_mapping.YFactor = screen.logicalDpiY / 254.0;
    }
}

void TQRPrinter::closeRecordedPage(bool store)
{
    m_canvas = nullptr;
    m_recording.reset();
    if (m_page && store)
        m_pageList.AddPage(*m_page);
    m_page.reset();
}

void TQRPrinter::pageDone()
{
    ++m_availablePages;
    if (TQRProgressWindow* window = ProgressWindow())
        window->PostPageAvailable(m_availablePages);
}

void TQRPrinter::NewPage()
{
    if (m_status != TQRPrinterStatus::Busy)
        throw EQRError("Illegal call to NewPage");
    if (m_pageNumber > 0) {
        // A recorded page goes to the store; a printed one stays on the device until its next
        // page starts or the job ends, and a page outside the range is dropped.
        closeRecordedPage(m_destination == TQRPrinterDestination::ToPreview);
        pageDone();
    }
    ++m_pageCount;
    ++m_pageNumber;
    if (m_destination == TQRPrinterDestination::ToPrinter && inRange(m_pageCount)) {
        if (!m_printer->printing()) {
            if (!m_printer->beginDoc(m_title))
                throw EQRError("Printer is not currently printing");
        } else {
            m_printer->newPage();
        }
        if (!m_printerCanvas)
            m_printerCanvas = std::make_unique<TCanvas>();
        m_printerCanvas->SetHandle(m_printer->page());
        m_canvas = m_printerCanvas.get();
        return;
    }
    m_page = std::make_unique<TMetafile>();
    m_page->SetWidth(XSize(PaperWidth()));
    m_page->SetHeight(YSize(PaperLength()));
    m_recording = std::make_unique<TMetafileCanvas>(*m_page, nullptr);
    m_canvas = m_recording.get();
}

void TQRPrinter::EndDoc()
{
    if (m_destination == TQRPrinterDestination::ToPrinter) {
        closeRecordedPage(false);
        if (m_printerCanvas)
            m_printerCanvas->SetHandle(nullptr);
        m_canvas = nullptr;
        if (m_printer->printing())
            m_printer->endDoc();
    } else if (m_pageNumber > 0) {
        closeRecordedPage(true);
    }
    pageDone();
    m_status = TQRPrinterStatus::Complete;
    if (m_destination == TQRPrinterDestination::ToPreview) {
        m_pageList.WriteFileHeader();
    } else if (AfterPrint) {
        AfterPrint(this);
    }
}

void TQRPrinter::AbortDoc()
{
    closeRecordedPage(false);
    if (m_printerCanvas)
        m_printerCanvas->SetHandle(nullptr);
    m_canvas = nullptr;
    if (m_destination == TQRPrinterDestination::ToPrinter && m_printer->printing())
        m_printer->abortDoc();
    m_status = TQRPrinterStatus::Complete;
}

void TQRPrinter::Cleanup()
{
    if (m_status == TQRPrinterStatus::Busy)
        Cancel();
    closeRecordedPage(false);
    if (m_printerCanvas)
        m_printerCanvas->SetHandle(nullptr);
    m_canvas = nullptr;
    m_selectedPage.reset();
    m_pageList.Reset();
    m_pageList.SetStream(nullptr);
    m_status = TQRPrinterStatus::Ready;
}

std::unique_ptr<TGraphic> TQRPrinter::GetPage(int n)
{
    if (m_status == TQRPrinterStatus::Ready || n < 1 || n > m_pageCount || !m_pageList.Stream())
        return nullptr;
    return m_pageList.GetPage(n);
}

void TQRPrinter::Load(const std::string& fileName)
{
    if (m_status != TQRPrinterStatus::Ready)
        Cleanup();
    m_pageList.OpenStoreFile(fileName);
    m_pageCount = m_pageList.PageCount();
    m_availablePages = m_pageCount;
    m_pageNumber = 0;
    m_status = TQRPrinterStatus::Complete;
    OnPrint = nullptr;
    OnPrintSetup = nullptr;
}

void TQRPrinter::Save(const std::string& fileName)
{
    if (m_status == TQRPrinterStatus::Complete)
        m_pageList.SaveStoreFile(fileName);
}

void TQRPrinter::SetPageNumber(int n)
{
    if (n < 1 || n > m_pageCount)
        return;
    m_selectedPage = GetPage(n);
    m_pageNumber = n;
}

void TQRPrinter::Preview()
{
    if (OnPreview)
        OnPreview(this);
}

void TQRPrinter::Print()
{
    if (OnPrint)
        OnPrint(this);
    else
        printStoredPages();
}

void TQRPrinter::PrintSetup()
{
    if (OnPrintSetup)
        OnPrintSetup(this);
}

void TQRPrinter::printStoredPages()
{
    if (m_status != TQRPrinterStatus::Complete || !m_printerOK)
        return;
    if (m_printer->printing())
        m_printer->abortDoc();
    m_settings.ApplySettings();
    // Each page over the paper in device pixels, from the device origin.
    const TRect area{0, 0, QRRound(PaperWidth() * m_printer->pixelsPerInchX() / 254.0),
                     QRRound(PaperLength() * m_printer->pixelsPerInchY() / 254.0)};
    TCanvas canvas;
    for (int n = 1; n <= m_pageCount; ++n) {
        processMessages();
        if (m_cancelled) {
            canvas.SetHandle(nullptr);
            m_printer->abortDoc();
            return;
        }
        SetPageNumber(n);
        if (n == 1) {
            if (!m_printer->beginDoc(m_title))
                return;
        } else {
            m_printer->newPage();
        }
        canvas.SetHandle(m_printer->page());
        if (m_selectedPage)
            canvas.StretchDraw(area, m_selectedPage.get());
    }
    canvas.SetHandle(nullptr);
    if (m_printer->printing())
        m_printer->endDoc();
}
