#pragma once

#include "foundation/NotificationCenter.h"
#include "net/NHNetworkClock.h"

#include <QtCore/QPointer>

#include <functional>

namespace kesvor {

/// The SDK's view of the network clock: the shared clock, configured with the
/// SDK's time servers, and the one piece of work to run when a
/// synchronisation has finished. Main thread.
class NetworkTime {
public:
    using Completion = std::function<void()>;

    /// Created on first use; configures the shared clock with the SDK's time
    /// servers and keeps a reference to it.
    static NetworkTime& sharedInstance();

    NetworkTime(const NetworkTime&) = delete;
    NetworkTime& operator=(const NetworkTime&) = delete;

    /// Asks the clock to synchronise, makes withCompletion the work to run when
    /// it has finished (replacing any earlier work) and observes the clock's
    /// notification. The completion runs once per finished synchronisation,
    /// however often sync() was called; a synchronisation finishes even when no
    /// server answers, after the clock's time limit.
    void sync(Completion withCompletion);

    /// Runs the current completion; the observer of the clock's notification.
    void networkNotification();

    /// Makes networkNotification() observe the clock's notification. Only the
    /// first call registers, so one notification runs the completion once.
    void addNetworkNotificationObserver();

    const Completion& completionBlock() const { return m_completionBlock; }
    void setCompletionBlock(Completion completionBlock);

    /// The shared clock; null once the application object is gone.
    net::NHNetworkClock* time() const { return m_time.data(); }

private:
    NetworkTime();
    ~NetworkTime();

    Completion m_completionBlock;
    QPointer<net::NHNetworkClock> m_time;
    foundation::NotificationCenter::Token m_observation = 0;
};

} // namespace kesvor
