#pragma once
// Components: named objects with an owner. An owner frees what it owns; components find their
// owned components by name; a component can ask to hear when another one is freed, so links
// between components are cleared before they dangle. Plain links are TComponentRef fields, which
// clear themselves; Notification is for components that must do more when a link goes.

#include "framework/component_ref.h"
#include "framework/persistent.h"
#include "framework/properties.h"

#include <string>
#include <string_view>
#include <vector>

enum class TOperation { opInsert, opRemove };

class TComponent : public TPersistent {
    PICTAVO_CLASS(TComponent)
public:
    explicit TComponent(TComponent* owner);
    ~TComponent() override;
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    const std::string& Name() const { return m_name; }
    // Raises "A component named %s already exists" when a sibling has the name (case-insensitive).
    virtual void SetName(const std::string& name);
    std::string GetName() const { return m_name; }
    long long Tag() const { return m_tag; }
    void SetTag(long long tag) { m_tag = tag; }

    TComponent* Owner() const { return m_owner; }
    int ComponentCount() const { return int(m_components.size()); }
    TComponent* Components(int index) const { return m_components[std::size_t(index)]; }
    // An owned component by name, without regard to case; null when there is none.
    TComponent* FindComponent(std::string_view name) const;
    void InsertComponent(TComponent* component);
    // Frees every owned component, last first. The destructor does it too; classes whose owned
    // components refer back to them call it first thing in their own destructor.
    void DestroyComponents();
    void RemoveComponent(TComponent* component);

    // Asks to be told (Notification with opRemove) when `other` is freed. The link works both
    // ways: `other` is told too when this component goes first.
    void FreeNotification(TComponent* other);
    // Withdraws this component's own request. The link stays while `other` has asked for it
    // too, so each side may drop its reference without cutting the other's.
    void RemoveFreeNotification(TComponent* other);

    bool IsLoading() const { return m_loading; }
    bool IsDestroying() const { return m_destroying; }
    // Set by the design reader around loading; Loaded runs once all components are read.
    void BeginLoading() { m_loading = true; }
    virtual void Loaded();

    // Components that sit inside another in window designs (controls on their parent, menu items
    // in their menu) say so and take that component as their parent; others raise
    // "%s cannot be placed inside %s".
    virtual bool HasParent() const { return false; }
    virtual void SetParentComponent(TComponent* parent);

    const PropertyTable* Properties() const override;
    static const PropertyTable& ClassProperties();

protected:
    // Told when a component is inserted into or removed from this owner, and when a component
    // this one subscribed to is freed.
    virtual void Notification(TComponent* component, TOperation operation);

private:
    friend framework_detail::WatchList& framework_detail::watchesOf(TComponent& component);
    void notifyAll(TComponent* component, TOperation operation);

    std::string m_name;
    long long m_tag = 0;
    TComponent* m_owner = nullptr;
    std::vector<TComponent*> m_components;
    std::vector<TComponent*> m_freeNotifies;  // linked both ways: told when either goes
    std::vector<TComponent*> m_requested;     // the links this component asked for itself
    framework_detail::WatchList m_watches;  // references to clear when freed
    bool m_loading = false;
    bool m_destroying = false;
};
