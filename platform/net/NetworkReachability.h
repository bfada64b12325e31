#pragma once

#include "net/ReachabilityFlags.h"

#include <QtCore/QObject>
#include <QtCore/QPointer>
#include <QtCore/QString>

#include <functional>
#include <memory>
#include <optional>

namespace kesvor::net {

class SystemReachability;

/// Watches the route to one host. flags() reads the current flags; with a
/// callback and a dispatch queue set, the watcher re-reads them whenever the
/// system reports a network change or a name lookup of the host answers
/// differently, and calls back on the queue's thread each time they differ
/// from the last ones it saw. It never reads them on a schedule: whoever
/// sees trouble on the route (a dropped connection, say) asks it to look
/// again with checkRoute().
///
/// The flags come from the system (SystemReachability) unless a flags source
/// has been put in its place for the whole process, as tests do.
/// Main thread.
class NetworkReachability : public QObject {
    Q_OBJECT
public:
    using Callback = std::function<void(ReachabilityFlags flags)>;
    /// The flags of a host, or nothing when they cannot be read.
    using FlagsSource = std::function<std::optional<ReachabilityFlags>(const QString& hostName)>;

    /// A watcher for hostName, or nothing when hostName is not a host name
    /// or address.
    static std::unique_ptr<NetworkReachability> createWithName(const QString& hostName);
    ~NetworkReachability() override;

    QString hostName() const { return m_hostName; }

    /// The current flags, or nothing when they cannot be read.
    std::optional<ReachabilityFlags> flags();

    /// Replaces the callback; an empty one removes it. Always succeeds.
    bool setCallback(Callback callback);
    /// The object on whose thread callbacks run; null stops callbacks.
    /// Always succeeds.
    bool setDispatchQueue(QObject* queue);

    /// Looks at the route again now: the name is looked up anew where the
    /// system's own network information does not decide. A change is called
    /// back as any other.
    void checkRoute();

    /// Makes every watcher read its flags from source, and re-read at once;
    /// an empty source restores the system's flags. Main thread.
    static void setFlagsSource(FlagsSource source);
    /// Makes every watcher re-read its flags now, as a change reported by
    /// the system does. Main thread.
    static void flagsMayHaveChanged();

private:
    explicit NetworkReachability(const QString& hostName);

    bool isWatching() const { return m_callback && m_queue; }
    void updateWatching();
    void reread();

    QString m_hostName;
    SystemReachability* m_system;
    Callback m_callback;
    QPointer<QObject> m_queue;
    std::optional<ReachabilityFlags> m_seen;
    bool m_watching = false;
};

} // namespace kesvor::net
