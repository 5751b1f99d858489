#pragma once
// A timer component: fires OnTimer every Interval milliseconds while Enabled, from the message
// loop (a timer on the clock). An interval of 0, or no handler, stops it.

#include "framework/canvas.h"
#include "framework/component.h"

#include <memory>

class ClockTimer;

class TTimer : public TComponent {
    PICTAVO_CLASS(TTimer)
public:
    explicit TTimer(TComponent* owner);
    ~TTimer() override;

    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool enabled);
    unsigned Interval() const { return m_interval; }
    void SetInterval(unsigned milliseconds);
    TNotifyEvent OnTimer() const { return m_onTimer; }
    void SetOnTimer(TNotifyEvent handler);

    const PropertyTable* Properties() const override;
    static const PropertyTable& ClassProperties();

protected:
    virtual void Timer();
    void Loaded() override;

private:
    void updateTimer();

    std::unique_ptr<ClockTimer> m_timer;
    bool m_enabled = true;
    unsigned m_interval = 1000;
    TNotifyEvent m_onTimer;
};
