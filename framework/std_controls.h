#pragma once
// Standard controls: labels, panels and push buttons.

#include "framework/control.h"
#include "framework/forms.h"

enum TTextLayout { tlTop, tlCenter, tlBottom };
enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };

// Text drawn on its parent: aligned, word-wrapped, with "&" access keys underlined. With
// AutoSize the label takes the size of its text (keeping its right edge when right-aligned).
class TLabel : public TGraphicControl {
    PICTAVO_CLASS(TLabel)
public:
    explicit TLabel(TComponent* owner);

    TAlignment Alignment() const { return m_alignment; }
    void SetAlignment(TAlignment alignment);
    bool AutoSize() const { return m_autoSize; }
    void SetAutoSize(bool autoSize);
    TTextLayout Layout() const { return m_layout; }
    void SetLayout(TTextLayout layout);
    bool ShowAccelChar() const { return m_showAccelChar; }
    void SetShowAccelChar(bool show);
    bool Transparent() const { return m_transparent; }
    void SetTransparent(bool transparent);
    bool WordWrap() const { return m_wordWrap; }
    void SetWordWrap(bool wrap);
    TWinControl* FocusControl() const { return m_focusControl; }
    void SetFocusControl(TWinControl* control);

    const PropertyTable* Properties() const override;
    static const PropertyTable& ClassProperties();

protected:
    void Paint() override;
    // Draws (or with DT_CALCRECT measures) the caption into the rectangle with the canvas.
    virtual void DoDrawText(TRect& rect, unsigned flags);
    // The text drawn: the caption.
    virtual std::string GetLabelText() const;
    // With AutoSize, sizes the label to its text.
    virtual void AdjustBounds();
    unsigned DrawTextFlags() const;
    void Loaded() override;
    void TextChanged() override;
    void FontChanged() override;

private:
    TAlignment m_alignment = taLeftJustify;
    bool m_autoSize = true;
    TTextLayout m_layout = tlTop;
    bool m_showAccelChar = true;
    bool m_transparent = false;
    bool m_wordWrap = false;
    TComponentRef<TWinControl> m_focusControl;
};

// A container with raised or lowered bevels and a centred caption. Aligned children fill the
// area inside the border and bevels.
class TPanel : public TCustomControl {
    PICTAVO_CLASS(TPanel)
public:
    explicit TPanel(TComponent* owner);

    TAlignment Alignment() const { return m_alignment; }
    void SetAlignment(TAlignment alignment);
    TBevelCut BevelInner() const { return m_bevelInner; }
    void SetBevelInner(TBevelCut bevel);
    TBevelCut BevelOuter() const { return m_bevelOuter; }
    void SetBevelOuter(TBevelCut bevel);
    int BevelWidth() const { return m_bevelWidth; }
    void SetBevelWidth(int width);
    int BorderWidth() const { return m_borderWidth; }
    void SetBorderWidth(int width);
    TBorderStyle BorderStyle() const { return m_borderStyle; }
    void SetBorderStyle(TBorderStyle style);

    void AdjustClientRect(TRect& rect) const override;
    const PropertyTable* Properties() const override;
    static const PropertyTable& ClassProperties();

protected:
    void Paint() override;
    void TextChanged() override;

private:
    void layoutChanged();

    TAlignment m_alignment = taCenter;
    TBevelCut m_bevelInner = bvNone;
    TBevelCut m_bevelOuter = bvRaised;
    int m_bevelWidth = 1;
    int m_borderWidth = 0;
    TBorderStyle m_borderStyle = bsNone;
};

// A push button. Clicking it sets its form's ModalResult to its own, then fires OnClick; Enter
// clicks the default button of a form and Esc its cancel button.
class TButton : public TWinControl {
    PICTAVO_CLASS(TButton)
public:
    explicit TButton(TComponent* owner);

    bool Default() const { return m_default; }
    void SetDefault(bool isDefault);
    bool Cancel() const { return m_cancel; }
    void SetCancel(bool cancel) { m_cancel = cancel; }
    TModalResult ModalResult() const { return m_modalResult; }
    void SetModalResult(TModalResult result) { m_modalResult = result; }

    void Click() override;
    const PropertyTable* Properties() const override;
    static const PropertyTable& ClassProperties();

protected:
    void TextChanged() override;

private:
    bool m_default = false;
    bool m_cancel = false;
    TModalResult m_modalResult = mrNone;
};
