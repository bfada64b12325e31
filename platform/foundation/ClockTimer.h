#pragma once

#include "foundation/Clock.h"

#include <QtCore/QTimer>

#include <functional>
#include <memory>
#include <optional>

namespace kesvor::foundation {

/// A timer that runs on Clock::shared(): a real timer while the clock follows
/// the machine, an entry of the clock's queue while a test drives it. It
/// stops when it is destroyed. Main thread.
class ClockTimer {
public:
    explicit ClockTimer(std::function<void()> timeout = {});
    ~ClockTimer();
    ClockTimer(const ClockTimer&) = delete;
    ClockTimer& operator=(const ClockTimer&) = delete;

    void setTimeout(std::function<void()> timeout) { m_timeout = std::move(timeout); }

    /// Fires after intervalMs, then, when repeating, every intervalMs until
    /// stopped. Starting a running timer restarts it.
    void start(double intervalMs, bool repeating = false);
    void stop();
    bool isActive() const;
    double intervalMs() const { return m_intervalMs; }

private:
    friend class Clock;

    void startOnMachine(double delayMs);
    void fire();

    std::function<void()> m_timeout;
    double m_intervalMs = 0;
    bool m_repeating = false;
    std::unique_ptr<QTimer> m_machineTimer;
    std::optional<Clock::Queue::iterator> m_pending;
};

} // namespace kesvor::foundation
