#include "net/EngineIOHeartbeat.h"
#include "foundation/Clock.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

using kesvor::foundation::Clock;
using kesvor::net::EngineIOHeartbeat;

namespace {

// A heartbeat on the driven clock, recording when it pinged and when it gave
// the session up, in milliseconds since it was made.
struct Beats {
    Beats() { clock.setManual(true); }
    ~Beats() { clock.setManual(false); }

    double elapsed() const { return std::round(clock.nowMs() - start); }

    Clock& clock = Clock::shared();
    double start = (clock.setManual(true), clock.nowMs());
    std::vector<double> pings;
    std::vector<double> deaths;
    std::function<void()> onPing = [] {};
    EngineIOHeartbeat heartbeat{[this] {
                                    pings.push_back(elapsed());
                                    onPing();
                                },
                                [this] { deaths.push_back(elapsed()); }};
};

} // namespace

TEST(EngineIOHeartbeatTest, DeadAfterIntervalAndTimeoutWithoutLife)
{
    Beats beats;
    beats.heartbeat.start(200, 100, false);
    beats.clock.advance(250);
    beats.heartbeat.noteLife(); // moves the deadline to 550 ms
    beats.clock.advance(40);
    beats.heartbeat.notePing(); // to 590 ms
    beats.clock.advance(299);
    EXPECT_TRUE(beats.deaths.empty());
    beats.clock.advance(1);
    EXPECT_EQ(beats.deaths, std::vector{590.0});
    beats.clock.advance(10'000);
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
    beats.heartbeat.start(150, 150, true);
    beats.clock.advance(2000);
    // Answered at 150, 300 and 450 ms; the ping at 600 ms goes unanswered and
    // the one due at 750 ms is not sent: the session died a moment before.
    EXPECT_EQ(beats.pings, (std::vector{150.0, 300.0, 450.0, 600.0}));
    EXPECT_EQ(beats.deaths, std::vector{750.0});
    EXPECT_EQ(beats.clock.pendingCount(), 0);

    beats.heartbeat.start(150, 150, true);
    beats.heartbeat.stop();
    beats.clock.advance(1000);
    EXPECT_EQ(beats.pings.size(), 4u);
    EXPECT_EQ(beats.deaths.size(), 1u);
}

TEST(EngineIOHeartbeatTest, LifeBetweenWholeMillisecondsStillEndsInOneDeath)
{
    // Deadlines that fall between milliseconds once left the dead timer
    // re-armed for the same instant for ever, in about one session of twenty.
    Beats beats;
    for (int session = 1; session <= 200; ++session) {
        beats.heartbeat.start(150, 150, false);
        beats.clock.advance(0.37 * session);
        beats.heartbeat.noteLife();
        beats.clock.advance(1000);
        ASSERT_EQ(beats.deaths.size(), static_cast<size_t>(session));
    }
    EXPECT_EQ(beats.clock.pendingCount(), 0);
}
