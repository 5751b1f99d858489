#pragma once
// The root of the system's class tree: every object knows its class, and classes know their
// parent, so registries can ask "is this class, or derived from it" without an instance.

#include <string>

class TObject;
class TComponent;

// A class reference: name, parent and factories. One static instance per class.
struct TMetaClass {
    const char* name;
    const TMetaClass* parent;
    // Makes an empty instance (graphics and other objects made by class reference).
    TObject* (*create)() = nullptr;
    // Makes a component with the given owner (classes that window designs may name).
    TComponent* (*createComponent)(TComponent* owner) = nullptr;

    bool InheritsFrom(const TMetaClass* other) const
    {
        for (const TMetaClass* c = this; c; c = c->parent)
            if (c == other)
                return true;
        return false;
    }
};

class TObject {
public:
    virtual ~TObject() = default;

    static const TMetaClass* StaticClass();
    virtual const TMetaClass* ClassType() const { return StaticClass(); }
    std::string ClassName() const { return ClassType()->name; }
    bool InheritsFrom(const TMetaClass* other) const { return ClassType()->InheritsFrom(other); }
};

// Declares the class reference of a class: its static accessor and the virtual ClassType.
#define PICTAVO_CLASS(Class)                                                                    \
public:                                                                                         \
    static const TMetaClass* StaticClass();                                                     \
    const TMetaClass* ClassType() const override { return StaticClass(); }

// Defines the class reference in a source file. The factory arguments may be nullptr.
#define PICTAVO_DEFINE_CLASS(Class, Base, createFn, createComponentFn)                         \
    const TMetaClass* Class::StaticClass()                                                      \
    {                                                                                           \
        static const TMetaClass meta{#Class, Base::StaticClass(), createFn, createComponentFn}; \
        return &meta;                                                                           \
    }

// Factories for PICTAVO_DEFINE_CLASS.
template <class T>
TObject* createObjectOf()
{
    return new T();
}
template <class T>
TComponent* createComponentOf(TComponent* owner)
{
    return new T(owner);
}
