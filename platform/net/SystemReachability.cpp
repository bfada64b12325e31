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

// The system's own report, when Qt has a backend that reports reachability.
QNetworkInformation* systemInformation()
{
    QNetworkInformation* information = QNetworkInformation::instance();
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

} // namespace

SystemReachability::SystemReachability(const QString& hostName, QObject* parent)
    : QObject(parent)
    , m_hostName(hostName.trimmed())
{
    KESVOR_ASSERT_MAIN_THREAD();
    QHostAddress literal;
    if (literal.setAddress(m_hostName))
        m_literal = literal;
    refresh();
}

SystemReachability::~SystemReachability()
{
    if (m_lookupId >= 0)
        QHostInfo::abortHostLookup(m_lookupId);
}

ReachabilityFlags SystemReachability::flags() const
{
    QList<QHostAddress> targets;
    if (m_literal)
        targets = {*m_literal};
    else if (m_resolves == false)
        return 0;
    else
        targets = m_addresses; // empty until the first lookup has answered
    const bool local =
        targets.isEmpty()
            ? isLoopbackName(m_hostName)
            : std::all_of(targets.begin(), targets.end(),
                          [](const QHostAddress& target) { return target.isLoopback(); });
    if (local) {
        const auto interfaces = QNetworkInterface::allInterfaces();
        const bool loopbackUp = std::any_of(
            interfaces.begin(), interfaces.end(), [](const QNetworkInterface& interface) {
                return interface.flags().testFlags(QNetworkInterface::IsUp |
                                                   QNetworkInterface::IsLoopBack);
            });
        return loopbackUp ? ReachabilityFlag::reachable | ReachabilityFlag::isLocalAddress |
                                ReachabilityFlag::isDirect
                          : 0;
    }
    bool cellular = false;
    if (!routeExists(targets, &cellular))
        return 0;
    return ReachabilityFlag::reachable | (cellular ? ReachabilityFlag::isWWAN : 0);
}

bool SystemReachability::routeExists(const QList<QHostAddress>& targets, bool* cellular) const
{
    const QNetworkInformation* information = systemInformation();
    if (information &&
        information->reachability() == QNetworkInformation::Reachability::Disconnected)
        return false;
    bool any = false;
    bool allCellular = true;
    for (const QNetworkInterface& interface : QNetworkInterface::allInterfaces()) {
        if (!canCarry(interface, targets))
            continue;
        any = true;
        allCellular = allCellular && isCellular(interface);
    }
    *cellular =
        any && (allCellular || (information && information->transportMedium() ==
                                                   QNetworkInformation::TransportMedium::Cellular));
    return any;
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
    if (m_literal || m_lookupId >= 0 || m_hostName.isEmpty())
        return;
    m_lookupId = QHostInfo::lookupHost(m_hostName, this, [this](const QHostInfo& info) {
        m_lookupId = -1;
        lookedUp(info.error() == QHostInfo::NoError && !info.addresses().isEmpty(),
                 info.addresses());
    });
}

void SystemReachability::lookedUp(bool resolved, const QList<QHostAddress>& addresses)
{
    const QList<QHostAddress> known = resolved ? addresses : QList<QHostAddress>();
    if (m_resolves == resolved && m_addresses == known)
        return;
    if (!resolved)
        KESVOR_DEBUG_LOG << "reachability:" << m_hostName << "does not resolve";
    m_resolves = resolved;
    m_addresses = known;
    Q_EMIT changed();
}

void SystemReachability::watchSystemChanges()
{
    KESVOR_ASSERT_MAIN_THREAD();
    // Loading a backend talks to system services; once per process is enough.
    static const bool loaded =
        QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability);
    QNetworkInformation* information = loaded ? QNetworkInformation::instance() : nullptr;
    if (!information)
        return;
    connect(information, &QNetworkInformation::reachabilityChanged, this,
            &SystemReachability::changed, Qt::UniqueConnection);
    connect(information, &QNetworkInformation::transportMediumChanged, this,
            &SystemReachability::changed, Qt::UniqueConnection);
}

} // namespace kesvor::net
