#include "net/ReconnectBackoff.h"

#include <gtest/gtest.h>

#include <deque>

using namespace kesvor::net;

namespace {

ReconnectBackoff::RandomSource sequence(std::deque<double> values)
{
    return [values = std::move(values)]() mutable {
        const double value = values.front();
        values.pop_front();
        values.push_back(value);
        return value;
    };
}

} // namespace

TEST(ReconnectBackoffTest, DoublesFromTheBaseUpToTheCap)
{
    // Magnitude 0: no jitter, whatever the sign draw.
    ReconnectBackoff backoff({1000, 5000, 0.5}, sequence({0.0, 0.9}));
    EXPECT_EQ(backoff.nextDelayMs(), 1000);
    EXPECT_EQ(backoff.nextDelayMs(), 2000);
    EXPECT_EQ(backoff.nextDelayMs(), 4000);
    EXPECT_EQ(backoff.nextDelayMs(), 5000);
    EXPECT_EQ(backoff.attempts(), 4);
    for (int i = 0; i < 200; ++i)
        EXPECT_EQ(backoff.nextDelayMs(), 5000) << "attempt " << backoff.attempts();
    backoff.reset();
    EXPECT_EQ(backoff.attempts(), 0);
    EXPECT_EQ(backoff.nextDelayMs(), 1000);
}

TEST(ReconnectBackoffTest, JitterStaysWithinTheRandomisationFactor)
{
    // Largest deviation, subtracted then added.
    ReconnectBackoff down({1000, 5000, 0.5}, sequence({0.999999, 0.1}));
    EXPECT_EQ(down.nextDelayMs(), 501);
    EXPECT_EQ(down.nextDelayMs(), 1001);
    ReconnectBackoff up({1000, 5000, 0.5}, sequence({0.999999, 0.7}));
    EXPECT_EQ(up.nextDelayMs(), 1499);
    EXPECT_EQ(up.nextDelayMs(), 2999);
    EXPECT_EQ(up.nextDelayMs(), 5000) << "capped after the jitter";

    ReconnectBackoff real({1000, 5000, 0.5});
    const int bounds[][2] = {{500, 1500}, {1000, 3000}, {2000, 5000}, {4000, 5000}};
    for (const auto& [low, high] : bounds) {
        const int delay = real.nextDelayMs();
        EXPECT_GE(delay, low);
        EXPECT_LE(delay, high);
    }
}

TEST(ReconnectBackoffTest, OutOfRangeSettingsAreClamped)
{
    ReconnectBackoff negative({-5, -1, 7.0}, sequence({0.5, 0.9}));
    EXPECT_EQ(negative.nextDelayMs(), 0);
    ReconnectBackoff baseAboveCap({9000, 100, 0}, sequence({0.5}));
    EXPECT_EQ(baseAboveCap.nextDelayMs(), 100);
}
