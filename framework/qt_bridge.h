#pragma once
// Internal to framework/: the widgets that show controls and carry the window system's events
// to them. Every event function catches everything: an exception that escapes a handler goes
// to the application's exception handling, never back into the window system.

#include "framework/control.h"

#include <QAbstractScrollArea>
#include <QColor>
#include <QFont>
#include <QPainter>
#include <QPaintEvent>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <string>

class QKeyEvent;

namespace framework_detail {

// The part every framework widget shares: the control it shows.
class ControlHost {
public:
    explicit ControlHost(TControl* control) : m_control(control) {}
    virtual ~ControlHost() = default;
    TControl* control() const { return m_control; }
    // The control is going: events no longer reach it.
    void detachControl() { m_control = nullptr; }
    // Whether the window system is delivering one of this widget's events: until it is done,
    // the widget must not be deleted.
    bool handlingEvent() const { return m_eventDepth > 0; }

protected:
    // Counts the event in progress; the widget is not deleted for its control while one is.
    // The window system may still delete it meanwhile (its deferred deletion comes as an event).
    class EventScope {
    public:
        EventScope(ControlHost& host, QWidget* widget) : m_host(host), m_widget(widget) { ++m_host.m_eventDepth; }
        ~EventScope()
        {
            if (m_widget)
                --m_host.m_eventDepth;
        }
        EventScope(const EventScope&) = delete;
        EventScope& operator=(const EventScope&) = delete;

    private:
        ControlHost& m_host;
        QPointer<QWidget> m_widget;
    };

    TControl* m_control;

private:
    int m_eventDepth = 0;
};

// Deletes a control's widget, or, while one of its events is being delivered, hides it and
// deletes it once the delivery is over.
void disposeWidget(QWidget* widget);

// Routes one event of a framework widget to its control; `base` runs the widget's own handling.
bool routeEvent(TControl* control, QWidget* widget, QEvent* event, const std::function<bool(QEvent*)>& base);
// Paints a control that paints itself, inside a paint scope.
void paintControl(TControl* control, QWidget* widget);

// A widget of class QtBase that shows a control.
template <class QtBase>
class ControlWidget : public QtBase, public ControlHost {
public:
    template <class... Args>
    explicit ControlWidget(TControl* control, Args&&... args)
        : QtBase(std::forward<Args>(args)...), ControlHost(control)
    {
    }

protected:
    bool event(QEvent* e) override
    {
        EventScope scope(*this, this);
        return routeEvent(m_control, this, e, [this](QEvent* ev) { return QtBase::event(ev); });
    }
    void paintEvent(QPaintEvent* e) override
    {
        if (m_control && m_control->PaintsItself() && m_control->AcceptsEvents())
            paintControl(m_control, this);
        else
            QtBase::paintEvent(e);
    }
};

// A scrolling widget whose viewport's mouse events reach the control too.
template <class QtBase>
class ScrollControlWidget : public ControlWidget<QtBase> {
public:
    using ControlWidget<QtBase>::ControlWidget;

protected:
    bool viewportEvent(QEvent* e) override
    {
        ControlHost::EventScope scope(*this, this);
        return routeEvent(this->m_control, this->viewport(), e,
                          [this](QEvent* ev) { return QtBase::viewportEvent(ev); });
    }
};

// The control shown by a widget or by its nearest framework ancestor widget.
TControl* controlOf(QWidget* widget);

QString qString(const std::string& text);
std::string stdString(const QString& text);
QColor qColor(TColor color);
QFont qFont(const TFont& font);
Qt::CursorShape cursorShape(TCursor cursor);
TShiftState shiftState(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons);
// The virtual key code of a key event (0 for keys without one).
unsigned short virtualKey(const QKeyEvent& event);
TRect tRect(const QRect& r);
QRect qRect(const TRect& r);

} // namespace framework_detail
