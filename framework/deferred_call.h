#pragma once
// Deferred calls: the one way to run something once whatever runs now has returned. A call runs
// from the message loop (a modal loop too), after the calls deferred before it; it names the
// object it works on and is dropped when that object has gone by then. An exception it raises
// goes to the application's error handling. Calls are posted on the clock (clock.h), so a test's
// clock runs them when the test moves it on.
//
//     CallSoon(*this, [this] { rebuild(); });   // nothing happens if this has gone meanwhile

#include <functional>

class TComponent;
class TWeakTarget;

void CallSoon(TComponent& target, std::function<void()> call);
void CallSoon(TWeakTarget& target, std::function<void()> call);
// For a call that works on nothing that can go, or holds its own references to what it uses.
void CallSoon(std::function<void()> call);

// Frees a component once whatever runs now has returned (a form closing from its own handler,
// say), unless it has been freed by then.
void ReleaseSoon(TComponent& component);
