#pragma once
// Docks, dockable toolbars and tool windows, toolbar buttons, the menu bar toolbar and menu item
// glyphs.
//
// A dock (TDock97) sits on one edge of its form and arranges the windows docked in it in rows:
// sorted by row and position, rows numbered without gaps, a full-size window alone in its row,
// no two windows overlapping, each row as thick as its thickest window plus 4, and the dock as
// thick as its rows (0 when nothing visible is docked). A dockable window (TToolbar97,
// TToolWindow97) is docked (its parent is a dock) or floating (it sits on the form at its floating
// position with a small caption and, with CloseButton, a close button that hides it and then
// fires OnClose). Dragging windows between docks is not offered yet.

#include "framework/control.h"
#include "framework/menus.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TBitmap;
class TCustomToolWindow97;
class TForm;

enum TDockPosition { dpTop, dpBottom, dpLeft, dpRight };
using TDockableTo = unsigned;  // bits 1 << TDockPosition
// Edge lines drawn around a dock: bits 1 << member.
enum TDockBoundLine { blTop, blBottom, blLeft, blRight };
using TDockBoundLines = unsigned;

// A strip on one edge of a form that holds dockable windows in rows.
class TDock97 : public TCustomControl {
    PICTAVO_CLASS(TDock97)
public:
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
    // An empty dock keeps 1 pixel instead of 0.
    bool FixAlign() const { return m_fixAlign; }
    void SetFixAlign(bool fix);
    // Every docked window goes into row 0.
    bool LimitToOneRow() const { return m_limitToOneRow; }
    void SetLimitToOneRow(bool limit);
    // Top and bottom docks lay their windows out from left to right.
    bool IsHorizontal() const { return m_position == dpTop || m_position == dpBottom; }

    // Places the docked windows (see the header comment). Nothing happens while loading or while
    // the arrangement is suspended.
    void ArrangeToolbars();
    void BeginUpdate() { ++m_suspended; }
    void EndUpdate();
    // The windows docked here, in the order of the last arrangement.
    std::vector<TCustomToolWindow97*> DockedWindows() const;
    // The thickness of each row of the last arrangement.
    const std::vector<int>& RowSizes() const { return m_rowSizes; }

    const PropertyTable* Properties() const override;
    static const PropertyTable& ClassProperties();

protected:
    void Paint() override;
    void Loaded() override;
    void ControlChanged(TControl* control) override;
    void SizeChanged() override;
    void RemoveControl(TControl* control) override;
    void SetParentComponent(TComponent* parent) override;

private:
    TDockPosition m_position = dpTop;
    bool m_allowDrag = true;
    TDockBoundLines m_boundLines = 0;
    bool m_fixAlign = false;
    bool m_limitToOneRow = false;
    int m_suspended = 0;
    bool m_arranging = false;
    std::vector<int> m_rowSizes;
};

using TToolWindowCloseEvent = TNotifyEvent;

// What toolbars and tool windows share: docking state, caption, close button, non-client frame.
class TCustomToolWindow97 : public TCustomControl {
    PICTAVO_CLASS(TCustomToolWindow97)
public:
    explicit TCustomToolWindow97(TComponent* owner);
    ~TCustomToolWindow97() override;

    // The dock holding the window; null: floating on its form.
    TDock97* DockedTo() const;
    void SetDockedTo(TDock97* dock);
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
    void SetResizable(bool resizable) { m_resizable = resizable; }
    bool ActivateParent() const { return m_activateParent; }
    void SetActivateParent(bool activate) { m_activateParent = activate; }
    bool HideWhenInactive() const { return m_hideWhenInactive; }
    void SetHideWhenInactive(bool hide) { m_hideWhenInactive = hide; }
    // Where the window floats, in its form's client coordinates.
    TPoint FloatingPosition() const { return m_floatingPosition; }
    void SetFloatingPosition(TPoint position);

    // The window's outer size when docked in a dock of that orientation, or floating.
    virtual TSize DockedSize(bool horizontal) = 0;
    virtual TSize FloatingSize() = 0;
    // Its extent across a dock (the largest control of a toolbar, the client size of a tool
    // window).
    virtual int BarSize(bool horizontal) = 0;
    // Sets the bounds the dock chose (the dock's arrangement only).
    void PlaceInDock(int left, int top, int width, int height);

    int ClientWidth() const override;
    int ClientHeight() const override;
    QWidget* ClientWidget() const override;
    // The client area's place inside the window.
    TRect ClientAreaRect() const;
    // The close button of a floating window, in window coordinates; empty when there is none.
    TRect CloseButtonRect() const;

    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

    TNotifyEvent OnClose;
    TNotifyEvent OnDockChanged;
    TNotifyEvent OnVisibleChanged;

    void SetParentComponent(TComponent* parent) override;
    const PropertyTable* Properties() const override;
    static const PropertyTable& ClassProperties();

protected:
    // Non-client room on each side: left, top, right, bottom.
    TRect NonClientMargins() const;
    bool IsFloating() const { return DockedTo() == nullptr; }
    // Asks the dock (or, floating, the window itself) to size and place the window again.
    void RequestLayout();
    void ResizeFloating();
    void Paint() override;
    void UpdateWidgetGeometry() override;
    void VisibleChanged() override;
    void TextChanged() override;
    void Loaded() override;

    // Room on each side for a docked (in a dock of that orientation) or floating window.
    TRect marginsFor(bool docked, bool horizontal) const;

private:
    friend class TDock97;

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
    TPoint m_floatingPosition{0, 0};
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
    int MinClientWidth() const { return m_minClientWidth; }
    void SetMinClientWidth(int width) { m_minClientWidth = width; }
    int MinClientHeight() const { return m_minClientHeight; }
    void SetMinClientHeight(int height) { m_minClientHeight = height; }

    TSize DockedSize(bool horizontal) override;
    TSize FloatingSize() override;
    int BarSize(bool horizontal) override;

    const PropertyTable* Properties() const override;
    static const PropertyTable& ClassProperties();

private:
    int m_keptClientWidth = 32;
    int m_keptClientHeight = 32;
    int m_minClientWidth = 32;
    int m_minClientHeight = 32;
};

// A dockable window that lays its buttons and separators out in a row (a column in a left or
// right dock), each centred across the bar.
class TToolbar97 : public TCustomToolWindow97 {
    PICTAVO_CLASS(TToolbar97)
public:
    explicit TToolbar97(TComponent* owner);

    TSize DockedSize(bool horizontal) override;
    TSize FloatingSize() override;
    int BarSize(bool horizontal) override;
    // Places the controls for the current orientation (see the class comment).
    void LayoutControls();

    const PropertyTable* Properties() const override;
    static const PropertyTable& ClassProperties();

protected:
    // Lays the controls out and returns the client size they take.
    TSize Layout(bool horizontal, bool floating, bool place);
    void ControlChanged(TControl* control) override;
    void SizeChanged() override;
    void Loaded() override;

private:
    bool m_layingOut = false;
};

// A gap between groups of toolbar buttons, drawn as a groove.
class TToolbarSep97 : public TGraphicControl {
    PICTAVO_CLASS(TToolbarSep97)
public:
    explicit TToolbarSep97(TComponent* owner);

    int SizeHorz() const { return m_sizeHorz; }
    void SetSizeHorz(int size);
    int SizeVert() const { return m_sizeVert; }
    void SetSizeVert(int size);
    bool Blank() const { return m_blank; }
    void SetBlank(bool blank);

    void SetParentComponent(TComponent* parent) override;
    const PropertyTable* Properties() const override;
    static const PropertyTable& ClassProperties();

protected:
    void Paint() override;

private:
    int m_sizeHorz = 6;
    int m_sizeVert = 6;
    bool m_blank = false;
};

enum TButtonDisplayMode { dmBoth, dmGlyphOnly, dmTextOnly };
enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

// A flat toolbar button: a glyph (NumGlyphs state images side by side: up, disabled, down,
// exclusive) and a caption. The border shows while the mouse is over it or it is pressed;
// buttons of one non-zero GroupIndex on one parent keep at most one down.
class TToolbarButton97 : public TGraphicControl {
    PICTAVO_CLASS(TToolbarButton97)
public:
    explicit TToolbarButton97(TComponent* owner);
    ~TToolbarButton97() override;

    TBitmap* Glyph() const { return m_glyph.get(); }
    void SetGlyph(const TBitmap* glyph);
    int NumGlyphs() const { return m_numGlyphs; }
    void SetNumGlyphs(int count);
    TButtonDisplayMode DisplayMode() const { return m_displayMode; }
    void SetDisplayMode(TButtonDisplayMode mode);
    TButtonLayout Layout() const { return m_layout; }
    void SetLayout(TButtonLayout layout);
    int Margin() const { return m_margin; }
    void SetMargin(int margin);
    int Spacing() const { return m_spacing; }
    void SetSpacing(int spacing);
    bool Flat() const { return m_flat; }
    void SetFlat(bool flat);
    bool Opaque() const { return m_opaque; }
    void SetOpaque(bool opaque);
    bool NoBorder() const { return m_noBorder; }
    void SetNoBorder(bool noBorder);
    int GroupIndex() const { return m_groupIndex; }
    void SetGroupIndex(int group);
    // Ignored for GroupIndex 0, and when down without AllowAllUp.
    bool Down() const { return m_down; }
    void SetDown(bool down);
    bool AllowAllUp() const { return m_allowAllUp; }
    void SetAllowAllUp(bool allow) { m_allowAllUp = allow; }
    int ModalResult() const { return m_modalResult; }
    void SetModalResult(int result) { m_modalResult = result; }

    // Whether the mouse is over the button, and whether it is held down on it.
    bool MouseInControl() const { return m_mouseIn; }
    bool Pressed() const { return m_pressed && m_mouseIn; }

    // Toggles Down for a grouped button, sets the form's modal result, then fires OnClick.
    void Click() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseEnter() override;
    void MouseLeave() override;

    const PropertyTable* Properties() const override;
    static const PropertyTable& ClassProperties();

protected:
    void Paint() override;
    void EnabledChanged() override;
    void TextChanged() override;

private:
    void releaseOthersInGroup();

    std::unique_ptr<TBitmap> m_glyph;
    int m_numGlyphs = 1;
    TButtonDisplayMode m_displayMode = dmBoth;
    TButtonLayout m_layout = blGlyphLeft;
    int m_margin = -1;
    int m_spacing = 4;
    bool m_flat = true;
    bool m_opaque = true;
    bool m_noBorder = false;
    int m_groupIndex = 0;
    bool m_down = false;
    bool m_allowAllUp = false;
    int m_modalResult = 0;
    bool m_mouseIn = false;
    bool m_pressed = false;
};

// A button of the menu bar toolbar: sized to its caption.
class TToolbarButton98 : public TToolbarButton97 {
    PICTAVO_CLASS(TToolbarButton98)
public:
    explicit TToolbarButton98(TComponent* owner);
    // Width: the caption's width plus 7 pixels on each side.
    void AdjustSize();

protected:
    void TextChanged() override;
};

// The form's main menu shown as a dockable toolbar: one button per visible top-level item; a
// button runs its item's click handler and pops up the item's sub-items below itself. Once
// loaded, the form no longer shows its menu as a native menu bar.
class TMainMenu98 : public TToolbar97 {
    PICTAVO_CLASS(TMainMenu98)
public:
    explicit TMainMenu98(TComponent* owner);
    ~TMainMenu98() override;

    TMainMenu* MainMenu() const { return m_menu; }
    // Raises "Value cannot be empty" for null.
    void SetMainMenu(TMainMenu* menu);
    bool DoubleSpeed() const { return m_doubleSpeed; }
    void SetDoubleSpeed(bool doubleSpeed) { m_doubleSpeed = doubleSpeed; }
    int StatusBarIndex() const { return m_statusBarIndex; }
    void SetStatusBarIndex(int index) { m_statusBarIndex = index; }
    int ItemHeight() const { return m_itemHeight; }
    void SetItemHeight(int height) { m_itemHeight = height; }
    int SeparatorHeight() const { return m_separatorHeight; }
    void SetSeparatorHeight(int height) { m_separatorHeight = height; }
    int Indent() const { return m_indent; }
    void SetIndent(int indent) { m_indent = indent; }
    int Timeout() const { return m_timeout; }
    void SetTimeout(int milliseconds) { m_timeout = milliseconds; }

    // The button made for a top-level item, or null.
    TToolbarButton98* ButtonOf(const TMenuItem* item) const;
    // Makes the buttons again from the menu's items.
    void RebuildButtons();

    const PropertyTable* Properties() const override;
    static const PropertyTable& ClassProperties();

protected:
    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    void buttonClicked(TMenuItem* item);
    void menuChanged(TMenuItem* source, bool rebuild);
    // While the form goes, its menu items go too: the buttons are not made again for that.
    bool formGoing() const;
    void listen();

    TComponentRef<TMainMenu> m_menu;
    THookSubscription m_menuListener;
    bool m_doubleSpeed = false;
    int m_statusBarIndex = 0;
    int m_itemHeight = 19;
    int m_separatorHeight = 11;
    int m_indent = 27;
    int m_timeout = 20;
    // Buttons and their top-level items; either may have gone since the buttons were made.
    std::vector<std::pair<TComponentRef<TToolbarButton98>, TComponentRef<TMenuItem>>> m_buttons;
};

// Puts one bitmap (or one per check state) beside a menu item.
class TMenuItemBitmaps : public TComponent {
    PICTAVO_CLASS(TMenuItemBitmaps)
public:
    explicit TMenuItemBitmaps(TComponent* owner);
    ~TMenuItemBitmaps() override;

    TMenuItem* MenuItem() const { return m_item; }
    void SetMenuItem(TMenuItem* item);
    TBitmap* CheckedBitmap() const { return m_checked.get(); }
    TBitmap* UncheckedBitmap() const { return m_unchecked.get(); }
    // Bitmap resources of the program by name ("GLYPH_ABRIR"); "#" and a number selects one by
    // number, of which this program has none.
    std::string CheckedBmpResource() const { return m_checkedResource; }
    void SetCheckedBmpResource(const std::string& name);
    std::string UncheckedBmpResource() const { return m_uncheckedResource; }
    void SetUncheckedBmpResource(const std::string& name);
    // One bitmap for both states: setting either copies it to the other.
    bool SingleBitmap() const { return m_single; }
    void SetSingleBitmap(bool single);
    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool enabled);

    const PropertyTable* Properties() const override;
    static const PropertyTable& ClassProperties();

protected:
    void Loaded() override;

private:
    void bitmapChanged(TBitmap* changed);
    void loadResource(TBitmap& bitmap, const std::string& name);
    void apply();

    TComponentRef<TMenuItem> m_item;
    std::unique_ptr<TBitmap> m_checked;
    std::unique_ptr<TBitmap> m_unchecked;
    std::string m_checkedResource;
    std::string m_uncheckedResource;
    bool m_single = false;
    bool m_enabled = true;
    bool m_copying = false;
};

// Registers the docking classes with the design reader.
void RegisterDockingClasses();
