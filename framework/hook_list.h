#pragma once
// THookList: the listeners of one event, each held by a subscription object. Destroying the
// subscription (or calling Reset) unsubscribes; a subscription may outlive its list, and a list
// may outlive its subscriptions. During a round, a listener removed (by itself or by another)
// does not run any more, and one added waits for the next round.
//
//     THookSubscription m_shown = form->ShowListeners.Add([this](TForm&) { restore(); });

#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace framework_detail {

// What a subscription needs of its list, whatever the listeners' signature.
class HookRegistry {
public:
    virtual ~HookRegistry() = default;
    virtual void remove(unsigned long id) = 0;
};

} // namespace framework_detail

class THookSubscription {
public:
    THookSubscription() = default;
    THookSubscription(std::weak_ptr<framework_detail::HookRegistry> list, unsigned long id)
        : m_list(std::move(list)), m_id(id)
    {
    }
    THookSubscription(THookSubscription&& other) noexcept
        : m_list(std::move(other.m_list)), m_id(std::exchange(other.m_id, 0))
    {
    }
    THookSubscription& operator=(THookSubscription&& other) noexcept
    {
        if (this != &other) {
            Reset();
            m_list = std::move(other.m_list);
            m_id = std::exchange(other.m_id, 0);
        }
        return *this;
    }
    THookSubscription(const THookSubscription&) = delete;
    THookSubscription& operator=(const THookSubscription&) = delete;
    ~THookSubscription() { Reset(); }

    // Unsubscribes now; nothing when already done or when the list has gone.
    void Reset()
    {
        if (m_id == 0)
            return;
        if (auto list = m_list.lock())
            list->remove(m_id);
        m_list.reset();
        m_id = 0;
    }
    bool Subscribed() const { return m_id != 0 && !m_list.expired(); }

private:
    std::weak_ptr<framework_detail::HookRegistry> m_list;
    unsigned long m_id = 0;
};

template <class Signature>
class THookList;

template <class... Args>
class THookList<void(Args...)> {
public:
    using Hook = std::function<void(Args...)>;

    THookList() : m_entries(std::make_shared<Entries>()) {}
    // A round in progress when the list goes calls no one else.
    ~THookList()
    {
        for (const auto& entry : m_entries->list)
            entry->subscribed = false;
    }
    THookList(const THookList&) = delete;
    THookList& operator=(const THookList&) = delete;

    // Subscribes a listener; it hears every round until the subscription ends.
    [[nodiscard]] THookSubscription Add(Hook hook)
    {
        auto entry = std::make_shared<Entry>(Entry{++m_entries->lastId, std::move(hook), true});
        m_entries->list.push_back(entry);
        return THookSubscription(m_entries, entry->id);
    }

    bool Empty() const { return m_entries->list.empty(); }
    int Count() const { return int(m_entries->list.size()); }

    // Calls every listener subscribed when the round starts and still subscribed when its turn
    // comes, in the order they subscribed. An exception from a listener ends the round.
    void operator()(Args... args) const
    {
        ForEach([&](const Hook& hook) { hook(args...); });
    }

    // The same round, with the caller deciding how each listener is called (to report each
    // listener's failure and go on, say).
    template <class Invoke>
    void ForEach(Invoke&& invoke) const
    {
        // The round keeps its listeners alive: one that unsubscribes itself is still running.
        const std::vector<std::shared_ptr<Entry>> round = m_entries->list;
        for (const auto& entry : round)
            if (entry->subscribed)
                invoke(entry->hook);
    }

private:
    struct Entry {
        unsigned long id;
        Hook hook;
        bool subscribed;
    };
    struct Entries : framework_detail::HookRegistry {
        std::vector<std::shared_ptr<Entry>> list;
        unsigned long lastId = 0;

        void remove(unsigned long id) override
        {
            for (auto it = list.begin(); it != list.end(); ++it)
                if ((*it)->id == id) {
                    (*it)->subscribed = false;
                    list.erase(it);
                    return;
                }
        }
    };

    std::shared_ptr<Entries> m_entries;
};
