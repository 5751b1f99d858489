#pragma once
// Property tables: each class publishes its stored properties by name, kind and typed access.
// The window-design reader and the settings store both find properties here; nothing else
// reflects.

#include "platform/ascii_text.h"

#include <any>
#include <functional>
#include <initializer_list>
#include <limits>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

class TPersistent;
class TComponent;
struct TMetaClass;

enum class PropertyKind {
    Integer,
    Char,
    Enumeration,  // booleans too, with the identifiers "False", "True"
    Float,
    String,
    Set,          // members 0..31 as bits of the integer value
    Component,    // a reference to a component, or none
    StringList,
    Object,       // a sub-object with a table of its own (a font, a picture)
    Collection,   // a TCollection: items of one class, each with a table of its own
    Method        // an event: set with a handler, never stored in settings
};

// A property's value: integers, characters, enumeration ordinals and set bits as long long;
// floats as double; strings; component references (null for none); string lists; sub-objects.
using PropertyValue = std::variant<std::monostate, long long, double, std::string, TComponent*,
                                   std::vector<std::string>, TPersistent*>;

struct PropertyInfo {
    std::string name;
    PropertyKind kind = PropertyKind::Integer;
    std::vector<std::string> identifiers;     // enumerations and sets, in value order
    // Integers and characters: the values the property's type can hold.
    long long minimum = std::numeric_limits<long long>::min();
    long long maximum = std::numeric_limits<long long>::max();
    const TMetaClass* referenceClass = nullptr;  // component references: the class accepted
    std::function<PropertyValue(const TPersistent&)> get;
    std::function<void(TPersistent&, const PropertyValue&)> set;  // null: read-only
    // Events: takes a handler (a std::function of the event's own type, inside std::any).
    std::function<void(TPersistent&, const std::any&)> setHandler;

    // The identifier of an enumeration ordinal, or empty when out of range.
    std::string Identifier(long long ordinal) const;
    // The ordinal of an identifier compared without regard to case, or -1.
    long long OrdinalOf(std::string_view identifier) const;
};

// The properties of one class, with the table of its base class behind it.
class PropertyTable {
public:
    PropertyTable(const PropertyTable* base, std::vector<PropertyInfo> own)
        : m_base(base), m_own(std::move(own)) {}

    // Finds a property by name without regard to case; the class's own entries first.
    const PropertyInfo* Find(std::string_view name) const;
    // Every property, base class first, in declaration order.
    std::vector<const PropertyInfo*> All() const;
    const PropertyTable* Base() const { return m_base; }

private:
    const PropertyTable* m_base;
    std::vector<PropertyInfo> m_own;
};

// Names of classes, components, properties and identifiers match ignoring ASCII case.
inline bool SameText(std::string_view a, std::string_view b)
{
    return platform::sameTextIgnoringAsciiCase(a, b);
}

// Builders for table entries from member functions of class C.
namespace props {

const std::vector<std::string>& booleanIdentifiers();

inline PropertyInfo named(std::string name, PropertyKind kind)
{
    PropertyInfo p;
    p.name = std::move(name);
    p.kind = kind;
    return p;
}

template <class C, class V>
PropertyInfo integer(std::string name, V (C::*getter)() const, void (C::*setter)(V))
{
    PropertyInfo p = named(std::move(name), PropertyKind::Integer);
    p.minimum = static_cast<long long>(std::numeric_limits<V>::min());
    if constexpr (sizeof(V) < sizeof(long long) || std::is_signed_v<V>)
        p.maximum = static_cast<long long>(std::numeric_limits<V>::max());
    p.get = [getter](const TPersistent& o) {
        return PropertyValue(static_cast<long long>((static_cast<const C&>(o).*getter)()));
    };
    if (setter)
        p.set = [setter](TPersistent& o, const PropertyValue& v) {
            (static_cast<C&>(o).*setter)(static_cast<V>(std::get<long long>(v)));
        };
    return p;
}

template <class C>
PropertyInfo boolean(std::string name, bool (C::*getter)() const, void (C::*setter)(bool))
{
    PropertyInfo p = integer<C, bool>(std::move(name), getter, setter);
    p.kind = PropertyKind::Enumeration;
    p.identifiers = booleanIdentifiers();
    return p;
}

template <class C, class E>
PropertyInfo enumeration(std::string name, std::initializer_list<const char*> identifiers,
                         E (C::*getter)() const, void (C::*setter)(E))
{
    PropertyInfo p = named(std::move(name), PropertyKind::Enumeration);
    p.identifiers.assign(identifiers.begin(), identifiers.end());
    p.get = [getter](const TPersistent& o) {
        return PropertyValue(static_cast<long long>((static_cast<const C&>(o).*getter)()));
    };
    if (setter)
        p.set = [setter](TPersistent& o, const PropertyValue& v) {
            (static_cast<C&>(o).*setter)(static_cast<E>(std::get<long long>(v)));
        };
    return p;
}

// A set of enumeration members 0..31 held as bits of an unsigned integer type V.
template <class C, class V>
PropertyInfo set(std::string name, std::initializer_list<const char*> identifiers,
                 V (C::*getter)() const, void (C::*setter)(V))
{
    PropertyInfo p = integer<C, V>(std::move(name), getter, setter);
    p.kind = PropertyKind::Set;
    p.identifiers.assign(identifiers.begin(), identifiers.end());
    return p;
}

// A single character held as char.
template <class C>
PropertyInfo character(std::string name, char (C::*getter)() const, void (C::*setter)(char))
{
    PropertyInfo p = integer<C, char>(std::move(name), getter, setter);
    p.kind = PropertyKind::Char;
    // A character is one byte, written signed or not.
    p.minimum = -128;
    p.maximum = 255;
    return p;
}

template <class C, class V>
PropertyInfo floating(std::string name, V (C::*getter)() const, void (C::*setter)(V))
{
    PropertyInfo p = named(std::move(name), PropertyKind::Float);
    p.get = [getter](const TPersistent& o) {
        return PropertyValue(static_cast<double>((static_cast<const C&>(o).*getter)()));
    };
    if (setter)
        p.set = [setter](TPersistent& o, const PropertyValue& v) {
            (static_cast<C&>(o).*setter)(static_cast<V>(std::get<double>(v)));
        };
    return p;
}

template <class C>
PropertyInfo string(std::string name, std::string (C::*getter)() const,
                    void (C::*setter)(const std::string&))
{
    PropertyInfo p = named(std::move(name), PropertyKind::String);
    p.get = [getter](const TPersistent& o) {
        return PropertyValue((static_cast<const C&>(o).*getter)());
    };
    if (setter)
        p.set = [setter](TPersistent& o, const PropertyValue& v) {
            (static_cast<C&>(o).*setter)(std::get<std::string>(v));
        };
    return p;
}

template <class C, class T>
PropertyInfo component(std::string name, T* (C::*getter)() const, void (C::*setter)(T*))
{
    PropertyInfo p = named(std::move(name), PropertyKind::Component);
    p.referenceClass = T::StaticClass();
    p.get = [getter](const TPersistent& o) {
        return PropertyValue(static_cast<TComponent*>((static_cast<const C&>(o).*getter)()));
    };
    if (setter)
        p.set = [setter](TPersistent& o, const PropertyValue& v) {
            TComponent* c = std::get<TComponent*>(v);
            (static_cast<C&>(o).*setter)(c ? dynamic_cast<T*>(c) : nullptr);
        };
    return p;
}

template <class C, class T>
PropertyInfo object(std::string name, T* (C::*getter)() const)
{
    PropertyInfo p = named(std::move(name), PropertyKind::Object);
    p.get = [getter](const TPersistent& o) {
        return PropertyValue(static_cast<TPersistent*>((static_cast<const C&>(o).*getter)()));
    };
    return p;
}

// An event property: `member` is a data member of type std::function<...>.
template <class C, class F>
PropertyInfo event(std::string name, F C::*member)
{
    PropertyInfo p = named(std::move(name), PropertyKind::Method);
    p.setHandler = [member](TPersistent& o, const std::any& handler) {
        static_cast<C&>(o).*member = std::any_cast<F>(handler);
    };
    return p;
}

} // namespace props
