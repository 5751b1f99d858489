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

#include <type_traits>

class TComponent;

namespace framework_detail {
// The references to a component, cleared first thing when it is freed.
WatchList& watchesOf(TComponent& component);
} // namespace framework_detail

template <class T>
class TComponentRef : private framework_detail::Watch {
public:
    TComponentRef() = default;
    TComponentRef(T* component) { reset(component); }  // NOLINT: reads and assigns like a pointer
    TComponentRef(const TComponentRef& other) : Watch() { watchAsOther(other); }
    TComponentRef& operator=(const TComponentRef& other)
    {
        watchAsOther(other);
        return *this;
    }
    TComponentRef& operator=(T* component)
    {
        reset(component);
        return *this;
    }
    ~TComponentRef() = default;

    T* get() const { return static_cast<T*>(typed()); }
    operator T*() const { return get(); }  // NOLINT: a pointer in every expression
    T* operator->() const { return get(); }
    T& operator*() const { return *get(); }
    explicit operator bool() const { return watching(); }

    void reset(T* component = nullptr)
    {
        static_assert(std::is_base_of_v<TComponent, T>, "TComponentRef follows components");
        watch(component ? &framework_detail::watchesOf(static_cast<TComponent&>(*component)) : nullptr, component);
    }
};
