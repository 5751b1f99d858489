#pragma once
// Time for the framework and everything built on it: milliseconds, single-shot timers (the timer
// component, toolbar buttons' repeat and hover, pop-up menus' animation frames, the hint pause)
// and posted calls (the deferred calls of deferred_call.h). The program takes them from the
// window system; tests put a clock of their own in place through ClockSeam and move it on by
// hand.

#include "platform/seam.h"

#include <cstdint>
#include <functional>

class ClockTimer;

class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds since a fixed start.
    virtual std::int64_t Now() const = 0;
    // Arranges one call of timer.Fire() at `due` (replacing an earlier arrangement for it).
    virtual void Schedule(ClockTimer& timer, std::int64_t due) = 0;
    virtual void Cancel(ClockTimer& timer) = 0;
    // Runs `call` once whatever runs now has returned, after the calls posted before it. The
    // window system's clock runs it from the message loop, a modal one too. Only CallSoon posts:
    // it adds the target's guard and the error handling.
    virtual void Post(std::function<void()> call) = 0;
};

// The clock in use: the one a test put in place, else the window system's. Timers started
// before a change keep their arrangement on the clock they were started with.
Clock& CurrentClock();
Seam<Clock>& ClockSeam();

// A timer on the clock. Start arranges one call of the handler; a repeating timer arranges the
// next call before each call. Destroying the timer cancels it.
class ClockTimer {
public:
    explicit ClockTimer(std::function<void()> onTimer);
    ~ClockTimer();
    ClockTimer(const ClockTimer&) = delete;
    ClockTimer& operator=(const ClockTimer&) = delete;

    // Fires once after `milliseconds` (again every `milliseconds` when repeating); a running
    // timer starts over.
    void Start(int milliseconds, bool repeating = false);
    // Fires at the clock time `due` (a frame deadline, say): at once when it has passed.
    void StartAt(std::int64_t due);
    void Stop();
    bool Active() const { return m_clock != nullptr; }
    int Interval() const { return m_interval; }

    // Called by the clock when the arranged time comes. Exceptions of the handler go to the
    // application's error handling.
    void Fire();
    // Called by a clock that goes away with the timer still arranged on it: it stops.
    void ClockGone() { m_clock = nullptr; }

private:
    std::function<void()> m_onTimer;
    Clock* m_clock = nullptr;
    int m_interval = 0;
    bool m_repeating = false;
};
