// Printables: their sizes, and the printable picture.

#include "framework/properties.h"
#include "picture/bitmap/bitmap.h"
#include "platform/device_context.h"
#include "report/quick_rep.h"

// --- TQRPrintableSize ---

PICTAVO_DEFINE_CLASS(TQRPrintableSize, TQRUnitBase, nullptr, nullptr)

TQRPrintableSize::TQRPrintableSize(TControl& printable) : TQRUnitBase(&printable) {}

void TQRPrintableSize::set(double& field, double native)
{
    field = native;
    UpdateControl();
}

void TQRPrintableSize::TakePixelBounds(int left, int top, int width, int height)
{
    m_height = FromUnit(height, TQRUnit::Pixels, QRAxis::Vertical);
    m_width = FromUnit(width, TQRUnit::Pixels, QRAxis::Horizontal);
    m_top = FromUnit(top, TQRUnit::Pixels, QRAxis::Vertical);
    m_left = FromUnit(left, TQRUnit::Pixels, QRAxis::Horizontal);
    UpdateControl();
}

void TQRPrintableSize::WriteValues(const std::vector<double>& values)
{
    m_height = values[0];
    m_left = values[1];
    m_top = values[2];
    m_width = values[3];
}

void TQRPrintableSize::UpdateControl()
{
    ParentUpdate updating(*this);
    Control()->SetBounds(PixelsOf(m_left, QRAxis::Horizontal), PixelsOf(m_top, QRAxis::Vertical),
                         PixelsOf(m_width, QRAxis::Horizontal), PixelsOf(m_height, QRAxis::Vertical));
}

const PropertyTable* TQRPrintableSize::Properties() const
{
    using S = TQRPrintableSize;
    static const PropertyTable table(nullptr, {
        props::floating<S, double>("Height", &S::Height, &S::SetHeight),
        props::floating<S, double>("Left", &S::Left, &S::SetLeft),
        props::floating<S, double>("Top", &S::Top, &S::SetTop),
        props::floating<S, double>("Width", &S::Width, &S::SetWidth),
        props::string<S>("Values", &S::Values, &S::SetValues),
    });
    return &table;
}

// --- TQRPrintable ---

PICTAVO_DEFINE_CLASS(TQRPrintable, TGraphicControl, nullptr, nullptr)

TQRPrintable::TQRPrintable(TComponent* owner)
    : TGraphicControl(owner), m_size(std::make_unique<TQRPrintableSize>(*this)),
      m_frame(std::make_unique<TQRFrame>(this))
{
}

TQRPrintable::~TQRPrintable() = default;

TQuickRep* TQRPrintable::ParentReport() const
{
    return m_size->ParentReport();
}

void TQRPrintable::SetBounds(int left, int top, int width, int height)
{
    if (m_size->ParentUpdating())
        TGraphicControl::SetBounds(left, top, width, height);
    else
        m_size->TakePixelBounds(left, top, width, height);
}

void TQRPrintable::PrintOnto(TCanvas&, const QRDeviceMapping&, double, double) {}

const PropertyTable* TQRPrintable::Properties() const
{
    return &ClassProperties();
}

const PropertyTable& TQRPrintable::ClassProperties()
{
    using P = TQRPrintable;
    static const PropertyTable table(&TGraphicControl::ClassProperties(), {
        props::enumeration<P, TAlignment>("Alignment", {"taLeftJustify", "taRightJustify", "taCenter"},
                                          &P::Alignment, &P::SetAlignment),
        props::boolean<P>("AlignToBand", &P::AlignToBand, &P::SetAlignToBand),
        props::object<P, TQRFrame>("Frame", &P::Frame),
        props::object<P, TQRPrintableSize>("Size", &P::Size),
    });
    return table;
}

// --- TQRImage ---

PICTAVO_DEFINE_CLASS(TQRImage, TQRPrintable, nullptr, createComponentOf<TQRImage>)

TQRImage::TQRImage(TComponent* owner) : TQRPrintable(owner), m_picture(std::make_unique<TPicture>())
{
    SetBounds(Left(), Top(), 105, 105);
    m_picture->OnChange = [this](TObject*) { pictureChanged(); };
}

TQRImage::~TQRImage()
{
    // The picture may notify while it goes; the control is no longer there to hear it.
    m_picture->OnChange = nullptr;
}

void TQRImage::SetPicture(const TPicture* picture)
{
    m_picture->CopyFrom(picture);
}

void TQRImage::SetAutoSize(bool autoSize)
{
    m_autoSize = autoSize;
    pictureChanged();
}

void TQRImage::SetCenter(bool center)
{
    if (center == m_center)
        return;
    m_center = center;
    pictureChanged();
}

void TQRImage::SetStretch(bool stretch)
{
    if (stretch == m_stretch)
        return;
    m_stretch = stretch;
    pictureChanged();
}

void TQRImage::pictureChanged()
{
    const int width = m_picture->Width();
    const int height = m_picture->Height();
    if (m_autoSize && width > 0 && height > 0)
        SetBounds(Left(), Top(), width, height);
    const TGraphic* graphic = m_picture->Graphic();
    const bool opaque = graphic && graphic->InheritsFrom(TBitmap::StaticClass()) && width >= Width()
                        && height >= Height();
    SetControlStyle(opaque ? ControlStyle() | (1u << csOpaque) : ControlStyle() & ~(1u << csOpaque));
    Invalidate();
}

TRect TQRImage::placement(const TRect& area, int areaWidth, int areaHeight) const
{
    if (m_stretch)
        return area;
    const int width = m_picture->Width();
    const int height = m_picture->Height();
    int left = area.left;
    int top = area.top;
    if (m_center) {
        // Integer division truncates towards zero, also for a picture larger than the area.
        left += (areaWidth - width) / 2;
        top += (areaHeight - height) / 2;
    }
    return TRect{left, top, left + width, top + height};
}

void TQRImage::PrintOnto(TCanvas& canvas, const QRDeviceMapping& mapping, double x0, double y0)
{
    TGraphic* graphic = m_picture->Graphic();
    if (!graphic || graphic->IsEmpty())
        return;
    const TQRPrintableSize& size = *Size();
    const TRect area{mapping.XPos(x0 + size.NativeLeft()), mapping.YPos(y0 + size.NativeTop()),
                     mapping.XPos(x0 + size.NativeLeft() + size.NativeWidth()),
                     mapping.YPos(y0 + size.NativeTop() + size.NativeHeight())};
    if (m_stretch) {
        canvas.StretchDraw(area, graphic);
        return;
    }
    // One picture pixel to one device pixel, clipped to the area.
    const TRect at = placement(area, mapping.XSize(size.NativeWidth()), mapping.YSize(size.NativeHeight()));
    platform::DeviceContext* context = canvas.Handle();
    context->setClipRect(area);
    canvas.Draw(at.left, at.top, graphic);
    context->setClipRect(std::nullopt);
}

void TQRImage::Paint()
{
    TGraphic* graphic = m_picture->Graphic();
    if (!graphic || graphic->IsEmpty())
        return;
    Canvas()->StretchDraw(placement(ClientRect(), Width(), Height()), graphic);
}

const PropertyTable* TQRImage::Properties() const
{
    return &ClassProperties();
}

const PropertyTable& TQRImage::ClassProperties()
{
    static const PropertyTable table(&TQRPrintable::ClassProperties(), {
        props::boolean<TQRImage>("AutoSize", &TQRImage::AutoSize, &TQRImage::SetAutoSize),
        props::boolean<TQRImage>("Center", &TQRImage::Center, &TQRImage::SetCenter),
        props::object<TQRImage, TPicture>("Picture", &TQRImage::Picture),
        props::boolean<TQRImage>("Stretch", &TQRImage::Stretch, &TQRImage::SetStretch),
    });
    return table;
}
