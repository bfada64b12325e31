#include "foundation/Clock.h"

#include "foundation/ClockTimer.h"
#include "foundation/MainThread.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QTimer>

#include <algorithm>
#include <cmath>

namespace kesvor::foundation {

namespace {

int wholeMs(double ms)
{
    return static_cast<int>(std::ceil(std::max(0.0, ms)));
}

} // namespace

Clock& Clock::shared()
{
    static Clock clock;
    return clock;
}

Clock::Clock()
{
    m_machine.start();
}

double Clock::nowMs() const
{
    if (m_manual)
        return m_manualNowMs;
    return static_cast<double>(m_machine.nsecsElapsed()) / 1e6 + m_machineOffsetMs;
}

void Clock::setManual(bool manual)
{
    KESVOR_ASSERT_MAIN_THREAD();
    if (manual == m_manual)
        return;
    const double now = nowMs();
    if (manual) {
        // Driven time starts on a whole millisecond, so timers due after
        // whole-millisecond steps land exactly on the steps.
        m_manualNowMs = std::ceil(now);
        m_manual = true;
        const std::set<ClockTimer*> running = std::exchange(m_onMachine, {});
        for (ClockTimer* timer : running) {
            const double remaining = std::max(0, timer->m_machineTimer->remainingTime());
            timer->m_machineTimer->stop();
            timer->m_pending = enqueue(m_manualNowMs + remaining, Pending{timer, {}, false, {}});
        }
        return;
    }
    m_manual = false;
    m_machineOffsetMs = now - static_cast<double>(m_machine.nsecsElapsed()) / 1e6;
    Queue pending = std::exchange(m_queue, {});
    for (auto& [due, entry] : pending) {
        const double remaining = due.first - now;
        if (entry.timer) {
            entry.timer->m_pending.reset();
            entry.timer->startOnMachine(remaining);
        } else if (!entry.hasContext || entry.context) {
            runOnMachine(remaining, std::move(entry));
        }
    }
}

void Clock::advance(double ms)
{
    KESVOR_ASSERT_MAIN_THREAD();
    if (!m_manual)
        return;
    const double target = m_manualNowMs + std::max(0.0, ms);
    while (!m_queue.empty() && m_queue.begin()->first.first <= target)
        runNext();
    m_manualNowMs = target;
}

void Clock::singleShot(double delayMs, QObject* context, std::function<void()> work)
{
    KESVOR_ASSERT_MAIN_THREAD();
    Clock& clock = shared();
    Pending pending{nullptr, context, context != nullptr, std::move(work)};
    if (clock.m_manual)
        clock.enqueue(clock.nowMs() + std::max(0.0, delayMs), std::move(pending));
    else
        runOnMachine(delayMs, std::move(pending));
}

void Clock::runOnMachine(double delayMs, Pending pending)
{
    QObject* receiver = pending.hasContext ? pending.context.data() : QCoreApplication::instance();
    if (!receiver)
        return;
    QTimer::singleShot(wholeMs(delayMs), Qt::PreciseTimer, receiver, std::move(pending.work));
}

Clock::Queue::iterator Clock::enqueue(double dueMs, Pending pending)
{
    // Equal due times run in the order they were scheduled.
    return m_queue.emplace(std::pair{dueMs, m_order++}, std::move(pending));
}

void Clock::remove(Queue::iterator entry)
{
    m_queue.erase(entry);
}

void Clock::runNext()
{
    const auto first = m_queue.begin();
    m_manualNowMs = std::max(m_manualNowMs, first->first.first);
    Pending entry = std::move(first->second);
    m_queue.erase(first);
    if (entry.timer) {
        entry.timer->m_pending.reset();
        entry.timer->fire();
    } else if (!entry.hasContext || entry.context) {
        entry.work();
    }
}

} // namespace kesvor::foundation
