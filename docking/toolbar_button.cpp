// Flat toolbar buttons: glyph state images, hover border, pressed tracking and button groups.

#include "docking/docking.h"

#include "framework/drawing.h"
#include "framework/forms.h"
#include "picture/bitmap/bitmap.h"
#include "platform/section.h"

#include <algorithm>

namespace {
// State images of a glyph, side by side: up, disabled, down, exclusive.
enum GlyphState { gsUp = 0, gsDisabled = 1, gsDown = 2, gsExclusive = 3 };
} // namespace

PICTAVO_DEFINE_CLASS(TToolbarButton97, TGraphicControl, nullptr, createComponentOf<TToolbarButton97>)

TToolbarButton97::TToolbarButton97(TComponent* owner)
    : TGraphicControl(owner), m_glyph(std::make_unique<TBitmap>())
{
    SetBounds(0, 0, 23, 22);
    SetColor(clBtnFace);
    m_glyph->OnChange = [this](TObject*) { Invalidate(); };
}

TToolbarButton97::~TToolbarButton97()
{
    m_glyph->OnChange = nullptr;
}

void TToolbarButton97::SetGlyph(const TBitmap* glyph)
{
    m_glyph->CopyFrom(glyph);
}

void TToolbarButton97::SetNumGlyphs(int count)
{
    count = std::clamp(count, 1, 4);
    if (count == m_numGlyphs)
        return;
    m_numGlyphs = count;
    Invalidate();
}

void TToolbarButton97::SetDisplayMode(TButtonDisplayMode mode)
{
    m_displayMode = mode;
    Invalidate();
}

void TToolbarButton97::SetLayout(TButtonLayout layout)
{
    m_layout = layout;
    Invalidate();
}

void TToolbarButton97::SetMargin(int margin)
{
    m_margin = margin;
    Invalidate();
}

void TToolbarButton97::SetSpacing(int spacing)
{
    m_spacing = spacing;
    Invalidate();
}

void TToolbarButton97::SetFlat(bool flat)
{
    m_flat = flat;
    Invalidate();
}

void TToolbarButton97::SetOpaque(bool opaque)
{
    m_opaque = opaque;
    Invalidate();
}

void TToolbarButton97::SetNoBorder(bool noBorder)
{
    m_noBorder = noBorder;
    Invalidate();
}

void TToolbarButton97::SetGroupIndex(int group)
{
    m_groupIndex = group;
    if (group == 0)
        m_down = false;
    else if (m_down)
        releaseOthersInGroup();
    Invalidate();
}

void TToolbarButton97::SetDown(bool down)
{
    if (m_groupIndex == 0 || down == m_down)
        return;
    if (m_down && !m_allowAllUp)
        return;
    m_down = down;
    if (down)
        releaseOthersInGroup();
    Invalidate();
}

void TToolbarButton97::releaseOthersInGroup()
{
    TWinControl* parent = Parent();
    if (!parent)
        return;
    for (int i = 0; i < parent->ControlCount(); ++i) {
        auto* other = dynamic_cast<TToolbarButton97*>(parent->Controls(i));
        if (!other || other == this || other->m_groupIndex != m_groupIndex || !other->m_down)
            continue;
        other->m_down = false;
        other->m_allowAllUp = m_allowAllUp;
        other->Invalidate();
    }
}

void TToolbarButton97::Click()
{
    if (m_groupIndex != 0) {
        if (!m_down)
            SetDown(true);
        else if (m_allowAllUp)
            SetDown(false);
    }
    if (m_modalResult != 0)
        if (TForm* form = GetParentForm(this))
            form->SetModalResult(m_modalResult);
    TGraphicControl::Click();
}

void TToolbarButton97::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    if (button == mbLeft && Enabled()) {
        m_pressed = true;
        m_mouseIn = true;
        Invalidate();
    }
    TGraphicControl::MouseDown(button, shift, x, y);
}

void TToolbarButton97::MouseMove(TShiftState shift, int x, int y)
{
    if (m_pressed) {
        const bool inside = TRect{0, 0, Width(), Height()}.contains({x, y});
        if (inside != m_mouseIn) {
            m_mouseIn = inside;
            Invalidate();
        }
    }
    TGraphicControl::MouseMove(shift, x, y);
}

void TToolbarButton97::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    if (button == mbLeft && m_pressed) {
        m_pressed = false;
        Invalidate();
    }
    TGraphicControl::MouseUp(button, shift, x, y);
}

void TToolbarButton97::MouseEnter()
{
    m_mouseIn = true;
    Invalidate();
    TGraphicControl::MouseEnter();
}

void TToolbarButton97::MouseLeave()
{
    m_mouseIn = false;
    Invalidate();
    TGraphicControl::MouseLeave();
}

void TToolbarButton97::EnabledChanged()
{
    TGraphicControl::EnabledChanged();
    if (!Enabled()) {
        m_pressed = false;
        m_mouseIn = false;
    }
    Invalidate();
}

void TToolbarButton97::TextChanged()
{
    TGraphicControl::TextChanged();
    Invalidate();
}

void TToolbarButton97::Paint()
{
    TCanvas& canvas = *Canvas();
    const TRect whole{0, 0, Width(), Height()};
    const bool enabled = Enabled();
    const bool pressed = enabled && m_pressed && m_mouseIn;
    const bool exclusive = m_down;
    if (m_opaque || !m_flat) {
        canvas.Brush().SetColor(Color());
        canvas.Brush().SetStyle(bsSolid);
        canvas.FillRect(whole);
    }

    const bool border = !m_noBorder && (!m_flat || pressed || exclusive || (m_mouseIn && enabled));
    TRect frame = whole;
    if (border) {
        if (pressed || exclusive)
            Frame3D(canvas, frame, clBtnShadow, clBtnHighlight, 1);
        else
            Frame3D(canvas, frame, clBtnHighlight, clBtnShadow, 1);
    }
    const int inset = m_flat ? 1 : 2;
    TRect content{inset, inset, Width() - inset, Height() - inset};
    if (pressed || exclusive)
        content = content.translated(1, 1);

    // Which state image of the glyph to draw; a state without an image of its own uses the up one.
    const bool hasGlyph = m_displayMode != dmTextOnly && !m_glyph->IsEmpty();
    const bool hasText = m_displayMode != dmGlyphOnly && !Caption().empty();
    int glyphWidth = 0;
    int glyphHeight = 0;
    int state = gsUp;
    if (hasGlyph) {
        glyphWidth = m_glyph->Width() / m_numGlyphs;
        glyphHeight = m_glyph->Height();
        if (!enabled && m_numGlyphs > gsDisabled)
            state = gsDisabled;
        else if (pressed && m_numGlyphs > gsDown)
            state = gsDown;
        else if (exclusive && m_numGlyphs > gsExclusive)
            state = gsExclusive;
    }
    TRect textRect{0, 0, 0, 0};
    int textWidth = 0;
    int textHeight = 0;
    if (hasText) {
        canvas.Font().CopyFrom(Font());
        DrawText(canvas, Caption(), textRect, DT_SINGLELINE | DT_CALCRECT);
        textWidth = textRect.width();
        textHeight = textRect.height();
    }
    const int spacing = hasGlyph && hasText ? m_spacing : 0;
    const bool sideBySide = m_layout == blGlyphLeft || m_layout == blGlyphRight;
    const int totalWidth = sideBySide ? glyphWidth + spacing + textWidth : std::max(glyphWidth, textWidth);
    const int totalHeight = sideBySide ? std::max(glyphHeight, textHeight) : glyphHeight + spacing + textHeight;
    int left = m_margin >= 0 ? content.left + m_margin : content.left + (content.width() - totalWidth) / 2;
    int top = content.top + (content.height() - totalHeight) / 2;
    TPoint glyphAt{left, top + (totalHeight - glyphHeight) / 2};
    TPoint textAt{left + glyphWidth + spacing, top + (totalHeight - textHeight) / 2};
    switch (m_layout) {
    case blGlyphRight:
        textAt = {left, top + (totalHeight - textHeight) / 2};
        glyphAt = {left + textWidth + spacing, top + (totalHeight - glyphHeight) / 2};
        break;
    case blGlyphTop:
        glyphAt = {left + (totalWidth - glyphWidth) / 2, top};
        textAt = {left + (totalWidth - textWidth) / 2, top + glyphHeight + spacing};
        break;
    case blGlyphBottom:
        textAt = {left + (totalWidth - textWidth) / 2, top};
        glyphAt = {left + (totalWidth - glyphWidth) / 2, top + textHeight + spacing};
        break;
    default: break;
    }

    if (hasGlyph && glyphWidth > 0) {
        if (const platform::Section* pixels = m_glyph->PlatformHandle()) {
            // The glyph's bottom-left pixel marks what shows the button's face.
            const TColor key = TColor(platform::rgbPart(pixels->pixel(0, pixels->height() - 1)));
            canvas.Brush().SetColor(Color());
            canvas.Brush().SetStyle(bsSolid);
            const TRect source{state * glyphWidth, 0, (state + 1) * glyphWidth, glyphHeight};
            canvas.BrushCopy(TRect{glyphAt.x, glyphAt.y, glyphAt.x + glyphWidth, glyphAt.y + glyphHeight},
                             *pixels, source, key);
        }
    }
    if (hasText) {
        canvas.Font().CopyFrom(Font());
        canvas.Brush().SetStyle(bsClear);
        TRect r{textAt.x, textAt.y, textAt.x + textWidth, textAt.y + textHeight};
        if (!enabled) {
            TRect shadow = r.translated(1, 1);
            canvas.Font().SetColor(clBtnHighlight);
            DrawText(canvas, Caption(), shadow, DT_SINGLELINE);
            canvas.Font().SetColor(clBtnShadow);
        }
        DrawText(canvas, Caption(), r, DT_SINGLELINE);
        canvas.Brush().SetStyle(bsSolid);
    }
}

const PropertyTable& TToolbarButton97::ClassProperties()
{
    static const PropertyTable table(&TGraphicControl::ClassProperties(), {
        props::boolean<TToolbarButton97>("AllowAllUp", &TToolbarButton97::AllowAllUp,
                                         &TToolbarButton97::SetAllowAllUp),
        // Before Down, which holds only in a group.
        props::integer<TToolbarButton97, int>("GroupIndex", &TToolbarButton97::GroupIndex,
                                              &TToolbarButton97::SetGroupIndex),
        props::string<TToolbarButton97>("Caption", &TToolbarButton97::Caption, &TToolbarButton97::SetCaption),
        props::enumeration<TToolbarButton97, TButtonDisplayMode>("DisplayMode",
                                                                 {"dmBoth", "dmGlyphOnly", "dmTextOnly"},
                                                                 &TToolbarButton97::DisplayMode,
                                                                 &TToolbarButton97::SetDisplayMode),
        props::boolean<TToolbarButton97>("Down", &TToolbarButton97::Down, &TToolbarButton97::SetDown),
        props::boolean<TToolbarButton97>("Flat", &TToolbarButton97::Flat, &TToolbarButton97::SetFlat),
        props::object<TToolbarButton97, TBitmap>("Glyph", &TToolbarButton97::Glyph),
        props::enumeration<TToolbarButton97, TButtonLayout>(
            "Layout", {"blGlyphLeft", "blGlyphRight", "blGlyphTop", "blGlyphBottom"}, &TToolbarButton97::Layout,
            &TToolbarButton97::SetLayout),
        props::integer<TToolbarButton97, int>("Margin", &TToolbarButton97::Margin, &TToolbarButton97::SetMargin),
        props::integer<TToolbarButton97, int>("ModalResult", &TToolbarButton97::ModalResult,
                                              &TToolbarButton97::SetModalResult),
        props::boolean<TToolbarButton97>("NoBorder", &TToolbarButton97::NoBorder, &TToolbarButton97::SetNoBorder),
        props::integer<TToolbarButton97, int>("NumGlyphs", &TToolbarButton97::NumGlyphs,
                                              &TToolbarButton97::SetNumGlyphs),
        props::boolean<TToolbarButton97>("Opaque", &TToolbarButton97::Opaque, &TToolbarButton97::SetOpaque),
        props::integer<TToolbarButton97, int>("Spacing", &TToolbarButton97::Spacing, &TToolbarButton97::SetSpacing),
    });
    return table;
}

const PropertyTable* TToolbarButton97::Properties() const
{
    return &ClassProperties();
}
