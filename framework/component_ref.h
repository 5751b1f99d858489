#pragma once
// TComponentRef: a weak link to a component. It reads as a plain pointer and turns null by
// itself when the component is freed (the component's free notification clears it, before any
// other component is told). Observer fields, and code that must know whether a component
// survived a handler it called, hold one instead of a raw pointer.
//
//     TComponentRef<TControl> alive(control);
//     control->Click();          // may free the control
//     if (!alive) return;

#include <type_traits>

class TComponent;

namespace framework_detail {

// The untyped part: a node in the watched component's list of references.
class ComponentWatch {
public:
    ComponentWatch() = default;
    ComponentWatch(const ComponentWatch&) = delete;
    ComponentWatch& operator=(const ComponentWatch&) = delete;

protected:
    ~ComponentWatch() { watch(nullptr, nullptr); }
    TComponent* target() const { return m_target; }
    // The component as its own class, so that reading needs no complete type.
    void* typed() const { return m_typed; }
    // Leaves the old component's list and joins the new one's.
    void watch(TComponent* component, void* asTyped);

private:
    friend class ::TComponent;
    TComponent* m_target = nullptr;
    void* m_typed = nullptr;
    ComponentWatch* m_previous = nullptr;
    ComponentWatch* m_next = nullptr;
};

} // namespace framework_detail

template <class T>
class TComponentRef : private framework_detail::ComponentWatch {
public:
    TComponentRef() = default;
    TComponentRef(T* component) { reset(component); }  // NOLINT: reads and assigns like a pointer
    TComponentRef(const TComponentRef& other) : ComponentWatch() { watch(other.target(), other.typed()); }
    TComponentRef& operator=(const TComponentRef& other)
    {
        watch(other.target(), other.typed());
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
    explicit operator bool() const { return target() != nullptr; }

    void reset(T* component = nullptr)
    {
        static_assert(std::is_base_of_v<TComponent, T>, "TComponentRef follows components");
        watch(component, component);
    }
};
