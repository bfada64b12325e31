#pragma once

#include "net/NetworkReachability.h"

#include <QtCore/QObject>
#include <QtCore/QPointer>

#include <functional>
#include <memory>
#include <optional>

namespace kesvor {

/// Interprets the reachability flags of one host and reports changes of the
/// resulting status to a listener on the main thread. Main thread.
class NetworkReachabilityManager {
public:
    enum class ConnectionType { ethernetOrWiFi, wwan };

    /// unknown, notReachable, or reachable over a connection type.
    class NetworkReachabilityStatus {
    public:
        enum class Kind { unknown, notReachable, reachable };

        static NetworkReachabilityStatus unknown() { return {Kind::unknown}; }
        static NetworkReachabilityStatus notReachable() { return {Kind::notReachable}; }
        static NetworkReachabilityStatus reachable(ConnectionType type)
        {
            return {Kind::reachable, type};
        }

        Kind kind() const { return m_kind; }
        /// Meaningful for reachable statuses only.
        ConnectionType connectionType() const { return m_type; }

        friend bool operator==(const NetworkReachabilityStatus& a,
                               const NetworkReachabilityStatus& b)
        {
            return a.m_kind == b.m_kind && (a.m_kind != Kind::reachable || a.m_type == b.m_type);
        }

    private:
        NetworkReachabilityStatus(Kind kind, ConnectionType type = ConnectionType::ethernetOrWiFi)
            : m_kind(kind)
            , m_type(type)
        {
        }

        Kind m_kind;
        ConnectionType m_type;
    };

    using Listener = std::function<void(const NetworkReachabilityStatus& status)>;

    /// A manager watching host, or nothing when no watcher can be made for it.
    static std::unique_ptr<NetworkReachabilityManager> create(const QString& host);
    ~NetworkReachabilityManager();
    NetworkReachabilityManager(const NetworkReachabilityManager&) = delete;
    NetworkReachabilityManager& operator=(const NetworkReachabilityManager&) = delete;

    /// Where status changes are delivered: the main thread's event loop.
    QObject* listenerQueue() const { return m_listenerQueue; }
    const Listener& listener() const { return m_listener; }
    void setListener(Listener listener) { m_listener = std::move(listener); }
    net::NetworkReachability& reachability() { return *m_reachability; }
    /// The flags last delivered to the listener since listening started;
    /// nothing before the first delivery.
    std::optional<net::ReachabilityFlags> previousFlags() const { return m_previousFlags; }

    /// Delivers every later change of flags to notifyListener() on the
    /// listener queue and, right after, the current status once, whether or
    /// not it changed since an earlier start. True when both the callback
    /// and the queue were set.
    bool startListening();
    /// No further changes are delivered; previousFlags() stays.
    void stopListening();

    bool isReachableOnWWAN();
    bool isReachableOnEthernetOrWiFi();

    /// Calls the listener with the status of flags unless these are the
    /// flags delivered last.
    void notifyListener(net::ReachabilityFlags flags);

    /// The status rule: a connection that must first be set up, or that
    /// needs the user, is not reachable; otherwise the reachable bit decides,
    /// with the WWAN bit telling the connection type. Never unknown.
    static NetworkReachabilityStatus
    networkReachabilityStatusForFlags(net::ReachabilityFlags flags);

private:
    explicit NetworkReachabilityManager(std::unique_ptr<net::NetworkReachability> reachability);

    std::optional<NetworkReachabilityStatus> currentStatus();

    QPointer<QObject> m_listenerQueue;
    Listener m_listener;
    std::unique_ptr<net::NetworkReachability> m_reachability;
    std::optional<net::ReachabilityFlags> m_previousFlags;
    // Identifies the latest start, so an initial report queued by an earlier
    // start that was stopped again is dropped.
    int m_listening = 0;
    QObject m_pending;
};

} // namespace kesvor
