// Scroll boxes and their scroll bars.

#include "framework/ext_controls.h"

#include "framework/application.h"
#include "framework/qt_bridge.h"

#include <QAbstractScrollArea>
#include <QScrollBar>
#include <QStyle>

#include <algorithm>

using namespace framework_detail;

namespace {

// The view of a scroll box: the framework moves the children itself when it scrolls.
class ScrollBoxWidget : public ScrollControlWidget<QAbstractScrollArea> {
public:
    using ScrollControlWidget<QAbstractScrollArea>::ScrollControlWidget;

protected:
    void scrollContentsBy(int, int) override
    {
        if (auto* box = dynamic_cast<TScrollBox*>(m_control); box && box->AcceptsEvents())
            DispatchEvent(box, [box] { box->ScrolledByUser(); });
    }
};

} // namespace

// --- TControlScrollBar ---

PICTAVO_DEFINE_CLASS(TControlScrollBar, TPersistent, nullptr, nullptr)

void TControlScrollBar::SetPosition(int position)
{
    if (m_kind == sbHorizontal)
        m_owner.scrollTo(position, m_owner.m_vert->m_position);
    else
        m_owner.scrollTo(m_owner.m_horz->m_position, position);
}

void TControlScrollBar::SetVisible(bool visible)
{
    if (visible == m_visible)
        return;
    m_visible = visible;
    m_owner.updateRanges();
}

const PropertyTable* TControlScrollBar::Properties() const
{
    static const PropertyTable table(nullptr, {
        props::integer<TControlScrollBar, int>("Increment", &TControlScrollBar::Increment, &TControlScrollBar::SetIncrement),
        props::integer<TControlScrollBar, int>("Position", &TControlScrollBar::Position, &TControlScrollBar::SetPosition),
        props::boolean<TControlScrollBar>("Tracking", &TControlScrollBar::Tracking, &TControlScrollBar::SetTracking),
        props::boolean<TControlScrollBar>("Visible", &TControlScrollBar::Visible, &TControlScrollBar::SetVisible),
    });
    return &table;
}

// --- TScrollBox ---

PICTAVO_DEFINE_CLASS(TScrollBox, TWinControl, nullptr, createComponentOf<TScrollBox>)

TScrollBox::TScrollBox(TComponent* owner)
    : TWinControl(owner, DeferWidget{}), m_horz(std::make_unique<TControlScrollBar>(*this, sbHorizontal)),
      m_vert(std::make_unique<TControlScrollBar>(*this, sbVertical))
{
    auto* area = new ScrollBoxWidget(this);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area->viewport()->setBackgroundRole(QPalette::Window);
    area->viewport()->setAutoFillBackground(true);
    // A single border is a sunken edge two pixels wide.
    area->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    area->setLineWidth(2);
    SetControlStyle(ControlStyle() | (1u << csAcceptsControls));
    SetColor(clBtnFace);
    SetWidget(area);
    SetBounds(0, 0, 185, 41);
}

TScrollBox::~TScrollBox() = default;

QWidget* TScrollBox::ClientWidget() const
{
    auto* area = static_cast<QAbstractScrollArea*>(Widget());
    return area ? area->viewport() : nullptr;
}

int TScrollBox::frameWidth() const
{
    return m_borderStyle == bsSingle ? 2 : 0;
}

int TScrollBox::ClientWidth() const
{
    int extent = m_vert->m_shown ? Widget()->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, Widget()) : 0;
    return std::max(0, Width() - 2 * frameWidth() - extent);
}

int TScrollBox::ClientHeight() const
{
    int extent = m_horz->m_shown ? Widget()->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, Widget()) : 0;
    return std::max(0, Height() - 2 * frameWidth() - extent);
}

void TScrollBox::SetBorderStyle(TBorderStyle style)
{
    if (style == m_borderStyle)
        return;
    m_borderStyle = style;
    auto* area = static_cast<QAbstractScrollArea*>(Widget());
    area->setFrameStyle(style == bsSingle ? QFrame::Panel | QFrame::Sunken : QFrame::NoFrame);
    area->setLineWidth(style == bsSingle ? 2 : 0);
    updateRanges();
    Realign();
}

void TScrollBox::SetAutoScroll(bool autoScroll)
{
    if (autoScroll == m_autoScroll)
        return;
    m_autoScroll = autoScroll;
    updateRanges();
}

void TScrollBox::AdjustClientRect(TRect& rect) const
{
    // Aligned children fill the scrolled area, at least the visible part.
    rect = TRect::fromSize(-m_horz->m_position, -m_vert->m_position, std::max(m_horz->m_range, ClientWidth()),
                           std::max(m_vert->m_range, ClientHeight()));
}

void TScrollBox::AlignControls(TControl* control, TRect& rect)
{
    TWinControl::AlignControls(control, rect);
    updateRanges();
}

void TScrollBox::ControlChanged(TControl* control)
{
    TWinControl::ControlChanged(control);
    if (control->Align() == alNone)
        updateRanges();
}

void TScrollBox::SizeChanged()
{
    updateRanges();
    TWinControl::SizeChanged();
}

void TScrollBox::updateRanges()
{
    if (m_updatingRanges || IsLoading())
        return;
    m_updatingRanges = true;
    // The extent of the children, measured from the unscrolled origin: controls at the left
    // or top (or not aligned) reach to their far edge; right and bottom ones add their size.
    int horzRange = 0;
    int horzMargin = 0;
    int vertRange = 0;
    int vertMargin = 0;
    for (int i = 0; i < ControlCount(); ++i) {
        const TControl* c = Controls(i);
        if (!c->Visible())
            continue;
        switch (c->Align()) {
        case alNone:
            horzRange = std::max(horzRange, m_horz->m_position + c->Left() + c->Width());
            vertRange = std::max(vertRange, m_vert->m_position + c->Top() + c->Height());
            break;
        case alLeft: horzRange = std::max(horzRange, m_horz->m_position + c->Left() + c->Width()); break;
        case alRight: horzMargin += c->Width(); break;
        case alTop: vertRange = std::max(vertRange, m_vert->m_position + c->Top() + c->Height()); break;
        case alBottom: vertMargin += c->Height(); break;
        default: break;
        }
    }
    m_horz->m_range = m_autoScroll ? horzRange + horzMargin : 0;
    m_vert->m_range = m_autoScroll ? vertRange + vertMargin : 0;
    const bool wasHorz = m_horz->m_shown;
    const bool wasVert = m_vert->m_shown;
    // A bar that shows takes room from the other direction: decide twice.
    m_horz->m_shown = m_vert->m_shown = false;
    for (int pass = 0; pass < 2; ++pass) {
        m_horz->m_shown = m_horz->m_visible && m_horz->m_range > ClientWidth();
        m_vert->m_shown = m_vert->m_visible && m_vert->m_range > ClientHeight();
    }
    updateScrollBars();
    const int maxHorz = m_horz->m_shown ? m_horz->m_range - ClientWidth() : 0;
    const int maxVert = m_vert->m_shown ? m_vert->m_range - ClientHeight() : 0;
    m_updatingRanges = false;
    scrollTo(std::min(m_horz->m_position, maxHorz), std::min(m_vert->m_position, maxVert));
    if (wasHorz != m_horz->m_shown || wasVert != m_vert->m_shown)
        RealignLater();
}

void TScrollBox::updateScrollBars()
{
    auto* area = static_cast<QAbstractScrollArea*>(Widget());
    const bool scrolling = m_scrolling;
    m_scrolling = true;
    area->setHorizontalScrollBarPolicy(m_horz->m_shown ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    area->setVerticalScrollBarPolicy(m_vert->m_shown ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    QScrollBar* horz = area->horizontalScrollBar();
    horz->setRange(0, std::max(0, m_horz->m_range - ClientWidth()));
    horz->setPageStep(std::max(1, ClientWidth()));
    horz->setSingleStep(m_horz->m_increment);
    horz->setValue(m_horz->m_position);
    QScrollBar* vert = area->verticalScrollBar();
    vert->setRange(0, std::max(0, m_vert->m_range - ClientHeight()));
    vert->setPageStep(std::max(1, ClientHeight()));
    vert->setSingleStep(m_vert->m_increment);
    vert->setValue(m_vert->m_position);
    m_scrolling = scrolling;
}

void TScrollBox::scrollTo(int horizontal, int vertical)
{
    const int maxHorz = m_horz->m_shown ? std::max(0, m_horz->m_range - ClientWidth()) : 0;
    const int maxVert = m_vert->m_shown ? std::max(0, m_vert->m_range - ClientHeight()) : 0;
    horizontal = std::clamp(horizontal, 0, maxHorz);
    vertical = std::clamp(vertical, 0, maxVert);
    const int dx = m_horz->m_position - horizontal;
    const int dy = m_vert->m_position - vertical;
    if (dx == 0 && dy == 0)
        return;
    m_horz->m_position = horizontal;
    m_vert->m_position = vertical;
    // The children move; ranges are measured with the position, so they stay.
    const bool updating = m_updatingRanges;
    m_updatingRanges = true;
    DisableAlign();
    for (int i = 0; i < ControlCount(); ++i) {
        TControl* c = Controls(i);
        c->SetBounds(c->Left() + dx, c->Top() + dy, c->Width(), c->Height());
    }
    EnableAlign();
    m_updatingRanges = updating;
    updateScrollBars();
}

void TScrollBox::ScrolledByUser()
{
    if (m_scrolling)
        return;
    auto* area = static_cast<QAbstractScrollArea*>(Widget());
    scrollTo(area->horizontalScrollBar()->value(), area->verticalScrollBar()->value());
}

void TScrollBox::ScrollInView(TControl* control)
{
    if (!control || control->Parent() != this)
        return;
    int horizontal = m_horz->m_position;
    int vertical = m_vert->m_position;
    if (control->Left() < 0)
        horizontal += control->Left();
    else if (control->Left() + control->Width() > ClientWidth())
        horizontal += std::min(control->Left(), control->Left() + control->Width() - ClientWidth());
    if (control->Top() < 0)
        vertical += control->Top();
    else if (control->Top() + control->Height() > ClientHeight())
        vertical += std::min(control->Top(), control->Top() + control->Height() - ClientHeight());
    scrollTo(horizontal, vertical);
}

const PropertyTable* TScrollBox::Properties() const
{
    return &ClassProperties();
}

const PropertyTable& TScrollBox::ClassProperties()
{
    static const PropertyTable table(&TWinControl::ClassProperties(), {
        props::boolean<TScrollBox>("AutoScroll", &TScrollBox::AutoScroll, &TScrollBox::SetAutoScroll),
        props::enumeration<TScrollBox, TBorderStyle>("BorderStyle", {"bsNone", "bsSingle"}, &TScrollBox::BorderStyle,
                                                     &TScrollBox::SetBorderStyle),
        props::object<TScrollBox, TControlScrollBar>("HorzScrollBar", &TScrollBox::HorzScrollBar),
        props::object<TScrollBox, TControlScrollBar>("VertScrollBar", &TScrollBox::VertScrollBar),
    });
    return table;
}
