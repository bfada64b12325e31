#include "foundation/ManualTimeSource.h"

#include <algorithm>

namespace kesvor::foundation {

class ManualTimeSource::ManualTimer final : public TimeSource::Timer {
public:
    ManualTimer(ManualTimeSource& source, std::function<void()> callback)
        : m_source(source)
        , m_callback(std::move(callback))
    {
        m_source.m_timers.push_back(this);
    }
    ~ManualTimer() override { std::erase(m_source.m_timers, this); }

    void start(Duration delay) override
    {
        m_active = true;
        m_deadline = m_source.m_now + std::max(delay, Duration(0));
        m_order = ++m_source.m_starts;
    }
    void stop() override { m_active = false; }
    bool isActive() const override { return m_active; }

    bool isDueBefore(const ManualTimer* other) const
    {
        return !other || m_deadline < other->m_deadline ||
               (m_deadline == other->m_deadline && m_order < other->m_order);
    }

    Duration deadline() const { return m_deadline; }

    void fire()
    {
        m_active = false;
        // A copy: the callback may destroy this timer.
        const auto callback = m_callback;
        callback();
    }

private:
    ManualTimeSource& m_source;
    std::function<void()> m_callback;
    bool m_active = false;
    Duration m_deadline{0};
    std::uint64_t m_order = 0;
};

std::unique_ptr<TimeSource::Timer> ManualTimeSource::makeTimer(std::function<void()> callback)
{
    return std::make_unique<ManualTimer>(*this, std::move(callback));
}

void ManualTimeSource::advance(Duration by)
{
    const Duration target = m_now + std::max(by, Duration(0));
    // Searched afresh each time: a callback may start, stop or destroy timers.
    while (ManualTimer* timer = nextDue(target)) {
        m_now = timer->deadline();
        timer->fire();
    }
    m_now = target;
}

int ManualTimeSource::activeTimers() const
{
    return int(std::count_if(m_timers.begin(), m_timers.end(),
                             [](const ManualTimer* timer) { return timer->isActive(); }));
}

ManualTimeSource::ManualTimer* ManualTimeSource::nextDue(Duration until) const
{
    ManualTimer* next = nullptr;
    for (ManualTimer* timer : m_timers) {
        if (timer->isActive() && timer->deadline() <= until && timer->isDueBefore(next))
            next = timer;
    }
    return next;
}

} // namespace kesvor::foundation
