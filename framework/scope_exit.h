#pragma once
// ScopeExit runs a function when the scope ends, by return or by exception: the undo of
// "set a flag, try, reset on failure, rethrow".
//
//     m_arranging = true;
//     ScopeExit done([this] { m_arranging = false; });
//
// On a normal exit an exception from the function goes on to the caller. While another
// exception is already on its way, that one is the one reported: a failure of the function is
// dropped then.

#include <exception>
#include <utility>

template <class F>
class ScopeExit {
public:
    explicit ScopeExit(F function) : m_function(std::move(function)), m_exceptions(std::uncaught_exceptions()) {}
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

    ~ScopeExit() noexcept(false)
    {
        if (std::uncaught_exceptions() == m_exceptions) {
            m_function();
            return;
        }
        try {
            m_function();
        } catch (...) {
        }
    }

private:
    F m_function;
    int m_exceptions;
};
