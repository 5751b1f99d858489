#pragma once
// A clock for tests: time stands still until the test moves it on, and the timers and posted
// calls due by then run in order, each at its own moment. Posted calls are due at once, after
// what was arranged for the same moment before them. Calls still waiting when the clock goes
// are dropped.

#include "framework/clock.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <vector>

class FakeClock : public Clock {
public:
    FakeClock() = default;
    ~FakeClock() override
    {
        for (const Entry& entry : m_pending)
            if (entry.timer)
                entry.timer->ClockGone();
    }
    FakeClock(const FakeClock&) = delete;
    FakeClock& operator=(const FakeClock&) = delete;

    std::int64_t Now() const override { return m_now; }

    void Schedule(ClockTimer& timer, std::int64_t due) override
    {
        Cancel(timer);
        m_pending.push_back({&timer, {}, due, m_order++});
    }

    void Cancel(ClockTimer& timer) override
    {
        m_pending.erase(std::remove_if(m_pending.begin(), m_pending.end(),
                                       [&](const Entry& entry) { return entry.timer == &timer; }),
                        m_pending.end());
    }

    void Post(std::function<void()> call) override { m_pending.push_back({nullptr, std::move(call), m_now, m_order++}); }

    // Moves the time on by `milliseconds`, running everything that falls due on the way.
    void Advance(std::int64_t milliseconds)
    {
        const std::int64_t until = m_now + milliseconds;
        for (;;) {
            auto next = std::min_element(m_pending.begin(), m_pending.end(), [](const Entry& a, const Entry& b) {
                return a.due != b.due ? a.due < b.due : a.order < b.order;
            });
            if (next == m_pending.end() || next->due > until)
                break;
            const Entry entry = std::move(*next);
            m_now = std::max(m_now, entry.due);
            m_pending.erase(next);
            if (entry.timer)
                entry.timer->Fire();
            else
                entry.call();
        }
        m_now = until;
    }

    bool Idle() const { return m_pending.empty(); }

private:
    struct Entry {
        ClockTimer* timer;
        std::function<void()> call;
        std::int64_t due;
        unsigned long order;
    };
    std::int64_t m_now = 1000;
    unsigned long m_order = 0;
    std::vector<Entry> m_pending;
    // Last, so that it is in place only while the clock is whole.
    Seam<Clock>::Scoped m_inPlace{ClockSeam(), *this};
};
