#pragma once

#include "net/NetworkClockOptions.h"

#include <QtCore/QDateTime>
#include <QtCore/QObject>
#include <QtCore/QPointer>
#include <QtCore/QTimer>

#include <atomic>
#include <chrono>

namespace kesvor::net {

class SntpQuery;

/// Posted on the default notification centre, without user info, each time a
/// synchronisation has completed, whether or not a server answered.
inline constexpr char kNHNetworkTimeSyncCompleteNotification[] =
    "kNHNetworkTimeSyncCompleteNotification";

/// A clock that follows network time: synchronize() asks SNTP servers over
/// UDP for several samples each and keeps the offset between their time and
/// the device's; networkDate() is the device time corrected by that offset.
/// The first usable answer completes a synchronisation; the round goes on
/// and each later sample refines the offset.
///
/// Lives on the main thread; offset() and networkDate() may be read from any thread.
class NHNetworkClock : public QObject {
    Q_OBJECT
public:
    /// The process-wide clock, created on first use (on the main thread)
    /// without servers; null once the application object is gone.
    static NHNetworkClock* sharedNetworkClock();

    explicit NHNetworkClock(QObject* parent = nullptr);
    ~NHNetworkClock() override;

    const NetworkClockOptions& options() const { return m_options; }
    /// Applies from the next synchronisation on.
    void setOptions(const NetworkClockOptions& options);
    void setServers(const QStringList& servers);

    /// Starts a synchronisation and returns at once. It completes, posting
    /// kNHNetworkTimeSyncCompleteNotification once, with the first usable
    /// answer (the offset it gives), or after the options' answer timeout
    /// (keeping the previous offset). Its round goes on until every server
    /// has answered or dropped out, or the timeout passes; each later sample
    /// refines the offset to what all samples so far support. A call while a
    /// round runs joins it: before completion it waits for that completion,
    /// after it it gets a notification of its own at once.
    void synchronize();
    /// True while a round asks servers (also after its completion).
    bool isSynchronizing() const { return !m_query.isNull(); }

    /// True once a synchronisation has measured an offset.
    bool isSynchronized() const { return m_synchronized.load(); }
    /// Network time minus device time; zero until measured.
    std::chrono::nanoseconds offset() const { return std::chrono::nanoseconds(m_offset.load()); }
    /// The device's current time corrected by offset(), in UTC.
    QDateTime networkDate() const;

private:
    void sampleArrived();
    void synchronizationFinished();
    void complete();
    static void postCompletion();

    NetworkClockOptions m_options;
    QPointer<SntpQuery> m_query;
    // Whether the running round has posted its completion.
    bool m_completed = false;
    QTimer* m_answerDeadline;
    std::atomic<qint64> m_offset{0};
    std::atomic_bool m_synchronized{false};
};

/// The shared clock's corrected current date; the device time when the shared
/// clock is gone.
QDateTime networkDate();

} // namespace kesvor::net
