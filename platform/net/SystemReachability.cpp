#include "net/SystemReachability.h"

#include "foundation/DebugLog.h"
#include "foundation/MainThread.h"

#include <QtNetwork/QHostInfo>
#include <QtNetwork/QNetworkInformation>
#include <QtNetwork/QNetworkInterface>

#include <algorithm>

namespace kesvor::net {

namespace {

bool isLoopbackName(const QString& name)
{
    return name.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0 ||
           name.endsWith(QLatin1String(".localhost"), Qt::CaseInsensitive);
}

// Mobile-broadband modems and cellular links, as Linux names and types them.
bool isCellular(const QNetworkInterface& interface)
{
    const QString name = interface.name();
    return interface.type() == QNetworkInterface::Phonet ||
           interface.type() == QNetworkInterface::Ieee80216 ||
           name.startsWith(QLatin1String("wwan")) || name.startsWith(QLatin1String("rmnet"));
}

// The system's own reports, when Qt has a backend for reachability. Loading
// one talks to system services: once per process is enough.
QNetworkInformation* systemInformation()
{
    static const bool loaded =
        QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability);
    QNetworkInformation* information = loaded ? QNetworkInformation::instance() : nullptr;
    return information && information->supports(QNetworkInformation::Feature::Reachability)
               ? information
               : nullptr;
}

bool hasAddressFor(const QNetworkInterface& interface, const QList<QHostAddress>& targets)
{
    const auto entries = interface.addressEntries();
    return std::any_of(entries.begin(), entries.end(), [&](const QNetworkAddressEntry& entry) {
        const QHostAddress ip = entry.ip();
        if (ip.protocol() == QAbstractSocket::IPv6Protocol && ip.isLinkLocal())
            return false;
        return targets.isEmpty() ||
               std::any_of(targets.begin(), targets.end(), [&](const QHostAddress& target) {
                   return target.protocol() == ip.protocol();
               });
    });
}

void lookUpWithTheSystem(const QString& host, QObject* context,
                         std::function<void(bool, const QList<QHostAddress>&)> answer)
{
    QHostInfo::lookupHost(host, context, [answer = std::move(answer)](const QHostInfo& info) {
        answer(info.error() == QHostInfo::NoError && !info.addresses().isEmpty(), info.addresses());
    });
}

constexpr ReachabilityFlags localRoute =
    ReachabilityFlag::reachable | ReachabilityFlag::isLocalAddress | ReachabilityFlag::isDirect;

} // namespace

SystemReachability::SystemReachability(const QString& hostName, QObject* parent)
    : SystemReachability(hostName, Options{}, parent)
{
}

SystemReachability::SystemReachability(const QString& hostName, Options options, QObject* parent)
    : QObject(parent)
    , m_hostName(hostName.trimmed())
    , m_options(std::move(options))
{
    KESVOR_ASSERT_MAIN_THREAD();
    if (!m_options.resolver)
        m_options.resolver = &lookUpWithTheSystem;
    m_next.setTimeout([this] { lookUp(); });
    QHostAddress literal;
    if (literal.setAddress(m_hostName))
        m_literal = literal;
    refresh();
}

SystemReachability::~SystemReachability() = default;

bool SystemReachability::restsOnSystemInformation() const
{
    if (!m_options.systemInformation)
        return false;
    const QNetworkInformation* information = systemInformation();
    return information && information->reachability() != QNetworkInformation::Reachability::Unknown;
}

ReachabilityFlags SystemReachability::flags() const
{
    if (!m_literal && m_resolves == false)
        return 0;
    const QList<QHostAddress> targets =
        m_literal ? QList<QHostAddress>{*m_literal} : m_addresses; // no names before a lookup
    if (isLocal(targets)) {
        const auto interfaces = QNetworkInterface::allInterfaces();
        const bool loopbackUp = std::any_of(
            interfaces.begin(), interfaces.end(), [](const QNetworkInterface& interface) {
                return interface.flags().testFlags(QNetworkInterface::IsUp |
                                                   QNetworkInterface::IsLoopBack);
            });
        return loopbackUp ? localRoute : 0;
    }
    if (restsOnSystemInformation()) {
        const QNetworkInformation* information = systemInformation();
        if (information->reachability() != QNetworkInformation::Reachability::Online)
            return 0;
        const bool cellular =
            information->transportMedium() == QNetworkInformation::TransportMedium::Cellular;
        return ReachabilityFlag::reachable | (cellular ? ReachabilityFlag::isWWAN : 0);
    }
    return routeFlags(targets);
}

bool SystemReachability::isLocal(const QList<QHostAddress>& targets) const
{
    if (targets.isEmpty())
        return isLoopbackName(m_hostName);
    return std::all_of(targets.begin(), targets.end(),
                       [](const QHostAddress& target) { return target.isLoopback(); });
}

ReachabilityFlags SystemReachability::routeFlags(const QList<QHostAddress>& targets) const
{
    bool any = false;
    bool allCellular = true;
    for (const QNetworkInterface& interface : QNetworkInterface::allInterfaces()) {
        if (!canCarry(interface, targets))
            continue;
        any = true;
        allCellular = allCellular && isCellular(interface);
    }
    if (!any)
        return 0;
    return ReachabilityFlag::reachable | (allCellular ? ReachabilityFlag::isWWAN : 0);
}

bool SystemReachability::canCarry(const QNetworkInterface& interface,
                                  const QList<QHostAddress>& targets) const
{
    const auto flags = interface.flags();
    return flags.testFlags(QNetworkInterface::IsUp | QNetworkInterface::IsRunning) &&
           !flags.testFlag(QNetworkInterface::IsLoopBack) && hasAddressFor(interface, targets);
}

void SystemReachability::refresh()
{
    KESVOR_ASSERT_MAIN_THREAD();
    if (m_literal || m_hostName.isEmpty() || restsOnSystemInformation())
        return;
    lookUp();
}

void SystemReachability::lookUp()
{
    if (m_lookingUp)
        return;
    m_lookingUp = true;
    m_options.resolver(m_hostName, this,
                       [this](bool resolved, const QList<QHostAddress>& addresses) {
                           m_lookingUp = false;
                           lookedUp(resolved, addresses);
                       });
}

void SystemReachability::lookedUp(bool resolved, const QList<QHostAddress>& addresses)
{
    if (resolved) {
        m_failures = 0;
        m_retryMs = 0;
        m_next.stop();
        if (m_resolves == true && m_addresses == addresses)
            return;
        m_resolves = true;
        m_addresses = addresses;
        Q_EMIT changed();
        return;
    }
    // One failure may be a slow or lost answer: the next lookup decides.
    if (++m_failures == 1) {
        m_next.start(m_options.confirmAfterMs);
        return;
    }
    if (m_resolves != false) {
        KESVOR_DEBUG_LOG << "reachability:" << m_hostName << "does not resolve";
        m_resolves = false;
        m_addresses.clear();
        Q_EMIT changed();
    }
    scheduleRetry();
}

void SystemReachability::scheduleRetry()
{
    if (!m_watching || m_lookingUp || m_next.isActive())
        return;
    m_retryMs = m_retryMs == 0 ? m_options.retryAfterMs
                               : std::min(2 * m_retryMs, m_options.retryAtMostAfterMs);
    m_next.start(m_retryMs);
}

void SystemReachability::startWatching()
{
    KESVOR_ASSERT_MAIN_THREAD();
    m_watching = true;
    if (m_resolves == false)
        scheduleRetry();
    QNetworkInformation* information = m_options.systemInformation ? systemInformation() : nullptr;
    if (!information)
        return;
    connect(information, &QNetworkInformation::reachabilityChanged, this,
            &SystemReachability::changed, Qt::UniqueConnection);
    connect(information, &QNetworkInformation::transportMediumChanged, this,
            &SystemReachability::changed, Qt::UniqueConnection);
}

void SystemReachability::stopWatching()
{
    KESVOR_ASSERT_MAIN_THREAD();
    m_watching = false;
    // A confirming lookup still decides; retries wait for the next watch.
    if (m_failures >= 2)
        m_next.stop();
}

} // namespace kesvor::net
