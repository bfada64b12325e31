#pragma once

#include <QtCore/QtGlobal>

#include <functional>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace kesvor::data {

/// Callbacks registered under tokens. Adding, removing and notifying are safe
/// from any thread; observers run outside the lock, so they may add or remove
/// observers themselves.
template <typename... Args> class ObserverList {
public:
    using Observer = std::function<void(const Args&...)>;

    /// A token for remove(); never 0.
    quint64 add(Observer observer)
    {
        const std::lock_guard lock(m_mutex);
        const quint64 token = m_nextToken++;
        m_observers.emplace_back(token, std::make_shared<Observer>(std::move(observer)));
        return token;
    }

    void remove(quint64 token)
    {
        const std::lock_guard lock(m_mutex);
        std::erase_if(m_observers, [token](const auto& entry) { return entry.first == token; });
    }

    void notify(const Args&... args) const
    {
        std::vector<std::shared_ptr<Observer>> observers;
        {
            const std::lock_guard lock(m_mutex);
            for (const auto& entry : m_observers)
                observers.push_back(entry.second);
        }
        for (const auto& observer : observers)
            (*observer)(args...);
    }

private:
    mutable std::mutex m_mutex;
    std::vector<std::pair<quint64, std::shared_ptr<Observer>>> m_observers;
    quint64 m_nextToken = 1;
};

} // namespace kesvor::data
