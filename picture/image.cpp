#include "picture/image.h"

#include "framework/class_registry.h"
#include "framework/forms.h"

PICTAVO_DEFINE_CLASS(TImage, TGraphicControl, nullptr, createComponentOf<TImage>)

TImage::TImage(TComponent* owner) : TGraphicControl(owner), m_picture(std::make_unique<TPicture>())
{
    SetBounds(0, 0, 105, 105);
    m_picture->OnChange = [this](TObject*) { PictureChanged(); };
}

TImage::~TImage()
{
    // The picture may notify while it goes; the control is no longer there to hear it.
    m_picture->OnChange = nullptr;
}

void TImage::SetPicture(const TPicture* picture)
{
    m_picture->CopyFrom(picture);
}

void TImage::SetAutoSize(bool autoSize)
{
    if (autoSize == m_autoSize)
        return;
    m_autoSize = autoSize;
    PictureChanged();
}

void TImage::SetStretch(bool stretch)
{
    if (stretch == m_stretch)
        return;
    m_stretch = stretch;
    PictureChanged();
}

void TImage::SetCenter(bool center)
{
    if (center == m_center)
        return;
    m_center = center;
    PictureChanged();
}

void TImage::SetTransparent(bool transparent)
{
    if (transparent == m_transparent)
        return;
    m_transparent = transparent;
    PictureChanged();
}

TRect TImage::DestRect() const
{
    TGraphic* graphic = m_picture->Graphic();
    if (!graphic || graphic->IsEmpty())
        return {};
    if (m_stretch)
        return ClientRect();
    const int width = m_picture->Width();
    const int height = m_picture->Height();
    if (m_center) {
        // Integer division rounds towards zero, also for a picture larger than the control.
        const int left = (ClientWidth() - width) / 2;
        const int top = (ClientHeight() - height) / 2;
        return TRect{left, top, left + width, top + height};
    }
    return TRect{0, 0, width, height};
}

void TImage::Paint()
{
    TGraphic* graphic = m_picture->Graphic();
    if (!graphic || graphic->IsEmpty())
        return;
    Canvas()->StretchDraw(DestRect(), graphic);
}

void TImage::PictureChanged()
{
    if (m_autoSize && m_picture->Width() > 0 && m_picture->Height() > 0)
        SetBounds(Left(), Top(), m_picture->Width(), m_picture->Height());
    TGraphic* graphic = m_picture->Graphic();
    TControlStyle style = ControlStyle() & ~(1u << csOpaque);
    if (graphic) {
        // Changing the image's setting notifies again; the second round finds it already set.
        graphic->SetTransparent(m_transparent);
        const bool coversControl = m_stretch || (m_picture->Width() >= Width() && m_picture->Height() >= Height());
        if (!graphic->Transparent() && coversControl)
            style |= 1u << csOpaque;
        // This display has no hardware palette to realise: a changed palette means the window
        // repaints with the new colours.
        if (graphic->PaletteChangedFlag() && graphic->Palette()) {
            graphic->SetPaletteChangedFlag(false);
            if (TForm* form = GetParentForm(this))
                form->Invalidate();
        }
    }
    SetControlStyle(style);
    Invalidate();
}

const PropertyTable& TImage::ClassProperties()
{
    static const PropertyTable table(&TGraphicControl::ClassProperties(), {
        props::boolean<TImage>("AutoSize", &TImage::AutoSize, &TImage::SetAutoSize),
        props::boolean<TImage>("Center", &TImage::Center, &TImage::SetCenter),
        props::object<TImage, TPicture>("Picture", &TImage::Picture),
        props::boolean<TImage>("Stretch", &TImage::Stretch, &TImage::SetStretch),
        props::boolean<TImage>("Transparent", &TImage::Transparent, &TImage::SetTransparent),
    });
    return table;
}

const PropertyTable* TImage::Properties() const
{
    return &ClassProperties();
}

void RegisterImageClass()
{
    RegisterClass(TImage::StaticClass());
}
