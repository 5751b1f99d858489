#pragma once
// Time for the docking components: the repeat and hover timers of toolbar buttons, the pop-up
// menus' animation frames and sub-menu timer. They all read one clock, which the program takes
// from the window system; tests put a clock of their own in place and move it on by hand.
// Also the platform's named event sounds ("MenuPopup", "MenuCommand").

#include "framework/seams.h"

#include <cstdint>
#include <functional>
#include <string>

class DockingTimer;

// Milliseconds and single-shot timers.
class DockingClock {
public:
    virtual ~DockingClock() = default;
    // Milliseconds since a fixed start.
    virtual std::int64_t Now() const = 0;
    // Arranges one call of timer.Fire() at `due` (replacing an earlier arrangement for it).
    virtual void Schedule(DockingTimer& timer, std::int64_t due) = 0;
    virtual void Cancel(DockingTimer& timer) = 0;
    // Runs `call` once whatever runs now has returned (see CallSoon).
    virtual void Post(std::function<void()> call);
};

// The clock in use: the one put in place, else the window system's.
DockingClock& CurrentDockingClock();
// Puts a clock in place (null: the window system's again); returns the one that was in place.
// Timers started before keep their arrangement on the clock they were started with.
DockingClock* SetDockingClock(DockingClock* clock);

// A timer on the docking clock. Start arranges one call of the handler; a repeating timer
// arranges the next call before each call. Destroying the timer cancels it.
class DockingTimer {
public:
    explicit DockingTimer(std::function<void()> onTimer);
    ~DockingTimer();
    DockingTimer(const DockingTimer&) = delete;
    DockingTimer& operator=(const DockingTimer&) = delete;

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
    DockingClock* m_clock = nullptr;
    int m_interval = 0;
    bool m_repeating = false;
};

// Calls `call` once, as soon as the docking clock allows (after whatever runs now has returned).
void CallSoon(std::function<void()> call);

// Plays one of the platform's named event sounds; an empty name stops a sound still playing.
// This desktop defines no sounds for menus, so the default plays nothing.
void PlayEventSound(const std::string& name);
Seam<void(const std::string&)>& EventSoundSeam();
