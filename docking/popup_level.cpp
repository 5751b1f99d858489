// One open level of a drawn pop-up menu: its size and place, the sliding animation, the mouse,
// the sub-menu timer and the drawing of its items.

#include "docking/popup_menu.h"

#include "docking/event_sounds.h"
#include "docking/floating_frame.h"
#include "docking/glyph_drawing.h"
#include "docking/menu_session.h"
#include "framework/application.h"
#include "framework/clock.h"
#include "framework/drawing.h"
#include "framework/strings.h"
#include "picture/bitmap/bitmap.h"

#include <QCursor>
#include <QToolTip>
#include <QWidget>

#include <algorithm>
#include <random>

namespace {
// The sub-menu timer: a pause on an item opens its sub-menu.
constexpr int submenuPause = 300;
// The cursor must leave where it was when the level opened by more than this before the level
// follows it.
constexpr int mouseSlackX = 2;
constexpr int mouseSlackY = 3;
// A sub-menu opens this far inside its parent's right edge.
constexpr int submenuOverlap = 7;
// Around the items: the raised edge and a line of the menu colour.
constexpr int frameInset = 3;

bool coinToss()
{
    static std::minstd_rand engine(std::random_device{}());
    return engine() % 2 == 0;
}

// The caption of an item before its tab, and the shortcut text (after the tab, or the item's
// own shortcut).
std::pair<std::string, std::string> captionParts(const TMenuItem& item)
{
    const std::string caption = item.Caption();
    const std::size_t tab = caption.find('\t');
    if (tab != std::string::npos)
        return {caption.substr(0, tab), caption.substr(tab + 1)};
    return {caption, ShortCutToText(item.ShortCut())};
}
} // namespace

PICTAVO_DEFINE_CLASS(TPopupMenu98Form, TForm, nullptr, nullptr)

TPopupMenu98Form::TPopupMenu98Form(MenuSession& session, TMenuItem& items, TPopupMenu98Form* parentLevel)
    : TForm(&session), m_session(session), m_menu(session.Menu()), m_settings(std::make_unique<LevelSettings>()),
      m_items(&items), m_parentLevel(parentLevel), m_image(std::make_unique<TBitmap>()),
      m_animation(std::make_unique<ClockTimer>([this] { animationFrame(); })),
      m_timer(std::make_unique<ClockTimer>([this] { tick(); }))
{
    LevelSettings& s = *m_settings;
    static_cast<MenuSettings&>(s) = m_menu->Settings();
    s.font = std::make_unique<TFont>();
    s.font->CopyFrom(m_menu->Font());

    SetBorderStyle(bsNone);
    SetColor(clMenu);
    // Above every other window, taking neither the activation nor the keyboard; the items
    // follow the mouse without a button held.
    Widget()->setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
    ClientWidget()->setMouseTracking(true);
    for (int i = 0; i < items.Count(); ++i)
        if (items.Items(i)->Visible())
            m_shown.emplace_back(items.Items(i));
}

TPopupMenu98Form::~TPopupMenu98Form() = default;

void TPopupMenu98Form::SetVisible(bool visible)
{
    ShowWithoutActivating(*this, visible);
}

TMenuItem* TPopupMenu98Form::Item(int index) const
{
    return index >= 0 && index < int(m_shown.size()) ? m_shown[std::size_t(index)].get() : nullptr;
}

TRect TPopupMenu98Form::ItemRect(int index) const
{
    int top = frameInset;
    for (int i = 0; i < int(m_shown.size()); ++i) {
        const TMenuItem* item = m_shown[std::size_t(i)];
        const int height = item && item->IsLine() ? m_settings->separatorHeight : m_settings->itemHeight;
        if (i == index)
            return TRect{2, top, m_fullSize.cx - 2, top + height};
        top += height;
    }
    return {};
}

int TPopupMenu98Form::ItemAt(int y) const
{
    for (int i = 0; i < int(m_shown.size()); ++i) {
        const TRect r = ItemRect(i);
        if (y >= r.top && y < r.bottom)
            return i;
    }
    return -1;
}

void TPopupMenu98Form::OpenAt(const TPopupPlacement& placement)
{
    // The widest caption (a default item's in bold) and shortcut make the width.
    TCanvas& canvas = *Canvas();
    int widestCaption = 0;
    int widestShortcut = 0;
    int itemsHeight = 0;
    for (const auto& item : m_shown) {
        if (!item)
            continue;
        if (item->IsLine()) {
            itemsHeight += m_settings->separatorHeight;
            continue;
        }
        itemsHeight += m_settings->itemHeight;
        canvas.Font().CopyFrom(m_settings->font.get());
        if (item->Default())
            canvas.Font().SetStyle(canvas.Font().Style() | (1u << fsBold));
        const auto [caption, shortcut] = captionParts(*item);
        TRect r{0, 0, 0, 0};
        DrawText(canvas, caption, r, DT_SINGLELINE | DT_CALCRECT);
        widestCaption = std::max(widestCaption, r.width());
        if (!shortcut.empty()) {
            TRect s{0, 0, 0, 0};
            DrawText(canvas, shortcut, s, DT_SINGLELINE | DT_CALCRECT | DT_NOPREFIX);
            widestShortcut = std::max(widestShortcut, s.width());
        }
    }
    m_widestCaption = widestCaption;
    m_fullSize = popup_layout::LevelSize(widestCaption, widestShortcut, m_settings->indent, itemsHeight);

    bool vertical = false;
    bool sideways = false;
    popup_layout::AnimatedDimensions(m_settings->openAnimation, m_parentLevel != nullptr, coinToss(), vertical, sideways);
    const TRect parentRect = m_parentLevel ? m_parentLevel->m_openRect : TRect{};
    const popup_layout::Placement placed = popup_layout::PlaceLevel(
        m_fullSize, placement, Screen->WorkAreaRect(), m_parentLevel ? &parentRect : nullptr, vertical && !sideways);
    m_openRect = placed.rect;
    m_upwards = placed.upwards;
    m_leftwards = placed.leftwards;
    drawImage();
    const QPoint cursor = QCursor::pos();
    m_mouseOrigin = {cursor.x(), cursor.y()};

    const popup_layout::Animation plan =
        popup_layout::PlanAnimation(m_fullSize, m_settings->itemHeight, m_settings->doubleSpeed, vertical, sideways);
    m_animateVertically = plan.vertical;
    m_animateSideways = plan.sideways;
    m_frameCount = plan.frames;
    m_stepHeight = plan.stepHeight;
    m_stepWidth = plan.stepWidth;
    m_frameStep = 0;
    m_phase = Phase::Opening;
    m_animationStart = CurrentClock().Now();
    animationFrame();
}

void TPopupMenu98Form::animationFrame()
{
    const bool closing = m_phase == Phase::Closing;
    const int k = ++m_frameStep;
    if (k > m_frameCount) {
        if (closing) {
            finishClosing();
            return;
        }
        // Opened: the full size, and the sub-menu timer starts.
        applyFrameSize(m_fullSize.cx, m_fullSize.cy);
        redraw();
        if (!m_soundPlayed)
            PlayEventSound("MenuPopup");
        m_soundPlayed = true;
        m_phase = Phase::Open;
        m_timer->Start(submenuPause, true);
        return;
    }
    ++m_frames;
    int height = m_fullSize.cy;
    int width = m_fullSize.cx;
    if (m_animateVertically)
        height = closing ? std::max(0, m_fullSize.cy - k * m_stepHeight) : std::min(m_fullSize.cy, k * m_stepHeight);
    if (m_animateSideways)
        width = closing ? std::max(0, m_fullSize.cx - k * m_stepWidth) : std::min(m_fullSize.cx, k * m_stepWidth);
    applyFrameSize(width, height);
    redraw();
    if (!closing && k == 3 && !m_soundPlayed) {
        PlayEventSound("MenuPopup");
        m_soundPlayed = true;
    }
    // Each frame lasts the menu's timeout from its start; a slow frame shortens the next waits.
    m_animation->StartAt(m_animationStart + std::int64_t(k) * m_settings->timeout);
}

void TPopupMenu98Form::redraw()
{
    // The items are painted by the window's client area: that is what is painted again now.
    if (QWidget* client = ClientWidget(); client && client->isVisible())
        client->repaint();
}

void TPopupMenu98Form::applyFrameSize(int width, int height)
{
    m_shownSize = {width, height};
    if (width <= 0 || height <= 0) {
        SetVisible(false);
        return;
    }
    // Growing upwards or leftwards, the far edge stays put.
    const int left = m_leftwards ? m_openRect.right - width : m_openRect.left;
    const int top = m_upwards ? m_openRect.bottom - height : m_openRect.top;
    SetBounds(left, top, width, height);
    SetVisible(true);
}

void TPopupMenu98Form::CloseLevel()
{
    if (IsClosing())
        return;
    TComponentRef<TPopupMenu98Form> alive(this);
    if (m_child)
        m_child->CloseLevel();
    m_phase = Phase::Closing;
    m_timer->Stop();
    m_animation->Stop();
    if (m_menu && m_menu->OnMenuClose)
        m_menu->OnMenuClose(Item(m_selected));
    if (!alive)
        return;
    PlayEventSound("");
    bool vertical = false;
    bool sideways = false;
    popup_layout::AnimatedDimensions(m_settings->closeAnimation, m_parentLevel != nullptr, coinToss(), vertical,
                                     sideways);
    const popup_layout::Animation plan =
        popup_layout::PlanAnimation(m_fullSize, m_settings->itemHeight, m_settings->doubleSpeed, vertical, sideways);
    m_animateVertically = plan.vertical;
    m_animateSideways = plan.sideways;
    m_frameCount = Visible() ? plan.frames : 0;
    m_stepHeight = plan.stepHeight;
    m_stepWidth = plan.stepWidth;
    m_frameStep = 0;
    m_animationStart = CurrentClock().Now();
    animationFrame();
}

void TPopupMenu98Form::finishClosing()
{
    SetVisible(false);
    m_phase = Phase::Closed;
    m_session.LevelClosed(*this);
}

// --- selection and the mouse ---

void TPopupMenu98Form::Select(int index)
{
    if (index < -1 || index >= ItemCount())
        index = -1;
    // Chosen by the keyboard: the sub-menu timer leaves it alone.
    m_previousSelected = index;
    if (index == m_selected)
        return;
    m_selected = index;
    selectionChanged();
}

void TPopupMenu98Form::selectionChanged()
{
    QToolTip::hideText();
    drawImage();
    redraw();
    const TMenuItem* item = Item(m_selected);
    const std::string hint = item ? GetShortHint(item->Hint()) : std::string();
    if (m_settings->statusBar)
        m_settings->statusBar->SetCaption(hint);
    if (m_settings->showHint && !hint.empty() && Widget()) {
        const TRect r = ItemRect(m_selected);
        const TPoint at = ClientToScreen({r.right, r.bottom});
        QToolTip::showText(QPoint(at.x, at.y), QString::fromStdString(hint));
    }
}

void TPopupMenu98Form::MouseMove(TShiftState shift, int x, int y)
{
    TForm::MouseMove(shift, x, y);
    if (IsClosing())
        return;
    const TPoint screen = ClientToScreen({x, y});
    if (!m_mouseTracking) {
        if (std::abs(screen.x - m_mouseOrigin.x) <= mouseSlackX && std::abs(screen.y - m_mouseOrigin.y) <= mouseSlackY)
            return;
        m_mouseTracking = true;
    }
    // The window shows the far end of the image while it slides.
    const int imageY = y + (m_upwards ? 0 : m_fullSize.cy - m_shownSize.cy);
    int index = x >= 0 && x < Width() && y >= 0 && y < Height() ? ItemAt(imageY) : -1;
    if (index >= 0 && m_shown[std::size_t(index)]->IsLine())
        index = -1;
    // Off the level, the way to an open sub-menu stays selected.
    if (index < 0 && m_child && !m_child->IsClosing())
        return;
    if (index == m_selected)
        return;
    m_timer->Stop();
    m_selected = index;
    selectionChanged();
    if (m_phase == Phase::Open)
        m_timer->Start(submenuPause, true);
}

void TPopupMenu98Form::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    TForm::MouseDown(button, shift, x, y);
    m_mouseTracking = true;
    MouseMove(shift, x, y);
}

void TPopupMenu98Form::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    TComponentRef<TPopupMenu98Form> alive(this);
    TForm::MouseUp(button, shift, x, y);
    if (!alive || button != mbLeft || IsClosing())
        return;
    const int imageY = y + (m_upwards ? 0 : m_fullSize.cy - m_shownSize.cy);
    if (x >= 0 && x < Width() && y >= 0 && y < Height())
        Choose(ItemAt(imageY));
}

void TPopupMenu98Form::tick()
{
    if (Application && !Application->Active()) {
        m_session.CloseAll();
        return;
    }
    if (m_selected == m_previousSelected)
        return;
    m_previousSelected = m_selected;
    OpenSubmenu(false);
}

void TPopupMenu98Form::Choose(int index, bool byKeyboard)
{
    TMenuItem* item = Item(index);
    if (!item || item->IsLine() || IsClosing())
        return;
    if (item->Count() > 0) {
        if (m_selected != index) {
            m_selected = index;
            selectionChanged();
        }
        m_previousSelected = index;
        OpenSubmenu(byKeyboard);
        return;
    }
    if (item->Enabled())
        m_session.ChooseItem(*item);
}

void TPopupMenu98Form::OpenSubmenu(bool selectFirst)
{
    TMenuItem* item = Item(m_selected);
    if (m_child && !m_child->IsClosing()) {
        if (item && m_child->Items() == item) {
            if (selectFirst && m_child->Selected() < 0)
                for (int i = 0; i < m_child->ItemCount(); ++i)
                    if (!m_child->Item(i)->IsLine()) {
                        m_child->Select(i);
                        break;
                    }
            return;
        }
        m_child->CloseLevel();
    }
    if (!item || !item->Enabled() || item->Count() == 0 || !m_menu)
        return;
    TComponentRef<TPopupMenu98Form> alive(this);
    TComponentRef<TMenuItem> opened(item);
    item->Click();
    if (!alive || !opened || !m_menu || IsClosing())
        return;
    auto* child = new TPopupMenu98Form(m_session, *opened, this);
    m_child = child;
    TPopupPlacement placement;
    placement.at = {m_openRect.left + m_fullSize.cx - submenuOverlap, m_openRect.top + ItemRect(m_selected).top};
    placement.upwardEnd = placement.at.y;
    child->OpenAt(placement);
    if (selectFirst)
        for (int i = 0; i < child->ItemCount(); ++i)
            if (!child->Item(i)->IsLine()) {
                child->Select(i);
                break;
            }
}

// --- drawing ---

void TPopupMenu98Form::Paint()
{
    // While it slides, the window shows the end of the image nearest where it grows from.
    const int offsetX = m_leftwards ? 0 : m_fullSize.cx - m_shownSize.cx;
    const int offsetY = m_upwards ? 0 : m_fullSize.cy - m_shownSize.cy;
    Canvas()->Draw(-offsetX, -offsetY, m_image.get());
}

void TPopupMenu98Form::drawImage()
{
    if (m_fullSize.cx <= 0 || m_fullSize.cy <= 0)
        return;
    m_image->SetWidth(m_fullSize.cx);
    m_image->SetHeight(m_fullSize.cy);
    TCanvas& canvas = m_image->Surface();
    TRect r{0, 0, m_fullSize.cx, m_fullSize.cy};
    canvas.Brush().SetColor(clMenu);
    canvas.Brush().SetStyle(bsSolid);
    canvas.FillRect(r);
    // A raised edge, and a line of the menu colour inside it at the top and the bottom.
    Frame3D(canvas, r, cl3DLight, cl3DDkShadow, 1);
    Frame3D(canvas, r, clBtnHighlight, clBtnShadow, 1);
    canvas.Pen().SetColor(clMenu);
    canvas.MoveTo(r.left, r.top);
    canvas.LineTo(r.right, r.top);
    canvas.MoveTo(r.left, r.bottom - 1);
    canvas.LineTo(r.right, r.bottom - 1);
    for (int i = 0; i < ItemCount(); ++i)
        drawItem(canvas, i);
    // The drawing surface hands its work over to the pixels the window copies from.
    m_image->PlatformHandle();
}

void TPopupMenu98Form::drawItem(TCanvas& canvas, int index)
{
    const TMenuItem* item = Item(index);
    if (!item)
        return;
    const TRect r = ItemRect(index);
    if (item->IsLine()) {
        // A groove: shadow 3 pixels below the top, highlight below it.
        canvas.Pen().SetColor(clBtnShadow);
        canvas.MoveTo(4, r.top + 3);
        canvas.LineTo(m_fullSize.cx - 4, r.top + 3);
        canvas.Pen().SetColor(clBtnHighlight);
        canvas.MoveTo(4, r.top + 4);
        canvas.LineTo(m_fullSize.cx - 4, r.top + 4);
        return;
    }
    const bool enabled = item->Enabled();
    const bool selected = index == m_selected && enabled;
    canvas.Brush().SetColor(selected ? clHighlight : clMenu);
    canvas.Brush().SetStyle(bsSolid);
    canvas.FillRect(r);
    const TColor textColor = selected ? clHighlightText : clMenuText;

    // At the left, as wide as the item is high: the item's bitmap, or a check mark in a sunken
    // square.
    const int side = m_settings->itemHeight;
    const TRect square{r.left, r.top, r.left + side, r.top + side};
    TDrawable* picture = item->Checked() ? item->CheckedBitmap() : item->UncheckedBitmap();
    if (!picture && item->HasBitmap())
        picture = item->Bitmap();
    if (auto* bitmap = dynamic_cast<TBitmap*>(picture); bitmap && !bitmap->IsEmpty()) {
        const GlyphCell cell{bitmap, nullptr, 1, 0};
        const TSize size = GlyphSize(cell);
        const TPoint at{square.left + (side - size.cx) / 2, square.top + (side - size.cy) / 2};
        if (enabled)
            DrawGlyph(canvas, cell, at);
        else
            DrawDisabledGlyph(canvas, cell, at);
    } else if (item->Checked()) {
        TRect edge = square;
        Frame3D(canvas, edge, clBtnShadow, clBtnHighlight, 1);
        const TColor mark = enabled ? textColor : clBtnShadow;
        canvas.Pen().SetColor(mark);
        canvas.Brush().SetColor(mark);
        const int cx = square.left + side / 2;
        const int cy = square.top + side / 2;
        if (item->RadioItem()) {
            canvas.Ellipse(cx - 3, cy - 3, cx + 3, cy + 3);
        } else {
            // A check mark three pixels thick.
            for (int t = 0; t < 3; ++t) {
                canvas.MoveTo(cx - 4, cy - 2 + t);
                canvas.LineTo(cx - 2, cy + t);
                canvas.LineTo(cx + 3, cy - 5 + t);
            }
        }
        canvas.Brush().SetColor(selected ? clHighlight : clMenu);
    }

    canvas.Font().CopyFrom(m_settings->font.get());
    if (item->Default())
        canvas.Font().SetStyle(canvas.Font().Style() | (1u << fsBold));
    canvas.Brush().SetStyle(bsClear);
    // Named copies rather than a structured binding: the text lambda below captures them, which
    // not every compiler we build with accepts of bindings.
    const auto parts = captionParts(*item);
    const std::string& caption = parts.first;
    const std::string& shortcut = parts.second;
    const unsigned align = m_settings->alignment == taRightJustify ? DT_RIGHT
                           : m_settings->alignment == taCenter     ? DT_CENTER
                                                                   : DT_LEFT;
    const int indent = m_settings->indent;
    const TRect captionRect{indent, r.top, indent + m_widestCaption, r.bottom};
    const int shortcutLeft = m_widestCaption + indent + 10;
    const TRect shortcutRect{shortcutLeft, r.top, m_fullSize.cx - 2, r.bottom};
    const auto text = [&](TRect at, TColor color) {
        canvas.Font().SetColor(color);
        TRect c = at;
        DrawText(canvas, caption, c, DT_SINGLELINE | DT_VCENTER | align);
        if (!shortcut.empty()) {
            TRect s = shortcutRect.translated(at.left - captionRect.left, at.top - captionRect.top);
            DrawText(canvas, shortcut, s, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
        }
    };
    if (!enabled) {
        // Embossed: highlight one pixel right and down, then the shadow in place.
        text(captionRect.translated(1, 1), clBtnHighlight);
        text(captionRect, clBtnShadow);
    } else {
        text(captionRect, textColor);
    }
    canvas.Brush().SetStyle(bsSolid);

    if (item->Count() > 0) {
        // A small solid triangle pointing right near the right edge.
        const TColor arrow = enabled ? textColor : clBtnShadow;
        canvas.Pen().SetColor(arrow);
        canvas.Brush().SetColor(arrow);
        const int x = m_fullSize.cx - 14;
        const int cy = r.top + (r.bottom - r.top) / 2;
        canvas.Polygon({{x, cy - 3}, {x + 3, cy}, {x, cy + 3}});
    }
}
