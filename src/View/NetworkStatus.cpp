#include "View/NetworkStatus.h"

#include "Kesvor/KesvorConfiguration.h"
#include "Service/WebServiceManager.h"
#include "Socket/SocketManager.h"
#include "foundation/Console.h"
#include "foundation/DebugLog.h"
#include "foundation/MainThread.h"
#include "foundation/NotificationCenter.h"

#include <QtCore/QCoreApplication>

namespace kesvor {

using ConnectionType = NetworkReachabilityManager::ConnectionType;

namespace {
NetworkStatus* liveInstance = nullptr;
}

NetworkStatus& NetworkStatus::sharedInstance()
{
    KESVOR_ASSERT_MAIN_THREAD();
    static NetworkStatus instance;
    return instance;
}

NetworkStatus::NetworkStatus()
    : m_reachabilityManager(
          NetworkReachabilityManager::create(KesvorConfiguration::reachabilityHost()))
{
    if (m_reachabilityManager)
        m_reachabilityManager->setListener(&NetworkStatus::networkStatusChanged);
    else
        KESVOR_DEBUG_LOG << "reachability: cannot watch" << KesvorConfiguration::reachabilityHost();
    liveInstance = this;
    foundation::NotificationCenter::defaultCenter().addObserver(
        this, QString::fromLatin1(SocketDisconnectNotification),
        [this](const foundation::Notification&) { checkRoute(); });
    // The watcher's timers and lookups belong to the event loop: they go with
    // the application object, before static objects are destroyed.
    qAddPostRoutine(&NetworkStatus::applicationDidTerminate);
}

void NetworkStatus::applicationDidTerminate()
{
    // Runs inside the application object's destructor, so not through sharedInstance().
    if (liveInstance)
        liveInstance->m_reachabilityManager.reset();
}

NetworkStatus::~NetworkStatus()
{
    foundation::NotificationCenter::defaultCenter().removeObserver(this);
    liveInstance = nullptr;
}

void NetworkStatus::networkStatusChanged(
    const NetworkReachabilityManager::NetworkReachabilityStatus& status)
{
    using Kind = NetworkReachabilityManager::NetworkReachabilityStatus::Kind;
    switch (status.kind()) {
    case Kind::reachable:
        foundation::Console::print(QString::fromLatin1(
            status.connectionType() == ConnectionType::wwan ? reachableOverWWANLine
                                                            : reachableOverWiFiLine));
        WebServiceManager::sharedInstance().connectClient();
        return;
    case Kind::notReachable:
        foundation::Console::print(QString::fromLatin1(notReachableLine));
        break;
    case Kind::unknown:
        foundation::Console::print(QString::fromLatin1(unknownLine));
        break;
    }
    if (SocketManager* manager = SocketManager::sharedInstance())
        manager->socket()->disconnect();
}

void NetworkStatus::startListening()
{
    KESVOR_ASSERT_MAIN_THREAD();
    if (m_reachabilityManager)
        m_reachabilityManager->startListening();
}

void NetworkStatus::stopListening()
{
    KESVOR_ASSERT_MAIN_THREAD();
    if (m_reachabilityManager)
        m_reachabilityManager->stopListening();
}

void NetworkStatus::checkRoute()
{
    KESVOR_ASSERT_MAIN_THREAD();
    if (m_reachabilityManager)
        m_reachabilityManager->reachability().checkRoute();
}

bool NetworkStatus::isReachable()
{
    KESVOR_ASSERT_MAIN_THREAD();
    return m_reachabilityManager && (m_reachabilityManager->isReachableOnWWAN() ||
                                     m_reachabilityManager->isReachableOnEthernetOrWiFi());
}

} // namespace kesvor
