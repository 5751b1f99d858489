#pragma once
// Docks, dockable toolbars and tool windows (and, through the headers included at the end,
// toolbar buttons, the menu bar toolbar, menu item glyphs and the animated pop-up menus).
//
// A dock (TDock97) sits on one edge of its form and arranges the windows docked in it in rows:
// sorted by row and position, rows numbered without gaps, a full-size window alone in its row,
// no two windows overlapping, each row as thick as its thickest window plus 4, and the dock as
// thick as its rows (0 when nothing visible is docked). A dockable window (TToolbar97,
// TToolWindow97) is docked (its parent is a dock) or floating (its parent is a small captioned
// window of its own, with a close button that hides it and then fires OnClose). The user drags
// it by its drag handle, its caption or its body between the docks and the free screen; Ctrl
// held keeps it from docking, Esc cancels.

#include "docking/docking_clock.h"
#include "framework/control.h"
#include "framework/hook_list.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TBitmap;
class TCustomToolWindow97;
class TForm;
class FloatingFrame;
class ToolWindowDrag;
struct TMessage;

enum TDockPosition { dpTop, dpBottom, dpLeft, dpRight };
using TDockableTo = unsigned;  // bits 1 << TDockPosition
// Edge lines drawn around a dock: bits 1 << member.
enum TDockBoundLine { blTop, blBottom, blLeft, blRight };
using TDockBoundLines = unsigned;

// How a dockable window's contents are laid out: in a row along a top or bottom dock, in a
// column down a left or right dock, or floating in a window of its own (in rows that may wrap).
enum class BarLayout { Horizontal, Vertical, Floating };
// The layout of a window docked in a horizontal (top or bottom) or vertical dock.
constexpr BarLayout dockedLayout(bool horizontal)
{
    return horizontal ? BarLayout::Horizontal : BarLayout::Vertical;
}

using TInsertRemoveEvent = std::function<void(TObject* sender, bool inserting, TCustomToolWindow97* bar)>;
using TRequestDockEvent = std::function<void(TObject* sender, TCustomToolWindow97* bar, bool& accept)>;

// A strip on one edge of a form that holds dockable windows in rows.
class TDock97 : public TCustomControl {
    PICTAVO_CLASS(TDock97)
public:
    // Raises "TDock97 must be owned by a form" for any other owner.
    explicit TDock97(TComponent* owner);
    ~TDock97() override;

    TDockPosition Position() const { return m_position; }
    // Aligns the dock to the matching edge. Raises "Cannot change Position of a TDock97 if it
    // already contains controls" while windows are docked.
    void SetPosition(TDockPosition position);
    bool AllowDrag() const { return m_allowDrag; }
    void SetAllowDrag(bool allow);
    TDockBoundLines BoundLines() const { return m_boundLines; }
    void SetBoundLines(TDockBoundLines lines);
    // Tiled over the dock and, with BackgroundOnToolbars, behind the windows docked in it; with
    // BackgroundTransparent its bottom-left pixel's colour shows the dock's colour.
    TBitmap* Background() const { return m_background.get(); }
    void SetBackground(const TBitmap* background);
    bool BackgroundOnToolbars() const { return m_backgroundOnToolbars; }
    void SetBackgroundOnToolbars(bool on);
    bool BackgroundTransparent() const { return m_backgroundTransparent; }
    void SetBackgroundTransparent(bool transparent);
    // An empty dock keeps 1 pixel instead of 0.
    bool FixAlign() const { return m_fixAlign; }
    void SetFixAlign(bool fix);
    // Every docked window goes into row 0.
    bool LimitToOneRow() const { return m_limitToOneRow; }
    void SetLimitToOneRow(bool limit);
    // Top and bottom docks lay their windows out from left to right.
    bool IsHorizontal() const { return m_position == dpTop || m_position == dpBottom; }
    // A dock cannot be hidden: "Cannot hide a TDock97".
    void SetVisible(bool visible) override;

    // Places the docked windows (see the header comment). Nothing happens while loading or while
    // the arrangement is suspended.
    void ArrangeToolbars();
    void BeginUpdate() { ++m_suspended; }
    void EndUpdate();
    // The windows docked here (hidden ones too), in the order of the last arrangement.
    std::vector<TCustomToolWindow97*> DockedWindows() const;
    // The thickness of each row of the last arrangement; a row whose windows are all hidden
    // takes none.
    const std::vector<int>& RowSizes() const { return m_rowSizes; }
    // The room the bound lines take on each side: left, top, right, bottom.
    TRect BorderWidths() const;
    // The dock's length along its edge, inside its bound lines.
    int DockLength() const;
    // The row that a coordinate across the dock (from the inside of its leading bound line)
    // selects: within 5 pixels after a row's start, a new row inserted before that row (newRow
    // set); more than 5 pixels inside and at least 5 before its end, that row. Past the last
    // row: a new row after it.
    int RowAt(int across, bool& newRow) const;
    // Moves every window at or beyond the row one row further.
    void InsertRow(int row);

    TInsertRemoveEvent OnInsertRemoveBar;
    TRequestDockEvent OnRequestDock;

    // Raises "A TDock97 control cannot be placed inside a tool window or another TDock97".
    void SetParentComponent(TComponent* parent) override;
    const PropertyTable* Properties() const override;
    static const PropertyTable& ClassProperties();

protected:
    void Paint() override;
    void Loaded() override;
    void ControlChanged(TControl* control) override;
    void SizeChanged() override;
    void InsertControl(TControl* control) override;
    void RemoveControl(TControl* control) override;

private:
    friend class TCustomToolWindow97;
    void backgroundChanged();
    // Tiles the background (a transparent one over `face`) over `area`, with the tiles laid
    // from the dock's own origin shifted by `origin`.
    void tileBackground(TCanvas& canvas, const TRect& area, TPoint origin, TColor face);
    void arrangeOnce();

    TDockPosition m_position = dpTop;
    bool m_allowDrag = true;
    TDockBoundLines m_boundLines = 0;
    std::unique_ptr<TBitmap> m_background;
    bool m_backgroundOnToolbars = true;
    bool m_backgroundTransparent = false;
    bool m_fixAlign = false;
    bool m_limitToOneRow = false;
    int m_suspended = 0;
    bool m_arranging = false;
    std::vector<int> m_rowSizes;
};

// What toolbars and tool windows share: docking state, non-client frame (drag handle when
// docked; caption, close button and sizing frame when floating), dragging and double clicks.
class TCustomToolWindow97 : public TCustomControl {
    PICTAVO_CLASS(TCustomToolWindow97)
public:
    // Raises "Tool windows must be owned by a form" for any other owner.
    explicit TCustomToolWindow97(TComponent* owner);
    ~TCustomToolWindow97() override;

    // The dock holding the window; null: floating in a small window of its own.
    TDock97* DockedTo() const;
    void SetDockedTo(TDock97* dock);
    bool Docked() const { return DockedTo() != nullptr; }
    TDock97* DefaultDock() const { return m_defaultDock; }
    void SetDefaultDock(TDock97* dock);
    int DockRow() const { return m_dockRow; }
    void SetDockRow(int row);
    int DockPos() const { return m_dockPos; }
    void SetDockPos(int position);
    TDockableTo DockableTo() const { return m_dockableTo; }
    void SetDockableTo(TDockableTo docks) { m_dockableTo = docks; }
    bool CloseButton() const { return m_closeButton; }
    void SetCloseButton(bool show);
    bool DragHandle() const { return m_dragHandle; }
    void SetDragHandle(bool show);
    bool FullSize() const { return m_fullSize; }
    void SetFullSize(bool fullSize);
    bool Resizable() const { return m_resizable; }
    void SetResizable(bool resizable);
    bool ActivateParent() const { return m_activateParent; }
    void SetActivateParent(bool activate) { m_activateParent = activate; }
    bool HideWhenInactive() const { return m_hideWhenInactive; }
    void SetHideWhenInactive(bool hide);
    // Where the window floats: the top-left of its floating window on the screen.
    TPoint FloatingPosition() const { return m_floatingPosition; }
    void SetFloatingPosition(TPoint position);
    // The small window that holds the window while it floats (null while docked).
    TForm* FloatingWindow() const;

    // The window's outer size when docked in a dock of that orientation, or floating.
    virtual TSize DockedSize(bool horizontal) = 0;
    virtual TSize FloatingSize() = 0;
    // Its extent across a dock (the largest control of a toolbar, the client size of a tool
    // window).
    virtual int BarSize(bool horizontal) = 0;
    // Sets the bounds the dock chose (the dock's arrangement only).
    void PlaceInDock(int left, int top, int width, int height);
    // Docked: the new left and top choose the row and position, and the dock arranges again.
    void SetBounds(int left, int top, int width, int height) override;

    int ClientWidth() const override;
    int ClientHeight() const override;
    QWidget* ClientWidget() const override;
    // The client area's place inside the window.
    TRect ClientAreaRect() const;
    // Non-client room on each side: left, top, right, bottom.
    TRect NonClientMargins() const;
    // The close button of a floating window, in window coordinates; empty when there is none.
    TRect CloseButtonRect() const;
    // The floating caption, in window coordinates; empty while docked.
    TRect CaptionRect() const;

    // While the window is being dragged: the outline drawn (screen coordinates; empty when no
    // drag runs) and the dock it would drop into (null: floating).
    bool Dragging() const { return m_drag != nullptr; }
    TRect DragOutline() const;
    TDock97* DragTarget() const;

    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    // Docked: floats the window. Floating: docks it to DefaultDock, first in row 0.
    void DblClick() override;
    void SetVisible(bool visible) override;

    TNotifyEvent OnClose;
    TNotifyEvent OnDockChanged;
    TNotifyEvent OnDockChanging;
    TNotifyEvent OnRecreated;
    TNotifyEvent OnRecreating;
    TNotifyEvent OnVisibleChanged;

    void SetParentComponent(TComponent* parent) override;
    const PropertyTable* Properties() const override;
    static const PropertyTable& ClassProperties();

protected:
    // Asks the dock (or, floating, the window itself) to size and place the window again.
    void RequestLayout();
    // Takes the floating size and the floating window's place.
    void ResizeFloating();
    // The client size a floating window takes when its frame is dragged to `requested` (the
    // horizontal edge moved when byWidth, else the vertical one); it keeps that size.
    virtual TSize ResizeFloatingClient(TSize requested, bool byWidth) = 0;
    // The window was placed, docked or floating: toolbars lay their controls out again.
    virtual void LayoutChanged() {}
    void Paint() override;
    void UpdateWidgetGeometry() override;
    void VisibleChanged() override;
    void TextChanged() override;
    void Loaded() override;

    // Room on each side of the window in that layout.
    TRect marginsFor(BarLayout layout) const;
    // The layout the window has now: floating, or docked (on no dock, as in a horizontal one).
    BarLayout currentLayout() const;

private:
    friend class TDock97;
    friend class ToolWindowDrag;
    friend class FloatingFrame;

    enum SizingEdge : unsigned { edgeLeft = 1, edgeTop = 2, edgeRight = 4, edgeBottom = 8 };
    // The sizing edges of a floating, resizable window under a point; 0 for none.
    unsigned sizingEdgesAt(int x, int y) const;
    void paintDocked(TCanvas& canvas, const TDock97& dock);
    void paintFloating(TCanvas& canvas);
    void startDrag(int x, int y);
    void finishDrag(TPoint screen);
    void resizeTo(TPoint screen);
    // Docks (dock) or floats (null) the window at the row and position, or at the floating
    // position, it holds now.
    void changeDock(TDock97* dock);
    void toFloatingFrame();
    // Shows the floating window when the window is visible, its form is on the screen and the
    // application is active (or the window stays while inactive).
    void updateFloatingVisibility();
    void applicationActivated(bool active);

    QWidget* m_clientArea = nullptr;
    TComponentRef<TDock97> m_defaultDock;
    int m_dockRow = 0;
    int m_dockPos = -1;
    TDockableTo m_dockableTo = (1u << dpTop) | (1u << dpBottom) | (1u << dpLeft) | (1u << dpRight);
    bool m_closeButton = true;
    bool m_dragHandle = true;
    bool m_fullSize = false;
    bool m_resizable = true;
    bool m_activateParent = true;
    bool m_hideWhenInactive = true;
    bool m_closePressed = false;
    bool m_closeHot = false;
    bool m_placing = false;
    bool m_floatingPositionSet = false;
    bool m_hiddenWhileInactive = false;
    bool m_applicationInactive = false;
    TPoint m_floatingPosition{0, 0};
    TComponentRef<FloatingFrame> m_frame;
    std::unique_ptr<ToolWindowDrag> m_drag;
    // Sizing a floating window: the edges dragged, and where the press was on the screen.
    unsigned m_sizingEdges = 0;
    TPoint m_sizingFrom{0, 0};
    TRect m_sizingStart{0, 0, 0, 0};
    THookSubscription m_activation;
};

// A dockable window holding arbitrary controls in a client area of the size it keeps.
class TToolWindow97 : public TCustomToolWindow97 {
    PICTAVO_CLASS(TToolWindow97)
public:
    explicit TToolWindow97(TComponent* owner);

    // The client size the window keeps (stored with the design).
    int KeptClientWidth() const { return m_keptClientWidth; }
    void SetKeptClientWidth(int width);
    int KeptClientHeight() const { return m_keptClientHeight; }
    void SetKeptClientHeight(int height);
    void SetClientSize(int width, int height) override;
    // The smallest client size the user can drag a floating window's frame to.
    int MinClientWidth() const { return m_minClientWidth; }
    void SetMinClientWidth(int width) { m_minClientWidth = width; }
    int MinClientHeight() const { return m_minClientHeight; }
    void SetMinClientHeight(int height) { m_minClientHeight = height; }

    TSize DockedSize(bool horizontal) override;
    TSize FloatingSize() override;
    int BarSize(bool horizontal) override;

    const PropertyTable* Properties() const override;
    static const PropertyTable& ClassProperties();

protected:
    TSize ResizeFloatingClient(TSize requested, bool byWidth) override;

private:
    int m_keptClientWidth = 32;
    int m_keptClientHeight = 32;
    int m_minClientWidth = 32;
    int m_minClientHeight = 32;
};

// A dockable window that lays its buttons and separators out in a row (a column in a left or
// right dock), each centred across the bar. Floating, it wraps into lines at its floating
// width; a line break at a separator shows the separator as a line across the toolbar.
class TToolbar97 : public TCustomToolWindow97 {
    PICTAVO_CLASS(TToolbar97)
public:
    explicit TToolbar97(TComponent* owner);

    TSize DockedSize(bool horizontal) override;
    TSize FloatingSize() override;
    int BarSize(bool horizontal) override;
    // The width a floating toolbar wraps at (0: it does not wrap).
    int FloatingWidth() const { return m_floatingWidth; }
    void SetFloatingWidth(int width);
    // Places the controls for the current orientation.
    void LayoutControls();

    const PropertyTable* Properties() const override;
    static const PropertyTable& ClassProperties();

protected:
    // Measuring gives the client size the controls would take; placing also moves them there.
    enum class LayoutPass { Measure, Place };
    // Lays the controls out and returns the client size they take. A floating toolbar wraps its
    // lines at `wrapWidth` (0: it does not wrap); docked ones ignore it.
    TSize Layout(BarLayout layout, int wrapWidth, LayoutPass pass);
    TSize ResizeFloatingClient(TSize requested, bool byWidth) override;
    void LayoutChanged() override;
    void ControlChanged(TControl* control) override;
    void SizeChanged() override;
    void Loaded() override;

private:
    friend class TToolbarSep97;
    // The narrowest width a floating toolbar can wrap to.
    int narrowestWidth();
    // Alt and a button's access key, typed anywhere on the toolbar's form, click the button.
    void accelerator(TMessage& message);
    bool m_layingOut = false;
    int m_floatingWidth = 0;
    THookSubscription m_accelerators;
};

// A gap between groups of toolbar buttons, drawn as a groove.
class TToolbarSep97 : public TGraphicControl {
    PICTAVO_CLASS(TToolbarSep97)
public:
    explicit TToolbarSep97(TComponent* owner);

    // Its width in a horizontal layout and its height in a vertical one.
    int SizeHorz() const { return m_sizeHorz; }
    void SetSizeHorz(int size);
    int SizeVert() const { return m_sizeVert; }
    void SetSizeVert(int size);
    // Draws nothing.
    bool Blank() const { return m_blank; }
    void SetBlank(bool blank);
    // Whether the groove runs across the toolbar (a vertical layout, or a floating toolbar's
    // line break), set by the toolbar's layout.
    bool Across() const { return m_across; }
    void SetAcross(bool across);

    // Presses on a separator belong to its toolbar: they start a drag.
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void DblClick() override;

    // Raises "TToolbarSep97 can only be placed on a TToolbar97" for any other parent.
    void SetParentComponent(TComponent* parent) override;
    const PropertyTable* Properties() const override;
    static const PropertyTable& ClassProperties();

protected:
    void Paint() override;

private:
    int m_sizeHorz = 6;
    int m_sizeVert = 6;
    bool m_blank = false;
    bool m_across = false;
};

// Registers the docking classes with the design reader.
void RegisterDockingClasses();

#include "docking/menu_bar_toolbar.h"
#include "docking/popup_menu.h"
#include "docking/toolbar_button.h"
