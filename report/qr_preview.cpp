#include "report/qr_preview.h"

#include "framework/class_registry.h"
#include "picture/picture.h"
#include "framework/properties.h"

namespace {

// The page at 100 % without a report printer.
constexpr double defaultPageWidth = 215.9;
constexpr double defaultPageLength = 279.4;
// Room for the outline and the shadow.
constexpr int sheetAllowance = 4;

} // namespace

// --- TQRPreviewImage ---

PICTAVO_DEFINE_CLASS(TQRPreviewImage, TGraphicControl, nullptr, nullptr)

TQRPreviewImage::TQRPreviewImage(TComponent* owner) : TGraphicControl(owner)
{
    SetBounds(0, 0, 100, 50);
}

TQRPreviewImage::~TQRPreviewImage() = default;

void TQRPreviewImage::ShowPage(int n)
{
    m_pageNumber = n;
    m_page.reset();
    if (m_printer)
        m_page = m_printer->GetPage(n);
    Invalidate();
}

void TQRPreviewImage::Paint()
{
    if (!m_page)
        return;
    TCanvas& canvas = *Canvas();
    const int w = Width();
    const int h = Height();
    canvas.Pen().SetStyle(psSolid);
    canvas.Pen().SetWidth(1);
    canvas.Pen().SetColor(clWhite);
    canvas.Brush().SetStyle(bsSolid);
    canvas.Brush().SetColor(clWhite);
    canvas.Rectangle(1, 1, w - 3, h - 3);
    canvas.StretchDraw(TRect{0, 0, w, h}, m_page.get());
    canvas.Pen().SetColor(clBlack);
    canvas.Polyline({{0, 0}, {0, h - 3}, {w - 3, h - 3}, {w - 3, 0}, {0, 0}});
    canvas.Brush().SetColor(clBlack);
    canvas.FillRect(TRect{w - 2, 2, w, h});
    canvas.FillRect(TRect{2, h - 2, w, h});
}

// --- TQRPreview ---

PICTAVO_DEFINE_CLASS(TQRPreview, TScrollBox, nullptr, createComponentOf<TQRPreview>)

TQRPreview::TQRPreview(TComponent* owner) : TScrollBox(owner)
{
    SetBounds(Left(), Top(), 250, 250);
    HorzScrollBar()->SetTracking(true);
    VertScrollBar()->SetTracking(true);
    m_image = new TQRPreviewImage(this);
    m_image->SetParent(this);
    m_image->SetBounds(0, 0, m_image->Width(), m_image->Height());
}

TQRPreview::~TQRPreview()
{
    detach();
}

void TQRPreview::detach()
{
    TQRPrinter* printer = m_printer;
    m_printer = nullptr;
    if (m_image)
        m_image->SetQRPrinter(nullptr);
    if (printer && printer->ProgressWindow() == this) {
        printer->SetProgressWindow(nullptr);
        printer->SetShowingPreview(false);
    }
}

void TQRPreview::QRPrinterReleased(TQRPrinter* printer)
{
    if (printer != m_printer)
        return;
    m_printer = nullptr;
    m_image->SetQRPrinter(nullptr);
}

void TQRPreview::SetQRPrinter(TQRPrinter* printer)
{
    detach();
    m_printer = printer;
    m_image->SetQRPrinter(printer);
    if (printer) {
        printer->SetProgressWindow(this);
        printer->SetShowingPreview(true);
    }
    SetPageNumber(1);
    m_image->ShowPage(1);
    Invalidate();
    m_image->OnClick = OnClick;
    m_image->OnDblClick = OnDblClick;
    m_image->OnMouseDown = OnMouseDown;
    m_image->OnMouseMove = OnMouseMove;
    m_image->OnMouseUp = OnMouseUp;
}

void TQRPreview::PageAvailable(int pageNumber)
{
    if (pageNumber == m_pageNumber)
        RefreshPage();
    if (OnPageAvailable)
        OnPageAvailable(this, pageNumber);
}

void TQRPreview::ProgressUpdate(int percent)
{
    if (OnProgressUpdate)
        OnProgressUpdate(this, percent);
}

void TQRPreview::RefreshPage()
{
    if (m_image->PageShown() || !m_printer || m_printer->AvailablePages() < m_image->PageNumber())
        return;
    ZoomToWidth();
    m_image->ShowPage(m_image->PageNumber());
}

void TQRPreview::SetPageNumber(int n)
{
    if ((n == m_pageNumber && m_image->PageShown()) || n <= 0 || !m_printer || n > m_printer->PageCount())
        return;
    m_image->ShowPage(n);
    m_pageNumber = n;
    HorzScrollBar()->SetPosition(0);
    VertScrollBar()->SetPosition(0);
}

void TQRPreview::SetZoom(int zoom)
{
    if (zoom < 2 || zoom > 2000)
        return;
    m_zoomState = TQRZoomState::Explicit;
    m_zoom = zoom;
    resizeImage();
}

double TQRPreview::pageWidth() const
{
    return m_printer ? m_printer->XSize(m_printer->PaperWidth()) : defaultPageWidth;
}

double TQRPreview::pageLength() const
{
    return m_printer ? m_printer->YSize(m_printer->PaperLength()) : defaultPageLength;
}

void TQRPreview::ZoomToFit()
{
    const int across = QRRound(Width() / pageWidth() * 95);
    const int down = QRRound(Height() / pageLength() * 95);
    SetZoom(std::min(across, down));
    m_zoomState = TQRZoomState::Fit;
}

void TQRPreview::ZoomToWidth()
{
    SetZoom(QRRound(Width() / pageWidth() * (m_printer ? 90 : 95)));
    resizeImage();
    m_zoomState = TQRZoomState::Width;
}

void TQRPreview::resizeImage()
{
    if (!m_image)
        return;
    int width;
    int height;
    if (m_printer) {
        width = m_printer->XSize(m_printer->PaperWidth() * m_zoom / 100) + sheetAllowance;
        height = m_printer->YSize(m_printer->PaperLength() * m_zoom / 100) + sheetAllowance;
    } else {
        width = QRRound(defaultPageWidth * m_zoom / 100) + sheetAllowance;
        height = QRRound(defaultPageLength * m_zoom / 100) + sheetAllowance;
    }
    const int left = width < Width() ? (Width() - width) / 2 : 0;
    const int top = height < Height() ? (Height() - height) / 2 : 0;
    HorzScrollBar()->SetPosition(0);
    VertScrollBar()->SetPosition(0);
    m_image->SetBounds(left, top, width, height);
    m_image->SetImageZoom(m_zoom);
}

void TQRPreview::SizeChanged()
{
    TScrollBox::SizeChanged();
    if (m_zoomState == TQRZoomState::Fit)
        ZoomToFit();
    else if (m_zoomState == TQRZoomState::Width)
        ZoomToWidth();
    resizeImage();
}

const PropertyTable* TQRPreview::Properties() const
{
    return &ClassProperties();
}

const PropertyTable& TQRPreview::ClassProperties()
{
    static const PropertyTable table(&TScrollBox::ClassProperties(), {
        props::integer<TQRPreview, int>("PageNumber", &TQRPreview::PageNumber, &TQRPreview::SetPageNumber),
        props::integer<TQRPreview, int>("Zoom", &TQRPreview::Zoom, &TQRPreview::SetZoom),
    });
    return table;
}
