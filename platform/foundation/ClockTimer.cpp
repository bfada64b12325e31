#include "foundation/ClockTimer.h"

#include "foundation/MainThread.h"

#include <algorithm>
#include <cmath>

namespace kesvor::foundation {

ClockTimer::ClockTimer(std::function<void()> timeout)
    : m_timeout(std::move(timeout))
{
    // The clock must outlive every timer, also timers held by static objects.
    Clock::shared();
}

ClockTimer::~ClockTimer()
{
    stop();
}

void ClockTimer::start(double intervalMs, bool repeating)
{
    KESVOR_ASSERT_MAIN_THREAD();
    stop();
    m_intervalMs = std::max(0.0, intervalMs);
    m_repeating = repeating;
    Clock& clock = Clock::shared();
    if (clock.isManual())
        m_pending =
            clock.enqueue(clock.nowMs() + m_intervalMs, Clock::Pending{this, {}, false, {}});
    else
        startOnMachine(m_intervalMs);
}

void ClockTimer::stop()
{
    Clock& clock = Clock::shared();
    if (m_pending) {
        clock.remove(*m_pending);
        m_pending.reset();
    }
    if (m_machineTimer)
        m_machineTimer->stop();
    clock.m_onMachine.erase(this);
}

bool ClockTimer::isActive() const
{
    return m_pending.has_value() || (m_machineTimer && m_machineTimer->isActive());
}

void ClockTimer::startOnMachine(double delayMs)
{
    if (!m_machineTimer) {
        m_machineTimer = std::make_unique<QTimer>();
        m_machineTimer->setSingleShot(true);
        m_machineTimer->setTimerType(Qt::PreciseTimer);
        QObject::connect(m_machineTimer.get(), &QTimer::timeout, [this] { fire(); });
    }
    m_machineTimer->start(static_cast<int>(std::ceil(std::max(0.0, delayMs))));
    Clock::shared().m_onMachine.insert(this);
}

void ClockTimer::fire()
{
    Clock& clock = Clock::shared();
    clock.m_onMachine.erase(this);
    // Re-armed before the timeout runs, so that the timeout may stop it. A
    // driven clock moves by at least a millisecond per period.
    if (m_repeating) {
        if (clock.isManual())
            m_pending = clock.enqueue(clock.nowMs() + std::max(1.0, m_intervalMs),
                                      Clock::Pending{this, {}, false, {}});
        else
            startOnMachine(m_intervalMs);
    }
    if (m_timeout)
        m_timeout();
}

} // namespace kesvor::foundation
