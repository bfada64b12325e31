#pragma once

#include <QtCore/QElapsedTimer>
#include <QtCore/QObject>
#include <QtCore/QPointer>

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <utility>

namespace kesvor::foundation {

class ClockTimer;

/// Time as waiting work sees it: the delays of timers and the frames of
/// animations. It follows the machine's monotonic clock until a test stops
/// it (setManual); from then on it stands still and only advance() moves it,
/// running every timer that falls due on the way, in order. So a 3-second
/// delay or the middle of an animation is reached at once, on any machine.
/// Main thread.
class Clock {
public:
    static Clock& shared();

    /// Milliseconds since an arbitrary start; never goes back.
    double nowMs() const;

    bool isManual() const { return m_manual; }
    /// On: time stands still until advance(). Off: it follows the machine
    /// again from where it stood, and pending timers keep their remaining
    /// delays.
    void setManual(bool manual);
    /// Moves manual time forward by ms, running the timers that fall due, each
    /// at its own time. Does nothing while the clock follows the machine.
    void advance(double ms);
    /// Timers and work waiting on the driven clock.
    int pendingCount() const { return static_cast<int>(m_queue.size()); }
    /// When the first of them falls due on the driven clock; none without any.
    std::optional<double> nextDueMs() const
    {
        if (m_queue.empty())
            return std::nullopt;
        return m_queue.begin()->first.first;
    }

    /// Runs work once after delayMs, unless context is destroyed first.
    static void singleShot(double delayMs, QObject* context, std::function<void()> work);

    Clock(const Clock&) = delete;
    Clock& operator=(const Clock&) = delete;

private:
    friend class ClockTimer;

    struct Pending {
        ClockTimer* timer = nullptr;
        // For singleShot(): the work and the object it depends on, if any.
        QPointer<QObject> context;
        bool hasContext = false;
        std::function<void()> work;
    };
    using Queue = std::multimap<std::pair<double, quint64>, Pending>;

    Clock();
    Queue::iterator enqueue(double dueMs, Pending pending);
    void remove(Queue::iterator entry);
    void runNext();
    static void runOnMachine(double delayMs, Pending pending);

    QElapsedTimer m_machine;
    double m_machineOffsetMs = 0;
    double m_manualNowMs = 0;
    bool m_manual = false;
    quint64 m_order = 0;
    Queue m_queue;
    // Timers that currently wait on a real timer, moved into the queue when
    // the clock stops.
    std::set<ClockTimer*> m_onMachine;
};

} // namespace kesvor::foundation
