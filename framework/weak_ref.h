#pragma once
// Weak references: links that turn null by themselves when the object they name goes. Components
// are followed by TComponentRef (component_ref.h); the few other objects that others must be able
// to follow derive from TWeakTarget and are followed by TWeakRef.
//
//     class TQRProgressWindow : public TWeakTarget { ... };
//     TWeakRef<TQRProgressWindow> m_window;   // null once the window has gone

#include <type_traits>

class TWeakTarget;

namespace framework_detail {

class Watch;

// The references to one object, cleared when it goes. Once closed, none may join.
class WatchList {
public:
    WatchList() = default;
    ~WatchList() { Close(); }
    WatchList(const WatchList&) = delete;
    WatchList& operator=(const WatchList&) = delete;

    // Clears every reference, now and for good.
    void Close();
    bool Closed() const { return m_closed; }

private:
    friend class Watch;
    Watch* m_head = nullptr;
    bool m_closed = false;
};

// The untyped part of a reference: a node in the watched object's list.
class Watch {
public:
    Watch() = default;
    Watch(const Watch&) = delete;
    Watch& operator=(const Watch&) = delete;

protected:
    ~Watch() { watch(nullptr, nullptr); }
    bool watching() const { return m_list != nullptr; }
    // The object as its own class, so that reading needs no complete type.
    void* typed() const { return m_typed; }
    // Leaves the old object's list and joins the new one's (none when it is closed).
    void watch(WatchList* list, void* asTyped);
    void watchAsOther(const Watch& other) { watch(other.m_list, other.m_typed); }

private:
    friend class WatchList;
    WatchList* m_list = nullptr;
    void* m_typed = nullptr;
    Watch* m_previous = nullptr;
    Watch* m_next = nullptr;
};

WatchList& watchesOf(TWeakTarget& target);

} // namespace framework_detail

// An object that TWeakRef can follow. Its references clear when this base goes, after the
// derived class's destructor has run.
class TWeakTarget {
public:
    TWeakTarget() = default;
    // A copy is another object: no reference follows it yet.
    TWeakTarget(const TWeakTarget&) {}
    TWeakTarget& operator=(const TWeakTarget&) { return *this; }
    ~TWeakTarget() = default;

private:
    friend framework_detail::WatchList& framework_detail::watchesOf(TWeakTarget& target);
    framework_detail::WatchList m_watches;
};

inline framework_detail::WatchList& framework_detail::watchesOf(TWeakTarget& target)
{
    return target.m_watches;
}

namespace framework_detail {

// A link to an object of class T that reads as a plain pointer and turns null once the object
// has gone; `watches` gives the list of the object's `Target` part.
template <class T, class Target, WatchList& (*watches)(Target&)>
class WeakLink : private Watch {
public:
    WeakLink() = default;
    WeakLink(T* object) { reset(object); }  // NOLINT: reads and assigns like a pointer
    WeakLink(const WeakLink& other) : Watch() { watchAsOther(other); }
    WeakLink& operator=(const WeakLink& other)
    {
        watchAsOther(other);
        return *this;
    }
    WeakLink& operator=(T* object)
    {
        reset(object);
        return *this;
    }
    ~WeakLink() = default;

    T* get() const { return static_cast<T*>(typed()); }
    operator T*() const { return get(); }  // NOLINT: a pointer in every expression
    T* operator->() const { return get(); }
    T& operator*() const { return *get(); }
    explicit operator bool() const { return watching(); }

    void reset(T* object = nullptr)
    {
        static_assert(std::is_base_of_v<Target, T>, "a weak link follows the objects its list belongs to");
        watch(object ? &watches(static_cast<Target&>(*object)) : nullptr, object);
    }
};

} // namespace framework_detail

// A weak link to a TWeakTarget.
template <class T>
class TWeakRef : public framework_detail::WeakLink<T, TWeakTarget, &framework_detail::watchesOf> {
    using Link = framework_detail::WeakLink<T, TWeakTarget, &framework_detail::watchesOf>;

public:
    using Link::Link;
    using Link::operator=;
};
