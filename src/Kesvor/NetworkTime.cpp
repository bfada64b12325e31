#include "Kesvor/NetworkTime.h"

#include "Kesvor/KesvorConfiguration.h"
#include "foundation/MainThread.h"
#include "net/NHNetworkClock.h"

namespace kesvor {

NetworkTime& NetworkTime::sharedInstance()
{
    KESVOR_ASSERT_MAIN_THREAD();
    static NetworkTime instance;
    return instance;
}

NetworkTime::NetworkTime()
    : m_time(net::NHNetworkClock::sharedNetworkClock())
{
    // Touching the centre first makes it outlive this object at exit, so the
    // destructor can still remove its observation.
    foundation::NotificationCenter::defaultCenter();
    if (m_time)
        m_time->setServers(KesvorConfiguration::ntpServers());
}

NetworkTime::~NetworkTime()
{
    if (m_observation)
        foundation::NotificationCenter::defaultCenter().removeObserver(m_observation);
}

void NetworkTime::sync(Completion withCompletion)
{
    KESVOR_ASSERT_MAIN_THREAD();
    if (m_time)
        m_time->synchronize();
    setCompletionBlock(std::move(withCompletion));
    addNetworkNotificationObserver();
}

void NetworkTime::networkNotification()
{
    // A copy, because the completion may replace itself through sync().
    const Completion completion = m_completionBlock;
    if (completion)
        completion();
}

void NetworkTime::addNetworkNotificationObserver()
{
    KESVOR_ASSERT_MAIN_THREAD();
    if (m_observation)
        return;
    m_observation = foundation::NotificationCenter::defaultCenter().addObserver(
        this, QString::fromLatin1(net::kNHNetworkTimeSyncCompleteNotification),
        [this](const foundation::Notification&) { networkNotification(); });
}

void NetworkTime::setCompletionBlock(Completion completionBlock)
{
    KESVOR_ASSERT_MAIN_THREAD();
    m_completionBlock = std::move(completionBlock);
}

} // namespace kesvor
