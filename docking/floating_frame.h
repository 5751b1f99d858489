#pragma once
// Internal to docking/: the small window a floating tool window sits in, and the outline drawn
// while a tool window is dragged.

#include "docking/docking.h"
#include "framework/application.h"
#include "framework/forms.h"

#include <QWidget>

#include <array>
#include <memory>

// The window of a floating toolbar or tool window: borderless (the tool window draws its own
// caption, close button and sizing frame), kept above its form, and shown without taking the
// activation from the form. It watches the form's window: while the form is hidden or
// minimised the floating windows are hidden too.
class FloatingFrame : public TForm {
    PICTAVO_CLASS(FloatingFrame)
public:
    explicit FloatingFrame(TCustomToolWindow97& window);
    ~FloatingFrame() override;

    TCustomToolWindow97& Window() const { return m_window; }
    // Whether the form the window belongs to is on the screen (shown, not minimised).
    bool FormShowing() const;
    void SetVisible(bool visible) override;

protected:
    // A close request from the window system closes the tool window as its close button does.
    void DoClose(TCloseAction& action) override;

private:
    TCustomToolWindow97& m_window;
    std::unique_ptr<QObject> m_formWatch;
};

// A rectangle outlined on the screen with a half-tone pattern, in four thin windows above
// everything else that take no input.
class DragOutlineWindows {
public:
    DragOutlineWindows();
    ~DragOutlineWindows();
    DragOutlineWindows(const DragOutlineWindows&) = delete;
    DragOutlineWindows& operator=(const DragOutlineWindows&) = delete;

    // Outlines the screen rectangle with lines `thickness` pixels wide.
    void Show(const TRect& rect, int thickness);
    void Hide();

private:
    std::array<std::unique_ptr<QWidget>, 4> m_sides;
};

// A drag of a tool window in progress: the candidate rectangles, the grab point, the outline
// and the dock under the cursor. While it lasts a message hook watches Esc, Ctrl and a second
// press of the left button.
class ToolWindowDrag {
public:
    ToolWindowDrag(TCustomToolWindow97& window, TPoint grabScreen);
    ~ToolWindowDrag();
    ToolWindowDrag(const ToolWindowDrag&) = delete;
    ToolWindowDrag& operator=(const ToolWindowDrag&) = delete;

    // The cursor moved to a screen point (or Ctrl went down or up there).
    void Track(TPoint screen, bool ctrlHeld);
    bool CtrlHeld() const { return m_ctrlKey || m_ctrl; }
    // Whether the cursor moved since the press: a press and release in one place drops nothing.
    bool Moved() const { return m_moved; }
    // Where a drop at the last tracked point lands: a dock (and the rectangle there), or none
    // (and the floating rectangle, kept on the work area).
    TDock97* Target() const { return m_target; }
    const TRect& Outline() const { return m_outline; }
    bool Cancelled() const { return m_cancelled; }

private:
    struct Candidate {
        TComponentRef<TDock97> dock;
        TSize size;
    };
    void message(TMessage& message);
    // The rectangle of `size` placed at the cursor by the grab fraction.
    TRect placedAt(TPoint screen, TSize size) const;
    bool catches(TDock97& dock, TPoint screen, TSize size) const;

    TCustomToolWindow97& m_window;
    TSize m_floatingSize;
    std::vector<Candidate> m_candidates;
    double m_grabX;
    double m_grabY;
    TPoint m_grab;
    TPoint m_last;
    bool m_moved = false;
    bool m_ctrl = false;     // held, as the last mouse message said
    bool m_ctrlKey = false;  // held, as the keyboard said
    TComponentRef<TDock97> m_target;
    TRect m_outline{0, 0, 0, 0};
    bool m_cancelled = false;
    DragOutlineWindows m_outlineWindows;
    THookSubscription m_hook;
};

// Shows or hides a form's window without taking the activation from the active window (floating
// windows and menu levels).
void ShowWithoutActivating(TForm& form, bool visible);

// Moves a floating window's rectangle into the work area: right edge, then bottom, then left,
// then top. With acceptOverlap a rectangle that overlaps the work area already stays.
TRect KeepOnWorkArea(TRect rect, bool acceptOverlap = false);
// The form a component belongs to: the first form among its owners.
TForm* OwningForm(const TComponent* component);
