#include "foundation/Clock.h"
#include "foundation/ClockTimer.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QtCore/QObject>

#include <cmath>
#include <memory>
#include <vector>

using kesvor::foundation::Clock;
using kesvor::foundation::ClockTimer;

namespace {

class ClockTest : public ::testing::Test {
protected:
    void TearDown() override { Clock::shared().setManual(false); }
    Clock& clock = Clock::shared();
};

} // namespace

TEST_F(ClockTest, ADrivenClockRunsWhatFallsDueInOrderAtItsOwnTime)
{
    clock.setManual(true);
    const double start = clock.nowMs();
    std::vector<std::pair<QString, double>> fired;
    auto record = [&](const QString& name) {
        fired.emplace_back(name, std::round(clock.nowMs() - start));
    };

    ClockTimer repeating([&] { record("tick"); });
    repeating.start(100, true);
    ClockTimer once([&] { record("once"); });
    once.start(250);
    auto context = std::make_unique<QObject>();
    Clock::singleShot(150, context.get(), [&] { record("dropped"); });
    Clock::singleShot(150, nullptr, [&] {
        record("shot");
        // Scheduled on the way: runs within the same advance when it falls due.
        Clock::singleShot(10, nullptr, [&] { record("nested"); });
    });
    Clock::singleShot(150, nullptr, [&] { record("same time, later"); });
    context.reset();

    clock.advance(99);
    EXPECT_TRUE(fired.empty());
    EXPECT_DOUBLE_EQ(clock.nowMs() - start, 99);
    clock.advance(201);
    EXPECT_EQ(fired, (std::vector<std::pair<QString, double>>{{"tick", 100},
                                                              {"shot", 150},
                                                              {"same time, later", 150},
                                                              {"nested", 160},
                                                              {"tick", 200},
                                                              {"once", 250},
                                                              {"tick", 300}}));
    EXPECT_FALSE(once.isActive());
    EXPECT_TRUE(repeating.isActive());

    // A timeout may stop its own repeating timer.
    fired.clear();
    repeating.setTimeout([&] {
        record("last");
        repeating.stop();
    });
    clock.advance(1000);
    EXPECT_EQ(fired.size(), 1u);
    EXPECT_FALSE(repeating.isActive());
}

TEST_F(ClockTest, TimersMoveBetweenTheMachineAndTheDrivenClockWithTheirRemainingDelay)
{
    int fired = 0;
    ClockTimer timer([&] { ++fired; });
    timer.start(60'000);
    const double before = clock.nowMs();

    // Stopped: the minute-long timer now waits for the driven clock only.
    clock.setManual(true);
    EXPECT_TRUE(timer.isActive());
    clock.advance(59'000);
    EXPECT_EQ(fired, 0);

    // Back on the machine, with about a second left: it fires for real.
    clock.setManual(false);
    EXPECT_GE(clock.nowMs(), before + 59'000);
    ASSERT_TRUE(kesvor::test::waitUntil([&] { return fired == 1; }, 10'000));
    EXPECT_FALSE(timer.isActive());

    // Destroying a timer cancels it, on either clock.
    clock.setManual(true);
    {
        ClockTimer doomed([&] { ++fired; });
        doomed.start(10);
    }
    clock.advance(100);
    EXPECT_EQ(fired, 1);
}
