#include "net/EngineIOHeartbeat.h"

namespace kesvor::net {

namespace {

double now()
{
    return foundation::Clock::shared().nowMs();
}

} // namespace

EngineIOHeartbeat::EngineIOHeartbeat(std::function<void()> sendPing, std::function<void()> dead)
    : m_sendPing(std::move(sendPing))
    , m_dead(std::move(dead))
    , m_deadTimer([this] { onDeadTimer(); })
    , m_pingTimer([this] { onPingTimer(); })
{
}

void EngineIOHeartbeat::start(double pingIntervalMs, double pingTimeoutMs, bool clientPings)
{
    m_pingIntervalMs = pingIntervalMs;
    m_deadAfterMs = pingIntervalMs + pingTimeoutMs;
    noteLife();
    startDeadTimer();
    if (clientPings)
        m_pingTimer.start(m_pingIntervalMs);
    else
        m_pingTimer.stop();
}

void EngineIOHeartbeat::stop()
{
    m_deadTimer.stop();
    m_pingTimer.stop();
}

void EngineIOHeartbeat::noteLife()
{
    m_lastLifeMs = now();
}

void EngineIOHeartbeat::notePing()
{
    noteLife();
    startDeadTimer();
}

void EngineIOHeartbeat::startDeadTimer()
{
    m_deadTimer.start(remainingLifeMs());
}

double EngineIOHeartbeat::remainingLifeMs() const
{
    return m_lastLifeMs + m_deadAfterMs - now();
}

void EngineIOHeartbeat::onDeadTimer()
{
    // A remainder below the timers' resolution is rounding, not life: waiting
    // on for it could re-arm the timer for the same instant again and again.
    constexpr double resolutionMs = 0.01;
    if (remainingLifeMs() > resolutionMs) {
        startDeadTimer();
        return;
    }
    m_pingTimer.stop();
    m_dead();
}

void EngineIOHeartbeat::onPingTimer()
{
    m_pingTimer.start(m_pingIntervalMs);
    m_sendPing();
}

} // namespace kesvor::net
