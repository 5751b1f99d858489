// Dockable windows: their docking state, non-client frame, close button, and the two kinds:
// tool windows with a client area of their own and toolbars that lay out buttons.

#include "docking/docking.h"

#include "framework/drawing.h"
#include "framework/exceptions.h"
#include "framework/forms.h"
#include "framework/scope_exit.h"

#include <QWidget>

#include <algorithm>

namespace {
constexpr auto mustBeOnDockOrForm = "A tool window can only be placed on a TDock97 or directly on the form";
constexpr auto separatorOnlyOnToolbar = "TToolbarSep97 can only be placed on a TToolbar97";

// A docked window's border on every side, and its drag handle at the start of the dock's
// direction.
constexpr int dockedBorder = 2;
constexpr int dragHandleSize = 9;
// A floating window: small caption and frame.
constexpr int floatingCaption = 15;
constexpr int sizingFrame = 4;
constexpr int dialogFrame = 3;
// A toolbar's bar is never thinner than this.
constexpr int minimumBarSize = 8;

TForm* formOf(const TComponent* component)
{
    for (const TComponent* c = component; c; c = c->Owner())
        if (auto* form = dynamic_cast<TForm*>(const_cast<TComponent*>(c)))
            return form;
    return nullptr;
}

bool isSeparator(const TControl* control)
{
    return dynamic_cast<const TToolbarSep97*>(control) != nullptr;
}
} // namespace

// --- TCustomToolWindow97 ---

PICTAVO_DEFINE_CLASS(TCustomToolWindow97, TCustomControl, nullptr, nullptr)

TCustomToolWindow97::TCustomToolWindow97(TComponent* owner) : TCustomControl(owner)
{
    SetColor(clBtnFace);
    // The client area is a widget of its own inside the frame: children sit in client
    // coordinates, and mouse presses it does not use go on to the frame.
    m_clientArea = new QWidget(Widget());
    m_clientArea->setAutoFillBackground(true);
    m_clientArea->show();
    UpdateWidgetGeometry();
}

TCustomToolWindow97::~TCustomToolWindow97() = default;

TDock97* TCustomToolWindow97::DockedTo() const
{
    return dynamic_cast<TDock97*>(Parent());
}

void TCustomToolWindow97::SetDockedTo(TDock97* dock)
{
    if (dock == DockedTo())
        return;
    if (dock) {
        SetParent(dock);
    } else {
        TForm* form = formOf(this);
        SetParent(form);
        ResizeFloating();
        BringToFront();
    }
    UpdateWidgetGeometry();
    Invalidate();
    if (!IsLoading() && OnDockChanged)
        OnDockChanged(this);
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

void TCustomToolWindow97::SetFloatingPosition(TPoint position)
{
    m_floatingPosition = position;
    if (IsFloating() && Parent())
        ResizeFloating();
}

void TCustomToolWindow97::SetParentComponent(TComponent* parent)
{
    if (!dynamic_cast<TDock97*>(parent) && !dynamic_cast<TForm*>(parent))
        throw EInvalidOperation(mustBeOnDockOrForm);
    TCustomControl::SetParentComponent(parent);
}

TRect TCustomToolWindow97::marginsFor(bool docked, bool horizontal) const
{
    if (!docked) {
        const int frame = m_resizable ? sizingFrame : dialogFrame;
        return TRect{frame, frame + floatingCaption, frame, frame};
    }
    const TDock97* dock = DockedTo();
    const int handle = m_dragHandle && (!dock || dock->AllowDrag()) ? dragHandleSize : 0;
    TRect margins{dockedBorder, dockedBorder, dockedBorder, dockedBorder};
    if (horizontal)
        margins.left += handle;
    else
        margins.top += handle;
    return margins;
}

TRect TCustomToolWindow97::NonClientMargins() const
{
    const TDock97* dock = DockedTo();
    return marginsFor(dock != nullptr, dock ? dock->IsHorizontal() : true);
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

TRect TCustomToolWindow97::CloseButtonRect() const
{
    if (!IsFloating() || !m_closeButton)
        return {};
    const TRect m = NonClientMargins();
    const int side = floatingCaption - 1;
    const int right = Width() - m.right;
    const int top = m.top - floatingCaption;
    return TRect{right - side, top, right, top + side};
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
    SetBounds(left, top, width, height);
    // The orientation may have changed without a change of size.
    UpdateWidgetGeometry();
}

void TCustomToolWindow97::RequestLayout()
{
    if (IsLoading())
        return;
    if (TDock97* dock = DockedTo())
        dock->ArrangeToolbars();
    else if (Parent())
        ResizeFloating();
}

void TCustomToolWindow97::ResizeFloating()
{
    const TSize size = FloatingSize();
    SetBounds(m_floatingPosition.x, m_floatingPosition.y, size.cx, size.cy);
    UpdateWidgetGeometry();
}

void TCustomToolWindow97::Loaded()
{
    TCustomControl::Loaded();
    UpdateWidgetGeometry();
    RequestLayout();
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
    Invalidate();
}

void TCustomToolWindow97::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    TCustomControl::MouseDown(button, shift, x, y);
    if (button == mbLeft && CloseButtonRect().contains({x, y})) {
        m_closePressed = true;
        Invalidate();
    }
}

void TCustomToolWindow97::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    TCustomControl::MouseUp(button, shift, x, y);
    if (button != mbLeft || !m_closePressed)
        return;
    m_closePressed = false;
    Invalidate();
    // Released over the button: the window hides first, then tells its owner.
    if (CloseButtonRect().contains({x, y})) {
        Hide();
        if (OnClose)
            OnClose(this);
    }
}

void TCustomToolWindow97::Paint()
{
    TCanvas& canvas = *Canvas();
    canvas.Brush().SetColor(Color());
    canvas.Brush().SetStyle(bsSolid);
    TRect r{0, 0, Width(), Height()};
    canvas.FillRect(r);
    if (const TDock97* dock = DockedTo()) {
        TRect frame = r;
        Frame3D(canvas, frame, clBtnHighlight, clBtnShadow, 1);
        const TRect m = NonClientMargins();
        // The drag handle: two raised grip bars along it.
        if (dock->IsHorizontal() && m.left > dockedBorder) {
            for (int x : {3, 6}) {
                TRect grip{x, 2, x + 3, Height() - 2};
                Frame3D(canvas, grip, clBtnHighlight, clBtnShadow, 1);
            }
        } else if (!dock->IsHorizontal() && m.top > dockedBorder) {
            for (int y : {3, 6}) {
                TRect grip{2, y, Width() - 2, y + 3};
                Frame3D(canvas, grip, clBtnHighlight, clBtnShadow, 1);
            }
        }
        return;
    }
    // Floating: a raised frame and a small caption with the close button at its right end.
    TRect frame = r;
    Frame3D(canvas, frame, clBtnFace, cl3DDkShadow, 1);
    Frame3D(canvas, frame, clBtnHighlight, clBtnShadow, 1);
    const TRect m = NonClientMargins();
    TRect caption{m.left, m.top - floatingCaption, Width() - m.right, m.top - 1};
    canvas.Brush().SetColor(clActiveCaption);
    canvas.FillRect(caption);
    canvas.Font().CopyFrom(Font());
    canvas.Font().SetColor(clCaptionText);
    canvas.Font().SetStyle(1u << fsBold);
    TRect text{caption.left + 2, caption.top, caption.right - floatingCaption, caption.bottom};
    canvas.Brush().SetStyle(bsClear);
    DrawText(canvas, Caption(), text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    canvas.Brush().SetStyle(bsSolid);
    const TRect close = CloseButtonRect();
    if (!close.isEmpty()) {
        canvas.Brush().SetColor(clBtnFace);
        canvas.FillRect(close);
        TRect edge = close;
        if (m_closePressed)
            Frame3D(canvas, edge, clBtnShadow, clBtnHighlight, 1);
        else
            Frame3D(canvas, edge, clBtnHighlight, clBtnShadow, 1);
        // A small cross.
        const int offset = m_closePressed ? 1 : 0;
        const int left = close.left + 4 + offset;
        const int top = close.top + 4 + offset;
        const int size = close.width() - 8;
        canvas.Pen().SetColor(clBtnText);
        canvas.MoveTo(left, top);
        canvas.LineTo(left + size, top + size);
        canvas.MoveTo(left + size - 1, top);
        canvas.LineTo(left - 1, top + size);
    }
}

const PropertyTable& TCustomToolWindow97::ClassProperties()
{
    static const PropertyTable table(&TCustomControl::ClassProperties(), {
        props::boolean<TCustomToolWindow97>("ActivateParent", &TCustomToolWindow97::ActivateParent,
                                            &TCustomToolWindow97::SetActivateParent),
        props::string<TCustomToolWindow97>("Caption", &TCustomToolWindow97::Caption,
                                           &TCustomToolWindow97::SetCaption),
        props::boolean<TCustomToolWindow97>("CloseButton", &TCustomToolWindow97::CloseButton,
                                            &TCustomToolWindow97::SetCloseButton),
        props::component<TCustomToolWindow97, TDock97>("DefaultDock", &TCustomToolWindow97::DefaultDock,
                                                       &TCustomToolWindow97::SetDefaultDock),
        props::set<TCustomToolWindow97, TDockableTo>("DockableTo", {"dpTop", "dpBottom", "dpLeft", "dpRight"},
                                                     &TCustomToolWindow97::DockableTo,
                                                     &TCustomToolWindow97::SetDockableTo),
        props::component<TCustomToolWindow97, TDock97>("DockedTo", &TCustomToolWindow97::DockedTo,
                                                       &TCustomToolWindow97::SetDockedTo),
        props::integer<TCustomToolWindow97, int>("DockPos", &TCustomToolWindow97::DockPos,
                                                 &TCustomToolWindow97::SetDockPos),
        props::integer<TCustomToolWindow97, int>("DockRow", &TCustomToolWindow97::DockRow,
                                                 &TCustomToolWindow97::SetDockRow),
        props::boolean<TCustomToolWindow97>("DragHandle", &TCustomToolWindow97::DragHandle,
                                            &TCustomToolWindow97::SetDragHandle),
        props::boolean<TCustomToolWindow97>("FullSize", &TCustomToolWindow97::FullSize,
                                            &TCustomToolWindow97::SetFullSize),
        props::boolean<TCustomToolWindow97>("HideWhenInactive", &TCustomToolWindow97::HideWhenInactive,
                                            &TCustomToolWindow97::SetHideWhenInactive),
        props::boolean<TCustomToolWindow97>("Resizable", &TCustomToolWindow97::Resizable,
                                            &TCustomToolWindow97::SetResizable),
        props::event<TCustomToolWindow97, TNotifyEvent>("OnClose", &TCustomToolWindow97::OnClose),
        props::event<TCustomToolWindow97, TNotifyEvent>("OnDockChanged", &TCustomToolWindow97::OnDockChanged),
        props::event<TCustomToolWindow97, TNotifyEvent>("OnVisibleChanged",
                                                        &TCustomToolWindow97::OnVisibleChanged),
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
    if (DockedTo() && !IsLoading()) {
        RequestLayout();
        return;
    }
    const TRect m = NonClientMargins();
    SetBounds(Left(), Top(), m_keptClientWidth + m.left + m.right, m_keptClientHeight + m.top + m.bottom);
}

TSize TToolWindow97::DockedSize(bool horizontal)
{
    const TRect m = marginsFor(true, horizontal);
    return {m_keptClientWidth + m.left + m.right, m_keptClientHeight + m.top + m.bottom};
}

TSize TToolWindow97::FloatingSize()
{
    const TRect m = marginsFor(false, true);
    return {m_keptClientWidth + m.left + m.right, m_keptClientHeight + m.top + m.bottom};
}

int TToolWindow97::BarSize(bool horizontal)
{
    return horizontal ? m_keptClientHeight : m_keptClientWidth;
}

const PropertyTable& TToolWindow97::ClassProperties()
{
    static const PropertyTable table(&TCustomToolWindow97::ClassProperties(), {
        props::integer<TToolWindow97, int>("ClientHeight", &TToolWindow97::KeptClientHeight,
                                           &TToolWindow97::SetKeptClientHeight),
        props::integer<TToolWindow97, int>("ClientWidth", &TToolWindow97::KeptClientWidth,
                                           &TToolWindow97::SetKeptClientWidth),
        props::integer<TToolWindow97, int>("MinClientHeight", &TToolWindow97::MinClientHeight,
                                           &TToolWindow97::SetMinClientHeight),
        props::integer<TToolWindow97, int>("MinClientWidth", &TToolWindow97::MinClientWidth,
                                           &TToolWindow97::SetMinClientWidth),
    });
    return table;
}

const PropertyTable* TToolWindow97::Properties() const
{
    return &ClassProperties();
}

// --- TToolbar97 ---

PICTAVO_DEFINE_CLASS(TToolbar97, TCustomToolWindow97, nullptr, createComponentOf<TToolbar97>)

TToolbar97::TToolbar97(TComponent* owner) : TCustomToolWindow97(owner)
{
    SetBounds(0, 0, 32, 32);
}

int TToolbar97::BarSize(bool horizontal)
{
    int size = minimumBarSize;
    for (int i = 0; i < ControlCount(); ++i) {
        const TControl* c = Controls(i);
        if (c->Visible() && !isSeparator(c))
            size = std::max(size, horizontal ? c->Height() : c->Width());
    }
    return size;
}

TSize TToolbar97::Layout(bool horizontal, bool floating, bool place)
{
    // Floating toolbars keep a small margin inside their frame; docked ones none.
    const TRect margins = floating ? TRect{4, 2, 4, 1} : TRect{};
    const int bar = BarSize(horizontal);
    int position = horizontal ? margins.left : margins.top;
    m_layingOut = true;
    {
        ScopeExit done([&] { m_layingOut = false; });
        for (int i = 0; i < ControlCount(); ++i) {
            TControl* c = Controls(i);
            if (!c->Visible())
                continue;
            if (auto* separator = dynamic_cast<TToolbarSep97*>(c)) {
                const int length = horizontal ? separator->SizeHorz() : separator->SizeVert();
                if (place) {
                    if (horizontal)
                        c->SetBounds(position, margins.top, length, bar);
                    else
                        c->SetBounds(margins.left, position, bar, length);
                }
                position += length;
                continue;
            }
            const int length = horizontal ? c->Width() : c->Height();
            const int across = horizontal ? c->Height() : c->Width();
            const int offset = (bar - across) / 2;
            if (place) {
                if (horizontal)
                    c->SetBounds(position, margins.top + offset, c->Width(), c->Height());
                else
                    c->SetBounds(margins.left + offset, position, c->Width(), c->Height());
            }
            position += length;
        }
    }
    if (horizontal)
        return {position + margins.right, bar + margins.top + margins.bottom};
    return {bar + margins.left + margins.right, position + margins.bottom};
}

TSize TToolbar97::DockedSize(bool horizontal)
{
    const TSize client = Layout(horizontal, false, false);
    const TRect m = marginsFor(true, horizontal);
    return {client.cx + m.left + m.right, client.cy + m.top + m.bottom};
}

TSize TToolbar97::FloatingSize()
{
    const TSize client = Layout(true, true, false);
    const TRect m = marginsFor(false, true);
    return {client.cx + m.left + m.right, client.cy + m.top + m.bottom};
}

void TToolbar97::LayoutControls()
{
    if (m_layingOut || IsLoading())
        return;
    const TDock97* dock = DockedTo();
    Layout(dock ? dock->IsHorizontal() : true, dock == nullptr, true);
}

void TToolbar97::ControlChanged(TControl* control)
{
    TCustomToolWindow97::ControlChanged(control);
    if (m_layingOut || IsLoading())
        return;
    // A button that came, went or changed size changes the toolbar's own size.
    RequestLayout();
    LayoutControls();
}

void TToolbar97::SizeChanged()
{
    TCustomToolWindow97::SizeChanged();
    LayoutControls();
}

void TToolbar97::Loaded()
{
    TCustomToolWindow97::Loaded();
    LayoutControls();
}

const PropertyTable& TToolbar97::ClassProperties()
{
    return TCustomToolWindow97::ClassProperties();
}

const PropertyTable* TToolbar97::Properties() const
{
    return &ClassProperties();
}

// --- TToolbarSep97 ---

PICTAVO_DEFINE_CLASS(TToolbarSep97, TGraphicControl, nullptr, createComponentOf<TToolbarSep97>)

TToolbarSep97::TToolbarSep97(TComponent* owner) : TGraphicControl(owner)
{
    SetBounds(0, 0, m_sizeHorz, 22);
}

void TToolbarSep97::SetParentComponent(TComponent* parent)
{
    if (!dynamic_cast<TToolbar97*>(parent))
        throw EInvalidOperation(separatorOnlyOnToolbar);
    TGraphicControl::SetParentComponent(parent);
}

void TToolbarSep97::SetSizeHorz(int size)
{
    if (size == m_sizeHorz)
        return;
    m_sizeHorz = size;
    if (auto* toolbar = dynamic_cast<TToolbar97*>(Parent()))
        toolbar->LayoutControls();
}

void TToolbarSep97::SetSizeVert(int size)
{
    if (size == m_sizeVert)
        return;
    m_sizeVert = size;
    if (auto* toolbar = dynamic_cast<TToolbar97*>(Parent()))
        toolbar->LayoutControls();
}

void TToolbarSep97::SetBlank(bool blank)
{
    m_blank = blank;
    Invalidate();
}

void TToolbarSep97::Paint()
{
    if (m_blank)
        return;
    TCanvas& canvas = *Canvas();
    const auto* toolbar = dynamic_cast<const TToolbar97*>(Parent());
    const TDock97* dock = toolbar ? toolbar->DockedTo() : nullptr;
    const bool horizontal = !dock || dock->IsHorizontal();
    // A groove across the middle: shadow, then highlight beside it.
    if (horizontal) {
        const int x = Width() / 2 - 1;
        canvas.Pen().SetColor(clBtnShadow);
        canvas.MoveTo(x, 0);
        canvas.LineTo(x, Height());
        canvas.Pen().SetColor(clBtnHighlight);
        canvas.MoveTo(x + 1, 0);
        canvas.LineTo(x + 1, Height());
    } else {
        const int y = Height() / 2 - 1;
        canvas.Pen().SetColor(clBtnShadow);
        canvas.MoveTo(0, y);
        canvas.LineTo(Width(), y);
        canvas.Pen().SetColor(clBtnHighlight);
        canvas.MoveTo(0, y + 1);
        canvas.LineTo(Width(), y + 1);
    }
}

const PropertyTable& TToolbarSep97::ClassProperties()
{
    static const PropertyTable table(&TGraphicControl::ClassProperties(), {
        props::boolean<TToolbarSep97>("Blank", &TToolbarSep97::Blank, &TToolbarSep97::SetBlank),
        props::integer<TToolbarSep97, int>("SizeHorz", &TToolbarSep97::SizeHorz, &TToolbarSep97::SetSizeHorz),
        props::integer<TToolbarSep97, int>("SizeVert", &TToolbarSep97::SizeVert, &TToolbarSep97::SetSizeVert),
    });
    return table;
}

const PropertyTable* TToolbarSep97::Properties() const
{
    return &ClassProperties();
}
