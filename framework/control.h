#pragma once
// Controls: components with a place on a parent, drawn in a window of the window system.
// TControl holds the geometry, visibility, font, colour, hint and mouse events every control
// has; TWinControl holds child controls, arranges them by alignment, and takes the keyboard
// focus; TGraphicControl and TCustomControl paint themselves through a canvas.
//
// Every control owns one Qt widget (Widget()); a windowed control's Handle() is that widget once
// its window is "created" (HandleNeeded: when its form is shown, or on request). Geometry is the
// control's own: the framework places widgets itself, never through Qt layouts.

#include "framework/canvas.h"
#include "framework/component.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QWidget;
class QPainter;
class QEvent;
class QImage;
class TWinControl;
class TPopupMenu;
class TForm;
class TControlCanvas;
namespace platform {
class DeviceContext;
}
namespace framework_detail {
struct ControlAccess;
}

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TMouseButton { mbLeft, mbRight, mbMiddle };
// Shift state: bits 1 << member.
enum TShiftStateMember { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = unsigned;
// Control style: bits 1 << member.
enum TControlStyleMember {
    csAcceptsControls,  // children may be placed on it in designs
    csCaptureMouse,
    csClickEvents,      // a press and release inside the control is a click
    csFramed,
    csSetCaption,
    csOpaque,           // paints its whole area
    csDoubleClicks,     // a double click is a double click, not a second press
};
using TControlStyle = unsigned;

using TCursor = int;
constexpr TCursor crDefault = 0;
constexpr TCursor crNone = -1;
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crIBeam = -4;
constexpr TCursor crSizeNESW = -6;
constexpr TCursor crSizeNS = -7;
constexpr TCursor crSizeNWSE = -8;
constexpr TCursor crSizeWE = -9;
constexpr TCursor crUpArrow = -10;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crDrag = -12;
constexpr TCursor crNoDrop = -13;
constexpr TCursor crHSplit = -14;
constexpr TCursor crVSplit = -15;
constexpr TCursor crMultiDrag = -16;
constexpr TCursor crSQLWait = -17;
constexpr TCursor crNo = -18;
constexpr TCursor crAppStart = -19;
constexpr TCursor crHelp = -20;
constexpr TCursor crHandPoint = -21;
constexpr TCursor crSizeAll = -22;
// Cursor names as designs write them ("crHourGlass"), compared without regard to case.
bool IdentToCursor(std::string_view ident, TCursor& cursor);

// Virtual key codes of keyboard events.
enum : unsigned short {
    VK_BACK = 8, VK_TAB = 9, VK_RETURN = 13, VK_SHIFT = 16, VK_CONTROL = 17, VK_MENU = 18,
    VK_PAUSE = 19, VK_CAPITAL = 20, VK_ESCAPE = 27, VK_SPACE = 32, VK_PRIOR = 33, VK_NEXT = 34,
    VK_END = 35, VK_HOME = 36, VK_LEFT = 37, VK_UP = 38, VK_RIGHT = 39, VK_DOWN = 40,
    VK_SNAPSHOT = 44, VK_INSERT = 45, VK_DELETE = 46, VK_NUMPAD0 = 96, VK_MULTIPLY = 106,
    VK_ADD = 107, VK_SUBTRACT = 109, VK_DECIMAL = 110, VK_DIVIDE = 111, VK_F1 = 112,
    VK_NUMLOCK = 144, VK_SCROLL = 145
};

using TMouseEvent = std::function<void(TObject* sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(TObject* sender, TShiftState shift, int x, int y)>;
using TKeyEvent = std::function<void(TObject* sender, unsigned short& key, TShiftState shift)>;
using TKeyPressEvent = std::function<void(TObject* sender, char& key)>;

// Size limits of a control; 0 means no limit.
class TSizeConstraints : public TPersistent {
    PICTAVO_CLASS(TSizeConstraints)
public:
    int MinWidth() const { return m_minWidth; }
    void SetMinWidth(int value);
    int MinHeight() const { return m_minHeight; }
    void SetMinHeight(int value);
    int MaxWidth() const { return m_maxWidth; }
    void SetMaxWidth(int value);
    int MaxHeight() const { return m_maxHeight; }
    void SetMaxHeight(int value);
    // The size limited by the constraints.
    void Apply(int& width, int& height) const;
    const PropertyTable* Properties() const override;

    TNotifyEvent OnChange;

private:
    void changed();
    int m_minWidth = 0;
    int m_minHeight = 0;
    int m_maxWidth = 0;
    int m_maxHeight = 0;
};

class TControl : public TComponent {
    PICTAVO_CLASS(TControl)
public:
    explicit TControl(TComponent* owner);
    ~TControl() override;

    // Geometry in the parent's client coordinates (a form's: outer size on the screen).
    int Left() const { return m_left; }
    void SetLeft(int left) { SetBounds(left, m_top, m_width, m_height); }
    int Top() const { return m_top; }
    void SetTop(int top) { SetBounds(m_left, top, m_width, m_height); }
    int Width() const { return m_width; }
    void SetWidth(int width) { SetBounds(m_left, m_top, width, m_height); }
    int Height() const { return m_height; }
    void SetHeight(int height) { SetBounds(m_left, m_top, m_width, height); }
    virtual void SetBounds(int left, int top, int width, int height);
    TRect BoundsRect() const { return TRect{m_left, m_top, m_left + m_width, m_top + m_height}; }
    void SetBoundsRect(const TRect& r) { SetBounds(r.left, r.top, r.width(), r.height()); }
    virtual int ClientWidth() const { return m_width; }
    void SetClientWidth(int width) { SetClientSize(width, ClientHeight()); }
    virtual int ClientHeight() const { return m_height; }
    void SetClientHeight(int height) { SetClientSize(ClientWidth(), height); }
    virtual void SetClientSize(int width, int height);
    TRect ClientRect() const { return TRect{0, 0, ClientWidth(), ClientHeight()}; }
    TPoint ClientOrigin() const;
    TPoint ClientToScreen(TPoint point) const;
    TPoint ScreenToClient(TPoint point) const;
    TSizeConstraints* Constraints() const { return m_constraints.get(); }

    TAlign Align() const { return m_align; }
    void SetAlign(TAlign align);
    bool Visible() const { return m_visible; }
    virtual void SetVisible(bool visible);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Visible, and so are all parents up to a visible form.
    bool Showing() const;
    bool Enabled() const { return m_enabled; }
    virtual void SetEnabled(bool enabled);

    std::string Caption() const { return m_text; }
    void SetCaption(const std::string& caption) { SetText(caption); }
    std::string Text() const { return m_text; }
    void SetText(const std::string& text);

    std::string Hint() const { return m_hint; }
    void SetHint(const std::string& hint);
    bool ShowHint() const { return m_showHint; }
    void SetShowHint(bool show);
    bool ParentShowHint() const { return m_parentShowHint; }
    void SetParentShowHint(bool parent);
    // Whether a tooltip shows now (own or inherited setting, and the application's).
    bool HintShown() const;

    TColor Color() const { return m_color; }
    void SetColor(TColor color);
    bool ParentColor() const { return m_parentColor; }
    void SetParentColor(bool parent);
    TFont* Font() const { return m_font.get(); }
    void SetFont(const TFont* font) { m_font->CopyFrom(font); }
    bool ParentFont() const { return m_parentFont; }
    void SetParentFont(bool parent);
    TCursor Cursor() const { return m_cursor; }
    void SetCursor(TCursor cursor);
    TPopupMenu* PopupMenu() const { return m_popupMenu; }
    void SetPopupMenu(TPopupMenu* menu);

    TWinControl* Parent() const { return m_parent; }
    virtual void SetParent(TWinControl* parent);
    bool HasParent() const override { return true; }
    void SetParentComponent(TComponent* parent) override;
    TControlStyle ControlStyle() const { return m_controlStyle; }
    void SetControlStyle(TControlStyle style) { m_controlStyle = style; }
    bool HasStyle(TControlStyleMember member) const { return (m_controlStyle & (1u << member)) != 0; }

    void Invalidate();
    // Paints now what needs painting.
    void Update();
    void Repaint();
    void BringToFront();
    void SendToBack();
    void SetMouseCapture(bool capture);

    // The widget that shows this control (framework and lower-level code only).
    QWidget* Widget() const { return m_widget; }

    virtual void Click();
    virtual void DblClick();

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TNotifyEvent OnResize;
    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseUp;

    const PropertyTable* Properties() const override;
    static const PropertyTable& ClassProperties();

    // Called by the framework for events from the window system, in client coordinates.
    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseMove(TShiftState shift, int x, int y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseEnter();
    virtual void MouseLeave();
    // Whether this control paints itself through PaintWidget.
    virtual bool PaintsItself() const { return false; }
    // Paints the control with the painter (during a paint event of its widget).
    virtual void PaintWidget(QPainter& painter);
    // A context-menu request at the client point: shows the pop-up menu, if any.
    virtual void ContextPopup(int x, int y);
    // Whether events of the window system reach the control now.
    bool AcceptsEvents() const;

protected:
    // Puts the widget that shows this control in place of the current one (taking ownership)
    // and brings it up to date with the control's state.
    void SetWidget(QWidget* widget);
    void Loaded() override;

    // Fires OnResize after the size changed (not while loading).
    virtual void Resize();
    // The size changed: windowed controls arrange their children, then Resize runs.
    virtual void SizeChanged();
    // The text or caption changed.
    virtual void TextChanged();
    virtual void FontChanged();
    virtual void ColorChanged();
    virtual void VisibleChanged();
    virtual void EnabledChanged();
    // The parent's font, colour or hint setting changed; the defaults follow it when asked to.
    virtual void ParentFontChanged();
    virtual void ParentColorChanged();
    virtual void ParentShowHintChanged();
    // The effective ShowHint changed: the tooltip follows; windowed controls tell their children.
    virtual void ShowHintChanged();
    // The control's widget geometry, from the control's bounds.
    virtual void UpdateWidgetGeometry();
    virtual void UpdateWidgetVisibility();
    // Asks the parent to arrange its children again because this control changed.
    void RequestAlign();
    void applyFontToWidget();
    void applyColorToWidget();
    void applyHintToWidget();
    void applyCursorToWidget();

    // The mouse was pressed inside with the left button (a click follows a release inside).
    bool m_clickPending = false;

private:
    friend class TWinControl;
    friend struct framework_detail::ControlAccess;

    QWidget* m_widget = nullptr;
    TWinControl* m_parent = nullptr;
    int m_left = 0;
    int m_top = 0;
    int m_width = 0;
    int m_height = 0;
    TAlign m_align = alNone;
    bool m_visible = true;
    bool m_enabled = true;
    std::string m_text;
    std::string m_hint;
    bool m_showHint = false;
    bool m_parentShowHint = true;
    TColor m_color = clWindow;
    bool m_parentColor = false;
    std::unique_ptr<TFont> m_font;
    bool m_parentFont = true;
    bool m_changingParentFont = false;
    TCursor m_cursor = crDefault;
    TComponentRef<TPopupMenu> m_popupMenu;
    TControlStyle m_controlStyle = (1u << csCaptureMouse) | (1u << csClickEvents) | (1u << csSetCaption) |
                                   (1u << csDoubleClicks);
    std::unique_ptr<TSizeConstraints> m_constraints;
};

// Windowed controls: children, alignment, focus, keyboard.
class TWinControl : public TControl {
    PICTAVO_CLASS(TWinControl)
public:
    explicit TWinControl(TComponent* owner);
    ~TWinControl() override;

    int ControlCount() const { return int(m_controls.size()); }
    TControl* Controls(int index) const { return m_controls[std::size_t(index)]; }
    bool ContainsControl(const TControl* control) const;

    // The widget, with its window made (see HandleNeeded).
    QWidget* Handle();
    bool HandleAllocated() const { return m_handleAllocated; }
    // Makes the window of this control and of its children, once: CreateWnd runs for each.
    void HandleNeeded();
    // Where the widgets of child controls go (the control's own widget by default).
    virtual QWidget* ClientWidget() const;

    int TabOrder() const;
    void SetTabOrder(int order);
    bool TabStop() const { return m_tabStop; }
    void SetTabStop(bool stop);
    bool Focused() const;
    virtual bool CanFocus() const;
    // Raises "Cannot focus a disabled or invisible window" when the control cannot take focus.
    virtual void SetFocus();
    TBrush* Brush() const { return m_brush.get(); }

    // Arranges the aligned children in the client area (see AlignControls).
    void Realign();
    void DisableAlign() { ++m_alignDisabled; }
    void EnableAlign();
    bool AlignDisabled() const { return m_alignDisabled > 0; }
    // The area aligned children fill; the base leaves the client rectangle as it is.
    virtual void AdjustClientRect(TRect& rect) const;
    void UpdateHints();

    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;
    TKeyEvent OnKeyDown;
    TKeyPressEvent OnKeyPress;
    TKeyEvent OnKeyUp;

    const PropertyTable* Properties() const override;
    static const PropertyTable& ClassProperties();

    // Keyboard and focus events from the window system; KeyDown and KeyPress set the key to 0
    // to swallow it.
    virtual void KeyDown(unsigned short& key, TShiftState shift);
    virtual void KeyPress(char& key);
    virtual void KeyUp(unsigned short& key, TShiftState shift);
    virtual void DoEnter();
    virtual void DoExit();

protected:
    struct DeferWidget {};
    // For subclasses that make their own widget (SetWidget in their constructor).
    TWinControl(TComponent* owner, DeferWidget);

    // Makes the window: called once by HandleNeeded, before the children's.
    virtual void CreateWnd();
    // Places the aligned children; `control` is the one whose change asked for it (or null).
    virtual void AlignControls(TControl* control, TRect& rect);
    // Called after a child's bounds, alignment or visibility changed.
    virtual void ControlChanged(TControl* control);
    // Arranges the children again, after the arrangement under way if there is one.
    void RealignLater();
    void Loaded() override;
    void SizeChanged() override;
    void FontChanged() override;
    void ColorChanged() override;
    void EnabledChanged() override;
    void ShowHintChanged() override;
    virtual void InsertControl(TControl* control);
    virtual void RemoveControl(TControl* control);
    void updateTabChain();

private:
    friend class TControl;
    void alignFrom(TControl* control);

    std::vector<TControl*> m_controls;
    std::vector<TWinControl*> m_tabList;
    std::unique_ptr<TBrush> m_brush;
    int m_alignDisabled = 0;
    bool m_alignPending = false;
    bool m_aligning = false;
    bool m_alignAgain = false;
    bool m_handleAllocated = false;
    bool m_tabStop = false;
    bool m_widgetTakesFocus = false;
    int m_loadedTabOrder = -1;
};

// A control drawn through a canvas of its own, without a window focus of its own.
class TGraphicControl : public TControl {
    PICTAVO_CLASS(TGraphicControl)
public:
    explicit TGraphicControl(TComponent* owner);
    ~TGraphicControl() override;
    TCanvas* Canvas() const;
    bool PaintsItself() const override { return true; }
    void PaintWidget(QPainter& painter) override;

protected:
    virtual void Paint();

private:
    std::unique_ptr<TControlCanvas> m_canvas;
};

// A windowed control that paints itself through a canvas of its own.
class TCustomControl : public TWinControl {
    PICTAVO_CLASS(TCustomControl)
public:
    explicit TCustomControl(TComponent* owner);
    ~TCustomControl() override;
    TCanvas* Canvas() const;
    bool PaintsItself() const override { return true; }
    void PaintWidget(QPainter& painter) override;

protected:
    TCustomControl(TComponent* owner, DeferWidget);
    virtual void Paint();

private:
    std::unique_ptr<TControlCanvas> m_canvas;
};

// The canvas of a control. During a paint event it draws through the widget's painter
// (BeginPaint/EndPaint); outside one it measures text but has nothing to draw on.
class TControlCanvas : public TCanvas {
    PICTAVO_CLASS(TControlCanvas)
public:
    explicit TControlCanvas(TControl* control);
    ~TControlCanvas() override;
    TControl* Control() const { return m_control; }
    // Draws through the painter until EndPaint; pairs nest.
    void BeginPaint(QPainter& painter);
    void EndPaint();

protected:
    void CreateHandle() override;

private:
    TControl* m_control;
    std::vector<std::unique_ptr<platform::DeviceContext>> m_paintContexts;
    // Declared in the order they must be made; they go in reverse.
    std::unique_ptr<QImage> m_measureImage;
    std::unique_ptr<QPainter> m_measurePainter;
    std::unique_ptr<platform::DeviceContext> m_measureContext;
};

// The form a control sits on, or null.
TForm* GetParentForm(const TControl* control);
