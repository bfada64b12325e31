#include "foundation/ManualTimeSource.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using kesvor::foundation::ManualTimeSource;
using kesvor::foundation::TimeSource;
using namespace std::chrono_literals;

TEST(TimeSourceTest, ManualTimersFireInDeadlineOrderAtTheirOwnTime)
{
    ManualTimeSource time;
    std::vector<std::pair<char, TimeSource::Duration>> fired;
    const auto note = [&](char name) {
        return [&, name] { fired.emplace_back(name, time.now()); };
    };
    auto a = time.makeTimer(note('a'));
    auto b = time.makeTimer(note('b'));
    auto tie = time.makeTimer(note('t'));
    int repeats = 0;
    std::unique_ptr<TimeSource::Timer> again;
    again = time.makeTimer([&] {
        fired.emplace_back('r', time.now());
        if (++repeats < 3)
            again->start(30ms); // restarts itself from inside its callback
    });
    a->start(50ms);
    b->start(20ms);
    tie->start(50ms); // started after a, so due after it
    again->start(30ms);
    time.advance(49ms);
    EXPECT_EQ(fired,
              (std::vector<std::pair<char, TimeSource::Duration>>{{'b', 20ms}, {'r', 30ms}}));
    EXPECT_EQ(time.activeTimers(), 3);

    b->start(10ms); // from now: due at 59
    time.advance(100ms);
    EXPECT_EQ(fired, (std::vector<std::pair<char, TimeSource::Duration>>{{'b', 20ms},
                                                                         {'r', 30ms},
                                                                         {'a', 50ms},
                                                                         {'t', 50ms},
                                                                         {'b', 59ms},
                                                                         {'r', 60ms},
                                                                         {'r', 90ms}}));
    EXPECT_EQ(time.now(), 149ms);
    EXPECT_EQ(time.activeTimers(), 0);
}

TEST(TimeSourceTest, StoppedOrDestroyedTimersStaySilent)
{
    ManualTimeSource time;
    int fired = 0;
    auto stopped = time.makeTimer([&] { ++fired; });
    auto destroyed = time.makeTimer([&] { ++fired; });
    std::unique_ptr<TimeSource::Timer> victim = time.makeTimer([&] { ++fired; });
    auto killer = time.makeTimer([&] { victim.reset(); });
    stopped->start(10ms);
    destroyed->start(10ms);
    killer->start(5ms);
    victim->start(10ms);
    stopped->stop();
    EXPECT_FALSE(stopped->isActive());
    destroyed.reset();
    time.advance(1s);
    EXPECT_EQ(fired, 0);
}

TEST(TimeSourceTest, SystemTimersRunFromTheEventLoop)
{
    const auto time = TimeSource::system();
    bool fired = false;
    const auto timer = time->makeTimer([&] { fired = true; });
    const auto start = time->now();
    timer->start(20ms);
    EXPECT_TRUE(timer->isActive());
    ASSERT_TRUE(kesvor::test::waitUntil([&] { return fired; }));
    EXPECT_GE(time->now() - start, 15ms) << "coarse timers may fire a little early";
    EXPECT_FALSE(timer->isActive());
}
