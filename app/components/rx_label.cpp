#include "app/components/rx_label.h"

#include "framework/drawing.h"

#include <algorithm>

PICTAVO_DEFINE_CLASS(TRxLabel, TLabel, nullptr, createComponentOf<TRxLabel>)

TRxLabel::TRxLabel(TComponent* owner) : TLabel(owner) {}

void TRxLabel::SetShadowColor(TColor color)
{
    if (color == m_shadowColor)
        return;
    m_shadowColor = color;
    Invalidate();
}

void TRxLabel::SetShadowSize(int size)
{
    size = std::max(0, size);
    if (size == m_shadowSize)
        return;
    m_shadowSize = size;
    AdjustBounds();
    Invalidate();
}

void TRxLabel::SetShadowPos(TShadowPosition position)
{
    if (position == m_shadowPos)
        return;
    m_shadowPos = position;
    Invalidate();
}

TPoint TRxLabel::ShadowOffset() const
{
    const int s = m_shadowSize;
    switch (m_shadowPos) {
    case spLeftTop: return {0, 0};
    case spLeftBottom: return {0, s};
    case spRightBottom: return {s, s};
    case spRightTop: return {s, 0};
    }
    return {0, 0};
}

TPoint TRxLabel::TextOffset() const
{
    // The text sits on the side away from its shadow.
    const int s = m_shadowSize;
    switch (m_shadowPos) {
    case spLeftTop: return {s, s};
    case spLeftBottom: return {s, 0};
    case spRightBottom: return {0, 0};
    case spRightTop: return {0, s};
    }
    return {0, 0};
}

void TRxLabel::DoDrawText(TRect& rect, unsigned flags)
{
    if (flags & DT_CALCRECT) {
        TLabel::DoDrawText(rect, flags);
        rect.right += m_shadowSize;
        rect.bottom += m_shadowSize;
        return;
    }
    std::string text = GetLabelText();
    if (!ShowAccelChar())
        flags |= DT_NOPREFIX;
    TCanvas& canvas = *Canvas();
    canvas.Font().CopyFrom(Font());
    const TPoint shadowAt = ShadowOffset();
    const TPoint textAt = TextOffset();
    TColor shadow = m_shadowColor;
    TColor face = Font()->Color();
    int shadowSize = m_shadowSize;
    if (!Enabled()) {
        face = clGrayText;
        shadow = clBtnHighlight;
    }
    TRect place = rect.translated(textAt.x, textAt.y);
    if (shadowSize > 0 || !Enabled()) {
        // A disabled label without a shadow of its own gets a 1-pixel right-bottom one.
        TRect shadowRect = shadowSize > 0 ? rect.translated(shadowAt.x, shadowAt.y) : place.translated(1, 1);
        canvas.Font().SetColor(shadow);
        DrawText(canvas, text, shadowRect, flags);
    }
    canvas.Font().SetColor(face);
    DrawText(canvas, text, place, flags);
}

const PropertyTable& TRxLabel::ClassProperties()
{
    static const PropertyTable table(&TLabel::ClassProperties(), {
        props::integer<TRxLabel, TColor>("ShadowColor", &TRxLabel::ShadowColor, &TRxLabel::SetShadowColor),
        props::enumeration<TRxLabel, TShadowPosition>("ShadowPos",
                                                      {"spLeftTop", "spLeftBottom", "spRightBottom", "spRightTop"},
                                                      &TRxLabel::ShadowPos, &TRxLabel::SetShadowPos),
        props::integer<TRxLabel, int>("ShadowSize", &TRxLabel::ShadowSize, &TRxLabel::SetShadowSize),
    });
    return table;
}

const PropertyTable* TRxLabel::Properties() const
{
    return &ClassProperties();
}
