#include "framework/qt_bridge.h"

#include "framework/application.h"
#include "framework/clock.h"
#include "framework/forms.h"

#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QToolTip>

namespace framework_detail {

struct ControlAccess {
    static bool& clickPending(TControl* control) { return control->m_clickPending; }
};

namespace {

TMouseButton mouseButton(Qt::MouseButton button)
{
    switch (button) {
    case Qt::RightButton: return mbRight;
    case Qt::MiddleButton: return mbMiddle;
    default: return mbLeft;
    }
}

bool isPrimaryButton(Qt::MouseButton button)
{
    return button == Qt::LeftButton || button == Qt::RightButton || button == Qt::MiddleButton;
}

// A mouse event: the widget's own handling first, then the control's.
bool routeMouse(TControl* control, QWidget* widget, QMouseEvent* e, const std::function<bool(QEvent*)>& base)
{
    // A handler may free the control: what follows it then is skipped.
    TComponentRef<TControl> guard(control);
    bool result = base(e);
    if (!guard || !control->AcceptsEvents())
        return true;
    const QPoint at = e->position().toPoint();
    const int x = at.x();
    const int y = at.y();
    TShiftState shift = shiftState(e->modifiers(), e->buttons());
    switch (e->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        if (!isPrimaryButton(e->button()))
            break;
        const bool dbl = e->type() == QEvent::MouseButtonDblClick && control->HasStyle(csDoubleClicks);
        DispatchEvent(control, [&] {
            if (dbl) {
                shift |= 1u << ssDouble;
                control->DblClick();
                // A double-click handler may free the control (and its widget with it).
                if (!guard || !control->AcceptsEvents())
                    return;
            } else if (e->button() == Qt::LeftButton && control->HasStyle(csClickEvents)) {
                ControlAccess::clickPending(control) = true;
            }
            control->MouseDown(mouseButton(e->button()), shift, x, y);
        });
        break;
    }
    case QEvent::MouseButtonRelease: {
        if (!isPrimaryButton(e->button()))
            break;
        // On release the shift state no longer holds the released button.
        DispatchEvent(control, [&] {
            if (e->button() == Qt::LeftButton && ControlAccess::clickPending(control)) {
                ControlAccess::clickPending(control) = false;
                if (widget->rect().contains(at))
                    control->Click();
            }
            if (guard && control->AcceptsEvents())
                control->MouseUp(mouseButton(e->button()), shift, x, y);
        });
        break;
    }
    case QEvent::MouseMove:
        DispatchEvent(control, [&] { control->MouseMove(shift, x, y); });
        break;
    default:
        break;
    }
    // Mouse events stop at the first control, as they do in the system's windows.
    if (guard)
        e->accept();
    (void)result;
    return true;
}

bool routeKey(TControl* control, QKeyEvent* e, const std::function<bool(QEvent*)>& base)
{
    auto* win = dynamic_cast<TWinControl*>(control);
    if (!win)
        return base(e);
    TForm* form = GetParentForm(control);
    unsigned short key = virtualKey(*e);
    const TShiftState shift = shiftState(e->modifiers(), Qt::NoButton);
    bool swallow = false;
    TComponentRef<TControl> guard(control);
    std::unique_ptr<QKeyEvent> replaced;
    if (e->type() == QEvent::KeyPress) {
        const QByteArray text = e->text().toUtf8();
        DispatchEvent(win, [&] {
            // A handler may free the control (and its widget with it): the others then hear
            // nothing more.
            if (form && form != win && form->KeyPreview() && key)
                form->KeyDown(key, shift);
            if (!guard)
                return;
            if (key)
                win->KeyDown(key, shift);
            if (!guard)
                return;
            if (key == 0 && virtualKey(*e) != 0) {
                swallow = true;
                return;
            }
            // Character keys: only single-byte characters make a key press.
            if (text.size() == 1) {
                char c = text[0];
                if (form && form != win && form->KeyPreview())
                    form->KeyPress(c);
                if (!guard)
                    return;
                if (c != 0)
                    win->KeyPress(c);
                if (c == 0)
                    swallow = true;
                else if (c != text[0])
                    replaced = std::make_unique<QKeyEvent>(e->type(), e->key(), e->modifiers(),
                                                           QString(QChar(static_cast<unsigned char>(c))));
            }
        });
    } else {
        DispatchEvent(win, [&] {
            if (form && form != win && form->KeyPreview() && key)
                form->KeyUp(key, shift);
            if (!guard)
                return;
            if (key)
                win->KeyUp(key, shift);
            if (key == 0 && virtualKey(*e) != 0)
                swallow = true;
        });
    }
    if (!guard)
        return true;
    if (!swallow) {
        QKeyEvent* delivered = replaced ? replaced.get() : e;
        delivered->setAccepted(false);
        base(delivered);
        if (!guard)
            return true;
        // Keys the focused control left alone may belong to the form: Enter for the default
        // button, Esc for the cancel button.
        if (!delivered->isAccepted() && e->type() == QEvent::KeyPress && form && form->AcceptsEvents()) {
            unsigned short dialogKey = virtualKey(*e);
            DispatchEvent(form, [&] { form->DialogKey(dialogKey, shift); });
        }
    }
    // Keys stop at the focused control, as they do in the system's windows.
    if (guard)
        e->accept();
    return true;
}

// A hint waiting for the application's short pause to pass; a newer one takes its place.
struct PendingHint {
    ClockTimer timer{[this] { show(); }};
    TComponentRef<TControl> control;
    QPoint at;

    void show() const
    {
        QWidget* shown = control ? control->Widget() : nullptr;
        if (shown && shown->underMouse())
            QToolTip::showText(at, shown->toolTip(), shown, {}, shown->toolTipDuration());
    }
};

PendingHint& pendingHint()
{
    // Never destroyed: its timer may still be arranged on a clock when the program ends.
    static auto* hint = new PendingHint;
    return *hint;
}

// While a hint is up, the window system shows the next one after 20 ms; the application's short
// pause may ask for longer.
bool showToolTip(TControl* control, QHelpEvent* e, const std::function<bool(QEvent*)>& base)
{
    constexpr int windowSystemQuickPause = 20;
    QWidget* shown = control->Widget();
    if (!Application || !shown || !QToolTip::isVisible() || shown->toolTip().isEmpty() ||
        Application->HintShortPause() <= windowSystemQuickPause)
        return base(e);
    PendingHint& hint = pendingHint();
    hint.control = control;
    hint.at = e->globalPos();
    hint.timer.Start(Application->HintShortPause() - windowSystemQuickPause);
    return true;
}

} // namespace

bool routeEvent(TControl* control, QWidget* widget, QEvent* e, const std::function<bool(QEvent*)>& base)
{
    try {
        if (!control || !control->AcceptsEvents())
            return base(e);
        switch (e->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
            return routeMouse(control, widget, static_cast<QMouseEvent*>(e), base);
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
            return routeKey(control, static_cast<QKeyEvent*>(e), base);
        case QEvent::Enter: {
            bool result = base(e);
            DispatchEvent(control, [control] { control->MouseEnter(); });
            return result;
        }
        case QEvent::Leave: {
            bool result = base(e);
            DispatchEvent(control, [control] { control->MouseLeave(); });
            return result;
        }
        case QEvent::FocusIn:
        case QEvent::FocusOut: {
            TComponentRef<TControl> guard(control);
            bool result = base(e);
            if (!guard)
                return true;
            if (auto* win = dynamic_cast<TWinControl*>(control)) {
                if (e->type() == QEvent::FocusIn)
                    DispatchEvent(win, [win] { win->DoEnter(); });
                else
                    DispatchEvent(win, [win] { win->DoExit(); });
            }
            return result;
        }
        case QEvent::ToolTip:
            return showToolTip(control, static_cast<QHelpEvent*>(e), base);
        case QEvent::ContextMenu: {
            auto* menuEvent = static_cast<QContextMenuEvent*>(e);
            const QPoint at = menuEvent->pos();
            DispatchEvent(control, [&] { control->ContextPopup(at.x(), at.y()); });
            return true;
        }
        case QEvent::Close:
            if (auto* form = dynamic_cast<TForm*>(control); form && widget->isWindow()) {
                // The form decides; the window system's own closing never runs.
                e->ignore();
                DispatchEvent(form, [form] { form->Close(); });
                return true;
            }
            return base(e);
        case QEvent::Resize:
        case QEvent::Move:
        case QEvent::WindowStateChange: {
            bool result = base(e);
            if (auto* form = dynamic_cast<TForm*>(control); form && widget->isWindow())
                DispatchEvent(form, [form] { form->WindowGeometryChanged(); });
            return result;
        }
        default:
            return base(e);
        }
    } catch (...) {
        HandleEscapingException(control);
        return true;
    }
}

void paintControl(TControl* control, QWidget* widget)
{
    PaintScope scope;
    try {
        QPainter painter(widget);
        DispatchEvent(control, [&] { control->PaintWidget(painter); });
    } catch (...) {
        HandleEscapingException(control);
    }
}

void disposeWidget(QWidget* widget)
{
    auto* host = dynamic_cast<ControlHost*>(widget);
    if (!host) {
        delete widget;
        return;
    }
    host->detachControl();
    if (!host->handlingEvent()) {
        delete widget;
        return;
    }
    // The window system goes on using the widget after the handler that freed its control
    // returns; a parent deleted meanwhile must not take it along.
    widget->hide();
    widget->setParent(nullptr);
    widget->deleteLater();
}

TControl* controlOf(QWidget* widget)
{
    for (QWidget* w = widget; w; w = w->parentWidget())
        if (auto* host = dynamic_cast<ControlHost*>(w))
            return host->control();
    return nullptr;
}

QString qString(const std::string& text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

std::string stdString(const QString& text)
{
    return text.toStdString();
}

QColor qColor(TColor color)
{
    const platform::Colour rgb = ColorToRGB(color);
    return QColor(platform::redOf(rgb), platform::greenOf(rgb), platform::blueOf(rgb));
}

QFont qFont(const TFont& font)
{
    QFont f(qString(font.Name()));
    // A negative height is the character height in pixels; a positive one the cell height, of
    // which about a fifth is internal leading.
    int pixels = font.Height() < 0 ? -font.Height() : font.Height() - font.Height() / 5;
    f.setPixelSize(pixels > 0 ? pixels : 11);
    const TFontStyles style = font.Style();
    f.setBold(style & (1u << fsBold));
    f.setItalic(style & (1u << fsItalic));
    f.setUnderline(style & (1u << fsUnderline));
    f.setStrikeOut(style & (1u << fsStrikeOut));
    if (font.Pitch() == fpFixed)
        f.setFixedPitch(true);
    return f;
}

Qt::CursorShape cursorShape(TCursor cursor)
{
    switch (cursor) {
    case crNone: return Qt::BlankCursor;
    case crCross: return Qt::CrossCursor;
    case crIBeam: return Qt::IBeamCursor;
    case crSizeNESW: return Qt::SizeBDiagCursor;
    case crSizeNS: return Qt::SizeVerCursor;
    case crSizeNWSE: return Qt::SizeFDiagCursor;
    case crSizeWE: return Qt::SizeHorCursor;
    case crUpArrow: return Qt::UpArrowCursor;
    case crHourGlass: return Qt::WaitCursor;
    case crSQLWait: return Qt::WaitCursor;
    case crDrag: return Qt::DragCopyCursor;
    case crNoDrop:
    case crNo: return Qt::ForbiddenCursor;
    case crHSplit: return Qt::SplitHCursor;
    case crVSplit: return Qt::SplitVCursor;
    case crMultiDrag: return Qt::DragCopyCursor;
    case crAppStart: return Qt::BusyCursor;
    case crHelp: return Qt::WhatsThisCursor;
    case crHandPoint: return Qt::PointingHandCursor;
    case crSizeAll: return Qt::SizeAllCursor;
    default: return Qt::ArrowCursor;
    }
}

TShiftState shiftState(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons)
{
    TShiftState shift = 0;
    if (modifiers & Qt::ShiftModifier)
        shift |= 1u << ssShift;
    if (modifiers & Qt::AltModifier)
        shift |= 1u << ssAlt;
    if (modifiers & Qt::ControlModifier)
        shift |= 1u << ssCtrl;
    if (buttons & Qt::LeftButton)
        shift |= 1u << ssLeft;
    if (buttons & Qt::RightButton)
        shift |= 1u << ssRight;
    if (buttons & Qt::MiddleButton)
        shift |= 1u << ssMiddle;
    return shift;
}

unsigned short virtualKey(const QKeyEvent& event)
{
    const int key = event.key();
    const bool keypad = event.modifiers() & Qt::KeypadModifier;
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return (unsigned short)(keypad ? VK_NUMPAD0 + (key - Qt::Key_0) : '0' + (key - Qt::Key_0));
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return (unsigned short)('A' + (key - Qt::Key_A));
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return (unsigned short)(VK_F1 + (key - Qt::Key_F1));
    switch (key) {
    case Qt::Key_Backspace: return VK_BACK;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return VK_TAB;
    case Qt::Key_Return:
    case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Shift: return VK_SHIFT;
    case Qt::Key_Control: return VK_CONTROL;
    case Qt::Key_Alt: return VK_MENU;
    case Qt::Key_Pause: return VK_PAUSE;
    case Qt::Key_CapsLock: return VK_CAPITAL;
    case Qt::Key_Escape: return VK_ESCAPE;
    case Qt::Key_Space: return VK_SPACE;
    case Qt::Key_PageUp: return VK_PRIOR;
    case Qt::Key_PageDown: return VK_NEXT;
    case Qt::Key_End: return VK_END;
    case Qt::Key_Home: return VK_HOME;
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Down: return VK_DOWN;
    case Qt::Key_Print: return VK_SNAPSHOT;
    case Qt::Key_Insert: return VK_INSERT;
    case Qt::Key_Delete: return VK_DELETE;
    case Qt::Key_NumLock: return VK_NUMLOCK;
    case Qt::Key_ScrollLock: return VK_SCROLL;
    case Qt::Key_Asterisk: return keypad ? VK_MULTIPLY : 0;
    case Qt::Key_Plus: return keypad ? VK_ADD : 187;
    case Qt::Key_Minus: return keypad ? VK_SUBTRACT : 189;
    case Qt::Key_Period: return keypad ? VK_DECIMAL : 190;
    case Qt::Key_Slash: return keypad ? VK_DIVIDE : 191;
    case Qt::Key_Semicolon: return 186;
    case Qt::Key_Equal: return 187;
    case Qt::Key_Comma: return 188;
    case Qt::Key_QuoteLeft: return 192;
    case Qt::Key_BracketLeft: return 219;
    case Qt::Key_Backslash: return 220;
    case Qt::Key_BracketRight: return 221;
    case Qt::Key_Apostrophe: return 222;
    default: return 0;
    }
}

TRect tRect(const QRect& r)
{
    return TRect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

QRect qRect(const TRect& r)
{
    return QRect(r.left, r.top, r.width(), r.height());
}

} // namespace framework_detail
