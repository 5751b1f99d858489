#pragma once
// TComponentRef: a weak link to a component. It reads as a plain pointer and turns null by
// itself when the component is freed (the component's free notification clears it, before any
// other component is told). Observer fields, and code that must know whether a component
// survived a handler it called, hold one instead of a raw pointer.
//
//     TComponentRef<TControl> alive(control);
//     control->Click();          // may free the control
//     if (!alive) return;

#include "framework/weak_ref.h"

class TComponent;

namespace framework_detail {
// The references to a component, cleared first thing when it is freed.
WatchList& watchesOf(TComponent& component);
} // namespace framework_detail

template <class T>
class TComponentRef : public framework_detail::WeakLink<T, TComponent, &framework_detail::watchesOf> {
    using Link = framework_detail::WeakLink<T, TComponent, &framework_detail::watchesOf>;

public:
    using Link::Link;
    using Link::operator=;
};
