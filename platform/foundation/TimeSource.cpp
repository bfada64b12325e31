#include "foundation/TimeSource.h"

#include <QtCore/QTimer>

namespace kesvor::foundation {

namespace {

class QtTimer final : public TimeSource::Timer {
public:
    explicit QtTimer(std::function<void()> callback)
    {
        m_timer.setSingleShot(true);
        QObject::connect(&m_timer, &QTimer::timeout, std::move(callback));
    }

    void start(TimeSource::Duration delay) override
    {
        m_timer.start(std::max(delay, TimeSource::Duration(0)));
    }
    void stop() override { m_timer.stop(); }
    bool isActive() const override { return m_timer.isActive(); }

private:
    QTimer m_timer;
};

class SystemTimeSource final : public TimeSource {
public:
    Duration now() const override
    {
        return std::chrono::duration_cast<Duration>(
            std::chrono::steady_clock::now().time_since_epoch());
    }

    std::unique_ptr<Timer> makeTimer(std::function<void()> callback) override
    {
        return std::make_unique<QtTimer>(std::move(callback));
    }
};

} // namespace

std::shared_ptr<TimeSource> TimeSource::system()
{
    static const auto source = std::make_shared<SystemTimeSource>();
    return source;
}

} // namespace kesvor::foundation
