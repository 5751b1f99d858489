// Bands and their sizes.

#include "framework/properties.h"
#include "report/quick_rep.h"

#include <array>

namespace {

struct BandTypeText {
    const char* caption;
    const char* componentName;
};

constexpr std::array<BandTypeText, 11> bandTypeTexts{{
    {"Title", "TitleBand"},
    {"Page Header", "PageHeaderBand"},
    {"Detail", "DetailBand"},
    {"Page Footer", "PageFooterBand"},
    {"Summary", "SummaryBand"},
    {"Group Header", "GroupHeaderBand"},
    {"Group Footer", "GroupFooterBand"},
    {"Sub Detail", "SubDetailBand"},
    {"Column Header", "ColumnHeaderBand"},
    {"Overlay", "OverlayBand"},
    {"Child", "ChildBand"},
}};

} // namespace

const char* BandTypeCaption(TQRBandType type)
{
    return bandTypeTexts[std::size_t(type)].caption;
}

const char* BandTypeComponentName(TQRBandType type)
{
    return bandTypeTexts[std::size_t(type)].componentName;
}

// --- TQRBandSize ---

PICTAVO_DEFINE_CLASS(TQRBandSize, TQRUnitBase, nullptr, nullptr)

TQRBandSize::TQRBandSize(TQRCustomBand& band) : TQRUnitBase(&band), m_band(band) {}

void TQRBandSize::SetHeight(double value)
{
    SetNativeHeight(SaveUnit(value, QRAxis::Vertical));
}

void TQRBandSize::SetWidth(double value)
{
    SetNativeWidth(SaveUnit(value, QRAxis::Horizontal));
}

void TQRBandSize::SetNativeHeight(double value)
{
    m_height = value;
    UpdateControl();
}

void TQRBandSize::SetNativeWidth(double value)
{
    m_width = value;
    UpdateControl();
}

void TQRBandSize::WriteValues(const std::vector<double>& values)
{
    m_height = values[0];
    m_width = values[1];
}

void TQRBandSize::UpdateControl()
{
    m_band.takeSize();
    // Bands below move with a new height; the layout itself holds the flag.
    if (!ParentUpdating())
        if (TQuickRep* report = ParentReport())
            report->SetBandValues();
}

const PropertyTable* TQRBandSize::Properties() const
{
    static const PropertyTable table(nullptr, {
        props::floating<TQRBandSize, double>("Height", &TQRBandSize::Height, &TQRBandSize::SetHeight),
        props::floating<TQRBandSize, double>("Width", &TQRBandSize::Width, &TQRBandSize::SetWidth),
        props::string<TQRBandSize>("Values", &TQRBandSize::Values, &TQRBandSize::SetValues),
    });
    return &table;
}

// --- TQRCustomBand ---

PICTAVO_DEFINE_CLASS(TQRCustomBand, TQRBasePanel, nullptr, nullptr)

TQRCustomBand::TQRCustomBand(TComponent* owner) : TQRBasePanel(owner), m_size(std::make_unique<TQRBandSize>(*this))
{
    SetColor(clWhite);
    SetBounds(Left(), Top(), Width(), 40);
}

TQRCustomBand::~TQRCustomBand() = default;

TQuickRep* TQRCustomBand::ParentReport() const
{
    return report();
}

TQRChildBand* TQRCustomBand::ChildBand() const
{
    const TQuickRep* owner = ParentReport();
    if (!owner)
        return nullptr;
    for (int i = 0; i < owner->BandCount(); ++i)
        if (auto* child = dynamic_cast<TQRChildBand*>(owner->Bands(i)); child && child->ParentBand() == this)
            return child;
    return nullptr;
}

void TQRCustomBand::SetBandType(TQRBandType type)
{
    if (type == m_bandType)
        return;
    m_bandType = type;
    if (TQuickRep* owner = ParentReport())
        owner->SetBandValues();
    Invalidate();
}

void TQRCustomBand::takeSize()
{
    TQRUnitBase::ParentUpdate updating(*m_size);
    TQRBasePanel::SetBounds(Left(), Top(), m_size->PixelsOf(m_size->NativeWidth(), QRAxis::Horizontal),
                            m_size->PixelsOf(m_size->NativeHeight(), QRAxis::Vertical));
}

void TQRCustomBand::SetBounds(int left, int top, int width, int height)
{
    if (m_size->ParentUpdating()) {
        TQRBasePanel::SetBounds(left, top, width, height);
        return;
    }
    if (height != Height())
        m_size->SetNativeHeight(m_size->FromUnit(height, TQRUnit::Pixels, QRAxis::Vertical));
    if (left != Left() || top != Top()) {
        {
            TQRUnitBase::ParentUpdate updating(*m_size);
            TQRBasePanel::SetBounds(left, top, Width(), Height());
        }
        if (TQuickRep* owner = ParentReport())
            owner->SetBandValues();
    }
}

void TQRCustomBand::SetZoom(int zoom)
{
    TQRBasePanel::SetZoom(zoom);
    // The report lays its bands out again after a zoom.
    TQRUnitBase::ParentUpdate updating(*m_size);
    m_size->SetZoom(zoom);
}

void TQRCustomBand::PlaceBand(int left, int top, int width)
{
    TQRUnitBase::ParentUpdate updating(*m_size);
    TQRBasePanel::SetBounds(left, top, Width(), Height());
    m_size->SetNativeWidth(m_size->FromUnit(width, TQRUnit::Pixels, QRAxis::Horizontal));
}

void TQRCustomBand::Paint()
{
    TCanvas& canvas = *Canvas();
    canvas.Brush().SetStyle(bsSolid);
    canvas.Brush().SetColor(Color());
    canvas.FillRect(ClientRect());
    canvas.Brush().SetStyle(bsClear);
    canvas.Pen().SetColor(clGray);
    canvas.Pen().SetStyle(psDot);
    canvas.Pen().SetWidth(1);
    canvas.Rectangle(ClientRect());
    canvas.Pen().SetStyle(psSolid);
    const double perNative = m_size->ToUnit(1.0, TQRUnit::Pixels, QRAxis::Horizontal);
    Frame()->PaintIt(canvas, ClientRect(), perNative, perNative);
    canvas.Font().SetName("Arial");
    canvas.Font().SetHeight(-9);
    canvas.Font().SetColor(clGray);
    const std::string caption = BandTypeCaption(m_bandType);
    canvas.TextOut(2, Height() - canvas.TextHeight(caption) - 1, caption);
}

const PropertyTable* TQRCustomBand::Properties() const
{
    return &ClassProperties();
}

const PropertyTable& TQRCustomBand::ClassProperties()
{
    using B = TQRCustomBand;
    static const PropertyTable table(&TQRBasePanel::ClassProperties(), {
        props::enumeration<B, TQRBandType>("BandType",
                                           {"rbTitle", "rbPageHeader", "rbDetail", "rbPageFooter", "rbSummary",
                                            "rbGroupHeader", "rbGroupFooter", "rbSubDetail", "rbColumnHeader",
                                            "rbOverlay", "rbChild"},
                                           &B::BandType, &B::SetBandType),
        props::boolean<B>("AlignToBottom", &B::AlignToBottom, &B::SetAlignToBottom),
        props::boolean<B>("ForceNewColumn", &B::ForceNewColumn, &B::SetForceNewColumn),
        props::boolean<B>("ForceNewPage", &B::ForceNewPage, &B::SetForceNewPage),
        props::object<B, TQRBandSize>("Size", &B::Size),
        props::event<B, TQRBandBeforePrintEvent>("BeforePrint", &B::BeforePrint),
        props::event<B, TQRBandAfterPrintEvent>("AfterPrint", &B::AfterPrint),
    });
    return table;
}

PICTAVO_DEFINE_CLASS(TQRBand, TQRCustomBand, nullptr, createComponentOf<TQRBand>)

// --- TQRChildBand ---

PICTAVO_DEFINE_CLASS(TQRChildBand, TQRCustomBand, nullptr, createComponentOf<TQRChildBand>)

TQRChildBand::TQRChildBand(TComponent* owner) : TQRCustomBand(owner)
{
    SetBandType(rbChild);
}

void TQRChildBand::SetParentBand(TQRCustomBand* band)
{
    if (band == this)
        return;
    m_parentBand = band;
    if (TQuickRep* owner = ParentReport())
        owner->SetBandValues();
}

const PropertyTable* TQRChildBand::Properties() const
{
    return &ClassProperties();
}

const PropertyTable& TQRChildBand::ClassProperties()
{
    static const PropertyTable table(&TQRCustomBand::ClassProperties(), {
        props::component<TQRChildBand, TQRCustomBand>("ParentBand", &TQRChildBand::ParentBand,
                                                      &TQRChildBand::SetParentBand),
    });
    return table;
}
