#include "framework/control.h"

#include "framework/application.h"
#include "framework/exceptions.h"
#include "framework/forms.h"
#include "framework/menus.h"
#include "framework/qt_bridge.h"

#include <QWidget>

#include <algorithm>

using namespace framework_detail;

namespace {
constexpr auto parentIsSelf = "A control cannot have itself as its parent";
} // namespace

TForm* GetParentForm(const TControl* control)
{
    const TControl* top = control;
    while (top && top->Parent())
        top = top->Parent();
    return dynamic_cast<TForm*>(const_cast<TControl*>(top));
}

// --- TSizeConstraints ---

PICTAVO_DEFINE_CLASS(TSizeConstraints, TPersistent, createObjectOf<TSizeConstraints>, nullptr)

void TSizeConstraints::changed()
{
    if (OnChange)
        OnChange(this);
}

void TSizeConstraints::SetMinWidth(int value)
{
    if (value == m_minWidth)
        return;
    m_minWidth = std::max(0, value);
    changed();
}

void TSizeConstraints::SetMinHeight(int value)
{
    if (value == m_minHeight)
        return;
    m_minHeight = std::max(0, value);
    changed();
}

void TSizeConstraints::SetMaxWidth(int value)
{
    if (value == m_maxWidth)
        return;
    m_maxWidth = std::max(0, value);
    changed();
}

void TSizeConstraints::SetMaxHeight(int value)
{
    if (value == m_maxHeight)
        return;
    m_maxHeight = std::max(0, value);
    changed();
}

void TSizeConstraints::Apply(int& width, int& height) const
{
    if (m_maxWidth > 0 && width > m_maxWidth)
        width = m_maxWidth;
    if (m_maxHeight > 0 && height > m_maxHeight)
        height = m_maxHeight;
    if (m_minWidth > 0 && width < m_minWidth)
        width = m_minWidth;
    if (m_minHeight > 0 && height < m_minHeight)
        height = m_minHeight;
}

const PropertyTable* TSizeConstraints::Properties() const
{
    static const PropertyTable table(nullptr, {
        props::integer<TSizeConstraints, int>("MaxHeight", &TSizeConstraints::MaxHeight, &TSizeConstraints::SetMaxHeight),
        props::integer<TSizeConstraints, int>("MaxWidth", &TSizeConstraints::MaxWidth, &TSizeConstraints::SetMaxWidth),
        props::integer<TSizeConstraints, int>("MinHeight", &TSizeConstraints::MinHeight, &TSizeConstraints::SetMinHeight),
        props::integer<TSizeConstraints, int>("MinWidth", &TSizeConstraints::MinWidth, &TSizeConstraints::SetMinWidth),
    });
    return &table;
}

// --- TControl ---

PICTAVO_DEFINE_CLASS(TControl, TComponent, nullptr, nullptr)

TControl::TControl(TComponent* owner)
    : TComponent(owner), m_font(std::make_unique<TFont>()), m_constraints(std::make_unique<TSizeConstraints>())
{
    m_font->OnChange = [this](TObject*) { FontChanged(); };
    m_constraints->OnChange = [this](TObject*) { SetBounds(m_left, m_top, m_width, m_height); };
}

TControl::~TControl()
{
    if (m_parent)
        m_parent->RemoveControl(this);
    if (m_widget) {
        disposeWidget(m_widget);
        m_widget = nullptr;
    }
}

void TControl::SetWidget(QWidget* widget)
{
    if (m_widget)
        disposeWidget(m_widget);
    m_widget = widget;
    if (!widget)
        return;
    if (m_parent)
        widget->setParent(m_parent->ClientWidget());
    UpdateWidgetGeometry();
    applyFontToWidget();
    applyColorToWidget();
    applyHintToWidget();
    applyCursorToWidget();
    widget->setEnabled(m_enabled);
    UpdateWidgetVisibility();
}

bool TControl::AcceptsEvents() const
{
    if (!m_widget || IsLoading())
        return false;
    const TForm* form = GetParentForm(this);
    return !(form && form->IsFormDestroying());
}

void TControl::SetBounds(int left, int top, int width, int height)
{
    m_constraints->Apply(width, height);
    if (width < 0)
        width = 0;
    if (height < 0)
        height = 0;
    if (left == m_left && top == m_top && width == m_width && height == m_height)
        return;
    const bool sizeChanged = width != m_width || height != m_height;
    m_left = left;
    m_top = top;
    m_width = width;
    m_height = height;
    UpdateWidgetGeometry();
    if (m_parent)
        m_parent->ControlChanged(this);
    if (sizeChanged)
        SizeChanged();
}

void TControl::SetClientSize(int width, int height)
{
    SetBounds(m_left, m_top, m_width + width - ClientWidth(), m_height + height - ClientHeight());
}

void TControl::UpdateWidgetGeometry()
{
    if (m_widget)
        m_widget->setGeometry(m_left, m_top, m_width, m_height);
}

void TControl::SizeChanged()
{
    if (!IsLoading())
        Resize();
}

void TControl::Resize()
{
    if (OnResize)
        OnResize(this);
}

TPoint TControl::ClientOrigin() const
{
    if (!m_widget)
        return {m_left, m_top};
    const QPoint origin = m_widget->mapToGlobal(QPoint(0, 0));
    return {origin.x(), origin.y()};
}

TPoint TControl::ClientToScreen(TPoint point) const
{
    const TPoint origin = ClientOrigin();
    return {point.x + origin.x, point.y + origin.y};
}

TPoint TControl::ScreenToClient(TPoint point) const
{
    const TPoint origin = ClientOrigin();
    return {point.x - origin.x, point.y - origin.y};
}

void TControl::SetAlign(TAlign align)
{
    if (align == m_align)
        return;
    m_align = align;
    if (m_parent)
        m_parent->alignFrom(this);
}

void TControl::RequestAlign()
{
    if (m_parent)
        m_parent->alignFrom(this);
}

void TControl::SetVisible(bool visible)
{
    if (visible == m_visible)
        return;
    m_visible = visible;
    UpdateWidgetVisibility();
    VisibleChanged();
    if (m_parent)
        m_parent->ControlChanged(this);
}

void TControl::UpdateWidgetVisibility()
{
    // A widget without a parent would be a window of its own: it shows only on a parent.
    if (m_widget)
        m_widget->setVisible(m_visible && m_parent != nullptr);
}

void TControl::VisibleChanged() {}

bool TControl::Showing() const
{
    for (const TControl* c = this; c; c = c->m_parent) {
        if (!c->m_visible)
            return false;
        if (!c->m_parent)
            return dynamic_cast<const TForm*>(c) != nullptr;
    }
    return false;
}

void TControl::SetEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    if (m_widget)
        m_widget->setEnabled(enabled);
    EnabledChanged();
}

void TControl::EnabledChanged()
{
    Invalidate();
}


void TControl::SetParent(TWinControl* parent)
{
    if (parent == m_parent)
        return;
    if (parent == this)
        throw EInvalidOperation(parentIsSelf);
    if (m_parent)
        m_parent->RemoveControl(this);
    if (parent)
        parent->InsertControl(this);
}

void TControl::SetParentComponent(TComponent* parent)
{
    auto* win = dynamic_cast<TWinControl*>(parent);
    if (!win)
        TComponent::SetParentComponent(parent);
    SetParent(win);
}

void TControl::Loaded()
{
    TComponent::Loaded();
    ParentFontChanged();
    ParentColorChanged();
    ParentShowHintChanged();
    UpdateWidgetGeometry();
}

void TControl::Invalidate()
{
    if (m_widget)
        m_widget->update();
}

void TControl::Update()
{
    if (m_widget && m_widget->isVisible())
        m_widget->repaint();
}

void TControl::Repaint()
{
    Invalidate();
    Update();
}

void TControl::BringToFront()
{
    if (m_widget)
        m_widget->raise();
    if (m_parent) {
        auto& list = m_parent->m_controls;
        list.erase(std::find(list.begin(), list.end(), this));
        list.push_back(this);
        m_parent->ControlChanged(this);
    }
}

void TControl::SendToBack()
{
    if (m_widget)
        m_widget->lower();
    if (m_parent) {
        auto& list = m_parent->m_controls;
        list.erase(std::find(list.begin(), list.end(), this));
        list.insert(list.begin(), this);
        m_parent->ControlChanged(this);
    }
}

void TControl::SetMouseCapture(bool capture)
{
    if (!m_widget)
        return;
    if (capture)
        m_widget->grabMouse();
    else
        m_widget->releaseMouse();
}

void TControl::Click()
{
    if (OnClick)
        OnClick(this);
}

void TControl::DblClick()
{
    if (OnDblClick)
        OnDblClick(this);
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    if (OnMouseDown)
        OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, int x, int y)
{
    if (OnMouseMove)
        OnMouseMove(this, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    if (OnMouseUp)
        OnMouseUp(this, button, shift, x, y);
}

void TControl::MouseEnter() {}

void TControl::MouseLeave() {}

void TControl::PaintWidget(QPainter&) {}

void TControl::ContextPopup(int x, int y)
{
    // The nearest pop-up menu up the parent chain answers.
    for (TControl* c = this; c; c = c->m_parent)
        if (TPopupMenu* menu = c->m_popupMenu) {
            const TPoint at = ClientToScreen({x, y});
            menu->SetPopupComponent(this);
            menu->Popup(at.x, at.y);
            return;
        }
}

const PropertyTable* TControl::Properties() const
{
    return &ClassProperties();
}

const PropertyTable& TControl::ClassProperties()
{
    static const PropertyTable table(&TComponent::ClassProperties(), {
        props::enumeration<TControl, TAlign>("Align", {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient"},
                                             &TControl::Align, &TControl::SetAlign),
        props::integer<TControl, TColor>("Color", &TControl::Color, &TControl::SetColor),
        props::object<TControl, TSizeConstraints>("Constraints", &TControl::Constraints),
        props::integer<TControl, TCursor>("Cursor", &TControl::Cursor, &TControl::SetCursor),
        props::boolean<TControl>("Enabled", &TControl::Enabled, &TControl::SetEnabled),
        props::object<TControl, TFont>("Font", &TControl::Font),
        props::integer<TControl, int>("Height", &TControl::Height, &TControl::SetHeight),
        props::string<TControl>("Hint", &TControl::Hint, &TControl::SetHint),
        props::integer<TControl, int>("Left", &TControl::Left, &TControl::SetLeft),
        props::boolean<TControl>("ParentColor", &TControl::ParentColor, &TControl::SetParentColor),
        props::boolean<TControl>("ParentFont", &TControl::ParentFont, &TControl::SetParentFont),
        props::boolean<TControl>("ParentShowHint", &TControl::ParentShowHint, &TControl::SetParentShowHint),
        props::component<TControl, TPopupMenu>("PopupMenu", &TControl::PopupMenu, &TControl::SetPopupMenu),
        props::boolean<TControl>("ShowHint", &TControl::ShowHint, &TControl::SetShowHint),
        props::integer<TControl, int>("Top", &TControl::Top, &TControl::SetTop),
        props::boolean<TControl>("Visible", &TControl::Visible, &TControl::SetVisible),
        props::integer<TControl, int>("Width", &TControl::Width, &TControl::SetWidth),
        props::event<TControl, TNotifyEvent>("OnClick", &TControl::OnClick),
        props::event<TControl, TNotifyEvent>("OnDblClick", &TControl::OnDblClick),
        props::event<TControl, TMouseEvent>("OnMouseDown", &TControl::OnMouseDown),
        props::event<TControl, TMouseMoveEvent>("OnMouseMove", &TControl::OnMouseMove),
        props::event<TControl, TMouseEvent>("OnMouseUp", &TControl::OnMouseUp),
        props::event<TControl, TNotifyEvent>("OnResize", &TControl::OnResize),
    });
    return table;
}
