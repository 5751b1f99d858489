// The dock: a strip on an edge of the form that arranges its docked windows in rows.

#include "docking/docking.h"

#include "framework/drawing.h"
#include "framework/exceptions.h"
#include "framework/forms.h"
#include "framework/scope_exit.h"
#include "picture/bitmap/bitmap.h"
#include "platform/section.h"

#include <QWidget>

#include <algorithm>
#include <map>

namespace {
constexpr auto cannotChangePosition = "Cannot change Position of a TDock97 if it already contains controls";
constexpr auto cannotPlaceDock = "A TDock97 control cannot be placed inside a tool window or another TDock97";
constexpr auto mustBeOwnedByForm = "TDock97 must be owned by a form";
constexpr auto cannotHide = "Cannot hide a TDock97";

// Rows are never thinner than this, whatever they hold.
constexpr int minimumRowSize = 8;
// Room around a window across its row (its 2-pixel border on both sides).
constexpr int rowFrame = 4;
// How near a row's edges a coordinate opens a new row.
constexpr int newRowZone = 5;

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

bool byRowAndPosition(const TCustomToolWindow97* a, const TCustomToolWindow97* b)
{
    if (a->DockRow() != b->DockRow())
        return a->DockRow() < b->DockRow();
    return a->DockPos() < b->DockPos();
}
} // namespace

PICTAVO_DEFINE_CLASS(TDock97, TCustomControl, nullptr, createComponentOf<TDock97>)

TDock97::TDock97(TComponent* owner) : TCustomControl(owner), m_background(std::make_unique<TBitmap>())
{
    if (!dynamic_cast<TForm*>(owner))
        throw EInvalidOperation(mustBeOwnedByForm);
    SetColor(clBtnFace);
    SetBounds(0, 0, 150, 9);
    SetAlign(alTop);
    m_background->OnChange = [this](TObject*) { backgroundChanged(); };
}

TDock97::~TDock97()
{
    m_background->OnChange = nullptr;
}

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

void TDock97::SetVisible(bool visible)
{
    if (!visible)
        throw EInvalidOperation(cannotHide);
    TCustomControl::SetVisible(visible);
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
    if (lines == m_boundLines)
        return;
    m_boundLines = lines;
    ArrangeToolbars();
}

void TDock97::SetBackground(const TBitmap* background)
{
    m_background->CopyFrom(background);
}

void TDock97::SetBackgroundOnToolbars(bool on)
{
    if (on == m_backgroundOnToolbars)
        return;
    m_backgroundOnToolbars = on;
    backgroundChanged();
}

void TDock97::SetBackgroundTransparent(bool transparent)
{
    if (transparent == m_backgroundTransparent)
        return;
    m_backgroundTransparent = transparent;
    backgroundChanged();
}

void TDock97::backgroundChanged()
{
    Invalidate();
    for (TCustomToolWindow97* window : DockedWindows())
        window->Invalidate();
}

void TDock97::tileBackground(TCanvas& canvas, const TRect& area, TPoint origin, TColor face)
{
    const platform::Section* tile = m_background->PlatformHandle();
    if (!tile || tile->width() <= 0 || tile->height() <= 0)
        return;
    const int w = tile->width();
    const int h = tile->height();
    // The colour of the bottom-left pixel shows the face when the background is transparent.
    const TColor key = TColor(platform::rgbPart(tile->pixel(0, h - 1)));
    canvas.Brush().SetColor(face);
    canvas.Brush().SetStyle(bsSolid);
    const auto floorDiv = [](int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); };
    const int firstX = floorDiv(area.left + origin.x, w) * w - origin.x;
    const int firstY = floorDiv(area.top + origin.y, h) * h - origin.y;
    for (int y = firstY; y < area.bottom; y += h)
        for (int x = firstX; x < area.right; x += w)
            if (m_backgroundTransparent)
                canvas.BrushCopy(TRect{x, y, x + w, y + h}, *tile, TRect{0, 0, w, h}, key);
            else
                canvas.Draw(x, y, m_background.get());
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
    for (auto* c = dynamic_cast<TControl*>(parent); c; c = c->Parent())
        if (dynamic_cast<TDock97*>(c) || dynamic_cast<TCustomToolWindow97*>(c))
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
    std::stable_sort(windows.begin(), windows.end(), byRowAndPosition);
    return windows;
}

TRect TDock97::BorderWidths() const
{
    const auto has = [this](TDockBoundLine line) { return (m_boundLines & (1u << line)) ? 1 : 0; };
    return TRect{has(blLeft), has(blTop), has(blRight), has(blBottom)};
}

int TDock97::DockLength() const
{
    const TRect border = BorderWidths();
    return IsHorizontal() ? Width() - border.left - border.right : Height() - border.top - border.bottom;
}

int TDock97::RowAt(int across, bool& newRow) const
{
    int start = 0;
    for (int row = 0; row < int(m_rowSizes.size()); ++row) {
        const int end = start + m_rowSizes[std::size_t(row)];
        if (across <= start + newRowZone) {
            newRow = true;
            return row;
        }
        if (across <= end - newRowZone) {
            newRow = false;
            return row;
        }
        start = end;
    }
    // The row after the last reaches on without end: whatever lies there is a new row.
    newRow = true;
    return int(m_rowSizes.size());
}

void TDock97::InsertRow(int row)
{
    for (TCustomToolWindow97* window : DockedWindows())
        if (window->m_dockRow >= row)
            ++window->m_dockRow;
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

void TDock97::InsertControl(TControl* control)
{
    TCustomControl::InsertControl(control);
    if (auto* window = dynamic_cast<TCustomToolWindow97*>(control)) {
        ArrangeToolbars();
        if (OnInsertRemoveBar && !IsLoading())
            OnInsertRemoveBar(this, /*inserting=*/true, window);
    }
}

void TDock97::RemoveControl(TControl* control)
{
    TCustomControl::RemoveControl(control);
    if (auto* window = dynamic_cast<TCustomToolWindow97*>(control)) {
        ArrangeToolbars();
        if (OnInsertRemoveBar && !IsLoading() && !IsDestroying())
            OnInsertRemoveBar(this, /*inserting=*/false, window);
    }
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
        if (Widget())
            Widget()->raise();
        // A change of the dock's own thickness can change its length (the form arranges its
        // docks again); a further pass uses the new length.
        for (int pass = 0; pass < 3; ++pass) {
            const int lengthBefore = DockLength();
            arrangeOnce();
            if (DockLength() == lengthBefore)
                break;
        }
    }
    Invalidate();
}

void TDock97::arrangeOnce()
{
    const bool horizontal = IsHorizontal();
    const TRect border = BorderWidths();
    std::vector<TCustomToolWindow97*> all = DockedWindows();
    // Hidden windows keep their rows (so they come back where they were) but take no room and
    // push nobody.
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
        return;
    }

    if (m_limitToOneRow)
        for (TCustomToolWindow97* window : all)
            window->m_dockRow = 0;

    // Rows are numbered 0, 1, 2, ... without gaps.
    std::map<int, int> renumbered;
    for (TCustomToolWindow97* window : all)
        renumbered.emplace(window->m_dockRow, 0);
    int next = 0;
    for (auto& entry : renumbered)
        entry.second = next++;
    for (TCustomToolWindow97* window : all)
        window->m_dockRow = renumbered[window->m_dockRow];
    std::stable_sort(bars.begin(), bars.end(), byRowAndPosition);

    const int dockLength = DockLength();
    auto lengthOf = [&](TCustomToolWindow97* bar) {
        if (bar->FullSize())
            return dockLength;
        const TSize size = bar->DockedSize(horizontal);
        return horizontal ? size.cx : size.cy;
    };
    auto rowOf = [&](int row) {
        std::vector<TCustomToolWindow97*> inRow;
        for (TCustomToolWindow97* bar : bars)
            if (bar->m_dockRow == row)
                inRow.push_back(bar);
        return inRow;
    };

    // A full-size window takes a row alone: the others of its row and every later row move one
    // row further. Within a row, a window that starts before the end of the previous one moves
    // to that end.
    for (int row = 0; row <= bars.back()->m_dockRow; ++row) {
        std::vector<TCustomToolWindow97*> inRow = rowOf(row);
        auto full = std::find_if(inRow.begin(), inRow.end(), [](const TCustomToolWindow97* b) { return b->FullSize(); });
        if (full != inRow.end() && inRow.size() > 1) {
            for (TCustomToolWindow97* window : all)
                if (window != *full && window->m_dockRow >= row)
                    ++window->m_dockRow;
            std::stable_sort(bars.begin(), bars.end(), byRowAndPosition);
            inRow = {*full};
        }
        for (std::size_t i = 1; i < inRow.size(); ++i) {
            const int end = inRow[i - 1]->m_dockPos + lengthOf(inRow[i - 1]);
            if (inRow[i]->m_dockPos < end)
                inRow[i]->m_dockPos = end;
        }
    }

    // Rows holding no visible window take no room.
    const int rowCount = bars.back()->m_dockRow + 1;
    m_rowSizes.assign(std::size_t(rowCount), 0);
    int rowStart = 0;
    for (int row = 0; row < rowCount; ++row) {
        const std::vector<TCustomToolWindow97*> inRow = rowOf(row);
        if (inRow.empty())
            continue;
        int thickness = minimumRowSize;
        for (TCustomToolWindow97* bar : inRow)
            thickness = std::max(thickness, bar->BarSize(horizontal));
        // A row that reaches past the dock's end moves back by the excess.
        TCustomToolWindow97* last = inRow.back();
        const int excess = last->m_dockPos + lengthOf(last) - dockLength;
        if (excess > 0)
            for (TCustomToolWindow97* bar : inRow)
                bar->m_dockPos -= excess;
        // Placed one after another from the row's start; what is still too long runs past the
        // dock's end and is clipped.
        const int across = thickness + rowFrame;
        int runningEnd = 0;
        for (TCustomToolWindow97* bar : inRow) {
            if (bar->FullSize() || bar->m_dockPos < runningEnd)
                bar->m_dockPos = bar->FullSize() ? 0 : runningEnd;
            const int length = lengthOf(bar);
            if (horizontal)
                bar->PlaceInDock(border.left + bar->m_dockPos, border.top + rowStart, length, across);
            else
                bar->PlaceInDock(border.left + rowStart, border.top + bar->m_dockPos, across, length);
            runningEnd = bar->m_dockPos + length;
        }
        const int rowSize = std::max(minimumRowSize, across);
        m_rowSizes[std::size_t(row)] = rowSize;
        rowStart += rowSize;
    }

    const int thickness = rowStart + (horizontal ? border.top + border.bottom : border.left + border.right);
    if (horizontal)
        SetBounds(Left(), m_position == dpBottom ? Top() + Height() - thickness : Top(), Width(), thickness);
    else
        SetBounds(m_position == dpRight ? Left() + Width() - thickness : Left(), Top(), thickness, Height());
}

void TDock97::Paint()
{
    TCanvas& canvas = *Canvas();
    canvas.Brush().SetColor(Color());
    canvas.Brush().SetStyle(bsSolid);
    canvas.FillRect(ClientRect());
    if (!m_background->IsEmpty())
        tileBackground(canvas, ClientRect(), {0, 0}, Color());
    // Edge lines: the shadow colour on the top and left, the highlight on the bottom and right.
    const int right = Width() - 1;
    const int bottom = Height() - 1;
    const auto line = [&](TColor color, int x1, int y1, int x2, int y2) {
        canvas.Pen().SetColor(color);
        canvas.MoveTo(x1, y1);
        canvas.LineTo(x2, y2);
    };
    if (m_boundLines & (1u << blTop))
        line(clBtnShadow, 0, 0, Width(), 0);
    if (m_boundLines & (1u << blBottom))
        line(clBtnHighlight, 0, bottom, Width(), bottom);
    if (m_boundLines & (1u << blLeft))
        line(clBtnShadow, 0, 0, 0, Height());
    if (m_boundLines & (1u << blRight))
        line(clBtnHighlight, right, 0, right, Height());
}

const PropertyTable& TDock97::ClassProperties()
{
    static const PropertyTable table(&TCustomControl::ClassProperties(), {
        props::boolean<TDock97>("AllowDrag", &TDock97::AllowDrag, &TDock97::SetAllowDrag),
        props::object<TDock97, TBitmap>("Background", &TDock97::Background),
        props::boolean<TDock97>("BackgroundOnToolbars", &TDock97::BackgroundOnToolbars,
                                &TDock97::SetBackgroundOnToolbars),
        props::boolean<TDock97>("BackgroundTransparent", &TDock97::BackgroundTransparent,
                                &TDock97::SetBackgroundTransparent),
        props::set<TDock97, TDockBoundLines>("BoundLines", {"blTop", "blBottom", "blLeft", "blRight"},
                                             &TDock97::BoundLines, &TDock97::SetBoundLines),
        props::boolean<TDock97>("FixAlign", &TDock97::FixAlign, &TDock97::SetFixAlign),
        props::boolean<TDock97>("LimitToOneRow", &TDock97::LimitToOneRow, &TDock97::SetLimitToOneRow),
        props::enumeration<TDock97, TDockPosition>("Position", {"dpTop", "dpBottom", "dpLeft", "dpRight"},
                                                   &TDock97::Position, &TDock97::SetPosition),
        props::event<TDock97, TInsertRemoveEvent>("OnInsertRemoveBar", &TDock97::OnInsertRemoveBar),
        props::event<TDock97, TRequestDockEvent>("OnRequestDock", &TDock97::OnRequestDock),
    });
    return table;
}

const PropertyTable* TDock97::Properties() const
{
    return &ClassProperties();
}
