#include "Kesvor/NetworkTime.h"
#include "clock/SntpResponder.h"
#include "foundation/NotificationCenter.h"
#include "net/NHNetworkClock.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;
using kesvor::NetworkTime;
using kesvor::foundation::NotificationCenter;
using kesvor::test::SntpResponder;

namespace {

const QString syncComplete =
    QString::fromLatin1(kesvor::net::kNHNetworkTimeSyncCompleteNotification);

// Each test runs in its own process, so the shared instance is first created
// here, with the responder as its only server.
NetworkTime& networkTimeServedBy(const SntpResponder& responder,
                                 std::chrono::milliseconds timeout = 10s)
{
    qputenv("KESVOR_NTP_SERVERS", responder.entry().toUtf8());
    NetworkTime& networkTime = NetworkTime::sharedInstance();
    EXPECT_EQ(networkTime.time(), kesvor::net::NHNetworkClock::sharedNetworkClock());
    EXPECT_EQ(networkTime.time()->options().servers, QStringList{responder.entry()});
    auto options = networkTime.time()->options();
    options.sampleInterval = 20ms;
    options.timeout = timeout;
    networkTime.time()->setOptions(options);
    return networkTime;
}

qint64 networkMinusDeviceMs()
{
    return QDateTime::currentDateTimeUtc().msecsTo(kesvor::net::networkDate());
}

} // namespace

TEST(NetworkTimeTest, RunsTheLatestCompletionOncePerSynchronisation)
{
    SntpResponder responder(42s);
    NetworkTime& networkTime = networkTimeServedBy(responder);
    int first = 0, second = 0, third = 0;

    networkTime.sync([&] { ++first; });
    networkTime.sync([&] { ++second; });
    ASSERT_TRUE(kesvor::test::waitUntil([&] { return second == 1; }));
    // The completion comes with the first answer: one sample, off by up to
    // half its round trip, which a loaded machine can stretch far.
    EXPECT_NEAR(double(networkMinusDeviceMs()), 42'000, 1'000);

    networkTime.sync([&] { ++third; });
    ASSERT_TRUE(kesvor::test::waitUntil([&] { return third == 1; }));
    // One more synchronisation: by its end, a second run of the earlier
    // completions would have come.
    int fourth = 0;
    networkTime.sync([&] { ++fourth; });
    ASSERT_TRUE(kesvor::test::waitUntil([&] { return fourth == 1; }));
    EXPECT_EQ(first, 0);
    EXPECT_EQ(second, 1);
    EXPECT_EQ(third, 1);
    EXPECT_EQ(NotificationCenter::defaultCenter().observerCount(syncComplete), 1);
}

TEST(NetworkTimeTest, CompletionRunsOnDeviceTimeWhenNoServerAnswers)
{
    SntpResponder silent(42s);
    silent.setSilent(true);
    NetworkTime& networkTime = networkTimeServedBy(silent, 500ms);
    int runs = 0;
    networkTime.sync([&] { ++runs; });
    ASSERT_TRUE(kesvor::test::waitUntil([&] { return runs == 1; }, 3000));
    EXPECT_NEAR(double(networkMinusDeviceMs()), 0, 50);
}

TEST(NetworkTimeTest, NotificationWithoutCompletionDoesNothing)
{
    SntpResponder responder(0s);
    NetworkTime& networkTime = networkTimeServedBy(responder);
    networkTime.addNetworkNotificationObserver();
    networkTime.addNetworkNotificationObserver();
    EXPECT_EQ(NotificationCenter::defaultCenter().observerCount(syncComplete), 1);
    NotificationCenter::defaultCenter().post(syncComplete);
    EXPECT_FALSE(networkTime.completionBlock());
}
