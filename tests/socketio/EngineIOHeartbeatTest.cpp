#include "net/EngineIOHeartbeat.h"
#include "foundation/ManualTimeSource.h"

#include <gtest/gtest.h>

using kesvor::foundation::ManualTimeSource;
using kesvor::net::EngineIOHeartbeat;
using namespace std::chrono_literals;

namespace {

struct Beats {
    ManualTimeSource time;
    std::vector<EngineIOHeartbeat::Duration> pings;
    std::vector<EngineIOHeartbeat::Duration> deaths;
    std::function<void()> onPing = [] {};
    EngineIOHeartbeat heartbeat{time,
                                [this] {
                                    pings.push_back(time.now());
                                    onPing();
                                },
                                [this] { deaths.push_back(time.now()); }};
};

} // namespace

TEST(EngineIOHeartbeatTest, DeadAfterIntervalAndTimeoutWithoutLife)
{
    Beats beats;
    beats.heartbeat.start(200ms, 100ms, false);
    beats.time.advance(250ms);
    beats.heartbeat.noteLife(); // moves the deadline to 550 ms
    beats.time.advance(40ms);
    beats.heartbeat.notePing(); // to 590 ms
    beats.time.advance(299ms);
    EXPECT_TRUE(beats.deaths.empty());
    beats.time.advance(1ms);
    EXPECT_EQ(beats.deaths, std::vector{590ms});
    beats.time.advance(10s);
    EXPECT_EQ(beats.deaths.size(), 1u) << "declared dead once";
    EXPECT_TRUE(beats.pings.empty()) << "revision 4 servers ping, not the client";
}

TEST(EngineIOHeartbeatTest, ClientPingsOncePerIntervalUntilAnswersStop)
{
    Beats beats;
    int answers = 3;
    beats.onPing = [&] {
        if (answers-- > 0)
            beats.heartbeat.noteLife();
    };
    beats.heartbeat.start(150ms, 150ms, true);
    beats.time.advance(2s);
    // Answered at 150, 300 and 450 ms; the ping at 600 ms goes unanswered and
    // the one due at 750 ms is not sent: the session died a moment before.
    EXPECT_EQ(beats.pings, (std::vector{150ms, 300ms, 450ms, 600ms}));
    EXPECT_EQ(beats.deaths, std::vector{750ms});
    EXPECT_EQ(beats.time.activeTimers(), 0);

    beats.heartbeat.start(150ms, 150ms, true);
    beats.heartbeat.stop();
    beats.time.advance(1s);
    EXPECT_EQ(beats.pings.size(), 4u);
    EXPECT_EQ(beats.deaths.size(), 1u);
}
