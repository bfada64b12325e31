#pragma once

#include <chrono>
#include <functional>
#include <memory>

namespace kesvor::foundation {

/// Where timed work reads the time and gets its wake-ups: the system's steady
/// clock and Qt timers, or in tests a clock that moves only when told to
/// (ManualTimeSource), so that timing never depends on the machine's speed.
class TimeSource {
public:
    using Duration = std::chrono::milliseconds;

    /// A one-shot wake-up. Stopping or destroying it cancels its callback.
    class Timer {
    public:
        virtual ~Timer() = default;
        /// Starts, or starts over: the callback runs once, delay from now.
        virtual void start(Duration delay) = 0;
        virtual void stop() = 0;
        virtual bool isActive() const = 0;
    };

    virtual ~TimeSource() = default;

    /// Steady time since an arbitrary origin; only differences mean something.
    virtual Duration now() const = 0;
    /// A stopped timer whose callback runs on the thread that made it.
    virtual std::unique_ptr<Timer> makeTimer(std::function<void()> callback) = 0;

    /// The steady clock with Qt timers, shared by everyone who uses it.
    static std::shared_ptr<TimeSource> system();
};

} // namespace kesvor::foundation
