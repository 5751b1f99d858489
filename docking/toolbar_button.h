#pragma once
// Toolbar buttons: flat buttons with a glyph of up to four state images and a caption, a hover
// border, pressed tracking, button groups, repeating clicks, drop-down menus and access keys.

#include "framework/control.h"
#include "framework/hook_list.h"

#include <memory>
#include <string>

class TBitmap;
class TPopupMenu;
class ClockTimer;

enum TButtonDisplayMode { dmBoth, dmGlyphOnly, dmTextOnly };
enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
// Up; disabled; down (pressed while the mouse is held); exclusive (stays down).
enum TButtonState97 { bsUp97, bsDisabled97, bsDown97, bsExclusive97 };

// A flat toolbar button. The glyph holds NumGlyphs state images side by side (up, disabled,
// down, exclusive); a state without an image of its own shows the up image (the disabled state
// its embossed look). The border shows while the mouse is over the button or it is pressed;
// buttons of one non-zero GroupIndex on one parent keep at most one down. One button
// application-wide is the hovered one; a shared timer notices when the mouse has left it.
class TToolbarButton97 : public TGraphicControl {
    PICTAVO_CLASS(TToolbarButton97)
public:
    explicit TToolbarButton97(TComponent* owner);
    ~TToolbarButton97() override;

    TBitmap* Glyph() const { return m_glyph.get(); }
    void SetGlyph(const TBitmap* glyph);
    // White where the glyph is see-through; empty: the glyph's bottom-left colour is.
    TBitmap* GlyphMask() const { return m_glyphMask.get(); }
    void SetGlyphMask(const TBitmap* mask);
    int NumGlyphs() const { return m_numGlyphs; }
    void SetNumGlyphs(int count);
    TButtonDisplayMode DisplayMode() const { return m_displayMode; }
    void SetDisplayMode(TButtonDisplayMode mode);
    TButtonLayout Layout() const { return m_layout; }
    void SetLayout(TButtonLayout layout);
    // Glyph and caption from the edge (-1: centred), and the gap between them.
    int Margin() const { return m_margin; }
    void SetMargin(int margin);
    int Spacing() const { return m_spacing; }
    void SetSpacing(int spacing);
    bool WordWrap() const { return m_wordWrap; }
    void SetWordWrap(bool wrap);
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
    TPopupMenu* DropdownMenu() const { return m_dropdownMenu; }
    void SetDropdownMenu(TPopupMenu* menu);
    bool DropdownArrow() const { return m_dropdownArrow; }
    void SetDropdownArrow(bool arrow);
    // Split into a main part and an 11-pixel arrow part at the right that opens the menu.
    bool DropdownCombo() const { return m_dropdownCombo; }
    void SetDropdownCombo(bool combo);
    bool Repeating() const { return m_repeating; }
    void SetRepeating(bool repeating) { m_repeating = repeating; }
    int RepeatDelay() const { return m_repeatDelay; }
    void SetRepeatDelay(int milliseconds) { m_repeatDelay = milliseconds; }
    int RepeatInterval() const { return m_repeatInterval; }
    void SetRepeatInterval(int milliseconds) { m_repeatInterval = milliseconds; }
    bool ShowBorderWhenInactive() const { return m_showBorderWhenInactive; }
    void SetShowBorderWhenInactive(bool show) { m_showBorderWhenInactive = show; }
    bool OldDisabledStyle() const { return m_oldDisabledStyle; }
    void SetOldDisabledStyle(bool old);
    int ModalResult() const { return m_modalResult; }
    void SetModalResult(int result) { m_modalResult = result; }

    TButtonState97 State() const { return m_state; }
    // Whether the mouse is over the button, and whether it shows pressed.
    bool MouseInControl() const { return m_mouseInControl; }
    bool Pressed() const { return m_state == bsDown97 || m_menuOpen; }
    // The button the mouse is over, application-wide (null: none).
    static TToolbarButton97* HoveredButton();

    // Without a drop-down menu (or for a combo's main part): sets the form's modal result and
    // fires OnClick. With one: shows the menu below the button and stays pressed while it is
    // open.
    void Click() override;
    // The access key of the caption was pressed.
    virtual void AcceleratorClick();
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseEnter() override;
    void MouseLeave() override;

    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseExit;

    const PropertyTable* Properties() const override;
    static const PropertyTable& ClassProperties();

protected:
    void Paint() override;
    void EnabledChanged() override;
    void TextChanged() override;
    void Notification(TComponent* component, TOperation operation) override;
    // Shows the drop-down menu; `byKeyboard` selects its first item.
    virtual void DropDown(bool byKeyboard);
    // The menu was shown by DropDown and has closed.
    void MenuClosed();
    bool MenuOpen() const { return m_menuOpen; }

private:
    friend class HoverTracker;
    void setMouseIn(bool in);
    void releaseOthersInGroup();
    void repeatClick();
    bool inArrowPart(int x) const;
    void paintFace(TCanvas& canvas);

    std::unique_ptr<TBitmap> m_glyph;
    std::unique_ptr<TBitmap> m_glyphMask;
    int m_numGlyphs = 1;
    TButtonDisplayMode m_displayMode = dmBoth;
    TButtonLayout m_layout = blGlyphLeft;
    int m_margin = -1;
    int m_spacing = 4;
    bool m_wordWrap = false;
    bool m_flat = true;
    bool m_opaque = true;
    bool m_noBorder = false;
    int m_groupIndex = 0;
    bool m_down = false;
    bool m_allowAllUp = false;
    TComponentRef<TPopupMenu> m_dropdownMenu;
    bool m_dropdownArrow = true;
    bool m_dropdownCombo = false;
    bool m_repeating = false;
    int m_repeatDelay = 400;
    int m_repeatInterval = 100;
    bool m_showBorderWhenInactive = false;
    bool m_oldDisabledStyle = false;
    int m_modalResult = 0;

    TButtonState97 m_state = bsUp97;
    bool m_mouseInControl = false;
    bool m_tracking = false;       // the left button went down on the button and is held
    bool m_arrowPressed = false;   // of a combo, the arrow part is pressed
    bool m_menuOpen = false;
    std::unique_ptr<ClockTimer> m_repeatTimer;
};

// The access key of a caption: the character after a single "&" (upper case for letters);
// empty when there is none.
std::string AcceleratorOf(const std::string& caption);
