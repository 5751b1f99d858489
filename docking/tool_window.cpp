// Dockable windows: their docking state, non-client frame, close button, dragging, sizing and
// double clicks; and tool windows, which keep a client area of their own size.

#include "docking/docking.h"
#include "docking/floating_frame.h"

#include "framework/application.h"
#include "framework/drawing.h"
#include "framework/exceptions.h"
#include "framework/forms.h"
#include "framework/scope_exit.h"
#include "picture/bitmap/bitmap.h"

#include <QGuiApplication>
#include <QWidget>

#include <algorithm>

namespace {
constexpr auto mustBeOnDockOrForm = "A tool window can only be placed on a TDock97 or directly on the form";
constexpr auto mustBeOwnedByForm = "Tool windows must be owned by a form";

// A docked window's border on every side, and its drag handle at the start of the dock's
// direction.
constexpr int dockedBorder = 2;
constexpr int dragHandleSize = 9;
// The classic desktop's metrics for small captioned windows: the small caption (with the line
// below it), the sizing frame and the dialog frame.
constexpr int smallCaptionHeight = 15;
constexpr int sizingFrame = 4;
constexpr int dialogFrame = 3;
// The first position of a row: the arrangement moves it to the row's start.
constexpr int firstInRow = -8;
} // namespace

PICTAVO_DEFINE_CLASS(TCustomToolWindow97, TCustomControl, nullptr, nullptr)

TCustomToolWindow97::TCustomToolWindow97(TComponent* owner) : TCustomControl(owner)
{
    if (!dynamic_cast<TForm*>(owner))
        throw EInvalidOperation(mustBeOwnedByForm);
    SetColor(clBtnFace);
    // The client area is a widget of its own inside the frame: children sit in client
    // coordinates, and mouse presses it does not use go on to the frame. It paints nothing, so
    // the window's own painting (a dock's background, say) shows through it.
    m_clientArea = new QWidget(Widget());
    m_clientArea->setAutoFillBackground(false);
    m_clientArea->show();
    // A floating window's frame shows which way it sizes as the mouse passes over it.
    Widget()->setMouseTracking(true);
    UpdateWidgetGeometry();
    if (Application)
        m_activation = Application->ActivationListeners.Add([this](bool active) { applicationActivated(active); });
}

TCustomToolWindow97::~TCustomToolWindow97()
{
    m_drag.reset();
    m_activation.Reset();
}

TDock97* TCustomToolWindow97::DockedTo() const
{
    return dynamic_cast<TDock97*>(Parent());
}

TForm* TCustomToolWindow97::FloatingWindow() const
{
    return m_frame && Parent() == m_frame.get() ? m_frame.get() : nullptr;
}

void TCustomToolWindow97::SetDockedTo(TDock97* dock)
{
    if (IsLoading()) {
        if (dock)
            SetParent(dock);
        return;
    }
    if (dock ? dock == DockedTo() : FloatingWindow() != nullptr)
        return;
    changeDock(dock);
}

void TCustomToolWindow97::changeDock(TDock97* dock)
{
    TComponentRef<TCustomToolWindow97> alive(this);
    if (OnDockChanging)
        OnDockChanging(this);
    if (alive && OnRecreating)
        OnRecreating(this);
    if (!alive)
        return;
    if (dock) {
        // The row and position are kept; the dock arranges once the window is in.
        dock->BeginUpdate();
        ScopeExit arrange([dock = TComponentRef<TDock97>(dock)] {
            if (dock)
                dock->EndUpdate();
        });
        SetParent(dock);
        updateFloatingVisibility();
    } else {
        toFloatingFrame();
    }
    UpdateWidgetGeometry();
    LayoutChanged();
    Invalidate();
    if (OnDockChanged)
        OnDockChanged(this);
    if (alive && OnRecreated)
        OnRecreated(this);
}

void TCustomToolWindow97::toFloatingFrame()
{
    if (!m_floatingPositionSet) {
        // A window that never floated before floats where it stands.
        m_floatingPosition = Widget() && Parent() ? ClientToScreen({0, 0}) : TPoint{0, 0};
        m_floatingPositionSet = true;
    }
    if (!m_frame)
        m_frame = new FloatingFrame(*this);
    SetParent(m_frame);
    ResizeFloating();
    updateFloatingVisibility();
}

void TCustomToolWindow97::SetDefaultDock(TDock97* dock)
{
    m_defaultDock = dock;
}

void TCustomToolWindow97::SetDockRow(int row)
{
    if (row == m_dockRow)
        return;
    m_dockRow = row;
    RequestLayout();
}

void TCustomToolWindow97::SetDockPos(int position)
{
    if (position == m_dockPos)
        return;
    m_dockPos = position;
    RequestLayout();
}

void TCustomToolWindow97::SetCloseButton(bool show)
{
    if (show == m_closeButton)
        return;
    m_closeButton = show;
    Invalidate();
}

void TCustomToolWindow97::SetDragHandle(bool show)
{
    if (show == m_dragHandle)
        return;
    m_dragHandle = show;
    RequestLayout();
}

void TCustomToolWindow97::SetFullSize(bool fullSize)
{
    if (fullSize == m_fullSize)
        return;
    m_fullSize = fullSize;
    RequestLayout();
}

void TCustomToolWindow97::SetResizable(bool resizable)
{
    if (resizable == m_resizable)
        return;
    m_resizable = resizable;
    // The frame's width changes with it.
    RequestLayout();
}

void TCustomToolWindow97::SetHideWhenInactive(bool hide)
{
    if (hide == m_hideWhenInactive)
        return;
    m_hideWhenInactive = hide;
    m_hiddenWhileInactive = m_applicationInactive && hide;
    updateFloatingVisibility();
}

void TCustomToolWindow97::SetFloatingPosition(TPoint position)
{
    m_floatingPosition = position;
    m_floatingPositionSet = true;
    if (FloatingWindow())
        ResizeFloating();
}

void TCustomToolWindow97::SetParentComponent(TComponent* parent)
{
    if (!dynamic_cast<TDock97*>(parent) && !dynamic_cast<TForm*>(parent))
        throw EInvalidOperation(mustBeOnDockOrForm);
    TCustomControl::SetParentComponent(parent);
}

TRect TCustomToolWindow97::marginsFor(BarLayout layout) const
{
    if (layout == BarLayout::Floating) {
        const int frame = m_resizable ? sizingFrame : dialogFrame;
        return TRect{frame, frame + smallCaptionHeight, frame, frame};
    }
    // A dock that does not let windows be dragged shows no handles.
    const TDock97* dock = DockedTo();
    const int handle = m_dragHandle && (!dock || dock->AllowDrag()) ? dragHandleSize : 0;
    TRect margins{dockedBorder, dockedBorder, dockedBorder, dockedBorder};
    if (layout == BarLayout::Horizontal)
        margins.left += handle;
    else
        margins.top += handle;
    return margins;
}

BarLayout TCustomToolWindow97::currentLayout() const
{
    if (FloatingWindow())
        return BarLayout::Floating;
    const TDock97* dock = DockedTo();
    return dockedLayout(!dock || dock->IsHorizontal());
}

TRect TCustomToolWindow97::NonClientMargins() const
{
    return marginsFor(currentLayout());
}

TRect TCustomToolWindow97::ClientAreaRect() const
{
    const TRect m = NonClientMargins();
    return TRect{m.left, m.top, std::max(m.left, Width() - m.right), std::max(m.top, Height() - m.bottom)};
}

int TCustomToolWindow97::ClientWidth() const
{
    return ClientAreaRect().width();
}

int TCustomToolWindow97::ClientHeight() const
{
    return ClientAreaRect().height();
}

QWidget* TCustomToolWindow97::ClientWidget() const
{
    return m_clientArea;
}

TRect TCustomToolWindow97::CaptionRect() const
{
    if (!FloatingWindow())
        return {};
    const TRect m = NonClientMargins();
    return TRect{m.left, m.top - smallCaptionHeight, Width() - m.right, m.top - 1};
}

TRect TCustomToolWindow97::CloseButtonRect() const
{
    if (!FloatingWindow() || !m_closeButton)
        return {};
    const TRect caption = CaptionRect();
    const int side = smallCaptionHeight - 1;
    return TRect{caption.right - side, caption.top, caption.right, caption.top + side};
}

unsigned TCustomToolWindow97::sizingEdgesAt(int x, int y) const
{
    if (!FloatingWindow() || !m_resizable)
        return 0;
    unsigned edges = 0;
    // The frame, with the corners reaching a caption's height along the edges.
    const bool nearLeft = x < sizingFrame;
    const bool nearRight = x >= Width() - sizingFrame;
    const bool nearTop = y < sizingFrame;
    const bool nearBottom = y >= Height() - sizingFrame;
    if (!nearLeft && !nearRight && !nearTop && !nearBottom)
        return 0;
    const int corner = smallCaptionHeight;
    if (nearLeft || ((nearTop || nearBottom) && x < corner))
        edges |= edgeLeft;
    if (nearRight || ((nearTop || nearBottom) && x >= Width() - corner))
        edges |= edgeRight;
    if (nearTop || ((nearLeft || nearRight) && y < corner))
        edges |= edgeTop;
    if (nearBottom || ((nearLeft || nearRight) && y >= Height() - corner))
        edges |= edgeBottom;
    return edges;
}

void TCustomToolWindow97::UpdateWidgetGeometry()
{
    TCustomControl::UpdateWidgetGeometry();
    if (m_clientArea) {
        const TRect r = ClientAreaRect();
        m_clientArea->setGeometry(r.left, r.top, r.width(), r.height());
    }
}

void TCustomToolWindow97::PlaceInDock(int left, int top, int width, int height)
{
    m_placing = true;
    {
        ScopeExit placed([this] { m_placing = false; });
        SetBounds(left, top, width, height);
    }
    // The orientation may have changed without a change of size.
    UpdateWidgetGeometry();
    LayoutChanged();
}

void TCustomToolWindow97::SetBounds(int left, int top, int width, int height)
{
    TDock97* dock = DockedTo();
    if (!dock || m_placing || dock->m_arranging || IsLoading() || (left == Left() && top == Top())) {
        TCustomControl::SetBounds(left, top, width, height);
        return;
    }
    // Moved by a caller: the row under the window's middle and the offset along the dock.
    const TRect border = dock->BorderWidths();
    const bool horizontal = dock->IsHorizontal();
    const int across = horizontal ? top + height / 2 - border.top : left + width / 2 - border.left;
    bool newRow = false;
    const int row = dock->RowAt(across, newRow);
    dock->BeginUpdate();
    ScopeExit arrange([dock = TComponentRef<TDock97>(dock)] {
        if (dock)
            dock->EndUpdate();
    });
    if (newRow)
        dock->InsertRow(row);
    m_dockRow = row;
    m_dockPos = horizontal ? left - border.left : top - border.top;
}

void TCustomToolWindow97::RequestLayout()
{
    if (IsLoading())
        return;
    if (TDock97* dock = DockedTo())
        dock->ArrangeToolbars();
    else if (FloatingWindow())
        ResizeFloating();
}

void TCustomToolWindow97::ResizeFloating()
{
    const TSize size = FloatingSize();
    m_placing = true;
    {
        ScopeExit placed([this] { m_placing = false; });
        TCustomControl::SetBounds(0, 0, size.cx, size.cy);
    }
    const TRect at = KeepOnWorkArea(TRect{m_floatingPosition.x, m_floatingPosition.y,
                                          m_floatingPosition.x + size.cx, m_floatingPosition.y + size.cy},
                                    true);
    m_floatingPosition = {at.left, at.top};
    if (m_frame)
        m_frame->SetBounds(at.left, at.top, size.cx, size.cy);
    UpdateWidgetGeometry();
    LayoutChanged();
}

void TCustomToolWindow97::updateFloatingVisibility()
{
    if (!m_frame)
        return;
    const bool show = FloatingWindow() && Visible() && !m_hiddenWhileInactive && m_frame->FormShowing();
    m_frame->SetVisible(show);
}

void TCustomToolWindow97::applicationActivated(bool active)
{
    m_applicationInactive = !active;
    m_hiddenWhileInactive = !active && m_hideWhenInactive;
    updateFloatingVisibility();
    // The caption looks inactive while the application is.
    if (FloatingWindow())
        Invalidate();
}

void TCustomToolWindow97::Loaded()
{
    TCustomControl::Loaded();
    UpdateWidgetGeometry();
    // Placed directly on the form, the window floats where the design put it.
    if (auto* form = dynamic_cast<TForm*>(Parent())) {
        m_floatingPosition = form->ClientToScreen({Left(), Top()});
        m_floatingPositionSet = true;
        changeDock(nullptr);
        return;
    }
    RequestLayout();
}

void TCustomToolWindow97::SetVisible(bool visible)
{
    TCustomControl::SetVisible(visible);
    updateFloatingVisibility();
}

void TCustomToolWindow97::VisibleChanged()
{
    TCustomControl::VisibleChanged();
    if (!IsLoading() && OnVisibleChanged)
        OnVisibleChanged(this);
}

void TCustomToolWindow97::TextChanged()
{
    TCustomControl::TextChanged();
    // The floating window carries the caption for the window system too.
    if (m_frame)
        m_frame->SetCaption(Caption());
    Invalidate();
}

// --- mouse: close button, sizing, dragging, double clicks ---

void TCustomToolWindow97::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    TComponentRef<TCustomToolWindow97> alive(this);
    TCustomControl::MouseDown(button, shift, x, y);
    if (!alive || button != mbLeft || (shift & (1u << ssDouble)) || m_drag)
        return;
    if (FloatingWindow()) {
        if (CloseButtonRect().contains({x, y})) {
            m_closePressed = true;
            m_closeHot = true;
            Invalidate();
            return;
        }
        if (const unsigned edges = sizingEdgesAt(x, y)) {
            m_sizingEdges = edges;
            m_sizingFrom = ClientToScreen({x, y});
            m_sizingStart = TRect{m_floatingPosition.x, m_floatingPosition.y, m_floatingPosition.x + Width(),
                                  m_floatingPosition.y + Height()};
            return;
        }
        // Taking hold of a floating window leaves its form the active window.
        if (m_activateParent && CaptionRect().contains({x, y}))
            if (TForm* form = OwningForm(this); form && form->Widget() && form->Visible() &&
                                                QGuiApplication::platformName() != QLatin1String("offscreen"))
                form->Widget()->activateWindow();
    } else if (!DockedTo() || !DockedTo()->AllowDrag()) {
        return;
    }
    startDrag(x, y);
}

void TCustomToolWindow97::MouseMove(TShiftState shift, int x, int y)
{
    TComponentRef<TCustomToolWindow97> alive(this);
    TCustomControl::MouseMove(shift, x, y);
    if (!alive)
        return;
    if (m_drag) {
        m_drag->Track(ClientToScreen({x, y}), (shift & (1u << ssCtrl)) != 0);
        return;
    }
    if (m_sizingEdges) {
        resizeTo(ClientToScreen({x, y}));
        return;
    }
    if (m_closePressed) {
        const bool hot = CloseButtonRect().contains({x, y});
        if (hot != m_closeHot) {
            m_closeHot = hot;
            Invalidate();
        }
        return;
    }
    // The frame shows which way it sizes.
    const unsigned edges = sizingEdgesAt(x, y);
    TCursor cursor = crDefault;
    if (edges == (edgeLeft | edgeTop) || edges == (edgeRight | edgeBottom))
        cursor = crSizeNWSE;
    else if (edges == (edgeRight | edgeTop) || edges == (edgeLeft | edgeBottom))
        cursor = crSizeNESW;
    else if (edges & (edgeLeft | edgeRight))
        cursor = crSizeWE;
    else if (edges & (edgeTop | edgeBottom))
        cursor = crSizeNS;
    SetCursor(cursor);
}

void TCustomToolWindow97::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    TComponentRef<TCustomToolWindow97> alive(this);
    TCustomControl::MouseUp(button, shift, x, y);
    if (!alive || button != mbLeft)
        return;
    if (m_drag) {
        finishDrag(ClientToScreen({x, y}));
        return;
    }
    if (m_sizingEdges) {
        m_sizingEdges = 0;
        // Sized partly off the work area, it comes back onto it.
        const TRect at = KeepOnWorkArea(TRect{m_floatingPosition.x, m_floatingPosition.y,
                                              m_floatingPosition.x + Width(), m_floatingPosition.y + Height()});
        SetFloatingPosition({at.left, at.top});
        return;
    }
    if (!m_closePressed)
        return;
    m_closePressed = false;
    m_closeHot = false;
    Invalidate();
    // Released over the button: the window hides first, then tells its owner.
    if (CloseButtonRect().contains({x, y})) {
        Hide();
        if (alive && OnClose)
            OnClose(this);
    }
}

void TCustomToolWindow97::DblClick()
{
    TComponentRef<TCustomToolWindow97> alive(this);
    TCustomControl::DblClick();
    if (!alive)
        return;
    m_drag.reset();
    m_sizingEdges = 0;
    if (Docked()) {
        changeDock(nullptr);
    } else if (FloatingWindow() && m_defaultDock) {
        TDock97* dock = m_defaultDock;
        m_dockRow = 0;
        m_dockPos = firstInRow;
        changeDock(dock);
    }
}

void TCustomToolWindow97::startDrag(int x, int y)
{
    const TPoint at = ClientToScreen({x, y});
    m_drag = std::make_unique<ToolWindowDrag>(*this, at);
    m_drag->Track(at, /*ctrlHeld=*/false);
}

TRect TCustomToolWindow97::DragOutline() const
{
    return m_drag && !m_drag->Cancelled() ? m_drag->Outline() : TRect{};
}

TDock97* TCustomToolWindow97::DragTarget() const
{
    return m_drag && !m_drag->Cancelled() ? m_drag->Target() : nullptr;
}

void TCustomToolWindow97::finishDrag(TPoint screen)
{
    std::unique_ptr<ToolWindowDrag> drag = std::move(m_drag);
    drag->Track(screen, drag->CtrlHeld());
    if (drag->Cancelled() || !drag->Moved())
        return;
    TDock97* target = drag->Target();
    const TRect dropped = drag->Outline();
    drag.reset();
    if (!target) {
        // The outline already lies on the work area.
        m_floatingPosition = {dropped.left, dropped.top};
        m_floatingPositionSet = true;
        if (FloatingWindow())
            ResizeFloating();
        else
            changeDock(nullptr);
        return;
    }
    const bool horizontal = target->IsHorizontal();
    const TPoint origin = target->ClientToScreen({0, 0});
    const TRect border = target->BorderWidths();
    const int across = horizontal ? (dropped.top + dropped.bottom) / 2 - origin.y - border.top
                                  : (dropped.left + dropped.right) / 2 - origin.x - border.left;
    bool newRow = false;
    int row = target->RowAt(across, newRow);
    if (!newRow && m_fullSize) {
        // A full-size window dropped into a row another window holds gets a row after it.
        for (TCustomToolWindow97* other : target->DockedWindows())
            if (other != this && other->Visible() && other->m_dockRow == row) {
                ++row;
                newRow = true;
                break;
            }
    }
    target->BeginUpdate();
    ScopeExit arrange([dock = TComponentRef<TDock97>(target)] {
        if (dock)
            dock->EndUpdate();
    });
    if (newRow)
        target->InsertRow(row);
    m_dockRow = row;
    m_dockPos = horizontal ? dropped.left - origin.x - border.left : dropped.top - origin.y - border.top;
    if (DockedTo() != target)
        changeDock(target);
}

void TCustomToolWindow97::resizeTo(TPoint screen)
{
    TRect r = m_sizingStart;
    const int dx = screen.x - m_sizingFrom.x;
    const int dy = screen.y - m_sizingFrom.y;
    if (m_sizingEdges & edgeLeft)
        r.left += dx;
    if (m_sizingEdges & edgeRight)
        r.right += dx;
    if (m_sizingEdges & edgeTop)
        r.top += dy;
    if (m_sizingEdges & edgeBottom)
        r.bottom += dy;
    const TRect m = NonClientMargins();
    const TSize requested{r.width() - m.left - m.right, r.height() - m.top - m.bottom};
    const TSize client = ResizeFloatingClient(requested, (m_sizingEdges & (edgeLeft | edgeRight)) != 0);
    const int width = client.cx + m.left + m.right;
    const int height = client.cy + m.top + m.bottom;
    // The edges not dragged stay where they were.
    m_floatingPosition = {(m_sizingEdges & edgeLeft) ? m_sizingStart.right - width : m_sizingStart.left,
                          (m_sizingEdges & edgeTop) ? m_sizingStart.bottom - height : m_sizingStart.top};
    ResizeFloating();
}

// --- painting ---

void TCustomToolWindow97::Paint()
{
    TCanvas& canvas = *Canvas();
    if (const TDock97* dock = DockedTo())
        paintDocked(canvas, *dock);
    else
        paintFloating(canvas);
}

void TCustomToolWindow97::paintDocked(TCanvas& canvas, const TDock97& dock)
{
    TRect r{0, 0, Width(), Height()};
    canvas.Brush().SetColor(Color());
    canvas.Brush().SetStyle(bsSolid);
    canvas.FillRect(r);
    if (!dock.Background()->IsEmpty() && dock.BackgroundOnToolbars())
        const_cast<TDock97&>(dock).tileBackground(canvas, r, {Left(), Top()}, Color());
    TRect frame = r;
    Frame3D(canvas, frame, clBtnHighlight, clBtnShadow, 1);
    const TRect m = NonClientMargins();
    // The drag handle: two raised grip bars along it.
    if (dock.IsHorizontal() && m.left > dockedBorder) {
        for (int x : {3, 6}) {
            TRect grip{x, 2, x + 3, Height() - 2};
            Frame3D(canvas, grip, clBtnHighlight, clBtnShadow, 1);
        }
    } else if (!dock.IsHorizontal() && m.top > dockedBorder) {
        for (int y : {3, 6}) {
            TRect grip{2, y, Width() - 2, y + 3};
            Frame3D(canvas, grip, clBtnHighlight, clBtnShadow, 1);
        }
    }
}

void TCustomToolWindow97::paintFloating(TCanvas& canvas)
{
    // A raised frame and a small caption with the close button at its right end.
    TRect r{0, 0, Width(), Height()};
    canvas.Brush().SetColor(Color());
    canvas.Brush().SetStyle(bsSolid);
    canvas.FillRect(r);
    TRect frame = r;
    Frame3D(canvas, frame, clBtnFace, cl3DDkShadow, 1);
    Frame3D(canvas, frame, clBtnHighlight, clBtnShadow, 1);
    const TRect caption = CaptionRect();
    canvas.Brush().SetColor(m_applicationInactive ? clInactiveCaption : clActiveCaption);
    canvas.FillRect(caption);
    canvas.Font().CopyFrom(Font());
    canvas.Font().SetColor(m_applicationInactive ? clInactiveCaptionText : clCaptionText);
    canvas.Font().SetStyle(1u << fsBold);
    const TRect close = CloseButtonRect();
    TRect text{caption.left + 2, caption.top, close.isEmpty() ? caption.right : close.left - 1, caption.bottom};
    canvas.Brush().SetStyle(bsClear);
    DrawText(canvas, Caption(), text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    canvas.Brush().SetStyle(bsSolid);
    if (close.isEmpty())
        return;
    const bool pressed = m_closePressed && m_closeHot;
    canvas.Brush().SetColor(clBtnFace);
    canvas.FillRect(close);
    TRect edge = close;
    if (pressed) {
        Frame3D(canvas, edge, cl3DDkShadow, clBtnHighlight, 1);
        Frame3D(canvas, edge, clBtnShadow, clBtnFace, 1);
    } else {
        Frame3D(canvas, edge, clBtnHighlight, cl3DDkShadow, 1);
        Frame3D(canvas, edge, clBtnFace, clBtnShadow, 1);
    }
    // A small cross, two pixels thick.
    const int offset = pressed ? 1 : 0;
    const int left = close.left + 4 + offset;
    const int top = close.top + 4 + offset;
    const int size = close.width() - 9;
    canvas.Pen().SetColor(clBtnText);
    for (int thick = 0; thick < 2; ++thick) {
        canvas.MoveTo(left + thick, top);
        canvas.LineTo(left + thick + size, top + size);
        canvas.MoveTo(left + thick + size - 1, top);
        canvas.LineTo(left + thick - 1, top + size);
    }
}

const PropertyTable& TCustomToolWindow97::ClassProperties()
{
    using W = TCustomToolWindow97;
    static const PropertyTable table(&TCustomControl::ClassProperties(), {
        props::boolean<W>("ActivateParent", &W::ActivateParent, &W::SetActivateParent),
        props::string<W>("Caption", &W::Caption, &W::SetCaption),
        props::boolean<W>("CloseButton", &W::CloseButton, &W::SetCloseButton),
        props::component<W, TDock97>("DefaultDock", &W::DefaultDock, &W::SetDefaultDock),
        props::set<W, TDockableTo>("DockableTo", {"dpTop", "dpBottom", "dpLeft", "dpRight"}, &W::DockableTo,
                                   &W::SetDockableTo),
        props::component<W, TDock97>("DockedTo", &W::DockedTo, &W::SetDockedTo),
        props::integer<W, int>("DockPos", &W::DockPos, &W::SetDockPos),
        props::integer<W, int>("DockRow", &W::DockRow, &W::SetDockRow),
        props::boolean<W>("DragHandle", &W::DragHandle, &W::SetDragHandle),
        props::boolean<W>("FullSize", &W::FullSize, &W::SetFullSize),
        props::boolean<W>("HideWhenInactive", &W::HideWhenInactive, &W::SetHideWhenInactive),
        props::boolean<W>("Resizable", &W::Resizable, &W::SetResizable),
        props::event<W, TNotifyEvent>("OnClose", &W::OnClose),
        props::event<W, TNotifyEvent>("OnDockChanged", &W::OnDockChanged),
        props::event<W, TNotifyEvent>("OnDockChanging", &W::OnDockChanging),
        props::event<W, TNotifyEvent>("OnRecreated", &W::OnRecreated),
        props::event<W, TNotifyEvent>("OnRecreating", &W::OnRecreating),
        props::event<W, TNotifyEvent>("OnVisibleChanged", &W::OnVisibleChanged),
    });
    return table;
}

const PropertyTable* TCustomToolWindow97::Properties() const
{
    return &ClassProperties();
}

// --- TToolWindow97 ---

PICTAVO_DEFINE_CLASS(TToolWindow97, TCustomToolWindow97, nullptr, createComponentOf<TToolWindow97>)

TToolWindow97::TToolWindow97(TComponent* owner) : TCustomToolWindow97(owner)
{
    const TRect m = NonClientMargins();
    SetBounds(0, 0, m_keptClientWidth + m.left + m.right, m_keptClientHeight + m.top + m.bottom);
}

void TToolWindow97::SetKeptClientWidth(int width)
{
    SetClientSize(width, m_keptClientHeight);
}

void TToolWindow97::SetKeptClientHeight(int height)
{
    SetClientSize(m_keptClientWidth, height);
}

void TToolWindow97::SetClientSize(int width, int height)
{
    m_keptClientWidth = std::max(0, width);
    m_keptClientHeight = std::max(0, height);
    if ((Docked() || FloatingWindow()) && !IsLoading()) {
        RequestLayout();
        return;
    }
    const TRect m = NonClientMargins();
    SetBounds(Left(), Top(), m_keptClientWidth + m.left + m.right, m_keptClientHeight + m.top + m.bottom);
}

TSize TToolWindow97::DockedSize(bool horizontal)
{
    const TRect m = marginsFor(dockedLayout(horizontal));
    return {m_keptClientWidth + m.left + m.right, m_keptClientHeight + m.top + m.bottom};
}

TSize TToolWindow97::FloatingSize()
{
    const TRect m = marginsFor(BarLayout::Floating);
    return {m_keptClientWidth + m.left + m.right, m_keptClientHeight + m.top + m.bottom};
}

int TToolWindow97::BarSize(bool horizontal)
{
    return horizontal ? m_keptClientHeight : m_keptClientWidth;
}

TSize TToolWindow97::ResizeFloatingClient(TSize requested, bool)
{
    m_keptClientWidth = std::max(m_minClientWidth, requested.cx);
    m_keptClientHeight = std::max(m_minClientHeight, requested.cy);
    return {m_keptClientWidth, m_keptClientHeight};
}

const PropertyTable& TToolWindow97::ClassProperties()
{
    using W = TToolWindow97;
    static const PropertyTable table(&TCustomToolWindow97::ClassProperties(), {
        props::integer<W, int>("ClientHeight", &W::KeptClientHeight, &W::SetKeptClientHeight),
        props::integer<W, int>("ClientWidth", &W::KeptClientWidth, &W::SetKeptClientWidth),
        props::integer<W, int>("MinClientHeight", &W::MinClientHeight, &W::SetMinClientHeight),
        props::integer<W, int>("MinClientWidth", &W::MinClientWidth, &W::SetMinClientWidth),
    });
    return table;
}

const PropertyTable* TToolWindow97::Properties() const
{
    return &ClassProperties();
}
