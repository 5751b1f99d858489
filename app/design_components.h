#pragma once
// Internal to app/: finding a window's components by the names its design gives them.

#include "framework/component.h"
#include "framework/exceptions.h"

// The component of that name owned by the window, of the class the code expects. A design that
// lacks it is broken: "Component %s of class %s is missing from the window design %s".
template <class T>
T* DesignComponent(const TComponent& window, const char* name)
{
    auto* component = dynamic_cast<T*>(window.FindComponent(name));
    if (!component)
        throw EInvalidOperation("Component %s of class %s is missing from the window design %s",
                                {std::string(name), std::string(T::StaticClass()->name), window.Name()});
    return component;
}
