// Toolbars: buttons and separators laid out in a row, a column, or (floating) in wrapped lines;
// and the separators themselves.

#include "docking/docking.h"
#include "docking/floating_frame.h"

#include "framework/application.h"
#include "framework/exceptions.h"
#include "framework/scope_exit.h"

#include <algorithm>
#include <climits>

namespace {
constexpr auto separatorOnlyOnToolbar = "TToolbarSep97 can only be placed on a TToolbar97";

// A toolbar's bar is never thinner than this.
constexpr int minimumBarSize = 8;
// Inside a floating toolbar's frame: left, top, right, bottom.
constexpr TRect floatingMargins{4, 2, 4, 1};
// A separator that breaks a floating toolbar's lines is this high.
constexpr int lineBreakHeight = 6;

bool isSeparator(const TControl* control)
{
    return dynamic_cast<const TToolbarSep97*>(control) != nullptr;
}
} // namespace

PICTAVO_DEFINE_CLASS(TToolbar97, TCustomToolWindow97, nullptr, createComponentOf<TToolbar97>)

TToolbar97::TToolbar97(TComponent* owner) : TCustomToolWindow97(owner)
{
    SetBounds(0, 0, 32, 32);
    if (Application)
        m_accelerators = Application->MessageHooks.Add([this](TMessage& message) { accelerator(message); });
}

void TToolbar97::accelerator(TMessage& message)
{
    const TShiftState altOnly = 1u << ssAlt;
    if (message.handled || message.kind != TMessageKind::KeyDown || (message.shift & ~(1u << ssShift)) != altOnly)
        return;
    // Typed on the toolbar's own form (or one of its floating windows), and the toolbar is
    // where the user can see it.
    TForm* form = OwningForm(this);
    if (!form || !message.control || OwningForm(message.control) != form || !form->Enabled() || !Showing())
        return;
    std::string typed;
    if ((message.key >= 'A' && message.key <= 'Z') || (message.key >= '0' && message.key <= '9'))
        typed = std::string(1, char(message.key));
    else
        typed = AcceleratorOf("&" + message.text);
    if (typed.empty())
        return;
    for (int i = 0; i < ControlCount(); ++i) {
        auto* button = dynamic_cast<TToolbarButton97*>(Controls(i));
        if (button && button->Visible() && button->Enabled() && AcceleratorOf(button->Caption()) == typed) {
            message.handled = true;
            button->AcceleratorClick();
            return;
        }
    }
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

TSize TToolbar97::Layout(BarLayout layout, int wrapWidth, LayoutPass pass)
{
    // A floating toolbar lays its controls out in lines.
    const bool floating = layout == BarLayout::Floating;
    const bool horizontal = layout != BarLayout::Vertical;
    const bool place = pass == LayoutPass::Place;
    const TRect margins = floating ? floatingMargins : TRect{};
    const int bar = BarSize(horizontal);
    const bool wraps = floating && wrapWidth > 0;
    const int limit = wraps ? wrapWidth - margins.right : INT_MAX;

    // The visible controls in groups, each after the separator that opens it.
    struct Group {
        TToolbarSep97* separator = nullptr;
        std::vector<TControl*> controls;
    };
    std::vector<Group> groups(1);
    for (int i = 0; i < ControlCount(); ++i) {
        TControl* c = Controls(i);
        if (!c->Visible())
            continue;
        if (auto* separator = dynamic_cast<TToolbarSep97*>(c))
            groups.push_back(Group{separator, {}});
        else
            groups.back().controls.push_back(c);
    }

    m_layingOut = true;
    ScopeExit done([&] { m_layingOut = false; });
    const auto setBounds = [place](TControl* c, int left, int top, int width, int height) {
        if (place)
            c->SetBounds(left, top, width, height);
    };
    int x = margins.left;
    int y = margins.top;
    int extent = x;
    bool lineEmpty = true;
    std::vector<std::pair<TToolbarSep97*, int>> lineBreaks;  // separators across, at their top
    for (const Group& group : groups) {
        if (TToolbarSep97* separator = group.separator) {
            if (!horizontal) {
                if (place)
                    separator->SetAcross(true);
                setBounds(separator, margins.left, y, bar, separator->SizeVert());
                y += separator->SizeVert();
            } else {
                int groupLength = 0;
                for (const TControl* c : group.controls)
                    groupLength += c->Width();
                if (wraps && !lineEmpty && x + separator->SizeHorz() + groupLength > limit) {
                    // The line breaks at the separator, which shows as a line between the lines.
                    lineBreaks.emplace_back(separator, y + bar);
                    y += bar + lineBreakHeight;
                    x = margins.left;
                    lineEmpty = true;
                } else {
                    if (place)
                        separator->SetAcross(false);
                    setBounds(separator, x, y, separator->SizeHorz(), bar);
                    x += separator->SizeHorz();
                    extent = std::max(extent, x);
                }
            }
        }
        for (TControl* c : group.controls) {
            if (horizontal) {
                if (wraps && !lineEmpty && x + c->Width() > limit) {
                    y += bar;
                    x = margins.left;
                }
                setBounds(c, x, y + (bar - c->Height()) / 2, c->Width(), c->Height());
                x += c->Width();
                extent = std::max(extent, x);
                lineEmpty = false;
            } else {
                setBounds(c, margins.left + (bar - c->Width()) / 2, y, c->Width(), c->Height());
                y += c->Height();
            }
        }
    }
    if (!horizontal)
        return {bar + margins.left + margins.right, y + margins.bottom};
    const TSize size{extent + margins.right, y + bar + margins.bottom};
    for (const auto& [separator, top] : lineBreaks) {
        if (place)
            separator->SetAcross(true);
        setBounds(separator, margins.left, top, size.cx - margins.left - margins.right, lineBreakHeight);
    }
    return size;
}

TSize TToolbar97::DockedSize(bool horizontal)
{
    const TSize client = Layout(dockedLayout(horizontal), 0, LayoutPass::Measure);
    const TRect m = marginsFor(dockedLayout(horizontal));
    return {client.cx + m.left + m.right, client.cy + m.top + m.bottom};
}

TSize TToolbar97::FloatingSize()
{
    const TSize client = Layout(BarLayout::Floating, m_floatingWidth, LayoutPass::Measure);
    const TRect m = marginsFor(BarLayout::Floating);
    return {client.cx + m.left + m.right, client.cy + m.top + m.bottom};
}

int TToolbar97::narrowestWidth()
{
    int widest = 0;
    for (int i = 0; i < ControlCount(); ++i)
        if (Controls(i)->Visible() && !isSeparator(Controls(i)))
            widest = std::max(widest, Controls(i)->Width());
    return widest + floatingMargins.left + floatingMargins.right;
}

void TToolbar97::SetFloatingWidth(int width)
{
    m_floatingWidth = width <= 0 ? 0 : std::max(width, narrowestWidth());
    RequestLayout();
}

TSize TToolbar97::ResizeFloatingClient(TSize requested, bool byWidth)
{
    const int narrowest = narrowestWidth();
    const int widest = Layout(BarLayout::Floating, 0, LayoutPass::Measure).cx;
    if (byWidth) {
        m_floatingWidth = std::clamp(requested.cx, narrowest, std::max(narrowest, widest));
    } else {
        // Taller means narrower: the width whose lines come nearest the height asked for, the
        // widest of equals.
        int best = widest;
        int bestDistance = INT_MAX;
        for (int width = widest; width >= narrowest; --width) {
            const int distance = std::abs(Layout(BarLayout::Floating, width, LayoutPass::Measure).cy - requested.cy);
            if (distance < bestDistance) {
                best = width;
                bestDistance = distance;
            }
        }
        m_floatingWidth = best;
    }
    return Layout(BarLayout::Floating, m_floatingWidth, LayoutPass::Measure);
}

void TToolbar97::LayoutControls()
{
    if (m_layingOut || IsLoading())
        return;
    Layout(currentLayout(), m_floatingWidth, LayoutPass::Place);
}

void TToolbar97::LayoutChanged()
{
    LayoutControls();
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
        toolbar->ControlChanged(this);
}

void TToolbarSep97::SetSizeVert(int size)
{
    if (size == m_sizeVert)
        return;
    m_sizeVert = size;
    if (auto* toolbar = dynamic_cast<TToolbar97*>(Parent()))
        toolbar->ControlChanged(this);
}

void TToolbarSep97::SetBlank(bool blank)
{
    m_blank = blank;
    Invalidate();
}

void TToolbarSep97::SetAcross(bool across)
{
    if (across == m_across)
        return;
    m_across = across;
    Invalidate();
}

namespace {
// A point of a separator in its toolbar's window coordinates.
TPoint inToolbar(const TToolbarSep97& separator, const TCustomToolWindow97& toolbar, int x, int y)
{
    const TRect client = toolbar.ClientAreaRect();
    return {x + separator.Left() + client.left, y + separator.Top() + client.top};
}
} // namespace

void TToolbarSep97::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    TGraphicControl::MouseDown(button, shift, x, y);
    if (auto* toolbar = dynamic_cast<TToolbar97*>(Parent())) {
        const TPoint at = inToolbar(*this, *toolbar, x, y);
        toolbar->MouseDown(button, shift, at.x, at.y);
    }
}

void TToolbarSep97::MouseMove(TShiftState shift, int x, int y)
{
    TGraphicControl::MouseMove(shift, x, y);
    if (auto* toolbar = dynamic_cast<TToolbar97*>(Parent())) {
        const TPoint at = inToolbar(*this, *toolbar, x, y);
        toolbar->MouseMove(shift, at.x, at.y);
    }
}

void TToolbarSep97::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    TGraphicControl::MouseUp(button, shift, x, y);
    if (auto* toolbar = dynamic_cast<TToolbar97*>(Parent())) {
        const TPoint at = inToolbar(*this, *toolbar, x, y);
        toolbar->MouseUp(button, shift, at.x, at.y);
    }
}

void TToolbarSep97::DblClick()
{
    TGraphicControl::DblClick();
    if (auto* toolbar = dynamic_cast<TToolbar97*>(Parent()))
        toolbar->DblClick();
}

void TToolbarSep97::Paint()
{
    if (m_blank)
        return;
    TCanvas& canvas = *Canvas();
    // A groove across the middle: shadow, then highlight beside it.
    if (!m_across) {
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
