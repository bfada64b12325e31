#pragma once

#include "foundation/TimeSource.h"

#include <functional>
#include <memory>

namespace kesvor::net {

/// The heartbeat of an Engine.IO session. A session counts as dead after a
/// whole ping interval and ping timeout without a sign of life from the server.
/// Signs of life only note the time; the dead-session timer looks at it when
/// it fires and waits on if it must, so a busy session costs no timer work per
/// packet. In revision 3 the client pings once per interval.
class EngineIOHeartbeat {
public:
    using Duration = foundation::TimeSource::Duration;

    /// sendPing and dead run on the time source's timers.
    EngineIOHeartbeat(foundation::TimeSource& time, std::function<void()> sendPing,
                      std::function<void()> dead);

    /// Starts beating for a session that is alive now.
    void start(Duration pingInterval, Duration pingTimeout, bool clientPings);
    void stop();

    /// Anything from the server that shows it is alive.
    void noteLife();
    /// A ping from the server, which comes once per interval: life, and the
    /// timer restarted at once, which spares it a wake-up of its own.
    void notePing();

private:
    void startDeadTimer();
    void onDeadTimer();
    void onPingTimer();

    foundation::TimeSource& m_time;
    std::function<void()> m_sendPing;
    std::function<void()> m_dead;
    Duration m_pingInterval{0};
    Duration m_deadAfter{0};
    Duration m_lastLife{0};
    std::unique_ptr<foundation::TimeSource::Timer> m_deadTimer;
    std::unique_ptr<foundation::TimeSource::Timer> m_pingTimer;
};

} // namespace kesvor::net
