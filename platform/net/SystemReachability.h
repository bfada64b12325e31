#pragma once

#include "net/ReachabilityFlags.h"

#include <QtCore/QObject>
#include <QtCore/QString>
#include <QtNetwork/QHostAddress>

#include <optional>

class QNetworkInterface;

namespace kesvor::net {

/// Reachability flags of one host as the system sees it: the host is
/// reachable when its name resolves and an interface that is up and running
/// can carry traffic to it; the interface's kind tells a cellular route
/// (isWWAN) from others, and a loopback host is a local, direct one.
///
/// Name lookups are asynchronous. Until the first lookup has answered, the
/// name counts as resolving, so the first reading is decided by the
/// interfaces alone; afterwards the latest answer counts. Main thread.
class SystemReachability : public QObject {
    Q_OBJECT
public:
    explicit SystemReachability(const QString& hostName, QObject* parent = nullptr);
    ~SystemReachability() override;

    /// The flags from the last lookup and the interfaces as they are now.
    ReachabilityFlags flags() const;

    /// Starts a new lookup of the name unless one is under way.
    void refresh();

    /// Also follows the system's own network-information reports (when Qt
    /// has a backend for them): a change emits changed().
    void watchSystemChanges();

Q_SIGNALS:
    /// A lookup answered differently than before, or the system reported a change.
    void changed();

private:
    bool routeExists(const QList<QHostAddress>& targets, bool* cellular) const;
    bool canCarry(const QNetworkInterface& interface, const QList<QHostAddress>& targets) const;
    void lookedUp(bool resolved, const QList<QHostAddress>& addresses);

    QString m_hostName;
    std::optional<QHostAddress> m_literal;
    std::optional<bool> m_resolves;
    QList<QHostAddress> m_addresses;
    int m_lookupId = -1;
};

} // namespace kesvor::net
