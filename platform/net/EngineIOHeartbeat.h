#pragma once

#include "foundation/ClockTimer.h"

#include <functional>

namespace kesvor::net {

/// The heartbeat of an Engine.IO session. A session counts as dead after a
/// whole ping interval and ping timeout without a sign of life from the server.
/// Signs of life only note the time; the dead-session timer looks at it when
/// it fires and waits on if it must, so a busy session costs no timer work per
/// packet. In revision 3 the client pings once per interval. Runs on
/// foundation::Clock, so tests move it by hand.
class EngineIOHeartbeat {
public:
    /// sendPing and dead run from the clock's timers.
    EngineIOHeartbeat(std::function<void()> sendPing, std::function<void()> dead);

    /// Starts beating for a session that is alive now.
    void start(double pingIntervalMs, double pingTimeoutMs, bool clientPings);
    void stop();

    /// Anything from the server that shows it is alive.
    void noteLife();
    /// A ping from the server, which comes once per interval: life, and the
    /// timer restarted at once, which spares it a wake-up of its own.
    void notePing();

private:
    void startDeadTimer();
    double remainingLifeMs() const;
    void onDeadTimer();
    void onPingTimer();

    std::function<void()> m_sendPing;
    std::function<void()> m_dead;
    double m_pingIntervalMs = 0;
    double m_deadAfterMs = 0;
    double m_lastLifeMs = 0;
    foundation::ClockTimer m_deadTimer;
    foundation::ClockTimer m_pingTimer;
};

} // namespace kesvor::net
