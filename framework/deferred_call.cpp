#include "framework/deferred_call.h"

#include "framework/application.h"
#include "framework/clock.h"
#include "framework/component.h"

#include <memory>

namespace {

// A call waiting on the clock, and the reference that drops it when its target goes.
class DeferredCall : private framework_detail::Watch {
public:
    DeferredCall(framework_detail::WatchList* target, std::function<void()> call)
        : m_guarded(target != nullptr), m_call(std::move(call))
    {
        watch(target, target);
    }

    void run()
    {
        if (m_guarded && !watching())
            return;
        DispatchEvent(nullptr, m_call);
    }

private:
    bool m_guarded;
    std::function<void()> m_call;
};

void post(framework_detail::WatchList* target, std::function<void()> call)
{
    // Shared by the posted function, which the clock may copy; it goes when the call has run or
    // the clock has dropped it.
    auto deferred = std::make_shared<DeferredCall>(target, std::move(call));
    CurrentClock().Post([deferred] { deferred->run(); });
}

} // namespace

void CallSoon(TComponent& target, std::function<void()> call)
{
    post(&framework_detail::watchesOf(target), std::move(call));
}

void CallSoon(TWeakTarget& target, std::function<void()> call)
{
    post(&framework_detail::watchesOf(target), std::move(call));
}

void CallSoon(std::function<void()> call)
{
    post(nullptr, std::move(call));
}

void ReleaseSoon(TComponent& component)
{
    CallSoon(component, [&component] { delete &component; });
}
