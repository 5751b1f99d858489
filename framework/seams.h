#pragma once
// Seams: replaceable implementations of interactive services (message boxes, modal dialogs,
// pop-up menus, the tray icon). The program runs the default implementation; tests put their
// own in place so that nothing blocks on a modal window.
//
//     // in the module that owns the service:
//     Seam<bool(TOpenDialog&)>& openDialogSeam();   // default: the platform's dialog
//     // in a test:
//     Seam<bool(TOpenDialog&)>::Scoped fake(openDialogSeam(), [](TOpenDialog& d) { ...; return true; });

#include <functional>
#include <utility>

template <class Signature>
class Seam;

template <class R, class... Args>
class Seam<R(Args...)> {
public:
    using Function = std::function<R(Args...)>;

    explicit Seam(Function defaultImplementation) : m_default(std::move(defaultImplementation)) {}
    Seam(const Seam&) = delete;
    Seam& operator=(const Seam&) = delete;

    // Puts an implementation in place; an empty function restores the default. Returns the
    // implementation that was in place (empty for the default).
    Function Set(Function implementation)
    {
        Function previous = std::move(m_current);
        m_current = std::move(implementation);
        return previous;
    }
    bool IsReplaced() const { return bool(m_current); }

    R operator()(Args... args) const
    {
        if (m_current)
            return m_current(std::forward<Args>(args)...);
        return m_default(std::forward<Args>(args)...);
    }

    // Replaces the implementation for the lifetime of the scope.
    class Scoped {
    public:
        Scoped(Seam& seam, Function implementation)
            : m_seam(seam), m_previous(seam.Set(std::move(implementation))) {}
        ~Scoped() { m_seam.Set(std::move(m_previous)); }
        Scoped(const Scoped&) = delete;
        Scoped& operator=(const Scoped&) = delete;

    private:
        Seam& m_seam;
        Function m_previous;
    };

private:
    Function m_default;
    Function m_current;
};
