#include "net/NHNetworkClock.h"

#include "foundation/DebugLog.h"
#include "foundation/MainThread.h"
#include "foundation/NotificationCenter.h"
#include "net/SntpQuery.h"

#include <QtCore/QCoreApplication>

namespace kesvor::net {

namespace {

QDateTime deviceDateCorrectedBy(std::chrono::nanoseconds offset)
{
    const auto corrected = std::chrono::system_clock::now().time_since_epoch() + offset;
    const auto milliseconds = std::chrono::floor<std::chrono::milliseconds>(corrected);
    return QDateTime::fromMSecsSinceEpoch(milliseconds.count(), Qt::UTC);
}

} // namespace

NHNetworkClock* NHNetworkClock::sharedNetworkClock()
{
    static const QPointer<NHNetworkClock> clock = [] {
        KESVOR_ASSERT_MAIN_THREAD();
        return QPointer<NHNetworkClock>(new NHNetworkClock(QCoreApplication::instance()));
    }();
    return clock.data();
}

NHNetworkClock::NHNetworkClock(QObject* parent)
    : QObject(parent)
    , m_answerDeadline(new QTimer(this))
{
    m_answerDeadline->setSingleShot(true);
    connect(m_answerDeadline, &QTimer::timeout, this, &NHNetworkClock::complete);
}

NHNetworkClock::~NHNetworkClock() = default;

void NHNetworkClock::setOptions(const NetworkClockOptions& options)
{
    KESVOR_ASSERT_MAIN_THREAD();
    m_options = options;
}

void NHNetworkClock::setServers(const QStringList& servers)
{
    KESVOR_ASSERT_MAIN_THREAD();
    m_options.servers = servers;
}

void NHNetworkClock::synchronize()
{
    KESVOR_ASSERT_MAIN_THREAD();
    if (m_query) {
        KESVOR_DEBUG_LOG << "network clock: a synchronisation is running; joining it";
        // Completed already: this caller is told at once, never inside its call.
        if (m_completed)
            QMetaObject::invokeMethod(this, &NHNetworkClock::postCompletion, Qt::QueuedConnection);
        return;
    }
    m_completed = false;
    m_query = new SntpQuery(m_options, this);
    // Queued, so that observers never run inside the round's reply handling.
    connect(m_query, &SntpQuery::sampleArrived, this, &NHNetworkClock::sampleArrived,
            Qt::QueuedConnection);
    connect(m_query, &SntpQuery::finished, this, &NHNetworkClock::synchronizationFinished);
    m_answerDeadline->start(std::max(m_options.answerTimeout, std::chrono::milliseconds(0)));
    m_query->start();
}

void NHNetworkClock::sampleArrived()
{
    if (!m_query)
        return;
    if (const auto offset = bestOffset(m_query->samples())) {
        m_offset.store(offset->count());
        m_synchronized.store(true);
        KESVOR_DEBUG_LOG << "network clock: offset" << offset->count() / 1e6 << "ms from"
                         << m_query->samples().size() << "samples";
    }
    complete();
}

void NHNetworkClock::synchronizationFinished()
{
    SntpQuery* query = m_query;
    // Samples still on their way to sampleArrived() count too.
    if (const auto offset = bestOffset(query->samples())) {
        m_offset.store(offset->count());
        m_synchronized.store(true);
    } else {
        KESVOR_DEBUG_LOG << "network clock: no server answered; the offset stays"
                         << m_offset.load() / 1e6 << "ms";
    }
    m_query = nullptr;
    query->deleteLater();
    // Observers may start the next synchronisation from here.
    complete();
}

void NHNetworkClock::complete()
{
    m_answerDeadline->stop();
    if (m_completed)
        return;
    m_completed = true;
    postCompletion();
}

void NHNetworkClock::postCompletion()
{
    foundation::NotificationCenter::defaultCenter().post(
        QString::fromLatin1(kNHNetworkTimeSyncCompleteNotification));
}

QDateTime NHNetworkClock::networkDate() const
{
    return deviceDateCorrectedBy(offset());
}

QDateTime networkDate()
{
    const NHNetworkClock* clock = NHNetworkClock::sharedNetworkClock();
    return deviceDateCorrectedBy(clock ? clock->offset() : std::chrono::nanoseconds(0));
}

} // namespace kesvor::net
