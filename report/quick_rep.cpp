// The report control, its page and frame, and the band layout.

#include "report/quick_rep.h"

#include "report/qr_preview.h"
#include "report/qr_printer.h"

#include "framework/class_registry.h"
#include "framework/properties.h"
#include "platform/printers.h"

#include <algorithm>
#include <set>

// --- TQRFrame ---

PICTAVO_DEFINE_CLASS(TQRFrame, TPersistent, nullptr, nullptr)

void TQRFrame::changed()
{
    if (m_owner)
        m_owner->Invalidate();
}

void TQRFrame::SetColor(TColor color)
{
    m_color = color;
    changed();
}

void TQRFrame::SetDrawTop(bool draw)
{
    m_drawTop = draw;
    changed();
}

void TQRFrame::SetDrawBottom(bool draw)
{
    m_drawBottom = draw;
    changed();
}

void TQRFrame::SetDrawLeft(bool draw)
{
    m_drawLeft = draw;
    changed();
}

void TQRFrame::SetDrawRight(bool draw)
{
    m_drawRight = draw;
    changed();
}

void TQRFrame::SetStyle(TPenStyle style)
{
    m_style = style;
    changed();
}

void TQRFrame::SetWidth(int width)
{
    m_width = width;
    changed();
}

void TQRFrame::CopyFrom(const TPersistent* source)
{
    const auto* other = dynamic_cast<const TQRFrame*>(source);
    if (!other) {
        TPersistent::CopyFrom(source);
        return;
    }
    m_color = other->m_color;
    m_drawTop = other->m_drawTop;
    m_drawBottom = other->m_drawBottom;
    m_drawLeft = other->m_drawLeft;
    m_drawRight = other->m_drawRight;
    m_style = other->m_style;
    m_width = other->m_width;
    changed();
}

void TQRFrame::PaintIt(TCanvas& canvas, const TRect& rect, double fx, double fy) const
{
    if (!AnyFrame())
        return;
    // The width is in points: 254 / 72 native units each.
    const int e = QRRound(fx * 254.0 / 72.0 * m_width);
    const int f = QRRound(fy * 254.0 / 72.0 * m_width);
    canvas.Pen().SetWidth(m_width);
    canvas.Pen().SetStyle(m_style);
    canvas.Pen().SetColor(m_color);
    canvas.Brush().SetStyle(bsSolid);
    canvas.Brush().SetColor(m_color);
    if (m_drawTop)
        canvas.Rectangle(rect.left, rect.top, rect.right, rect.top + f);
    if (m_drawBottom)
        canvas.Rectangle(rect.left, rect.bottom - f, rect.right, rect.bottom);
    if (m_drawLeft)
        canvas.Rectangle(rect.left, rect.top, rect.left + e, rect.bottom);
    if (m_drawRight)
        canvas.Rectangle(rect.right - e, rect.top, rect.right, rect.bottom);
    canvas.Brush().SetStyle(bsClear);
}

const PropertyTable* TQRFrame::Properties() const
{
    static const PropertyTable table(nullptr, {
        props::integer<TQRFrame, TColor>("Color", &TQRFrame::Color, &TQRFrame::SetColor),
        props::boolean<TQRFrame>("DrawBottom", &TQRFrame::DrawBottom, &TQRFrame::SetDrawBottom),
        props::boolean<TQRFrame>("DrawLeft", &TQRFrame::DrawLeft, &TQRFrame::SetDrawLeft),
        props::boolean<TQRFrame>("DrawRight", &TQRFrame::DrawRight, &TQRFrame::SetDrawRight),
        props::boolean<TQRFrame>("DrawTop", &TQRFrame::DrawTop, &TQRFrame::SetDrawTop),
        props::enumeration<TQRFrame, TPenStyle>(
            "Style", {"psSolid", "psDash", "psDot", "psDashDot", "psDashDotDot", "psClear", "psInsideFrame"},
            &TQRFrame::Style, &TQRFrame::SetStyle),
        props::integer<TQRFrame, int>("Width", &TQRFrame::Width, &TQRFrame::SetWidth),
    });
    return &table;
}

// --- TQRPage ---

PICTAVO_DEFINE_CLASS(TQRPage, TQRUnitBase, nullptr, nullptr)

TQRPage::TQRPage(TQuickRep& report) : TQRUnitBase(&report), m_report(report)
{
    const bool inches = UsMeasurementSeam()();
    m_paperSize = inches ? TQRPaperSize::Letter : TQRPaperSize::A4;
    const QRPaperInfo& paper = PaperInfo(m_paperSize);
    m_width = paper.width * 10;
    m_length = paper.length * 10;
    const double margin = inches ? 127.0 : 100.0;  // half an inch, or 10 mm
    m_topMargin = m_bottomMargin = m_leftMargin = m_rightMargin = margin;
}

void TQRPage::SetPaperSize(TQRPaperSize paper)
{
    m_paperSize = paper;
    if (paper == TQRPaperSize::Default || paper == TQRPaperSize::Custom)
        return;
    const QRPaperInfo& info = PaperInfo(paper);
    const bool landscape = m_orientation == poLandscape;
    m_width = (landscape ? info.length : info.width) * 10;
    m_length = (landscape ? info.width : info.length) * 10;
    UpdateControl();
}

void TQRPage::SetOrientation(TPrinterOrientation orientation)
{
    m_orientation = orientation;
    SetPaperSize(m_paperSize);
}

void TQRPage::SetColumns(int columns)
{
    if (columns <= 0 || columns == m_columns)
        return;
    m_columns = columns;
    m_report.SetBandValues();
}

void TQRPage::SetLength(double value)
{
    if (m_paperSize != TQRPaperSize::Custom)
        return;
    m_length = SaveUnit(value, QRAxis::Vertical);
    UpdateControl();
}

void TQRPage::SetWidth(double value)
{
    if (m_paperSize != TQRPaperSize::Custom)
        return;
    m_width = SaveUnit(value, QRAxis::Horizontal);
    UpdateControl();
}

void TQRPage::setMargin(double& field, double value, QRAxis axis)
{
    field = SaveUnit(value, axis);
    m_report.SetBandValues();
}

void TQRPage::SetTopMargin(double value)
{
    setMargin(m_topMargin, value, QRAxis::Vertical);
}

void TQRPage::SetBottomMargin(double value)
{
    setMargin(m_bottomMargin, value, QRAxis::Vertical);
}

void TQRPage::SetLeftMargin(double value)
{
    setMargin(m_leftMargin, value, QRAxis::Horizontal);
}

void TQRPage::SetRightMargin(double value)
{
    setMargin(m_rightMargin, value, QRAxis::Horizontal);
}

void TQRPage::SetColumnSpace(double value)
{
    setMargin(m_columnSpace, value, QRAxis::Horizontal);
}

std::vector<double> TQRPage::ReadValues() const
{
    return {m_bottomMargin, m_length, m_topMargin, m_width, m_leftMargin, m_rightMargin, m_columnSpace};
}

void TQRPage::WriteValues(const std::vector<double>& values)
{
    m_bottomMargin = values[0];
    m_length = values[1];
    m_topMargin = values[2];
    m_width = values[3];
    m_leftMargin = values[4];
    m_rightMargin = values[5];
    m_columnSpace = values[6];
}

void TQRPage::UpdateControl()
{
    m_report.updatePixelSize();
    m_report.SetBandValues();
}

const PropertyTable* TQRPage::Properties() const
{
    static const PropertyTable table(nullptr, {
        props::enumeration<TQRPage, TQRPaperSize>(
            "PaperSize",
            {"Default", "Letter", "LetterSmall", "Tabloid", "Ledger", "Legal", "Statement", "Executive", "A3", "A4",
             "A4Small", "A5", "B4", "B5", "Folio", "Quarto", "qr10X14", "qr11X17", "Note", "Env9", "Env10", "Env11",
             "Env12", "Env14", "CSheet", "DSheet", "ESheet", "Custom"},
            &TQRPage::PaperSize, &TQRPage::SetPaperSize),
        props::enumeration<TQRPage, TPrinterOrientation>("Orientation", {"poPortrait", "poLandscape"},
                                                         &TQRPage::Orientation, &TQRPage::SetOrientation),
        props::integer<TQRPage, int>("Columns", &TQRPage::Columns, &TQRPage::SetColumns),
        props::boolean<TQRPage>("Ruler", &TQRPage::Ruler, &TQRPage::SetRuler),
        props::floating<TQRPage, double>("BottomMargin", &TQRPage::BottomMargin, &TQRPage::SetBottomMargin),
        props::floating<TQRPage, double>("ColumnSpace", &TQRPage::ColumnSpace, &TQRPage::SetColumnSpace),
        props::floating<TQRPage, double>("LeftMargin", &TQRPage::LeftMargin, &TQRPage::SetLeftMargin),
        props::floating<TQRPage, double>("Length", &TQRPage::Length, &TQRPage::SetLength),
        props::floating<TQRPage, double>("RightMargin", &TQRPage::RightMargin, &TQRPage::SetRightMargin),
        props::floating<TQRPage, double>("TopMargin", &TQRPage::TopMargin, &TQRPage::SetTopMargin),
        props::floating<TQRPage, double>("Width", &TQRPage::Width, &TQRPage::SetWidth),
        // Last, so that it has the final word over everything above.
        props::string<TQRPage>("Values", &TQRPage::Values, &TQRPage::SetValues),
    });
    return &table;
}

// --- TQRBasePanel ---

PICTAVO_DEFINE_CLASS(TQRBasePanel, TCustomControl, nullptr, nullptr)

TQRBasePanel::TQRBasePanel(TComponent* owner) : TCustomControl(owner), m_frame(std::make_unique<TQRFrame>(this))
{
    SetControlStyle(ControlStyle() | (1u << csAcceptsControls));
}

TQRBasePanel::~TQRBasePanel() = default;

TQuickRep* TQRBasePanel::report() const
{
    for (const TControl* c = this; c; c = c->Parent())
        if (auto* found = dynamic_cast<const TQuickRep*>(c))
            return const_cast<TQuickRep*>(found);
    return nullptr;
}

void TQRBasePanel::SetZoom(int zoom)
{
    m_zoom = zoom;
    for (int i = 0; i < ControlCount(); ++i) {
        TControl* child = Controls(i);
        if (auto* printable = dynamic_cast<TQRPrintable*>(child))
            printable->Size()->SetZoom(zoom);
        else if (auto* panel = dynamic_cast<TQRBasePanel*>(child))
            panel->SetZoom(zoom);
    }
}

void TQRBasePanel::InsertControl(TControl* control)
{
    TCustomControl::InsertControl(control);
    if (auto* printable = dynamic_cast<TQRPrintable*>(control)) {
        if (const TQuickRep* owner = report())
            printable->Size()->SetUnits(owner->Units());
        printable->Size()->SetZoom(m_zoom);
    }
}

const PropertyTable* TQRBasePanel::Properties() const
{
    return &ClassProperties();
}

const PropertyTable& TQRBasePanel::ClassProperties()
{
    static const PropertyTable table(&TCustomControl::ClassProperties(), {
        props::object<TQRBasePanel, TQRFrame>("Frame", &TQRBasePanel::Frame),
    });
    return table;
}

// --- TQuickRep ---

PICTAVO_DEFINE_CLASS(TQuickRep, TQRBasePanel, nullptr, createComponentOf<TQuickRep>)

TQuickRep::TQuickRep(TComponent* owner)
    : TQRBasePanel(owner), m_page(std::make_unique<TQRPage>(*this)),
      m_printerSettings(std::make_unique<TQuickRepPrinterSettings>()), m_units(m_page->Units())
{
    SetParentFont(false);
    Font()->SetName("Arial");
    Font()->SetSize(10);
    SetColor(clWhite);
    // A new report starts on the paper of the current printer.
    platform::Printer printer;
    TPrinterSettings settings;
    settings.SetPrinter(&printer);
    m_page->SetPaperSize(printer.printers().empty() ? TQRPaperSize::A4 : settings.PaperSize());
    updatePixelSize();
}

TQuickRep::~TQuickRep() = default;

void TQuickRep::SetUnits(TQRUnit units)
{
    m_units = units;
    applyUnits();
}

void TQuickRep::applyUnits()
{
    m_page->SetUnits(m_units);
    const auto unitsOfPrintables = [this](const TWinControl& panel) {
        for (int i = 0; i < panel.ControlCount(); ++i)
            if (auto* printable = dynamic_cast<TQRPrintable*>(panel.Controls(i)))
                printable->Size()->SetUnits(m_units);
    };
    unitsOfPrintables(*this);
    for (TQRCustomBand* band : m_bands) {
        band->Size()->SetUnits(m_units);
        unitsOfPrintables(*band);
    }
}

void TQuickRep::SetZoom(int zoom)
{
    if (zoom < 1 || zoom > 300)
        return;
    TQRBasePanel::SetZoom(zoom);
    m_page->SetZoom(zoom);
}

void TQuickRep::updatePixelSize()
{
    TQRUnitBase::ParentUpdate updating(*m_page);
    TQRBasePanel::SetBounds(Left(), Top(), m_page->PixelsOf(m_page->NativeWidth(), QRAxis::Horizontal),
                            m_page->PixelsOf(m_page->NativeLength(), QRAxis::Vertical));
}

void TQuickRep::SetBounds(int left, int top, int width, int height)
{
    if (m_page->ParentUpdating() || IsLoading()) {
        TQRBasePanel::SetBounds(left, top, width, height);
        return;
    }
    if (m_page->PaperSize() != TQRPaperSize::Custom) {
        // The size is the paper's.
        TQRBasePanel::SetBounds(left, top, Width(), Height());
        return;
    }
    TQRBasePanel::SetBounds(left, top, width, height);
    m_page->SetWidth(m_page->LoadUnit(m_page->FromUnit(width, TQRUnit::Pixels, QRAxis::Horizontal), QRAxis::Horizontal));
    m_page->SetLength(m_page->LoadUnit(m_page->FromUnit(height, TQRUnit::Pixels, QRAxis::Vertical), QRAxis::Vertical));
}

void TQuickRep::InsertControl(TControl* control)
{
    TQRBasePanel::InsertControl(control);
    auto* band = dynamic_cast<TQRCustomBand*>(control);
    if (!band)
        return;
    m_bands.push_back(band);
    band->SetZoom(Zoom());
    band->Size()->SetUnits(m_units);
    for (int i = 0; i < band->ControlCount(); ++i)
        if (auto* printable = dynamic_cast<TQRPrintable*>(band->Controls(i)))
            printable->Size()->SetUnits(m_units);
    SetBandValues();
}

void TQuickRep::RemoveControl(TControl* control)
{
    TQRBasePanel::RemoveControl(control);
    // The control may be going: only its address is compared.
    const auto it = std::find_if(m_bands.begin(), m_bands.end(),
                                 [control](const TQRCustomBand* band) { return static_cast<const TControl*>(band) == control; });
    if (it == m_bands.end())
        return;
    m_bands.erase(it);
    SetBandValues();
}

void TQuickRep::Loaded()
{
    TQRBasePanel::Loaded();
    updatePixelSize();
    SetBandValues();
}

namespace {

// The type a band is laid out and printed as: a child band's is the first band's up its chain
// that is not a child.
TQRBandType effectiveType(const TQRCustomBand* band, std::size_t bandCount)
{
    for (std::size_t steps = 0; steps <= bandCount; ++steps) {
        const auto* child = dynamic_cast<const TQRChildBand*>(band);
        if (!child || band->BandType() != rbChild)
            return band->BandType();
        if (!child->ParentBand())
            return rbChild;
        band = child->ParentBand();
    }
    return rbChild;
}

} // namespace

std::vector<TQRCustomBand*> TQuickRep::BandOrder() const
{
    std::vector<TQRCustomBand*> order;
    std::set<const TQRCustomBand*> placed;
    const auto place = [&](TQRCustomBand* band) {
        // Each band is followed by its chain of child bands.
        for (TQRCustomBand* b = band; b && placed.insert(b).second; b = b->ChildBand())
            order.push_back(b);
    };
    const auto isChild = [](const TQRCustomBand* band) { return band->BandType() == rbChild; };
    // Page header, title and column header bands; then the data pass (group headers, the
    // detail band with its sub-details, group footers, the summary); then page footers.
    static constexpr TQRBandType sequence[] = {rbPageHeader, rbTitle,       rbColumnHeader, rbGroupHeader, rbDetail,
                                               rbSubDetail,  rbGroupFooter, rbSummary,      rbPageFooter};
    for (TQRBandType type : sequence)
        for (TQRCustomBand* band : m_bands)
            if (!isChild(band) && band->BandType() == type)
                place(band);
    for (TQRCustomBand* band : m_bands)
        if (!isChild(band))
            place(band);
    // Child bands whose parent is not on the report come last, in the order they were added.
    for (TQRCustomBand* band : m_bands)
        place(band);
    return order;
}

void TQuickRep::SetBandValues()
{
    if (IsLoading() || IsDestroying())
        return;
    const TQRPage& page = *m_page;
    const auto across = [&](double native) { return page.ToUnit(native, TQRUnit::Pixels, QRAxis::Horizontal); };
    int y = QRRound(page.ToUnit(page.NativeTopMargin(), TQRUnit::Pixels, QRAxis::Vertical));
    const int left = QRRound(across(page.NativeLeftMargin()));
    const int margins = QRRound(across(page.NativeLeftMargin()) + across(page.NativeRightMargin()));
    const int bodyWidth = Width() - margins;
    const int columnWidth =
        (Width() - margins - QRRound(across(page.NativeColumnSpace())) * (page.Columns() - 1)) / page.Columns();
    for (TQRCustomBand* band : BandOrder()) {
        const TQRBandType type = effectiveType(band, m_bands.size());
        const bool fullWidth = type == rbTitle || type == rbPageHeader || type == rbPageFooter || type == rbSummary
                               || type == rbOverlay;
        band->PlaceBand(left, y, fullWidth ? bodyWidth : columnWidth);
        y += band->Height();
    }
}

void TQuickRep::Paint()
{
    // The design surface: white paper, the margins as a broken line, column separators.
    TCanvas& canvas = *Canvas();
    canvas.Brush().SetStyle(bsSolid);
    canvas.Brush().SetColor(clWhite);
    canvas.FillRect(ClientRect());
    const TQRPage& page = *m_page;
    const TRect body{page.PixelsOf(page.NativeLeftMargin(), QRAxis::Horizontal),
                     page.PixelsOf(page.NativeTopMargin(), QRAxis::Vertical),
                     Width() - page.PixelsOf(page.NativeRightMargin(), QRAxis::Horizontal),
                     Height() - page.PixelsOf(page.NativeBottomMargin(), QRAxis::Vertical)};
    canvas.Brush().SetStyle(bsClear);
    canvas.Pen().SetColor(clSilver);
    canvas.Pen().SetStyle(psDot);
    canvas.Pen().SetWidth(1);
    canvas.Rectangle(body);
    if (page.Columns() > 1) {
        const int step = body.width() / page.Columns();
        for (int column = 1; column < page.Columns(); ++column) {
            canvas.MoveTo(body.left + column * step, body.top);
            canvas.LineTo(body.left + column * step, body.bottom);
        }
    }
    canvas.Pen().SetStyle(psSolid);
    const double perNative = page.ToUnit(1.0, TQRUnit::Pixels, QRAxis::Horizontal);
    Frame()->PaintIt(canvas, body, perNative, perNative);
}

const PropertyTable* TQuickRep::Properties() const
{
    return &ClassProperties();
}

const PropertyTable& TQuickRep::ClassProperties()
{
    using R = TQuickRep;
    static const PropertyTable table(&TQRBasePanel::ClassProperties(), {
        props::enumeration<R, TQRUnit>("Units", {"MM", "Inches", "Pixels", "Characters", "Native"}, &R::Units,
                                       &R::SetUnits),
        props::integer<R, int>("Zoom", &R::Zoom, &R::SetZoom),
        props::object<R, TQRPage>("Page", &R::Page),
        props::object<R, TQuickRepPrinterSettings>("PrinterSettings", &R::PrinterSettings),
        props::boolean<R>("PrintIfEmpty", &R::PrintIfEmpty, &R::SetPrintIfEmpty),
        props::set<R, TQuickRepOptions>("Options", {"FirstPageHeader", "LastPageFooter", "Compression"}, &R::Options,
                                        &R::SetOptions),
        props::string<R>("ReportTitle", &R::ReportTitle, &R::SetReportTitle),
        props::boolean<R>("ShowProgress", &R::ShowProgress, &R::SetShowProgress),
    });
    return table;
}

void RegisterReportClasses()
{
    RegisterClasses({TQuickRep::StaticClass(), TQRBand::StaticClass(), TQRChildBand::StaticClass(),
                     TQRImage::StaticClass(), TQRPreview::StaticClass()});
}
