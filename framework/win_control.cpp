// Windowed controls: children, alignment, tab order, focus and keyboard events.

#include "framework/control.h"

#include "framework/exceptions.h"
#include "framework/forms.h"
#include "framework/qt_bridge.h"
#include "framework/scope_exit.h"

#include <QWidget>

#include <algorithm>

using namespace framework_detail;

namespace {
constexpr auto cannotFocus = "Cannot focus a disabled or invisible window";

// Whether c1 goes before c2 among the controls of one alignment: top and left by their
// leading edge, bottom and right by their trailing edge (so the later of two equal ones goes
// nearer the edge).
bool insertBefore(const TControl* c1, const TControl* c2, TAlign align)
{
    switch (align) {
    case alTop: return c1->Top() < c2->Top();
    case alBottom: return c1->Top() + c1->Height() >= c2->Top() + c2->Height();
    case alLeft: return c1->Left() < c2->Left();
    case alRight: return c1->Left() + c1->Width() >= c2->Left() + c2->Width();
    default: return false;
    }
}
} // namespace

PICTAVO_DEFINE_CLASS(TWinControl, TControl, nullptr, nullptr)

TWinControl::TWinControl(TComponent* owner) : TWinControl(owner, DeferWidget{})
{
    auto* widget = new ControlWidget<QWidget>(this);
    widget->setAutoFillBackground(true);
    SetWidget(widget);
}

TWinControl::TWinControl(TComponent* owner, DeferWidget) : TControl(owner), m_brush(std::make_unique<TBrush>())
{
    m_brush->SetColor(Color());
}

TWinControl::~TWinControl()
{
    // Children live on until their owner frees them; their widgets leave this one first.
    for (TControl* child : m_controls) {
        child->m_parent = nullptr;
        if (QWidget* w = child->Widget()) {
            w->hide();
            w->setParent(nullptr);
        }
    }
    m_controls.clear();
    m_tabList.clear();
}

bool TWinControl::ContainsControl(const TControl* control) const
{
    for (const TControl* c = control; c; c = c->Parent())
        if (c == this)
            return true;
    return false;
}

QWidget* TWinControl::ClientWidget() const
{
    return Widget();
}

QWidget* TWinControl::Handle()
{
    HandleNeeded();
    return Widget();
}

void TWinControl::HandleNeeded()
{
    if (m_handleAllocated)
        return;
    // A child's window needs its parent's first; the parent then makes its children's.
    if (Parent() && !Parent()->m_handleAllocated) {
        Parent()->HandleNeeded();
        if (m_handleAllocated)
            return;
    }
    m_handleAllocated = true;
    CreateWnd();
    const std::vector<TControl*> children = m_controls;
    for (TControl* child : children)
        if (auto* win = dynamic_cast<TWinControl*>(child))
            win->HandleNeeded();
}

void TWinControl::CreateWnd() {}

void TWinControl::InsertControl(TControl* control)
{
    m_controls.push_back(control);
    control->m_parent = this;
    if (auto* win = dynamic_cast<TWinControl*>(control))
        m_tabList.push_back(win);
    if (QWidget* w = control->Widget())
        w->setParent(ClientWidget());
    control->UpdateWidgetGeometry();
    control->UpdateWidgetVisibility();
    control->ParentFontChanged();
    control->ParentColorChanged();
    control->ParentShowHintChanged();
    if (m_handleAllocated)
        if (auto* win = dynamic_cast<TWinControl*>(control))
            win->HandleNeeded();
    updateTabChain();
    ControlChanged(control);
}

void TWinControl::RemoveControl(TControl* control)
{
    auto it = std::find(m_controls.begin(), m_controls.end(), control);
    if (it == m_controls.end())
        return;
    m_controls.erase(it);
    m_tabList.erase(std::remove(m_tabList.begin(), m_tabList.end(), control), m_tabList.end());
    control->m_parent = nullptr;
    if (QWidget* w = control->Widget()) {
        w->hide();
        w->setParent(nullptr);
    }
    const TForm* form = GetParentForm(this);
    if (!(form && form->IsFormDestroying()) && control->Align() != alNone)
        Realign();
}

void TWinControl::ControlChanged(TControl* control)
{
    if (control->Align() != alNone)
        alignFrom(control);
}

// --- alignment ---

void TWinControl::Realign()
{
    alignFrom(nullptr);
}

void TWinControl::EnableAlign()
{
    if (m_alignDisabled > 0 && --m_alignDisabled == 0 && m_alignPending) {
        m_alignPending = false;
        Realign();
    }
}

void TWinControl::alignFrom(TControl* control)
{
    // Children's changes made by the arrangement itself do not start another one.
    if (IsLoading() || m_aligning)
        return;
    if (m_alignDisabled > 0) {
        m_alignPending = true;
        return;
    }
    m_aligning = true;
    ScopeExit done([&] { m_aligning = false; });
    // A container whose client area changed while arranging (scroll bars coming or going)
    // asks for another pass; a few are always enough.
    for (int pass = 0; pass < 4; ++pass) {
        m_alignAgain = false;
        TRect rect = ClientRect();
        AdjustClientRect(rect);
        AlignControls(control, rect);
        if (!m_alignAgain)
            break;
        control = nullptr;
    }
}

void TWinControl::RealignLater()
{
    if (m_aligning)
        m_alignAgain = true;
    else
        Realign();
}

void TWinControl::AdjustClientRect(TRect&) const {}

void TWinControl::AlignControls(TControl* control, TRect& rect)
{
    // Top, bottom, left and right controls take strips off the edges in that order; client
    // controls fill what is left. Within one alignment the controls go by position, the one
    // that asked for the arrangement counting as already placed first.
    std::vector<TControl*> list;
    for (TAlign align : {alTop, alBottom, alLeft, alRight, alClient}) {
        list.clear();
        if (control && control->Align() == align && control->Visible() && control->Parent() == this)
            list.push_back(control);
        for (TControl* c : m_controls) {
            if (c->Align() != align || !c->Visible() || c == control)
                continue;
            std::size_t j = 0;
            while (j < list.size() && !insertBefore(c, list[j], align))
                ++j;
            list.insert(list.begin() + std::ptrdiff_t(j), c);
        }
        for (TControl* c : list) {
            int width = rect.right - rect.left;
            if (width < 0 || align == alLeft || align == alRight)
                width = c->Width();
            int height = rect.bottom - rect.top;
            if (height < 0 || align == alTop || align == alBottom)
                height = c->Height();
            int left = rect.left;
            int top = rect.top;
            switch (align) {
            case alTop: rect.top += height; break;
            case alBottom:
                rect.bottom -= height;
                top = rect.bottom;
                break;
            case alLeft: rect.left += width; break;
            case alRight:
                rect.right -= width;
                left = rect.right;
                break;
            default: break;
            }
            c->SetBounds(left, top, width, height);
            // A control that kept another size (constraints) gives back or takes the difference.
            switch (align) {
            case alTop: rect.top -= height - c->Height(); break;
            case alBottom: rect.bottom += height - c->Height(); break;
            case alLeft: rect.left -= width - c->Width(); break;
            case alRight: rect.right += width - c->Width(); break;
            default: break;
            }
        }
    }
}

void TWinControl::SizeChanged()
{
    Realign();
    TControl::SizeChanged();
}

void TWinControl::Loaded()
{
    TControl::Loaded();
    // Tab orders read from a design apply once all siblings exist.
    std::stable_sort(m_tabList.begin(), m_tabList.end(), [](const TWinControl* a, const TWinControl* b) {
        const int ka = a->m_loadedTabOrder < 0 ? 0x7FFFFFFF : a->m_loadedTabOrder;
        const int kb = b->m_loadedTabOrder < 0 ? 0x7FFFFFFF : b->m_loadedTabOrder;
        return ka < kb;
    });
    for (TWinControl* w : m_tabList)
        w->m_loadedTabOrder = -1;
    updateTabChain();
    Realign();
}

// --- appearance ---

void TWinControl::FontChanged()
{
    TControl::FontChanged();
    for (TControl* child : m_controls)
        child->ParentFontChanged();
}

void TWinControl::ColorChanged()
{
    m_brush->SetColor(Color());
    TControl::ColorChanged();
    for (TControl* child : m_controls)
        child->ParentColorChanged();
}

void TWinControl::EnabledChanged()
{
    TControl::EnabledChanged();
}

void TWinControl::ShowHintChanged()
{
    TControl::ShowHintChanged();
    for (TControl* child : m_controls)
        child->ParentShowHintChanged();
}

void TWinControl::UpdateHints()
{
    applyHintToWidget();
    for (TControl* child : m_controls) {
        if (auto* win = dynamic_cast<TWinControl*>(child))
            win->UpdateHints();
        else
            child->applyHintToWidget();
    }
}

// --- tab order and focus ---

int TWinControl::TabOrder() const
{
    if (!Parent())
        return -1;
    const auto& list = Parent()->m_tabList;
    auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : int(it - list.begin());
}

void TWinControl::SetTabOrder(int order)
{
    if (IsLoading()) {
        m_loadedTabOrder = order;
        return;
    }
    if (!Parent())
        return;
    auto& list = Parent()->m_tabList;
    auto it = std::find(list.begin(), list.end(), this);
    if (it == list.end())
        return;
    list.erase(it);
    order = std::clamp(order, 0, int(list.size()));
    list.insert(list.begin() + order, this);
    Parent()->updateTabChain();
}

void TWinControl::updateTabChain()
{
    for (std::size_t i = 1; i < m_tabList.size(); ++i) {
        QWidget* first = m_tabList[i - 1]->Widget();
        QWidget* second = m_tabList[i]->Widget();
        if (first && second && first->window() == second->window() && first != second)
            QWidget::setTabOrder(first, second);
    }
}

void TWinControl::SetTabStop(bool stop)
{
    m_tabStop = stop;
    if (QWidget* w = Widget()) {
        if (!stop && !m_widgetTakesFocus && w->focusPolicy() != Qt::NoFocus)
            m_widgetTakesFocus = true;
        w->setFocusPolicy(stop ? Qt::StrongFocus : m_widgetTakesFocus ? Qt::ClickFocus : Qt::NoFocus);
    }
}

bool TWinControl::Focused() const
{
    return Widget() && Widget()->hasFocus();
}

bool TWinControl::CanFocus() const
{
    const TForm* form = GetParentForm(this);
    if (!form || !form->Visible() || !form->Enabled())
        return false;
    for (const TControl* c = this; c && c != form; c = c->Parent())
        if (!c->Visible() || !c->Enabled())
            return false;
    return true;
}

void TWinControl::SetFocus()
{
    if (!CanFocus())
        throw EInvalidOperation(cannotFocus);
    if (TForm* form = GetParentForm(this); form && form != this)
        form->FocusControl(this);
    else if (Widget())
        Widget()->setFocus(Qt::OtherFocusReason);
}

void TWinControl::KeyDown(unsigned short& key, TShiftState shift)
{
    if (OnKeyDown)
        OnKeyDown(this, key, shift);
}

void TWinControl::KeyPress(char& key)
{
    if (OnKeyPress)
        OnKeyPress(this, key);
}

void TWinControl::KeyUp(unsigned short& key, TShiftState shift)
{
    if (OnKeyUp)
        OnKeyUp(this, key, shift);
}

void TWinControl::DoEnter()
{
    if (TForm* form = GetParentForm(this); form && form != this)
        form->ActiveControlEntered(this);
    if (OnEnter)
        OnEnter(this);
}

void TWinControl::DoExit()
{
    if (OnExit)
        OnExit(this);
}

const PropertyTable* TWinControl::Properties() const
{
    return &ClassProperties();
}

const PropertyTable& TWinControl::ClassProperties()
{
    static const PropertyTable table(&TControl::ClassProperties(), {
        props::integer<TWinControl, int>("TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder),
        props::boolean<TWinControl>("TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop),
        props::event<TWinControl, TNotifyEvent>("OnEnter", &TWinControl::OnEnter),
        props::event<TWinControl, TNotifyEvent>("OnExit", &TWinControl::OnExit),
        props::event<TWinControl, TKeyEvent>("OnKeyDown", &TWinControl::OnKeyDown),
        props::event<TWinControl, TKeyPressEvent>("OnKeyPress", &TWinControl::OnKeyPress),
        props::event<TWinControl, TKeyEvent>("OnKeyUp", &TWinControl::OnKeyUp),
    });
    return table;
}
