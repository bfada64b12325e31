#include "View/NetworkReachabilityManager.h"

#include "foundation/MainThread.h"

#include <QtCore/QCoreApplication>

namespace kesvor {

namespace Flag = net::ReachabilityFlag;

std::unique_ptr<NetworkReachabilityManager> NetworkReachabilityManager::create(const QString& host)
{
    auto reachability = net::NetworkReachability::createWithName(host);
    if (!reachability)
        return nullptr;
    return std::unique_ptr<NetworkReachabilityManager>(
        new NetworkReachabilityManager(std::move(reachability)));
}

NetworkReachabilityManager::NetworkReachabilityManager(
    std::unique_ptr<net::NetworkReachability> reachability)
    : m_listenerQueue(QCoreApplication::instance())
    , m_reachability(std::move(reachability))
{
}

NetworkReachabilityManager::~NetworkReachabilityManager()
{
    stopListening();
}

bool NetworkReachabilityManager::startListening()
{
    KESVOR_ASSERT_MAIN_THREAD();
    const bool callbackSet = m_reachability->setCallback(
        [this](net::ReachabilityFlags flags) { notifyListener(flags); });
    const bool queueSet = m_reachability->setDispatchQueue(m_listenerQueue);
    const int start = ++m_listening;
    // The current status is reported once after every start: with nothing
    // delivered yet, even flags equal to the last ones count as news.
    // Queued on an object of this manager (on the listener queue's thread),
    // so a manager destroyed meanwhile is not called.
    QMetaObject::invokeMethod(
        &m_pending,
        [this, start] {
            if (start != m_listening)
                return;
            m_previousFlags.reset();
            notifyListener(m_reachability->flags().value_or(0));
        },
        Qt::QueuedConnection);
    return callbackSet && queueSet;
}

void NetworkReachabilityManager::stopListening()
{
    KESVOR_ASSERT_MAIN_THREAD();
    ++m_listening;
    m_reachability->setCallback({});
    m_reachability->setDispatchQueue(nullptr);
}

bool NetworkReachabilityManager::isReachableOnWWAN()
{
    return currentStatus() == NetworkReachabilityStatus::reachable(ConnectionType::wwan);
}

bool NetworkReachabilityManager::isReachableOnEthernetOrWiFi()
{
    return currentStatus() == NetworkReachabilityStatus::reachable(ConnectionType::ethernetOrWiFi);
}

std::optional<NetworkReachabilityManager::NetworkReachabilityStatus>
NetworkReachabilityManager::currentStatus()
{
    const auto flags = m_reachability->flags();
    if (!flags)
        return std::nullopt;
    return networkReachabilityStatusForFlags(*flags);
}

void NetworkReachabilityManager::notifyListener(net::ReachabilityFlags flags)
{
    if (m_previousFlags == flags)
        return;
    m_previousFlags = flags;
    if (m_listener) {
        // A copy: the listener may replace itself.
        const Listener listener = m_listener;
        listener(networkReachabilityStatusForFlags(flags));
    }
}

NetworkReachabilityManager::NetworkReachabilityStatus
NetworkReachabilityManager::networkReachabilityStatusForFlags(net::ReachabilityFlags flags)
{
    const auto has = [flags](net::ReachabilityFlags flag) { return (flags & flag) != 0; };
    const bool automatic = has(Flag::connectionOnTraffic) || has(Flag::connectionOnDemand);
    if (!automatic && has(Flag::connectionRequired))
        return NetworkReachabilityStatus::notReachable();
    if (automatic && has(Flag::interventionRequired) && has(Flag::connectionRequired))
        return NetworkReachabilityStatus::notReachable();
    if (!has(Flag::reachable))
        return NetworkReachabilityStatus::notReachable();
    return NetworkReachabilityStatus::reachable(has(Flag::isWWAN) ? ConnectionType::wwan
                                                                  : ConnectionType::ethernetOrWiFi);
}

} // namespace kesvor
