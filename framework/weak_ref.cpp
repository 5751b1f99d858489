#include "framework/weak_ref.h"

namespace framework_detail {

void WatchList::Close()
{
    m_closed = true;
    while (m_head)
        m_head->watch(nullptr, nullptr);
}

void Watch::watch(WatchList* list, void* asTyped)
{
    // An object on its way out has cleared its references already: none may join now.
    if (!list || list->m_closed) {
        list = nullptr;
        asTyped = nullptr;
    }
    m_typed = asTyped;
    if (list == m_list)
        return;
    if (m_list) {
        if (m_previous)
            m_previous->m_next = m_next;
        else
            m_list->m_head = m_next;
        if (m_next)
            m_next->m_previous = m_previous;
        m_previous = m_next = nullptr;
    }
    m_list = list;
    if (list) {
        m_next = list->m_head;
        if (m_next)
            m_next->m_previous = this;
        list->m_head = this;
    }
}

} // namespace framework_detail
