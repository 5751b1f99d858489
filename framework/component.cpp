#include "framework/component.h"

#include "framework/exceptions.h"

#include <algorithm>

namespace {
constexpr auto duplicateName = "A component named %s already exists";
constexpr auto cannotPlace = "%s cannot be placed inside %s";
} // namespace

PICTAVO_DEFINE_CLASS(TComponent, TPersistent, nullptr, createComponentOf<TComponent>)

TComponent::TComponent(TComponent* owner)
{
    if (owner)
        owner->InsertComponent(this);
}

TComponent::~TComponent()
{
    m_destroying = true;
    // References clear first, so that whatever the notifications below run finds them null.
    m_watches.Close();
    // Tell everyone who asked, then free what this component owns, last first.
    std::vector<TComponent*> subscribers;
    subscribers.swap(m_freeNotifies);
    m_requested.clear();
    for (TComponent* c : subscribers) {
        auto& theirs = c->m_freeNotifies;
        theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
        auto& asked = c->m_requested;
        asked.erase(std::remove(asked.begin(), asked.end(), this), asked.end());
        c->Notification(this, TOperation::opRemove);
    }
    DestroyComponents();
    if (m_owner)
        m_owner->RemoveComponent(this);
}

framework_detail::WatchList& framework_detail::watchesOf(TComponent& component)
{
    return component.m_watches;
}

void TComponent::DestroyComponents()
{
    while (!m_components.empty()) {
        TComponent* child = m_components.back();
        m_components.pop_back();
        child->m_owner = nullptr;
        delete child;
    }
}

void TComponent::SetName(const std::string& name)
{
    if (name == m_name)
        return;
    if (m_owner && !name.empty()) {
        TComponent* existing = m_owner->FindComponent(name);
        if (existing && existing != this)
            throw EInvalidOperation(duplicateName, {name});
    }
    m_name = name;
}

TComponent* TComponent::FindComponent(std::string_view name) const
{
    if (name.empty())
        return nullptr;
    for (TComponent* c : m_components)
        if (SameText(c->m_name, name))
            return c;
    return nullptr;
}

void TComponent::InsertComponent(TComponent* component)
{
    if (component->m_owner)
        component->m_owner->RemoveComponent(component);
    m_components.push_back(component);
    component->m_owner = this;
    notifyAll(component, TOperation::opInsert);
}

void TComponent::RemoveComponent(TComponent* component)
{
    auto it = std::find(m_components.begin(), m_components.end(), component);
    if (it == m_components.end())
        return;
    m_components.erase(it);
    component->m_owner = nullptr;
    notifyAll(component, TOperation::opRemove);
}

void TComponent::notifyAll(TComponent* component, TOperation operation)
{
    Notification(component, operation);
    // Owned components hear about their siblings, as links between them need clearing.
    for (std::size_t i = 0; i < m_components.size(); ++i)
        if (m_components[i] != component)
            m_components[i]->Notification(component, operation);
}

void TComponent::FreeNotification(TComponent* other)
{
    if (!other || other == this)
        return;
    if (std::find(m_requested.begin(), m_requested.end(), other) == m_requested.end())
        m_requested.push_back(other);
    if (std::find(m_freeNotifies.begin(), m_freeNotifies.end(), other) == m_freeNotifies.end())
        m_freeNotifies.push_back(other);
    if (std::find(other->m_freeNotifies.begin(), other->m_freeNotifies.end(), this) ==
        other->m_freeNotifies.end())
        other->m_freeNotifies.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* other)
{
    if (!other)
        return;
    m_requested.erase(std::remove(m_requested.begin(), m_requested.end(), other), m_requested.end());
    // The other side still relies on the link.
    const auto& theirRequests = other->m_requested;
    if (std::find(theirRequests.begin(), theirRequests.end(), this) != theirRequests.end())
        return;
    auto& mine = m_freeNotifies;
    mine.erase(std::remove(mine.begin(), mine.end(), other), mine.end());
    auto& theirs = other->m_freeNotifies;
    theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
}

void TComponent::SetParentComponent(TComponent* parent)
{
    throw EInvalidOperation(cannotPlace, {ClassName(), parent ? parent->ClassName() : std::string("nil")});
}

void TComponent::Loaded()
{
    m_loading = false;
}

void TComponent::Notification(TComponent*, TOperation) {}

const PropertyTable* TComponent::Properties() const
{
    return &ClassProperties();
}

const PropertyTable& TComponent::ClassProperties()
{
    static const PropertyTable table(nullptr, {
        props::string<TComponent>("Name", &TComponent::GetName, &TComponent::SetName),
        props::integer<TComponent, long long>("Tag", &TComponent::Tag, &TComponent::SetTag),
    });
    return table;
}
