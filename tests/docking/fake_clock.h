#pragma once
// A docking clock for tests: time stands still until the test moves it on, and the timers due
// by then fire in order, each at its own moment.

#include "docking/docking_clock.h"

#include <algorithm>
#include <cstdint>
#include <vector>

class FakeClock : public DockingClock {
public:
    FakeClock() : m_previous(SetDockingClock(this)) {}
    ~FakeClock() override
    {
        SetDockingClock(m_previous);
        for (const Entry& entry : m_pending)
            entry.timer->ClockGone();
    }
    FakeClock(const FakeClock&) = delete;
    FakeClock& operator=(const FakeClock&) = delete;

    std::int64_t Now() const override { return m_now; }

    void Schedule(DockingTimer& timer, std::int64_t due) override
    {
        Cancel(timer);
        m_pending.push_back({&timer, due, m_order++});
    }

    void Cancel(DockingTimer& timer) override
    {
        m_pending.erase(std::remove_if(m_pending.begin(), m_pending.end(),
                                       [&](const Entry& entry) { return entry.timer == &timer; }),
                        m_pending.end());
    }

    // Moves the time on by `milliseconds`, firing every timer that falls due on the way.
    void Advance(std::int64_t milliseconds)
    {
        const std::int64_t until = m_now + milliseconds;
        for (;;) {
            auto next = std::min_element(m_pending.begin(), m_pending.end(), [](const Entry& a, const Entry& b) {
                return a.due != b.due ? a.due < b.due : a.order < b.order;
            });
            if (next == m_pending.end() || next->due > until)
                break;
            DockingTimer* timer = next->timer;
            m_now = std::max(m_now, next->due);
            m_pending.erase(next);
            timer->Fire();
        }
        m_now = until;
    }

    bool Idle() const { return m_pending.empty(); }

private:
    struct Entry {
        DockingTimer* timer;
        std::int64_t due;
        unsigned long order;
    };
    DockingClock* m_previous;
    std::int64_t m_now = 1000;
    unsigned long m_order = 0;
    std::vector<Entry> m_pending;
};
