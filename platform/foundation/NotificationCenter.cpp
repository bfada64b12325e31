#include "foundation/NotificationCenter.h"

#include <algorithm>
#include <atomic>
#include <mutex>

namespace kesvor::foundation {

NotificationCenter& NotificationCenter::defaultCenter()
{
    static NotificationCenter center;
    return center;
}

NotificationCenter::NotificationCenter() = default;
NotificationCenter::~NotificationCenter() = default;

NotificationCenter::Token NotificationCenter::addObserver(const void* observer, const QString& name,
                                                          Handler handler)
{
    const std::lock_guard lock(m_mutex);
    const Token token = m_nextToken++;
    m_observations.push_back({token, observer, name, std::make_shared<Handler>(std::move(handler)),
                              std::make_shared<std::atomic_bool>(true)});
    return token;
}

void NotificationCenter::removeIf(const std::function<bool(const Observation&)>& predicate)
{
    const std::lock_guard lock(m_mutex);
    auto removed = std::stable_partition(m_observations.begin(), m_observations.end(),
                                         [&](const Observation& o) { return !predicate(o); });
    // A post in progress holds copies; marking them dead stops later calls.
    for (auto it = removed; it != m_observations.end(); ++it)
        it->alive->store(false);
    m_observations.erase(removed, m_observations.end());
}

void NotificationCenter::removeObserver(Token token)
{
    removeIf([token](const Observation& o) { return o.token == token; });
}

void NotificationCenter::removeObserver(const void* observer)
{
    if (!observer)
        return;
    removeIf([observer](const Observation& o) { return o.observer == observer; });
}

void NotificationCenter::removeObserver(const void* observer, const QString& name)
{
    if (!observer)
        return;
    removeIf([&](const Observation& o) { return o.observer == observer && o.name == name; });
}

void NotificationCenter::post(const QString& name, const QVariantMap& userInfo)
{
    std::vector<Observation> matching;
    {
        const std::lock_guard lock(m_mutex);
        for (const Observation& o : m_observations)
            if (o.name == name)
                matching.push_back(o);
    }
    // Handlers run unlocked so they may add or remove observers or post again.
    const Notification notification{name, userInfo};
    for (const Observation& o : matching)
        if (o.alive->load())
            (*o.handler)(notification);
}

int NotificationCenter::observerCount(const QString& name) const
{
    const std::lock_guard lock(m_mutex);
    return int(std::count_if(m_observations.begin(), m_observations.end(),
                             [&](const Observation& o) { return o.name == name; }));
}

} // namespace kesvor::foundation
