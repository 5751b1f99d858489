// Flat toolbar buttons: state, hover tracking, pressed tracking, groups, repeating clicks,
// drop-down menus, access keys and drawing.

#include "docking/toolbar_button.h"

#include "docking/docking.h"
#include "docking/docking_clock.h"
#include "docking/glyph_drawing.h"
#include "docking/popup_menu.h"
#include "framework/application.h"
#include "framework/drawing.h"
#include "framework/forms.h"
#include "framework/menus.h"
#include "picture/bitmap/bitmap.h"
#include "platform/section.h"

#include <QCursor>

#include <algorithm>
#include <cctype>

namespace {
// The arrow part of a drop-down combo, and the room a drop-down arrow takes beside the content.
constexpr int comboArrowWidth = 11;
constexpr int dropdownArrowRoom = 8;
// How often the hovered button checks that the mouse is still over it.
constexpr int hoverCheckInterval = 100;

// The checkerboard of button face and highlight that fills an exclusive button.
const platform::Section& checkerboard()
{
    static const platform::Section* pattern = [] {
        auto section = platform::Section::createDisplayCompatible(8, 8);
        const platform::Colour face = ColorToRGB(clBtnFace);
        const platform::Colour highlight = ColorToRGB(clBtnHighlight);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                section->setPixel(x, y, (x + y) % 2 ? highlight : face);
        return section.release();
    }();
    return *pattern;
}

// A small triangle pointing down, its top row `width` wide, centred on (cx, top).
void drawArrow(TCanvas& canvas, int cx, int top, TColor color)
{
    canvas.Pen().SetColor(color);
    for (int row = 0; row < 3; ++row) {
        canvas.MoveTo(cx - 2 + row, top + row);
        canvas.LineTo(cx + 3 - row, top + row);
    }
}
} // namespace

// --- hover tracking ---

// The one hovered button of the application and the shared timer that watches it.
class HoverTracker {
public:
    static TToolbarButton97* hovered() { return hoveredRef(); }

    static void enter(TToolbarButton97& button)
    {
        if (hoveredRef() == &button)
            return;
        if (!button.m_showBorderWhenInactive && Application && !Application->Active())
            return;
        if (TToolbarButton97* previous = hoveredRef())
            leave(*previous);
        hoveredRef() = &button;
        button.setMouseIn(true);
        timer().Start(hoverCheckInterval, /*repeating=*/true);
    }

    static void leave(TToolbarButton97& button)
    {
        if (hoveredRef() == &button) {
            hoveredRef() = nullptr;
            timer().Stop();
        }
        button.setMouseIn(false);
    }

    // The record is cleared; the button keeps its look until the mouse moves again.
    static void forget(TToolbarButton97& button)
    {
        if (hoveredRef() == &button) {
            hoveredRef() = nullptr;
            timer().Stop();
        }
    }

private:
    static TComponentRef<TToolbarButton97>& hoveredRef()
    {
        static TComponentRef<TToolbarButton97> button;
        return button;
    }

    // Made once and kept: it may be running when the program ends.
    static DockingTimer& timer()
    {
        static DockingTimer* shared = new DockingTimer([] { check(); });
        return *shared;
    }

    static void check()
    {
        TToolbarButton97* button = hoveredRef();
        if (!button) {
            timer().Stop();
            return;
        }
        if (button->m_tracking)
            return;
        const QPoint cursor = QCursor::pos();
        const TPoint origin = button->ClientToScreen({0, 0});
        const TRect onScreen{origin.x, origin.y, origin.x + button->Width(), origin.y + button->Height()};
        const bool inactive = Application && !Application->Active() && !button->m_showBorderWhenInactive;
        if (!button->Showing() || inactive || !onScreen.contains({cursor.x(), cursor.y()}))
            leave(*button);
    }
};

TToolbarButton97* TToolbarButton97::HoveredButton()
{
    return HoverTracker::hovered();
}

std::string AcceleratorOf(const std::string& caption)
{
    for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != '&')
            continue;
        if (caption[i + 1] == '&') {
            ++i;
            continue;
        }
        // One character of UTF-8: its lead byte and the continuation bytes after it.
        std::size_t end = i + 2;
        while (end < caption.size() && (static_cast<unsigned char>(caption[end]) & 0xC0) == 0x80)
            ++end;
        std::string key = caption.substr(i + 1, end - i - 1);
        if (key.size() == 1)
            key[0] = char(std::toupper(static_cast<unsigned char>(key[0])));
        return key;
    }
    return {};
}

// --- TToolbarButton97 ---

PICTAVO_DEFINE_CLASS(TToolbarButton97, TGraphicControl, nullptr, createComponentOf<TToolbarButton97>)

TToolbarButton97::TToolbarButton97(TComponent* owner)
    : TGraphicControl(owner), m_glyph(std::make_unique<TBitmap>()), m_glyphMask(std::make_unique<TBitmap>()),
      m_repeatTimer(std::make_unique<DockingTimer>([this] { repeatClick(); }))
{
    SetBounds(0, 0, 23, 22);
    SetColor(clBtnFace);
    // The button decides itself when a release is a click.
    SetControlStyle(ControlStyle() & ~(1u << csClickEvents));
    m_glyph->OnChange = [this](TObject*) { Invalidate(); };
    m_glyphMask->OnChange = [this](TObject*) { Invalidate(); };
}

TToolbarButton97::~TToolbarButton97()
{
    m_glyph->OnChange = nullptr;
    m_glyphMask->OnChange = nullptr;
}

void TToolbarButton97::SetGlyph(const TBitmap* glyph)
{
    m_glyph->CopyFrom(glyph);
}

void TToolbarButton97::SetGlyphMask(const TBitmap* mask)
{
    m_glyphMask->CopyFrom(mask);
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

void TToolbarButton97::SetWordWrap(bool wrap)
{
    m_wordWrap = wrap;
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

void TToolbarButton97::SetOldDisabledStyle(bool old)
{
    m_oldDisabledStyle = old;
    Invalidate();
}

void TToolbarButton97::SetDropdownMenu(TPopupMenu* menu)
{
    if (menu == m_dropdownMenu)
        return;
    if (m_dropdownMenu)
        RemoveFreeNotification(m_dropdownMenu);
    m_dropdownMenu = menu;
    if (menu)
        FreeNotification(menu);
    Invalidate();
}

void TToolbarButton97::Notification(TComponent* component, TOperation operation)
{
    TGraphicControl::Notification(component, operation);
    if (operation == TOperation::opRemove && !m_dropdownMenu && m_menuOpen)
        MenuClosed();
}

void TToolbarButton97::SetDropdownArrow(bool arrow)
{
    m_dropdownArrow = arrow;
    Invalidate();
}

void TToolbarButton97::SetDropdownCombo(bool combo)
{
    m_dropdownCombo = combo;
    Invalidate();
}

void TToolbarButton97::SetGroupIndex(int group)
{
    m_groupIndex = group;
    if (group == 0)
        m_down = false;
    else if (m_down)
        releaseOthersInGroup();
    if (Enabled() && m_state != bsDown97)
        m_state = m_down ? bsExclusive97 : bsUp97;
    Invalidate();
}

void TToolbarButton97::SetDown(bool down)
{
    if (m_groupIndex == 0 || down == m_down)
        return;
    if (m_down && !m_allowAllUp)
        return;
    m_down = down;
    if (Enabled() && m_state != bsDown97)
        m_state = down ? bsExclusive97 : bsUp97;
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
        if (other->m_state == bsExclusive97)
            other->m_state = bsUp97;
        other->m_allowAllUp = m_allowAllUp;
        other->Invalidate();
    }
}

void TToolbarButton97::setMouseIn(bool in)
{
    if (in == m_mouseInControl)
        return;
    m_mouseInControl = in;
    Invalidate();
    TComponentRef<TToolbarButton97> alive(this);
    if (in && OnMouseEnter)
        OnMouseEnter(this);
    else if (!in && OnMouseExit)
        OnMouseExit(this);
}

bool TToolbarButton97::inArrowPart(int x) const
{
    return m_dropdownMenu && m_dropdownCombo && x >= Width() - comboArrowWidth;
}

void TToolbarButton97::Click()
{
    HoverTracker::forget(*this);
    if (m_dropdownMenu && (!m_dropdownCombo || m_arrowPressed)) {
        DropDown(/*byKeyboard=*/false);
        return;
    }
    if (m_modalResult != 0)
        if (TForm* form = GetParentForm(this))
            form->SetModalResult(m_modalResult);
    TGraphicControl::Click();
}

void TToolbarButton97::AcceleratorClick()
{
    if (m_dropdownMenu && !m_dropdownCombo)
        DropDown(/*byKeyboard=*/true);
    else
        Click();
}

void TToolbarButton97::DropDown(bool byKeyboard)
{
    TComponentRef<TPopupMenu> menu = m_dropdownMenu.get();
    if (!menu)
        return;
    m_menuOpen = true;
    Repaint();
    // Below the button; beside it in a left dock, and to the left of it in a right dock.
    const auto* toolbar = dynamic_cast<const TCustomToolWindow97*>(Parent());
    const TDock97* dock = toolbar ? toolbar->DockedTo() : nullptr;
    TPopupPlacement placement;
    placement.upwardEnd = ClientToScreen({0, 0}).y;
    if (dock && dock->Position() == dpLeft) {
        placement.at = ClientToScreen({Width(), 0});
        placement.upwardEnd = placement.at.y;
    } else if (dock && dock->Position() == dpRight) {
        placement.at = ClientToScreen({0, 0});
        placement.upwardEnd = placement.at.y;
        placement.alignRight = true;
    } else {
        placement.at = ClientToScreen({0, Height()});
    }
    TComponentRef<TToolbarButton97> alive(this);
    if (auto* drawn = dynamic_cast<TPopupMenu98*>(menu.get())) {
        drawn->PopupItems(*drawn->Items(), placement, this, [alive] {
            if (alive)
                alive->MenuClosed();
        }, byKeyboard);
        return;
    }
    // A menu of the window system: shown and waited for.
    menu->Popup(placement.at.x, placement.at.y);
    if (alive)
        MenuClosed();
}

void TToolbarButton97::MenuClosed()
{
    // Opened again meanwhile, the menu keeps the button pressed.
    if (auto* drawn = dynamic_cast<TPopupMenu98*>(m_dropdownMenu.get()); drawn && drawn->IsOpen())
        return;
    m_menuOpen = false;
    m_arrowPressed = false;
    Invalidate();
}

void TToolbarButton97::repeatClick()
{
    if (!m_tracking) {
        m_repeatTimer->Stop();
        return;
    }
    // After the first delay the clicks come at the shorter interval.
    if (!m_repeatTimer->Active() || m_repeatTimer->Interval() != m_repeatInterval)
        m_repeatTimer->Start(m_repeatInterval, /*repeating=*/true);
    if (m_state == bsDown97)
        Click();
}

void TToolbarButton97::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    TComponentRef<TToolbarButton97> alive(this);
    if (button == mbLeft && Enabled() && !m_menuOpen) {
        if (!m_mouseInControl) {
            HoverTracker::enter(*this);
            if (!alive)
                return;
            setMouseIn(true);
        }
        if (!alive)
            return;
        if (inArrowPart(x)) {
            m_arrowPressed = true;
            Click();
        } else {
            m_tracking = true;
            if (!(m_down && !m_allowAllUp))
                m_state = bsDown97;
            Repaint();
            if (m_repeating) {
                m_repeatTimer->Start(m_repeatDelay);
                Click();
            }
        }
    }
    if (alive)
        TGraphicControl::MouseDown(button, shift, x, y);
}

void TToolbarButton97::MouseMove(TShiftState shift, int x, int y)
{
    TComponentRef<TToolbarButton97> alive(this);
    if (m_tracking) {
        const bool over = TRect{0, 0, Width(), Height()}.contains({x, y}) && !inArrowPart(x);
        TButtonState97 state = m_down ? bsExclusive97 : bsUp97;
        if (over && !(m_down && !m_allowAllUp))
            state = bsDown97;
        if (state != m_state) {
            m_state = state;
            Repaint();
        }
    } else if (Enabled()) {
        HoverTracker::enter(*this);
    }
    if (alive)
        TGraphicControl::MouseMove(shift, x, y);
}

void TToolbarButton97::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    TComponentRef<TToolbarButton97> alive(this);
    if (button == mbLeft && m_tracking) {
        m_tracking = false;
        m_repeatTimer->Stop();
        const bool over = TRect{0, 0, Width(), Height()}.contains({x, y}) && !inArrowPart(x);
        m_state = Enabled() ? (m_down ? bsExclusive97 : bsUp97) : bsDisabled97;
        Invalidate();
        if (over) {
            if (m_groupIndex != 0)
                SetDown(!m_down);
            if (!m_repeating)
                Click();
        }
    }
    if (alive)
        TGraphicControl::MouseUp(button, shift, x, y);
}

void TToolbarButton97::MouseEnter()
{
    TGraphicControl::MouseEnter();
    if (Enabled() && !m_tracking)
        HoverTracker::enter(*this);
}

void TToolbarButton97::MouseLeave()
{
    TGraphicControl::MouseLeave();
    if (!m_tracking)
        HoverTracker::leave(*this);
}

void TToolbarButton97::EnabledChanged()
{
    TGraphicControl::EnabledChanged();
    if (!Enabled()) {
        m_tracking = false;
        m_repeatTimer->Stop();
        HoverTracker::leave(*this);
        m_state = bsDisabled97;
    } else {
        m_state = m_down ? bsExclusive97 : bsUp97;
    }
    Invalidate();
}

void TToolbarButton97::TextChanged()
{
    TGraphicControl::TextChanged();
    Invalidate();
}

// --- drawing ---

void TToolbarButton97::Paint()
{
    TCanvas& canvas = *Canvas();
    if (!m_opaque && m_flat) {
        paintFace(canvas);
        return;
    }
    // Drawn off-screen on the button's colour and copied in one step.
    TBitmap image;
    image.SetWidth(Width());
    image.SetHeight(Height());
    TCanvas& surface = image.Surface();
    surface.Brush().SetColor(Color());
    surface.Brush().SetStyle(bsSolid);
    surface.FillRect(TRect{0, 0, Width(), Height()});
    paintFace(surface);
    // The drawing surface hands its work over to the pixels before they are copied.
    image.PlatformHandle();
    canvas.Draw(0, 0, &image);
}

void TToolbarButton97::paintFace(TCanvas& canvas)
{
    const bool enabled = Enabled();
    const bool combo = m_dropdownMenu && m_dropdownCombo;
    const bool pressed = enabled && (m_state == bsDown97 || (m_menuOpen && !combo));
    const bool exclusive = m_down;
    const bool hot = m_mouseInControl && enabled;
    const TRect whole{0, 0, Width(), Height()};
    TRect main = whole;
    if (combo)
        main.right -= comboArrowWidth;

    const bool border = !m_noBorder && (!m_flat || pressed || exclusive || hot || (combo && m_menuOpen));
    const auto edge = [&](TRect r, bool sunken) {
        if (m_flat) {
            if (sunken)
                Frame3D(canvas, r, clBtnShadow, clBtnHighlight, 1);
            else
                Frame3D(canvas, r, clBtnHighlight, clBtnShadow, 1);
        } else if (sunken) {
            Frame3D(canvas, r, cl3DDkShadow, clBtnHighlight, 1);
            Frame3D(canvas, r, clBtnShadow, cl3DLight, 1);
        } else {
            Frame3D(canvas, r, cl3DLight, cl3DDkShadow, 1);
            Frame3D(canvas, r, clBtnHighlight, clBtnShadow, 1);
        }
    };
    if (border) {
        edge(main, pressed || exclusive);
        if (combo)
            edge(TRect{main.right, 0, Width(), Height()}, m_arrowPressed || m_menuOpen);
    }
    if (combo) {
        const int shift = m_arrowPressed || m_menuOpen ? 1 : 0;
        drawArrow(canvas, main.right + comboArrowWidth / 2 + shift, Height() / 2 - 1 + shift,
                  enabled ? clBtnText : clBtnShadow);
    }

    const int inset = m_flat ? 1 : 2;
    TRect content{main.left + inset, main.top + inset, main.right - inset, main.bottom - inset};
    if (exclusive && (!m_flat || !hot) && !pressed) {
        canvas.Brush().SetPattern(&checkerboard());
        canvas.FillRect(content);
        canvas.Brush().SetPattern(nullptr);
    }
    if (pressed || exclusive)
        content = content.translated(1, 1);
    const bool arrow = m_dropdownMenu && m_dropdownArrow && !combo;
    if (arrow)
        content.right -= dropdownArrowRoom;

    // The state image: its own one when the glyph has it.
    const GlyphCell up{m_glyph.get(), m_glyphMask->IsEmpty() ? nullptr : m_glyphMask.get(), m_numGlyphs, 0};
    const bool hasGlyph = m_displayMode != dmTextOnly && !m_glyph->IsEmpty();
    const bool hasText = m_displayMode != dmGlyphOnly && !Caption().empty();
    GlyphCell cell = up;
    if (!enabled && m_numGlyphs > 1)
        cell.index = 1;
    else if (pressed && m_numGlyphs > 2)
        cell.index = 2;
    else if (exclusive && m_numGlyphs > 3)
        cell.index = 3;
    const TSize glyph = hasGlyph ? GlyphSize(cell) : TSize{0, 0};

    canvas.Font().CopyFrom(Font());
    const bool sideBySide = m_layout == blGlyphLeft || m_layout == blGlyphRight;
    const unsigned textFormat = m_wordWrap ? DT_WORDBREAK | DT_CENTER : DT_SINGLELINE;
    TRect textRect{0, 0, 0, 0};
    if (hasText) {
        // Wrapped text takes the width the glyph leaves.
        textRect.right = m_wordWrap ? std::max(1, content.width() - (sideBySide ? glyph.cx + m_spacing : 0)) : 0;
        DrawText(canvas, Caption(), textRect, textFormat | DT_CALCRECT);
    }
    const int textWidth = textRect.width();
    const int textHeight = textRect.height();
    const int spacing = hasGlyph && hasText ? m_spacing : 0;
    const int totalWidth = sideBySide ? glyph.cx + spacing + textWidth : std::max(glyph.cx, textWidth);
    const int totalHeight = sideBySide ? std::max(glyph.cy, textHeight) : glyph.cy + spacing + textHeight;
    int left = content.left + (content.width() - totalWidth) / 2;
    int top = content.top + (content.height() - totalHeight) / 2;
    if (m_margin >= 0) {
        // The margin measures from the edge the glyph stands at.
        switch (m_layout) {
        case blGlyphLeft: left = content.left + m_margin; break;
        case blGlyphRight: left = content.right - m_margin - totalWidth; break;
        case blGlyphTop: top = content.top + m_margin; break;
        case blGlyphBottom: top = content.bottom - m_margin - totalHeight; break;
        }
    }
    TPoint glyphAt{left, top + (totalHeight - glyph.cy) / 2};
    TPoint textAt{left + glyph.cx + spacing, top + (totalHeight - textHeight) / 2};
    switch (m_layout) {
    case blGlyphRight:
        textAt = {left, top + (totalHeight - textHeight) / 2};
        glyphAt = {left + textWidth + spacing, top + (totalHeight - glyph.cy) / 2};
        break;
    case blGlyphTop:
        glyphAt = {left + (totalWidth - glyph.cx) / 2, top};
        textAt = {left + (totalWidth - textWidth) / 2, top + glyph.cy + spacing};
        break;
    case blGlyphBottom:
        textAt = {left + (totalWidth - textWidth) / 2, top};
        glyphAt = {left + (totalWidth - glyph.cx) / 2, top + textHeight + spacing};
        break;
    default: break;
    }

    if (hasGlyph) {
        if (!enabled && m_numGlyphs < 2)
            DrawDisabledGlyph(canvas, up, glyphAt, m_oldDisabledStyle);
        else
            DrawGlyph(canvas, cell, glyphAt);
    }
    if (hasText) {
        canvas.Brush().SetStyle(bsClear);
        TRect r{textAt.x, textAt.y, textAt.x + textWidth, textAt.y + textHeight};
        if (!enabled) {
            // Embossed: the highlight one pixel right and down, the shadow in place.
            TRect shadow = r.translated(1, 1);
            canvas.Font().SetColor(clBtnHighlight);
            DrawText(canvas, Caption(), shadow, textFormat);
            canvas.Font().SetColor(clBtnShadow);
        }
        DrawText(canvas, Caption(), r, textFormat);
        canvas.Brush().SetStyle(bsSolid);
    }
    if (arrow)
        drawArrow(canvas, content.right + dropdownArrowRoom / 2 - 1, content.top + content.height() / 2 - 1,
                  enabled ? clBtnText : clBtnShadow);
}

const PropertyTable& TToolbarButton97::ClassProperties()
{
    using B = TToolbarButton97;
    static const PropertyTable table(&TGraphicControl::ClassProperties(), {
        props::boolean<B>("AllowAllUp", &B::AllowAllUp, &B::SetAllowAllUp),
        // Before Down, which holds only in a group.
        props::integer<B, int>("GroupIndex", &B::GroupIndex, &B::SetGroupIndex),
        props::string<B>("Caption", &B::Caption, &B::SetCaption),
        props::enumeration<B, TButtonDisplayMode>("DisplayMode", {"dmBoth", "dmGlyphOnly", "dmTextOnly"},
                                                  &B::DisplayMode, &B::SetDisplayMode),
        props::boolean<B>("Down", &B::Down, &B::SetDown),
        props::boolean<B>("DropdownArrow", &B::DropdownArrow, &B::SetDropdownArrow),
        props::boolean<B>("DropdownCombo", &B::DropdownCombo, &B::SetDropdownCombo),
        props::component<B, TPopupMenu>("DropdownMenu", &B::DropdownMenu, &B::SetDropdownMenu),
        props::boolean<B>("Flat", &B::Flat, &B::SetFlat),
        props::object<B, TBitmap>("Glyph", &B::Glyph),
        props::object<B, TBitmap>("GlyphMask", &B::GlyphMask),
        props::enumeration<B, TButtonLayout>("Layout", {"blGlyphLeft", "blGlyphRight", "blGlyphTop", "blGlyphBottom"},
                                             &B::Layout, &B::SetLayout),
        props::integer<B, int>("Margin", &B::Margin, &B::SetMargin),
        props::integer<B, int>("ModalResult", &B::ModalResult, &B::SetModalResult),
        props::boolean<B>("NoBorder", &B::NoBorder, &B::SetNoBorder),
        props::integer<B, int>("NumGlyphs", &B::NumGlyphs, &B::SetNumGlyphs),
        props::boolean<B>("OldDisabledStyle", &B::OldDisabledStyle, &B::SetOldDisabledStyle),
        props::boolean<B>("Opaque", &B::Opaque, &B::SetOpaque),
        props::boolean<B>("Repeating", &B::Repeating, &B::SetRepeating),
        props::integer<B, int>("RepeatDelay", &B::RepeatDelay, &B::SetRepeatDelay),
        props::integer<B, int>("RepeatInterval", &B::RepeatInterval, &B::SetRepeatInterval),
        props::boolean<B>("ShowBorderWhenInactive", &B::ShowBorderWhenInactive, &B::SetShowBorderWhenInactive),
        props::integer<B, int>("Spacing", &B::Spacing, &B::SetSpacing),
        props::boolean<B>("WordWrap", &B::WordWrap, &B::SetWordWrap),
        props::event<B, TNotifyEvent>("OnMouseEnter", &B::OnMouseEnter),
        props::event<B, TNotifyEvent>("OnMouseExit", &B::OnMouseExit),
    });
    return table;
}

const PropertyTable* TToolbarButton97::Properties() const
{
    return &ClassProperties();
}
