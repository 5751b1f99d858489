#pragma once
// Seams: the one way tests replace what the program takes from its surroundings. A seam holds
// either a function (message boxes, modal dialogs, the print dialog, event sounds) or an object
// that gives a service (the spooler, the file system, the clock). The program runs the default;
// a test puts its own in place for a scope, so that nothing waits for a user, a printer or a
// mounted disk.
//
//     // in the module that owns the service:
//     Seam<bool(TOpenDialog&)>& OpenDialogSeam();   // default: the platform's dialog
//     Seam<Spooler>& spoolerSeam();                 // default: the system's spooler
//     // in a test:
//     Seam<bool(TOpenDialog&)>::Scoped fake(OpenDialogSeam(), [](TOpenDialog& d) { ...; return true; });
//     Seam<Spooler>::Scoped printers(spoolerSeam(), fakeSpooler);

#include <cstdint>
#include <functional>
#include <utility>

namespace platform {

namespace seam_detail {

// What both kinds of seam share: the replacement in place (empty for the default), and a count
// of replacements so that state kept for one implementation can tell when it is stale.
template <class Replacement>
class Slot {
public:
    Slot() = default;
    Slot(const Slot&) = delete;
    Slot& operator=(const Slot&) = delete;

    // Puts a replacement in place (an empty one brings back the default); returns the one that
    // was in place.
    Replacement Set(Replacement replacement)
    {
        ++m_generation;
        return std::exchange(m_current, std::move(replacement));
    }
    bool IsReplaced() const { return bool(m_current); }
    // Grows by one with every Set.
    std::uint64_t Generation() const { return m_generation; }

    // Puts a replacement in place for the lifetime of the scope, then the previous one again.
    class Scoped {
    public:
        Scoped(Slot& slot, Replacement replacement) : m_slot(slot), m_previous(slot.Set(std::move(replacement))) {}
        ~Scoped() { m_slot.Set(std::move(m_previous)); }
        Scoped(const Scoped&) = delete;
        Scoped& operator=(const Scoped&) = delete;

    private:
        Slot& m_slot;
        Replacement m_previous;
    };

protected:
    Replacement m_current{};

private:
    std::uint64_t m_generation = 0;
};

} // namespace seam_detail

// A service given by an object; seam() is the object in use. The default is fetched at each
// use, so that it may be a function-local static made on first use.
template <class Service>
class Seam : public seam_detail::Slot<Service*> {
public:
    explicit Seam(Service& (*system)()) : m_system(system) {}

    Service& operator()() const { return this->m_current ? *this->m_current : m_system(); }

    class Scoped : public seam_detail::Slot<Service*>::Scoped {
    public:
        Scoped(Seam& seam, Service& replacement) : seam_detail::Slot<Service*>::Scoped(seam, &replacement) {}
    };

private:
    Service& (*m_system)();
};

// A service given by a function; seam(args...) calls the one in use.
template <class R, class... Args>
class Seam<R(Args...)> : public seam_detail::Slot<std::function<R(Args...)>> {
public:
    using Function = std::function<R(Args...)>;

    explicit Seam(Function defaultImplementation) : m_default(std::move(defaultImplementation)) {}

    R operator()(Args... args) const
    {
        if (this->m_current)
            return this->m_current(std::forward<Args>(args)...);
        return m_default(std::forward<Args>(args)...);
    }

    using Scoped = typename seam_detail::Slot<Function>::Scoped;

private:
    Function m_default;
};

} // namespace platform

// Every layer names it plainly, as the tests do.
using platform::Seam;
