#pragma once
// TRxLabel: a label whose caption carries a shadow. The caption is drawn first in ShadowColor,
// offset by ShadowSize pixels towards ShadowPos, then in the font colour at its place; the text
// sits ShadowSize pixels in from the shadow's side so that both fit the label, which with
// AutoSize is the caption's extent plus ShadowSize each way.

#include "framework/std_controls.h"

enum TShadowPosition { spLeftTop, spLeftBottom, spRightBottom, spRightTop };

class TRxLabel : public TLabel {
    PICTAVO_CLASS(TRxLabel)
public:
    explicit TRxLabel(TComponent* owner);

    TColor ShadowColor() const { return m_shadowColor; }
    void SetShadowColor(TColor color);
    int ShadowSize() const { return m_shadowSize; }
    void SetShadowSize(int size);
    TShadowPosition ShadowPos() const { return m_shadowPos; }
    void SetShadowPos(TShadowPosition position);

    // Where the shadow and the text go relative to the label's text rectangle.
    TPoint ShadowOffset() const;
    TPoint TextOffset() const;

    const PropertyTable* Properties() const override;
    static const PropertyTable& ClassProperties();

protected:
    void DoDrawText(TRect& rect, unsigned flags) override;

private:
    TColor m_shadowColor = clBtnHighlight;
    int m_shadowSize = 1;
    TShadowPosition m_shadowPos = spLeftTop;
};
