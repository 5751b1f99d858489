// Floating windows of toolbars and tool windows, and dragging them between docks and the
// screen.

#include "docking/floating_frame.h"

#include "framework/application.h"
#include "framework/forms.h"

#include <QEvent>
#include <QPainter>
#include <QWidget>

#include <cmath>

namespace {

// Tells its tool window when the form's window is shown, hidden, minimised or restored.
class FormWatch : public QObject {
public:
    explicit FormWatch(std::function<void()> changed) : m_changed(std::move(changed)) {}

protected:
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Show || e->type() == QEvent::Hide || e->type() == QEvent::WindowStateChange)
            DispatchEvent(nullptr, m_changed);
        return false;
    }

private:
    std::function<void()> m_changed;
};

// One side of a drag outline: a half-tone of black and white pixels.
class OutlineSide : public QWidget {
public:
    OutlineSide()
        : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowTransparentForInput |
                               Qt::WindowDoesNotAcceptFocus)
    {
        setAttribute(Qt::WA_ShowWithoutActivating);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        // The pattern keeps its phase on the screen, so the four sides meet without seams.
        QBrush halftone(Qt::black, Qt::Dense4Pattern);
        halftone.setTransform(QTransform::fromTranslate(-x() % 2, -y() % 2));
        painter.fillRect(rect(), halftone);
    }
};

// The catch zones around a dock, scaled by where the window was taken hold of.
constexpr int catchZoneAlong = 32;
constexpr int catchZoneAcross = 20;
// Outline widths: a window that would dock, and a floating window.
constexpr int dockedOutline = 1;
constexpr int floatingOutline = 3;

bool overlaps(const TRect& a, const TRect& b)
{
    return !a.intersected(b).isEmpty();
}

} // namespace

TForm* OwningForm(const TComponent* component)
{
    for (const TComponent* c = component; c; c = c->Owner())
        if (auto* form = dynamic_cast<TForm*>(const_cast<TComponent*>(c)); form && !dynamic_cast<FloatingFrame*>(form))
            return form;
    return nullptr;
}

TRect KeepOnWorkArea(TRect rect, bool acceptOverlap)
{
    const TRect work = Screen->WorkAreaRect();
    if (acceptOverlap && overlaps(rect, work))
        return rect;
    const auto shift = [&rect](int dx, int dy) { rect = rect.translated(dx, dy); };
    if (rect.right > work.right)
        shift(work.right - rect.right, 0);
    if (rect.bottom > work.bottom)
        shift(0, work.bottom - rect.bottom);
    if (rect.left < work.left)
        shift(work.left - rect.left, 0);
    if (rect.top < work.top)
        shift(0, work.top - rect.top);
    return rect;
}

// --- FloatingFrame ---

PICTAVO_DEFINE_CLASS(FloatingFrame, TForm, nullptr, nullptr)

FloatingFrame::FloatingFrame(TCustomToolWindow97& window) : TForm(&window), m_window(window)
{
    SetBorderStyle(bsNone);
    SetColor(clBtnFace);
    // A tool window of the form's window: above it, without a button on the task bar.
    TForm* form = OwningForm(&window);
    QWidget* frame = Widget();
    frame->setParent(form ? form->Widget() : nullptr, Qt::Tool | Qt::FramelessWindowHint);
    SetCaption(window.Caption());
    if (form && form->Widget()) {
        m_formWatch = std::make_unique<FormWatch>([alive = TComponentRef<TCustomToolWindow97>(&window)] {
            if (alive)
                alive->updateFloatingVisibility();
        });
        form->Widget()->installEventFilter(m_formWatch.get());
    }
}

FloatingFrame::~FloatingFrame() = default;

bool FloatingFrame::FormShowing() const
{
    const TForm* form = OwningForm(&m_window);
    return form && form->Visible() && form->Widget() && !form->Widget()->isMinimized();
}

void ShowWithoutActivating(TForm& form, bool visible)
{
    if (visible == form.Visible())
        return;
    form.HandleNeeded();
    form.TControl::SetVisible(visible);
    if (QWidget* window = form.Widget()) {
        window->setAttribute(Qt::WA_ShowWithoutActivating);
        window->setVisible(visible);
    }
}

void FloatingFrame::SetVisible(bool visible)
{
    // The form stays the active window.
    ShowWithoutActivating(*this, visible);
}

void FloatingFrame::DoClose(TCloseAction& action)
{
    action = caNone;
    TComponentRef<TCustomToolWindow97> window(&m_window);
    window->Hide();
    if (window && window->OnClose)
        window->OnClose(window);
}

// --- DragOutlineWindows ---

DragOutlineWindows::DragOutlineWindows() = default;
DragOutlineWindows::~DragOutlineWindows() = default;

void DragOutlineWindows::Show(const TRect& rect, int thickness)
{
    const int w = std::max(rect.width(), 2 * thickness);
    const int h = std::max(rect.height(), 2 * thickness);
    const QRect sides[4] = {
        QRect(rect.left, rect.top, w, thickness),
        QRect(rect.left, rect.top + h - thickness, w, thickness),
        QRect(rect.left, rect.top + thickness, thickness, h - 2 * thickness),
        QRect(rect.left + w - thickness, rect.top + thickness, thickness, h - 2 * thickness),
    };
    for (int i = 0; i < 4; ++i) {
        if (!m_sides[std::size_t(i)])
            m_sides[std::size_t(i)] = std::make_unique<OutlineSide>();
        QWidget& side = *m_sides[std::size_t(i)];
        side.setGeometry(sides[i]);
        side.setVisible(!sides[i].isEmpty());
        side.update();
    }
}

void DragOutlineWindows::Hide()
{
    for (auto& side : m_sides)
        if (side)
            side->hide();
}

// --- ToolWindowDrag ---

ToolWindowDrag::ToolWindowDrag(TCustomToolWindow97& window, TPoint grabScreen)
    : m_window(window), m_grab(grabScreen), m_last(grabScreen)
{
    // The grab point as a fraction of the window's size places every candidate at the cursor.
    const TPoint grab = window.ScreenToClient(grabScreen);
    m_grabX = window.Width() > 0 ? double(grab.x) / window.Width() : 0.0;
    m_grabY = window.Height() > 0 ? double(grab.y) / window.Height() : 0.0;
    m_floatingSize = window.FloatingSize();
    if (TForm* form = OwningForm(&window))
        for (int i = 0; i < form->ComponentCount(); ++i)
            if (auto* dock = dynamic_cast<TDock97*>(form->Components(i))) {
                TSize size = window.DockedSize(dock->IsHorizontal());
                if (window.FullSize()) {
                    if (dock->IsHorizontal())
                        size.cx = dock->DockLength();
                    else
                        size.cy = dock->DockLength();
                }
                m_candidates.push_back({dock, size});
            }
    if (Application)
        m_hook = Application->MessageHooks.Add([this](TMessage& m) { message(m); });
}

ToolWindowDrag::~ToolWindowDrag() = default;

void ToolWindowDrag::message(TMessage& message)
{
    switch (message.kind) {
    case TMessageKind::KeyDown:
    case TMessageKind::KeyUp:
        if (message.key == VK_ESCAPE && message.kind == TMessageKind::KeyDown) {
            m_cancelled = true;
            m_outlineWindows.Hide();
        } else if (message.key == VK_CONTROL) {
            m_ctrlKey = message.kind == TMessageKind::KeyDown;
            Track(m_last, m_ctrlKey);
        } else {
            return;
        }
        message.handled = true;
        break;
    case TMessageKind::MouseDown:
    case TMessageKind::MouseDblClick:
        // Another press of the left button cancels; the other buttons do nothing meanwhile.
        if (message.button == mbLeft) {
            m_cancelled = true;
            m_outlineWindows.Hide();
        }
        message.handled = true;
        break;
    default:
        break;
    }
}

TRect ToolWindowDrag::placedAt(TPoint screen, TSize size) const
{
    const int left = screen.x - int(std::lround(m_grabX * size.cx));
    const int top = screen.y - int(std::lround(m_grabY * size.cy));
    return TRect{left, top, left + size.cx, top + size.cy};
}

bool ToolWindowDrag::catches(TDock97& dock, TPoint screen, TSize size) const
{
    const TPoint origin = dock.ClientToScreen({0, 0});
    TRect area{origin.x, origin.y, origin.x + dock.Width(), origin.y + dock.Height()};
    TRect zone = area;
    zone.left -= int(std::lround(catchZoneAlong * m_grabX));
    zone.right += int(std::lround(catchZoneAlong * (1 - m_grabX)));
    if (dock.IsHorizontal()) {
        zone.top -= int(std::lround(catchZoneAcross * m_grabY));
        zone.bottom += int(std::lround(catchZoneAcross * (1 - m_grabY)));
        if (!zone.contains(screen))
            return false;
    } else if (screen.x < zone.left || screen.x >= zone.right || screen.y < area.top || screen.y >= area.bottom) {
        return false;
    }
    // An empty dock still catches along its edge.
    if (dock.IsHorizontal() && area.height() == 0) {
        area.top -= 1;
        area.bottom += 1;
    } else if (!dock.IsHorizontal() && area.width() == 0) {
        area.left -= 1;
        area.right += 1;
    }
    return overlaps(placedAt(screen, size), area);
}

void ToolWindowDrag::Track(TPoint screen, bool ctrlHeld)
{
    m_last = screen;
    m_moved = m_moved || screen != m_grab;
    m_ctrl = ctrlHeld;
    if (m_cancelled)
        return;
    m_target = nullptr;
    if (!CtrlHeld()) {
        for (TDockPosition position : {dpTop, dpBottom, dpLeft, dpRight}) {
            if (!(m_window.DockableTo() & (1u << position)))
                continue;
            for (const Candidate& candidate : m_candidates) {
                if (!candidate.dock)
                    continue;
                TDock97& dock = *candidate.dock;
                if (dock.Position() != position || !dock.AllowDrag() || !catches(dock, screen, candidate.size))
                    continue;
                bool accept = true;
                if (dock.OnRequestDock) {
                    // The handler may free the window, and this drag with it.
                    TComponentRef<TCustomToolWindow97> alive(&m_window);
                    dock.OnRequestDock(&dock, &m_window, accept);
                    if (!alive)
                        return;
                }
                if (accept && candidate.dock) {
                    m_target = &dock;
                    m_outline = placedAt(screen, candidate.size);
                    break;
                }
            }
            if (m_target)
                break;
        }
    }
    if (!m_target)
        m_outline = KeepOnWorkArea(placedAt(screen, m_floatingSize));
    m_outlineWindows.Show(m_outline, m_target ? dockedOutline : floatingOutline);
}
