#pragma once

#include "foundation/TimeSource.h"

#include <cstdint>
#include <vector>

namespace kesvor::foundation {

/// A clock for tests. Time stands still until advance() moves it; on the way,
/// every timer that falls due runs, in the order of its deadline (timers due
/// together in the order they were started), with now() at that deadline.
/// Callbacks run inside advance(), on the caller's thread. The source must
/// outlive its timers.
class ManualTimeSource final : public TimeSource {
public:
    Duration now() const override { return m_now; }
    std::unique_ptr<Timer> makeTimer(std::function<void()> callback) override;

    void advance(Duration by);
    /// How many timers are running.
    int activeTimers() const;

private:
    class ManualTimer;

    ManualTimer* nextDue(Duration until) const;

    Duration m_now{0};
    std::uint64_t m_starts = 0;
    std::vector<ManualTimer*> m_timers;
};

} // namespace kesvor::foundation
