#include "net/NetworkReachability.h"

#include "foundation/MainThread.h"
#include "net/SystemReachability.h"

#include <QtCore/QList>
#include <QtCore/QUrl>

namespace kesvor::net {

namespace {

// Process-wide, main thread only: the replacement flags source and the live watchers.
struct Watchers {
    NetworkReachability::FlagsSource source;
    QList<NetworkReachability*> all;
};

Watchers& watchers()
{
    static Watchers state;
    return state;
}

bool isHostName(const QString& name)
{
    if (name.trimmed().isEmpty())
        return false;
    QUrl url;
    url.setHost(name.trimmed(), QUrl::StrictMode);
    return url.isValid() && !url.host().isEmpty();
}

} // namespace

std::unique_ptr<NetworkReachability> NetworkReachability::createWithName(const QString& hostName)
{
    KESVOR_ASSERT_MAIN_THREAD();
    if (!isHostName(hostName))
        return nullptr;
    return std::unique_ptr<NetworkReachability>(new NetworkReachability(hostName.trimmed()));
}

NetworkReachability::NetworkReachability(const QString& hostName)
    : m_hostName(hostName)
    , m_system(new SystemReachability(hostName, this))
{
    connect(m_system, &SystemReachability::changed, this, &NetworkReachability::reread);
    watchers().all.append(this);
}

NetworkReachability::~NetworkReachability()
{
    watchers().all.removeOne(this);
}

std::optional<ReachabilityFlags> NetworkReachability::flags()
{
    KESVOR_ASSERT_MAIN_THREAD();
    if (const auto& source = watchers().source)
        return source(m_hostName);
    // Unwatched readings would otherwise keep the first lookup's answer forever.
    if (!isWatching())
        m_system->refresh();
    return m_system->flags();
}

bool NetworkReachability::setCallback(Callback callback)
{
    KESVOR_ASSERT_MAIN_THREAD();
    m_callback = std::move(callback);
    updateWatching();
    return true;
}

bool NetworkReachability::setDispatchQueue(QObject* queue)
{
    KESVOR_ASSERT_MAIN_THREAD();
    m_queue = queue;
    updateWatching();
    return true;
}

void NetworkReachability::checkRoute()
{
    KESVOR_ASSERT_MAIN_THREAD();
    if (!watchers().source)
        m_system->refresh();
    reread();
}

void NetworkReachability::updateWatching()
{
    if (!isWatching()) {
        if (std::exchange(m_watching, false))
            m_system->stopWatching();
        return;
    }
    if (std::exchange(m_watching, true))
        return;
    // Only changes from here on are called back.
    m_seen = flags();
    m_system->startWatching();
}

void NetworkReachability::reread()
{
    if (!isWatching())
        return;
    const auto current = flags();
    if (!current || current == m_seen)
        return;
    m_seen = current;
    const QPointer<NetworkReachability> self(this);
    const ReachabilityFlags value = *current;
    QMetaObject::invokeMethod(m_queue, [self, value] {
        // Stopped or replaced meanwhile: the report is stale.
        if (!self || !self->isWatching())
            return;
        // A copy: the callback may replace itself.
        const Callback callback = self->m_callback;
        callback(value);
    });
}

void NetworkReachability::setFlagsSource(FlagsSource source)
{
    KESVOR_ASSERT_MAIN_THREAD();
    watchers().source = std::move(source);
    flagsMayHaveChanged();
}

void NetworkReachability::flagsMayHaveChanged()
{
    KESVOR_ASSERT_MAIN_THREAD();
    // A callback may create or destroy watchers.
    const QList<QPointer<NetworkReachability>> all(watchers().all.begin(), watchers().all.end());
    for (const auto& watcher : all)
        if (watcher)
            watcher->reread();
}

} // namespace kesvor::net
