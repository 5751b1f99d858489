// The dock: a strip on an edge of the form that arranges its docked windows in rows.

#include "docking/docking.h"

#include "framework/drawing.h"
#include "framework/exceptions.h"
#include "framework/forms.h"
#include "framework/scope_exit.h"

#include <algorithm>
#include <map>

namespace {
constexpr auto cannotChangePosition = "Cannot change Position of a TDock97 if it already contains controls";
constexpr auto cannotPlaceDock = "A TDock97 control cannot be placed inside a tool window or another TDock97";

// Rows are never thinner than this, whatever they hold.
constexpr int minimumRowSize = 8;
// Room around a window across its row (its 2-pixel border on both sides).
constexpr int rowFrame = 4;

TAlign alignOf(TDockPosition position)
{
    switch (position) {
    case dpTop: return alTop;
    case dpBottom: return alBottom;
    case dpLeft: return alLeft;
    case dpRight: return alRight;
    }
    return alTop;
}
} // namespace

PICTAVO_DEFINE_CLASS(TDock97, TCustomControl, nullptr, createComponentOf<TDock97>)

TDock97::TDock97(TComponent* owner) : TCustomControl(owner)
{
    SetColor(clBtnFace);
    SetBounds(0, 0, 150, 9);
    SetAlign(alTop);
}

TDock97::~TDock97() = default;

void TDock97::SetPosition(TDockPosition position)
{
    if (position == m_position)
        return;
    if (!IsLoading() && !DockedWindows().empty())
        throw EInvalidOperation(cannotChangePosition);
    m_position = position;
    SetAlign(alignOf(position));
    ArrangeToolbars();
}

void TDock97::SetAllowDrag(bool allow)
{
    if (allow == m_allowDrag)
        return;
    m_allowDrag = allow;
    // The drag handles come or go with it.
    ArrangeToolbars();
}

void TDock97::SetBoundLines(TDockBoundLines lines)
{
    m_boundLines = lines;
    Invalidate();
}

void TDock97::SetFixAlign(bool fix)
{
    if (fix == m_fixAlign)
        return;
    m_fixAlign = fix;
    ArrangeToolbars();
}

void TDock97::SetLimitToOneRow(bool limit)
{
    if (limit == m_limitToOneRow)
        return;
    m_limitToOneRow = limit;
    ArrangeToolbars();
}

void TDock97::SetParentComponent(TComponent* parent)
{
    if (dynamic_cast<TDock97*>(parent) || dynamic_cast<TCustomToolWindow97*>(parent))
        throw EInvalidOperation(cannotPlaceDock);
    TCustomControl::SetParentComponent(parent);
}

void TDock97::EndUpdate()
{
    if (m_suspended > 0 && --m_suspended == 0)
        ArrangeToolbars();
}

std::vector<TCustomToolWindow97*> TDock97::DockedWindows() const
{
    std::vector<TCustomToolWindow97*> windows;
    for (int i = 0; i < ControlCount(); ++i)
        if (auto* window = dynamic_cast<TCustomToolWindow97*>(Controls(i)))
            windows.push_back(window);
    return windows;
}

void TDock97::Loaded()
{
    TCustomControl::Loaded();
    ArrangeToolbars();
}

void TDock97::ControlChanged(TControl* control)
{
    TCustomControl::ControlChanged(control);
    if (dynamic_cast<TCustomToolWindow97*>(control))
        ArrangeToolbars();
}

void TDock97::RemoveControl(TControl* control)
{
    TCustomControl::RemoveControl(control);
    if (dynamic_cast<TCustomToolWindow97*>(control))
        ArrangeToolbars();
}

void TDock97::SizeChanged()
{
    TCustomControl::SizeChanged();
    ArrangeToolbars();
}

void TDock97::ArrangeToolbars()
{
    if (m_arranging || m_suspended > 0 || IsLoading() || IsDestroying())
        return;
    if (const TForm* form = GetParentForm(this); form && form->IsFormDestroying())
        return;
    m_arranging = true;
    {
        ScopeExit done([&] { m_arranging = false; });
        // A change of the dock's own thickness can change its length (the form arranges its
        // docks again); a second pass uses the new length.
        for (int pass = 0; pass < 3; ++pass) {
            const int lengthBefore = IsHorizontal() ? ClientWidth() : ClientHeight();
            const bool horizontal = IsHorizontal();
            // Hidden windows keep their rows (so they come back where they were) but take no
            // room and push nobody.
            std::vector<TCustomToolWindow97*> all = DockedWindows();
            std::vector<TCustomToolWindow97*> bars;
            for (TCustomToolWindow97* window : all)
                if (window->Visible())
                    bars.push_back(window);

            if (bars.empty()) {
                m_rowSizes.clear();
                const int thickness = m_fixAlign ? 1 : 0;
                if (horizontal)
                    SetBounds(Left(), m_position == dpBottom ? Top() + Height() - thickness : Top(), Width(), thickness);
                else
                    SetBounds(m_position == dpRight ? Left() + Width() - thickness : Left(), Top(), thickness, Height());
                break;
            }

            auto byRowAndPosition = [](const TCustomToolWindow97* a, const TCustomToolWindow97* b) {
                if (a->DockRow() != b->DockRow())
                    return a->DockRow() < b->DockRow();
                return a->DockPos() < b->DockPos();
            };
            if (m_limitToOneRow)
                for (TCustomToolWindow97* window : all)
                    window->m_dockRow = 0;

            // Rows are numbered 0, 1, 2, ... without gaps.
            std::map<int, int> renumbered;
            for (TCustomToolWindow97* window : all)
                renumbered.emplace(window->DockRow(), 0);
            int next = 0;
            for (auto& entry : renumbered)
                entry.second = next++;
            for (TCustomToolWindow97* window : all)
                window->m_dockRow = renumbered[window->DockRow()];
            std::stable_sort(bars.begin(), bars.end(), byRowAndPosition);

            // A full-size window takes a row alone: the others of its row and every later row move
            // one row further.
            for (int row = 0; row <= bars.back()->DockRow(); ++row) {
                std::vector<TCustomToolWindow97*> inRow;
                for (TCustomToolWindow97* bar : bars)
                    if (bar->DockRow() == row)
                        inRow.push_back(bar);
                auto full = std::find_if(inRow.begin(), inRow.end(),
                                         [](const TCustomToolWindow97* b) { return b->FullSize(); });
                if (full == inRow.end() || inRow.size() == 1)
                    continue;
                for (TCustomToolWindow97* window : all)
                    if (window != *full && window->DockRow() >= row)
                        ++window->m_dockRow;
                std::stable_sort(bars.begin(), bars.end(), byRowAndPosition);
            }

            const int dockLength = horizontal ? ClientWidth() : ClientHeight();
            auto lengthOf = [&](TCustomToolWindow97* bar) {
                if (bar->FullSize())
                    return dockLength;
                const TSize size = bar->DockedSize(horizontal);
                return horizontal ? size.cx : size.cy;
            };

            // No overlap within a row: a window that starts before the end of the previous one
            // moves to that end. Rows holding no visible window take no room.
            const int rowCount = bars.back()->DockRow() + 1;
            std::vector<int> thickness(std::size_t(rowCount), minimumRowSize);
            for (int row = 0; row < rowCount; ++row) {
                int end = 0;
                bool first = true;
                for (TCustomToolWindow97* bar : bars) {
                    if (bar->DockRow() != row)
                        continue;
                    if (bar->FullSize())
                        bar->m_dockPos = 0;
                    else if (!first && bar->DockPos() < end)
                        bar->m_dockPos = end;
                    else if (bar->DockPos() < 0)
                        bar->m_dockPos = first ? 0 : end;
                    first = false;
                    end = bar->DockPos() + lengthOf(bar);
                    thickness[std::size_t(row)] = std::max(thickness[std::size_t(row)], bar->BarSize(horizontal));
                }
            }

            // Place the rows one after another. A row that reaches past the dock's end is pulled
            // back by the excess, never before 0 and never overlapping; what is still too long is
            // clipped by the dock.
            m_rowSizes.clear();
            int rowStart = 0;
            for (int row = 0; row < rowCount; ++row) {
                std::vector<TCustomToolWindow97*> inRow;
                for (TCustomToolWindow97* bar : bars)
                    if (bar->DockRow() == row)
                        inRow.push_back(bar);
                if (inRow.empty())
                    continue;
                const int across = thickness[std::size_t(row)] + rowFrame;
                TCustomToolWindow97* last = inRow.back();
                const int excess = std::max(0, last->DockPos() + lengthOf(last) - dockLength);
                int runningEnd = 0;
                for (TCustomToolWindow97* bar : inRow) {
                    int position = std::max(bar->DockPos() - excess, runningEnd);
                    const int length = lengthOf(bar);
                    if (horizontal)
                        bar->PlaceInDock(position, rowStart, length, across);
                    else
                        bar->PlaceInDock(rowStart, position, across, length);
                    runningEnd = position + length;
                }
                const int rowSize = std::max(minimumRowSize, across);
                m_rowSizes.push_back(rowSize);
                rowStart += rowSize;
            }

            if (horizontal)
                SetBounds(Left(), m_position == dpBottom ? Top() + Height() - rowStart : Top(), Width(), rowStart);
            else
                SetBounds(m_position == dpRight ? Left() + Width() - rowStart : Left(), Top(), rowStart, Height());
            if ((IsHorizontal() ? ClientWidth() : ClientHeight()) == lengthBefore)
                break;
        }
    }
    Invalidate();
}

void TDock97::Paint()
{
    TCanvas& canvas = *Canvas();
    canvas.Brush().SetColor(Color());
    canvas.Brush().SetStyle(bsSolid);
    canvas.FillRect(ClientRect());
    const int right = Width() - 1;
    const int bottom = Height() - 1;
    // Edge lines are drawn as an etched pair: shadow outside, highlight inside.
    if (m_boundLines & (1u << blTop)) {
        canvas.Pen().SetColor(clBtnShadow);
        canvas.MoveTo(0, 0);
        canvas.LineTo(Width(), 0);
    }
    if (m_boundLines & (1u << blBottom)) {
        canvas.Pen().SetColor(clBtnHighlight);
        canvas.MoveTo(0, bottom);
        canvas.LineTo(Width(), bottom);
    }
    if (m_boundLines & (1u << blLeft)) {
        canvas.Pen().SetColor(clBtnShadow);
        canvas.MoveTo(0, 0);
        canvas.LineTo(0, Height());
    }
    if (m_boundLines & (1u << blRight)) {
        canvas.Pen().SetColor(clBtnHighlight);
        canvas.MoveTo(right, 0);
        canvas.LineTo(right, Height());
    }
}

const PropertyTable& TDock97::ClassProperties()
{
    static const PropertyTable table(&TCustomControl::ClassProperties(), {
        props::boolean<TDock97>("AllowDrag", &TDock97::AllowDrag, &TDock97::SetAllowDrag),
        props::set<TDock97, TDockBoundLines>("BoundLines", {"blTop", "blBottom", "blLeft", "blRight"},
                                             &TDock97::BoundLines, &TDock97::SetBoundLines),
        props::boolean<TDock97>("FixAlign", &TDock97::FixAlign, &TDock97::SetFixAlign),
        props::boolean<TDock97>("LimitToOneRow", &TDock97::LimitToOneRow, &TDock97::SetLimitToOneRow),
        props::enumeration<TDock97, TDockPosition>("Position", {"dpTop", "dpBottom", "dpLeft", "dpRight"},
                                                   &TDock97::Position, &TDock97::SetPosition),
    });
    return table;
}

const PropertyTable* TDock97::Properties() const
{
    return &ClassProperties();
}
