#include "net/EngineIOHeartbeat.h"

namespace kesvor::net {

EngineIOHeartbeat::EngineIOHeartbeat(foundation::TimeSource& time, std::function<void()> sendPing,
                                     std::function<void()> dead)
    : m_time(time)
    , m_sendPing(std::move(sendPing))
    , m_dead(std::move(dead))
    , m_deadTimer(time.makeTimer([this] { onDeadTimer(); }))
    , m_pingTimer(time.makeTimer([this] { onPingTimer(); }))
{
}

void EngineIOHeartbeat::start(Duration pingInterval, Duration pingTimeout, bool clientPings)
{
    m_pingInterval = pingInterval;
    m_deadAfter = pingInterval + pingTimeout;
    noteLife();
    startDeadTimer();
    if (clientPings)
        m_pingTimer->start(m_pingInterval);
    else
        m_pingTimer->stop();
}

void EngineIOHeartbeat::stop()
{
    m_deadTimer->stop();
    m_pingTimer->stop();
}

void EngineIOHeartbeat::noteLife()
{
    m_lastLife = m_time.now();
}

void EngineIOHeartbeat::notePing()
{
    noteLife();
    startDeadTimer();
}

void EngineIOHeartbeat::startDeadTimer()
{
    m_deadTimer->start(m_lastLife + m_deadAfter - m_time.now());
}

void EngineIOHeartbeat::onDeadTimer()
{
    if (m_time.now() - m_lastLife < m_deadAfter) {
        startDeadTimer();
        return;
    }
    m_pingTimer->stop();
    m_dead();
}

void EngineIOHeartbeat::onPingTimer()
{
    m_pingTimer->start(m_pingInterval);
    m_sendPing();
}

} // namespace kesvor::net
