#include "framework/collection.h"

#include "framework/exceptions.h"

#include <algorithm>

namespace {
constexpr auto listIndexError = "List index out of bounds (%d)";
} // namespace

PICTAVO_DEFINE_CLASS(TCollectionItem, TPersistent, createObjectOf<TCollectionItem>, nullptr)
PICTAVO_DEFINE_CLASS(TCollection, TPersistent, nullptr, nullptr)

int TCollectionItem::Index() const
{
    if (!m_collection)
        return -1;
    for (int i = 0; i < m_collection->Count(); ++i)
        if (m_collection->Items(i) == this)
            return i;
    return -1;
}

TCollection::TCollection(const TMetaClass* itemClass) : m_itemClass(itemClass) {}

TCollection::~TCollection() = default;

TCollectionItem* TCollection::Items(int index) const
{
    if (index < 0 || index >= Count())
        throw EListError(listIndexError, {static_cast<long long>(index)});
    return m_items[std::size_t(index)].get();
}

TCollectionItem* TCollection::Add()
{
    TObject* made = m_itemClass && m_itemClass->create ? m_itemClass->create() : nullptr;
    auto* item = dynamic_cast<TCollectionItem*>(made);
    if (!item) {
        delete made;
        item = new TCollectionItem;
    }
    item->m_collection = this;
    m_items.emplace_back(item);
    return item;
}

void TCollection::Clear()
{
    m_items.clear();
}
