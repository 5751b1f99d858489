#pragma once
// Collections: an ordered list of items of one class that the collection owns, each a
// persistent object with a property table of its own. Collection properties are read from
// designs as a whole and kept by the settings store item by item.

#include "framework/persistent.h"
#include "framework/properties.h"

#include <memory>
#include <vector>

class TCollection;

class TCollectionItem : public TPersistent {
    PICTAVO_CLASS(TCollectionItem)
public:
    TCollectionItem() = default;
    TCollection* Collection() const { return m_collection; }
    // The item's position in its collection.
    int Index() const;

private:
    friend class TCollection;
    TCollection* m_collection = nullptr;
};

class TCollection : public TPersistent {
    PICTAVO_CLASS(TCollection)
public:
    // Items are made through the class's factory; `itemClass` must derive from TCollectionItem.
    explicit TCollection(const TMetaClass* itemClass);
    ~TCollection() override;

    const TMetaClass* ItemClass() const { return m_itemClass; }
    int Count() const { return int(m_items.size()); }
    // Raises "List index out of bounds (%d)" outside 0..Count-1.
    TCollectionItem* Items(int index) const;
    TCollectionItem* Add();
    void Clear();

private:
    const TMetaClass* m_itemClass;
    std::vector<std::unique_ptr<TCollectionItem>> m_items;
};

namespace props {
// A collection property: the getter returns the object's collection.
template <class C, class T>
PropertyInfo collection(std::string name, T* (C::*getter)() const)
{
    PropertyInfo p = named(std::move(name), PropertyKind::Collection);
    p.get = [getter](const TPersistent& o) {
        return PropertyValue(static_cast<TPersistent*>((static_cast<const C&>(o).*getter)()));
    };
    return p;
}
} // namespace props
