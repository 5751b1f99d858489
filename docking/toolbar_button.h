#pragma once
// Toolbar buttons: flat buttons with glyph state images, hover border, pressed tracking and
// button groups.

#include "framework/control.h"

#include <memory>

class TBitmap;

enum TButtonDisplayMode { dmBoth, dmGlyphOnly, dmTextOnly };
enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

// A flat toolbar button: a glyph (NumGlyphs state images side by side: up, disabled, down,
// exclusive) and a caption. The border shows while the mouse is over it or it is pressed;
// buttons of one non-zero GroupIndex on one parent keep at most one down.
class TToolbarButton97 : public TGraphicControl {
    PICTAVO_CLASS(TToolbarButton97)
public:
    explicit TToolbarButton97(TComponent* owner);
    ~TToolbarButton97() override;

    TBitmap* Glyph() const { return m_glyph.get(); }
    void SetGlyph(const TBitmap* glyph);
    int NumGlyphs() const { return m_numGlyphs; }
    void SetNumGlyphs(int count);
    TButtonDisplayMode DisplayMode() const { return m_displayMode; }
    void SetDisplayMode(TButtonDisplayMode mode);
    TButtonLayout Layout() const { return m_layout; }
    void SetLayout(TButtonLayout layout);
    int Margin() const { return m_margin; }
    void SetMargin(int margin);
    int Spacing() const { return m_spacing; }
    void SetSpacing(int spacing);
    bool Flat() const { return m_flat; }
    void SetFlat(bool flat);
    bool Opaque() const { return m_opaque; }
    void SetOpaque(bool opaque);
    bool NoBorder() const { return m_noBorder; }
    void SetNoBorder(bool noBorder);
    int GroupIndex() const { return m_groupIndex; }
    void SetGroupIndex(int group);
    // Ignored for GroupIndex 0, and when down without AllowAllUp.
    bool Down() const { return m_down; }
    void SetDown(bool down);
    bool AllowAllUp() const { return m_allowAllUp; }
    void SetAllowAllUp(bool allow) { m_allowAllUp = allow; }
    int ModalResult() const { return m_modalResult; }
    void SetModalResult(int result) { m_modalResult = result; }

    // Whether the mouse is over the button, and whether it is held down on it.
    bool MouseInControl() const { return m_mouseIn; }
    bool Pressed() const { return m_pressed && m_mouseIn; }

    // Toggles Down for a grouped button, sets the form's modal result, then fires OnClick.
    void Click() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseEnter() override;
    void MouseLeave() override;

    const PropertyTable* Properties() const override;
    static const PropertyTable& ClassProperties();

protected:
    void Paint() override;
    void EnabledChanged() override;
    void TextChanged() override;

private:
    void releaseOthersInGroup();

    std::unique_ptr<TBitmap> m_glyph;
    int m_numGlyphs = 1;
    TButtonDisplayMode m_displayMode = dmBoth;
    TButtonLayout m_layout = blGlyphLeft;
    int m_margin = -1;
    int m_spacing = 4;
    bool m_flat = true;
    bool m_opaque = true;
    bool m_noBorder = false;
    int m_groupIndex = 0;
    bool m_down = false;
    bool m_allowAllUp = false;
    int m_modalResult = 0;
    bool m_mouseIn = false;
    bool m_pressed = false;
};

