#include "clock/SntpResponder.h"
#include "foundation/NotificationCenter.h"
#include "net/NHNetworkClock.h"
#include "support/TestSupport.h"

#include <QtCore/QElapsedTimer>
#include <QtCore/QMetaEnum>

#include <gtest/gtest.h>

#include <memory>

using namespace std::chrono_literals;
using kesvor::foundation::NotificationCenter;
using kesvor::net::NetworkClockOptions;
using kesvor::net::NHNetworkClock;
using kesvor::test::SntpResponder;
using Flaw = SntpResponder::Flaw;

namespace {

constexpr auto tolerance = 50ms;

// Counts the clock notifications posted while it exists.
class SyncNotifications {
public:
    explicit SyncNotifications(std::function<void()> onPost = {})
        : m_token(NotificationCenter::defaultCenter().addObserver(
              this, QString::fromLatin1(kesvor::net::kNHNetworkTimeSyncCompleteNotification),
              [this, onPost](auto&) {
                  ++count;
                  if (onPost)
                      onPost();
              }))
    {
    }
    ~SyncNotifications() { NotificationCenter::defaultCenter().removeObserver(m_token); }

    int count = 0;

private:
    NotificationCenter::Token m_token;
};

NetworkClockOptions optionsFor(const QStringList& servers, std::chrono::milliseconds timeout = 10s)
{
    NetworkClockOptions options;
    options.servers = servers;
    options.sampleInterval = 20ms;
    options.timeout = timeout;
    return options;
}

::testing::AssertionResult isNear(std::chrono::nanoseconds actual,
                                  std::chrono::milliseconds expected)
{
    const auto error = actual - expected;
    if (error < tolerance && error > -tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "offset " << actual.count() / 1e6 << " ms, expected " << expected.count() << " ms";
}

// Synchronises, waits for the notification, which must come well before the
// clock's time limit when every server answers, and then for the end of the
// round, whose later samples refine the offset.
void synchronizeAndWait(NHNetworkClock& clock, SyncNotifications& notifications, int waitMs = 5000)
{
    const int before = notifications.count;
    clock.synchronize();
    ASSERT_TRUE(kesvor::test::waitUntil([&] { return notifications.count > before; }, waitMs));
    ASSERT_TRUE(kesvor::test::waitUntil([&] { return !clock.isSynchronizing(); }, waitMs));
    EXPECT_EQ(notifications.count, before + 1) << "one notification per synchronisation";
}

} // namespace

class ResponderOffsetTest : public ::testing::TestWithParam<qint64> {};

TEST_P(ResponderOffsetTest, MeasuresTheOffsetFromSeveralSamplesAndCorrectsTheDate)
{
    const std::chrono::milliseconds offset(GetParam());
    SntpResponder responder(offset);
    NHNetworkClock clock;
    clock.setOptions(optionsFor({responder.entry()}));
    SyncNotifications notifications;

    clock.synchronize();
    EXPECT_TRUE(clock.isSynchronizing());
    EXPECT_EQ(notifications.count, 0) << "the notification comes after synchronize() returns";
    ASSERT_TRUE(kesvor::test::waitUntil([&] { return notifications.count == 1; }));
    EXPECT_TRUE(clock.isSynchronized());
    EXPECT_TRUE(isNear(clock.offset(), offset));

    // The round asks for its remaining samples, which refine the offset.
    ASSERT_TRUE(kesvor::test::waitUntil([&] { return !clock.isSynchronizing(); }));
    EXPECT_EQ(notifications.count, 1);
    EXPECT_EQ(responder.requests(), clock.options().samplesPerServer);
    EXPECT_TRUE(isNear(clock.offset(), offset));
    const auto dateOffset =
        std::chrono::milliseconds(QDateTime::currentDateTimeUtc().msecsTo(clock.networkDate()));
    EXPECT_TRUE(isNear(dateOffset, offset));
}

INSTANTIATE_TEST_SUITE_P(Offsets, ResponderOffsetTest,
                         ::testing::Values(0, 90'000, -3'600'250, 400LL * 24 * 3600 * 1000));

TEST(NetworkClockTest, TheFirstAnswerCompletesTheSynchronisation)
{
    // Two samples a long pause apart: the completion comes with the first.
    SntpResponder responder(-4s);
    NHNetworkClock clock;
    NetworkClockOptions options = optionsFor({responder.entry()});
    options.samplesPerServer = 2;
    options.sampleInterval = 2s;
    clock.setOptions(options);
    int requestsAtCompletion = -1;
    SyncNotifications notifications([&] { requestsAtCompletion = responder.requests(); });

    clock.synchronize();
    ASSERT_TRUE(kesvor::test::waitUntil([&] { return notifications.count == 1; }));
    EXPECT_EQ(requestsAtCompletion, 1);
    EXPECT_TRUE(clock.isSynchronized());
    EXPECT_TRUE(isNear(clock.offset(), -4s));
    ASSERT_TRUE(kesvor::test::waitUntil([&] { return !clock.isSynchronizing(); }));
    EXPECT_EQ(responder.requests(), 2);
    EXPECT_EQ(notifications.count, 1);
}

TEST(NetworkClockTest, WithoutAnAnswerCompletesAfterTheAnswerTimeAndLateAnswersStillCount)
{
    SntpResponder late(20s);
    late.setSilent(true);
    NHNetworkClock clock;
    NetworkClockOptions options = optionsFor({late.entry()});
    options.answerTimeout = 300ms;
    options.sampleInterval = 400ms;
    options.samplesPerServer = 3;
    clock.setOptions(options);
    // The answer time passes before the second request is due.
    SyncNotifications notifications([&] { late.setSilent(false); });

    clock.synchronize();
    ASSERT_TRUE(kesvor::test::waitUntil([&] { return notifications.count == 1; }));
    EXPECT_FALSE(clock.isSynchronized());
    EXPECT_EQ(clock.offset(), 0ns);
    ASSERT_TRUE(kesvor::test::waitUntil([&] { return clock.isSynchronized(); }));
    EXPECT_TRUE(isNear(clock.offset(), 20s));
    EXPECT_EQ(notifications.count, 1);
}

TEST(NetworkClockTest, WithoutAnswersFinishesAfterTheTimeLimitOnDeviceTime)
{
    SntpResponder silent(0ms);
    silent.setSilent(true);
    NHNetworkClock clock;
    NetworkClockOptions options =
        optionsFor({silent.entry(), QStringLiteral("no-such-host.invalid")}, 1500ms);
    options.answerTimeout = options.timeout;
    clock.setOptions(options);
    QElapsedTimer elapsed;
    qint64 finishedAfterMs = -1;
    SyncNotifications notifications([&] { finishedAfterMs = elapsed.elapsed(); });

    elapsed.start();
    clock.synchronize();
    ASSERT_TRUE(kesvor::test::waitUntil([&] { return notifications.count == 1; }, 30000));
    // Not before the time limit (a coarse timer may fire up to 5 % early).
    EXPECT_GE(finishedAfterMs, 1500 * 95 / 100);
    EXPECT_FALSE(clock.isSynchronized());
    EXPECT_EQ(clock.offset(), 0ns);
    EXPECT_TRUE(isNear(
        std::chrono::milliseconds(QDateTime::currentDateTimeUtc().msecsTo(clock.networkDate())),
        0ms));
}

TEST(NetworkClockTest, FailedSynchronisationKeepsTheLastOffset)
{
    SntpResponder responder(5s);
    NHNetworkClock clock;
    clock.setOptions(optionsFor({responder.entry()}, 500ms));
    SyncNotifications notifications;
    synchronizeAndWait(clock, notifications);
    responder.setSilent(true);
    synchronizeAndWait(clock, notifications);
    EXPECT_EQ(notifications.count, 2);
    EXPECT_TRUE(clock.isSynchronized());
    EXPECT_TRUE(isNear(clock.offset(), 5s));
}

class MalformedReplyTest : public ::testing::TestWithParam<Flaw> {};

TEST_P(MalformedReplyTest, IsIgnoredInFavourOfTheProperReply)
{
    SntpResponder responder(2s);
    responder.setFlaw(GetParam());
    NHNetworkClock clock;
    clock.setOptions(optionsFor({responder.entry()}));
    SyncNotifications notifications;
    synchronizeAndWait(clock, notifications);
    EXPECT_TRUE(isNear(clock.offset(), 2s));
}

INSTANTIATE_TEST_SUITE_P(Flaws, MalformedReplyTest,
                         ::testing::Values(Flaw::ShortPacket, Flaw::ClientMode, Flaw::BroadcastMode,
                                           Flaw::ZeroTransmit, Flaw::AlarmLeap,
                                           Flaw::Unsynchronised, Flaw::WrongOriginate,
                                           Flaw::ForeignSource, Flaw::Garbage),
                         [](const ::testing::TestParamInfo<Flaw>& info) {
                             return QMetaEnum::fromType<Flaw>().valueToKey(int(info.param));
                         });

TEST(NetworkClockTest, OnlyMalformedRepliesLeaveTheClockUnsynchronised)
{
    SntpResponder responder(2s);
    responder.setFlaw(Flaw::ZeroTransmit, false);
    SntpResponder garbage(2s);
    garbage.setFlaw(Flaw::Garbage, false);
    NHNetworkClock clock;
    clock.setOptions(optionsFor({responder.entry(), garbage.entry()}, 500ms));
    SyncNotifications notifications;
    synchronizeAndWait(clock, notifications);
    EXPECT_FALSE(clock.isSynchronized());
    EXPECT_EQ(clock.offset(), 0ns);
}

TEST(NetworkClockTest, KissOfDeathDropsThatServerOnly)
{
    SntpResponder kiss(1h);
    kiss.setFlaw(Flaw::KissOfDeath, false);
    SntpResponder good(-7s);
    NHNetworkClock clock;
    NetworkClockOptions options =
        optionsFor({kiss.entry(), good.entry(QStringLiteral("localhost"))});
    options.sampleInterval = 300ms;
    clock.setOptions(options);
    SyncNotifications notifications;
    synchronizeAndWait(clock, notifications);
    EXPECT_EQ(kiss.requests(), 1) << "no more requests after a kiss-of-death";
    EXPECT_EQ(good.requests(), options.samplesPerServer);
    EXPECT_TRUE(isNear(clock.offset(), -7s));
}

TEST(NetworkClockTest, OffsetComesFromTheShortestRoundTrips)
{
    // Half the replies linger 300 ms on the way back, which skews their
    // offsets by 150 ms; only the quick half may count.
    SntpResponder responder(30s);
    responder.holdAlternateReplies(300ms);
    NHNetworkClock clock;
    NetworkClockOptions options = optionsFor({responder.entry()});
    options.samplesPerServer = 6;
    clock.setOptions(options);
    SyncNotifications notifications;
    synchronizeAndWait(clock, notifications);
    EXPECT_EQ(responder.requests(), 6);
    EXPECT_TRUE(isNear(clock.offset(), 30s));
}

TEST(NetworkClockTest, ReachesServersOverIPv6)
{
    SntpResponder responder(12s, QHostAddress::LocalHostIPv6);
    if (!responder.isListening())
        GTEST_SKIP() << "no IPv6 loopback";
    NHNetworkClock clock;
    clock.setOptions(optionsFor({QStringLiteral("[::1]:%1").arg(responder.port())}));
    SyncNotifications notifications;
    synchronizeAndWait(clock, notifications);
    EXPECT_TRUE(isNear(clock.offset(), 12s));
}

TEST(NetworkClockTest, SynchronizeWhileRunningJoinsAndObserversMayStartTheNext)
{
    SntpResponder responder(3s);
    NHNetworkClock clock;
    clock.setOptions(optionsFor({responder.entry()}));
    const int samples = clock.options().samplesPerServer;
    bool askedAgain = false;
    SyncNotifications notifications([&] {
        // From the completion, while the round still refines: told at once,
        // no new round.
        if (!askedAgain) {
            askedAgain = true;
            clock.synchronize();
        }
    });

    clock.synchronize();
    clock.synchronize();
    ASSERT_TRUE(kesvor::test::waitUntil([&] { return notifications.count == 2; }));
    ASSERT_TRUE(kesvor::test::waitUntil([&] { return !clock.isSynchronizing(); }));
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(notifications.count, 2) << "the call joined before completion adds none";
    EXPECT_EQ(responder.requests(), samples);
    EXPECT_TRUE(isNear(clock.offset(), 3s));

    // After the round, a call starts the next one.
    synchronizeAndWait(clock, notifications);
    EXPECT_EQ(responder.requests(), 2 * samples);
}

TEST(NetworkClockTest, UnusableServerListFinishesAtOnceAndDestroyingMidRoundIsQuiet)
{
    SyncNotifications notifications;
    NHNetworkClock empty;
    empty.setOptions(optionsFor({QString(), QStringLiteral("host:99999"), QStringLiteral("[::1"),
                                 QStringLiteral("a:b:c")}));
    empty.synchronize();
    EXPECT_EQ(notifications.count, 0);
    ASSERT_TRUE(kesvor::test::waitUntil([&] { return notifications.count == 1; }, 1000));

    SntpResponder responder(1s);
    auto doomed = std::make_unique<NHNetworkClock>();
    doomed->setOptions(optionsFor({responder.entry()}));
    doomed->synchronize();
    // Its first request has been answered when the clock goes.
    ASSERT_TRUE(kesvor::test::waitUntil([&] { return responder.requests() >= 1; }));
    doomed.reset();
    // A round that finishes at once, after everything the doomed one left.
    empty.synchronize();
    ASSERT_TRUE(kesvor::test::waitUntil([&] { return notifications.count >= 2; }, 1000));
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(notifications.count, 2);
}
