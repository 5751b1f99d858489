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
    const int s = m_shadowSize;
    if (flags & DT_CALCRECT) {
        // Words wrap at the width left beside the shadow.
        rect.right -= s;
        TLabel::DoDrawText(rect, flags);
        rect.right += s;
        rect.bottom += s;
        return;
    }
    const std::string text = GetLabelText();
    if (!ShowAccelChar())
        flags |= DT_NOPREFIX;
    TCanvas& canvas = *Canvas();
    canvas.Font().CopyFrom(Font());
    const bool enabled = Enabled();
    // Text and shadow are laid out in the rectangle less the shadow's size, so that right,
    // centred and wrapped text keeps its shadow inside the label too.
    const TRect inner{rect.left, rect.top, rect.right - s, rect.bottom - s};
    TRect place = inner.translated(TextOffset().x, TextOffset().y);
    if (s > 0 || !enabled) {
        // A disabled label without a shadow of its own gets a 1-pixel right-bottom one.
        TRect shadowRect = s > 0 ? inner.translated(ShadowOffset().x, ShadowOffset().y) : place.translated(1, 1);
        canvas.Font().SetColor(enabled ? m_shadowColor : clBtnHighlight);
        DrawText(canvas, text, shadowRect, flags);
    }
    canvas.Font().SetColor(enabled ? Font()->Color() : clGrayText);
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
