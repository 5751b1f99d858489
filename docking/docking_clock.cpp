// The window system's clock behind the docking timers, and the event sounds.

#include "docking/docking_clock.h"

#include "framework/application.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <map>
#include <memory>

namespace {

// The monotonic clock of the window system; each timer gets a single-shot Qt timer.
class WindowSystemClock : public DockingClock {
public:
    WindowSystemClock() { m_started.start(); }

    std::int64_t Now() const override { return m_started.elapsed(); }

    void Schedule(DockingTimer& timer, std::int64_t due) override
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

    // A posted call, not a timer: what it runs may wait in a modal loop of its own, and the
    // window system keeps its own timers (painting among them) from running inside a timer.
    void Post(std::function<void()> call) override
    {
        if (QCoreApplication::instance())
            QMetaObject::invokeMethod(QCoreApplication::instance(), [call = std::move(call)] {
                DispatchEvent(nullptr, call);
            }, Qt::QueuedConnection);
        else
            DockingClock::Post(std::move(call));
    }

    void Cancel(DockingTimer& timer) override
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

private:
    QElapsedTimer m_started;
    std::map<DockingTimer*, std::unique_ptr<QTimer>> m_timers;
};

DockingClock* replacedClock = nullptr;

} // namespace

DockingClock& CurrentDockingClock()
{
    static WindowSystemClock windowSystemClock;
    return replacedClock ? *replacedClock : windowSystemClock;
}

DockingClock* SetDockingClock(DockingClock* clock)
{
    DockingClock* previous = replacedClock;
    replacedClock = clock;
    return previous;
}

DockingTimer::DockingTimer(std::function<void()> onTimer) : m_onTimer(std::move(onTimer)) {}

DockingTimer::~DockingTimer()
{
    Stop();
}

void DockingTimer::Start(int milliseconds, bool repeating)
{
    m_interval = milliseconds;
    m_repeating = repeating;
    StartAt(CurrentDockingClock().Now() + milliseconds);
}

void DockingTimer::StartAt(std::int64_t due)
{
    DockingClock& clock = CurrentDockingClock();
    if (m_clock && m_clock != &clock)
        m_clock->Cancel(*this);
    m_clock = &clock;
    clock.Schedule(*this, due);
}

void DockingTimer::Stop()
{
    if (!m_clock)
        return;
    DockingClock* clock = m_clock;
    m_clock = nullptr;
    m_repeating = false;
    clock->Cancel(*this);
}

void DockingTimer::Fire()
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

namespace {
// A call waiting for its moment; it frees itself (and its timer) before it runs, so the call
// may do anything.
struct SoonCall {
    explicit SoonCall(std::function<void()> what)
        : timer([this] {
              const std::function<void()> run = std::move(call);
              delete this;
              run();
          }),
          call(std::move(what))
    {
    }
    DockingTimer timer;
    std::function<void()> call;
};
} // namespace

void DockingClock::Post(std::function<void()> call)
{
    (new SoonCall(std::move(call)))->timer.Start(0);
}

void CallSoon(std::function<void()> call)
{
    CurrentDockingClock().Post(std::move(call));
}

Seam<void(const std::string&)>& EventSoundSeam()
{
    static Seam<void(const std::string&)> seam([](const std::string&) {});
    return seam;
}

void PlayEventSound(const std::string& name)
{
    EventSoundSeam()(name);
}
