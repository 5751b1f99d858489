// The window system's clock: a monotonic time, a Qt timer per running timer, and posted calls
// delivered as events.

#include "framework/clock.h"

#include "framework/application.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <map>
#include <memory>

namespace {

// A posted call on its way through the window system's event queue.
class PostedCall : public QEvent {
public:
    static QEvent::Type kind()
    {
        static const auto type = QEvent::Type(QEvent::registerEventType());
        return type;
    }
    explicit PostedCall(std::function<void()> call) : QEvent(kind()), m_call(std::move(call)) {}
    std::function<void()> take() { return std::move(m_call); }

private:
    std::function<void()> m_call;
};

// Receives the posted calls. It goes with the window system's application object, and the calls
// still queued for it go too.
class PostedCallReceiver : public QObject {
public:
    bool event(QEvent* e) override
    {
        if (e->type() != PostedCall::kind())
            return QObject::event(e);
        const std::function<void()> call = static_cast<PostedCall*>(e)->take();
        // No exception may leave an event function; CallSoon's calls report their own.
        try {
            call();
        } catch (...) {
            HandleEscapingException(nullptr);
        }
        return true;
    }
};

class WindowSystemClock : public Clock {
public:
    WindowSystemClock() { m_started.start(); }

    std::int64_t Now() const override { return m_started.elapsed(); }

    void Schedule(ClockTimer& timer, std::int64_t due) override
    {
        std::unique_ptr<QTimer>& qtTimer = m_timers[&timer];
        if (!qtTimer) {
            qtTimer = std::make_unique<QTimer>();
            qtTimer->setSingleShot(true);
            qtTimer->setTimerType(Qt::PreciseTimer);
            QObject::connect(qtTimer.get(), &QTimer::timeout, [this, &timer] {
                // The arrangement is used up: its Qt timer goes (once its signal is delivered)
                // before the timer's handler runs, which may arrange the next one.
                Cancel(timer);
                timer.Fire();
            });
        }
        qtTimer->start(int(std::max<std::int64_t>(0, due - Now())));
    }

    void Cancel(ClockTimer& timer) override
    {
        auto it = m_timers.find(&timer);
        if (it == m_timers.end())
            return;
        // The Qt timer may be the one whose signal is being delivered: it goes once that is over.
        it->second->stop();
        it->second->disconnect();
        it->second.release()->deleteLater();
        m_timers.erase(it);
    }

    // An event, not a zero timer: what a call runs may wait in a modal loop of its own, and the
    // window system holds its other timers (painting among them) while one of its timers runs.
    // Without the window system's application object there is no loop to run the call: it is
    // dropped.
    void Post(std::function<void()> call) override
    {
        if (!QCoreApplication::instance())
            return;
        if (!m_receiver) {
            m_receiver = new PostedCallReceiver;
            m_receiver->setParent(QCoreApplication::instance());
        }
        QCoreApplication::postEvent(m_receiver, new PostedCall(std::move(call)));
    }

private:
    QElapsedTimer m_started;
    std::map<ClockTimer*, std::unique_ptr<QTimer>> m_timers;
    QPointer<PostedCallReceiver> m_receiver;
};

Clock& windowSystemClock()
{
    // Never destroyed: timers and posted calls may outlive any other static.
    static auto* clock = new WindowSystemClock;
    return *clock;
}

} // namespace

Seam<Clock>& ClockSeam()
{
    static Seam<Clock> seam(windowSystemClock);
    return seam;
}

Clock& CurrentClock()
{
    return ClockSeam()();
}

ClockTimer::ClockTimer(std::function<void()> onTimer) : m_onTimer(std::move(onTimer)) {}

ClockTimer::~ClockTimer()
{
    Stop();
}

void ClockTimer::Start(int milliseconds, bool repeating)
{
    m_interval = milliseconds;
    m_repeating = repeating;
    StartAt(CurrentClock().Now() + milliseconds);
}

void ClockTimer::StartAt(std::int64_t due)
{
    Clock& clock = CurrentClock();
    if (m_clock && m_clock != &clock)
        m_clock->Cancel(*this);
    m_clock = &clock;
    clock.Schedule(*this, due);
}

void ClockTimer::Stop()
{
    if (!m_clock)
        return;
    Clock* clock = m_clock;
    m_clock = nullptr;
    m_repeating = false;
    clock->Cancel(*this);
}

void ClockTimer::Fire()
{
    if (!m_clock)
        return;
    if (m_repeating)
        m_clock->Schedule(*this, m_clock->Now() + m_interval);
    else
        m_clock = nullptr;
    // The handler may destroy the timer's owner, and the timer with it: it runs from a copy, and
    // nothing follows it.
    const std::function<void()> handler = m_onTimer;
    DispatchEvent(nullptr, handler);
}
