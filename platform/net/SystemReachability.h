#pragma once

#include "foundation/ClockTimer.h"
#include "net/ReachabilityFlags.h"

#include <QtCore/QObject>
#include <QtCore/QString>
#include <QtNetwork/QHostAddress>

#include <functional>
#include <optional>

class QNetworkInterface;

namespace kesvor::net {

/// Reachability flags of one host as the system sees it. A loopback host is
/// a local, direct route while the loopback interface is up. For any other
/// host the answer comes, where Qt has a backend for it, from the system's
/// own network information (online means reachable; a cellular medium sets
/// isWWAN), which reports changes by itself. Without that, the host is
/// reachable when its name resolves and an interface that is up and running
/// can carry traffic to it, the interface's kind telling a cellular route
/// from others.
///
/// Name lookups are made on demand (refresh()), never on a schedule while
/// the name resolves: a watcher that is told of trouble asks for one. A
/// failed lookup counts only when the next one, made a moment later, fails
/// too, so one slow or lost answer never makes the host unreachable. While
/// the name does not resolve and the host is watched, it is looked up again
/// now and then, at growing intervals. Until the first lookup has answered,
/// the name counts as resolving. Main thread.
class SystemReachability : public QObject {
    Q_OBJECT
public:
    /// Answers whether host resolves, and to which addresses; calls back once
    /// on the main thread, unless context is destroyed first.
    using Resolver = std::function<void(
        const QString& host, QObject* context,
        std::function<void(bool resolved, const QList<QHostAddress>& addresses)> answer)>;

    struct Options {
        /// Rest on the system's network information where Qt has a backend.
        bool systemInformation = true;
        /// How names are looked up; the system's resolver when empty.
        Resolver resolver;
        /// After a failed lookup, the confirming one follows this much later.
        double confirmAfterMs = 1000;
        /// While the name does not resolve: the first and the longest pause
        /// before it is looked up again.
        double retryAfterMs = 5000;
        double retryAtMostAfterMs = 60'000;
    };

    SystemReachability(const QString& hostName, Options options, QObject* parent = nullptr);
    explicit SystemReachability(const QString& hostName, QObject* parent = nullptr);
    ~SystemReachability() override;

    /// The flags from the system's information, or from the last confirmed
    /// lookup and the interfaces as they are now.
    ReachabilityFlags flags() const;

    /// Looks the name up anew, unless the system's information answers, a
    /// lookup is under way or the host is an address.
    void refresh();

    /// While watched, the system's network-information reports and the
    /// lookups again after failures emit changed().
    void startWatching();
    void stopWatching();

    /// True when the system's network information decides the flags.
    bool restsOnSystemInformation() const;

Q_SIGNALS:
    /// A lookup answered differently than before, or the system reported a change.
    void changed();

private:
    bool isLocal(const QList<QHostAddress>& targets) const;
    ReachabilityFlags routeFlags(const QList<QHostAddress>& targets) const;
    bool canCarry(const QNetworkInterface& interface, const QList<QHostAddress>& targets) const;
    void lookUp();
    void lookedUp(bool resolved, const QList<QHostAddress>& addresses);
    void scheduleRetry();

    QString m_hostName;
    Options m_options;
    std::optional<QHostAddress> m_literal;
    std::optional<bool> m_resolves;
    QList<QHostAddress> m_addresses;
    bool m_lookingUp = false;
    int m_failures = 0; // consecutive failed lookups
    bool m_watching = false;
    double m_retryMs = 0;
    foundation::ClockTimer m_next; // the confirming lookup, or the next retry
};

} // namespace kesvor::net
