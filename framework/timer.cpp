#include "framework/timer.h"

#include "framework/application.h"
#include "framework/clock.h"
#include "framework/properties.h"

PICTAVO_DEFINE_CLASS(TTimer, TComponent, nullptr, createComponentOf<TTimer>)

TTimer::TTimer(TComponent* owner)
    : TComponent(owner),
      m_timer(std::make_unique<ClockTimer>([this] { DispatchEvent(this, [this] { Timer(); }); }))
{
}

TTimer::~TTimer() = default;

void TTimer::SetEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    updateTimer();
}

void TTimer::SetInterval(unsigned milliseconds)
{
    if (milliseconds == m_interval)
        return;
    m_interval = milliseconds;
    updateTimer();
}

void TTimer::SetOnTimer(TNotifyEvent handler)
{
    m_onTimer = std::move(handler);
    updateTimer();
}

void TTimer::updateTimer()
{
    // Any change starts the period over.
    m_timer->Stop();
    if (m_enabled && m_interval != 0 && m_onTimer && !IsLoading())
        m_timer->Start(int(m_interval), true);
}

void TTimer::Loaded()
{
    TComponent::Loaded();
    updateTimer();
}

void TTimer::Timer()
{
    if (m_enabled && m_onTimer)
        m_onTimer(this);
}

const PropertyTable* TTimer::Properties() const
{
    return &ClassProperties();
}

const PropertyTable& TTimer::ClassProperties()
{
    static const PropertyTable table(&TComponent::ClassProperties(), [] {
        PropertyInfo onTimer = props::named("OnTimer", PropertyKind::Method);
        onTimer.setHandler = [](TPersistent& o, const std::any& handler) {
            static_cast<TTimer&>(o).SetOnTimer(std::any_cast<TNotifyEvent>(handler));
        };
        return std::vector<PropertyInfo>{
            props::boolean<TTimer>("Enabled", &TTimer::Enabled, &TTimer::SetEnabled),
            props::integer<TTimer, unsigned>("Interval", &TTimer::Interval, &TTimer::SetInterval),
            onTimer,
        };
    }());
    return table;
}
