#include "net/SystemReachability.h"
#include "foundation/Clock.h"
#include "net/NetworkReachability.h"
#include "support/TestSupport.h"

#include <QtNetwork/QNetworkInformation>
#include <QtTest/QSignalSpy>

#include <gtest/gtest.h>

using namespace kesvor::net;
using kesvor::foundation::Clock;

namespace {

constexpr ReachabilityFlags localRoute =
    ReachabilityFlag::reachable | ReachabilityFlag::isLocalAddress | ReachabilityFlag::isDirect;

// Answers lookups of any name as the test says, one answer per lookup, on
// the next pass of the event loop; counts the lookups.
class ScriptedResolver {
public:
    SystemReachability::Resolver resolver()
    {
        return [this](const QString&, QObject* context, auto answer) {
            ++asked;
            const bool resolved = answers.isEmpty() || answers.takeFirst();
            QMetaObject::invokeMethod(
                context,
                [answer, resolved] {
                    // A loopback address: the route is there whatever the machine's network.
                    answer(resolved,
                           resolved ? QList<QHostAddress>{QHostAddress(QHostAddress::LocalHost)}
                                    : QList<QHostAddress>{});
                },
                Qt::QueuedConnection);
        };
    }

    QList<bool> answers;
    int asked = 0;
};

class SystemReachabilityLookupTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Clock::shared().setManual(true);
        SystemReachability::Options options;
        options.systemInformation = false;
        options.resolver = script.resolver();
        reachability = std::make_unique<SystemReachability>("service.test", options);
        changes = std::make_unique<QSignalSpy>(reachability.get(), &SystemReachability::changed);
        answered();
    }
    void TearDown() override { Clock::shared().setManual(false); }

    // Lets the lookup asked for answer.
    static void answered() { QCoreApplication::sendPostedEvents(); }
    static void advance(double ms)
    {
        Clock::shared().advance(ms);
        answered();
    }
    void lookUp(std::initializer_list<bool> answers)
    {
        script.answers = answers;
        reachability->refresh();
        answered();
    }

    ScriptedResolver script;
    std::unique_ptr<SystemReachability> reachability;
    std::unique_ptr<QSignalSpy> changes;
};

} // namespace

TEST(SystemReachabilityTest, OnlyHostNamesAndAddressesCanBeWatched)
{
    for (const QString name : {"", "  ", "two words", "a/b", "http://example.com"})
        EXPECT_EQ(NetworkReachability::createWithName(name), nullptr) << name.toStdString();
    for (const QString name : {"localhost", "127.0.0.1", "::1", "example.com"})
        EXPECT_NE(NetworkReachability::createWithName(name), nullptr) << name.toStdString();
}

TEST(SystemReachabilityTest, LoopbackIsALocalDirectRoute)
{
    for (const QString address : {"127.0.0.1", "::1"})
        EXPECT_EQ(SystemReachability(address).flags(), localRoute) << address.toStdString();
    // A loopback name is one before and after its lookup.
    SystemReachability::Options lookingUp;
    lookingUp.systemInformation = false;
    SystemReachability localhost("localhost", lookingUp);
    EXPECT_EQ(localhost.flags(), localRoute);
    QSignalSpy looked(&localhost, &SystemReachability::changed);
    ASSERT_TRUE(looked.wait(5000));
    EXPECT_EQ(localhost.flags(), localRoute);
}

TEST_F(SystemReachabilityLookupTest, AFailedLookupCountsOnlyWhenTheNextOneFailsToo)
{
    EXPECT_EQ(reachability->flags(), localRoute);
    EXPECT_EQ(changes->count(), 1) << "the first answer";

    // A lost answer, then a good one: nothing happened.
    lookUp({false, true});
    EXPECT_EQ(reachability->flags(), localRoute);
    advance(999);
    EXPECT_EQ(script.asked, 2);
    advance(1);
    EXPECT_EQ(script.asked, 3) << "the confirming lookup comes a second later";
    EXPECT_EQ(reachability->flags(), localRoute);
    EXPECT_EQ(changes->count(), 1);

    // Two in a row: not reachable.
    lookUp({false, false});
    EXPECT_EQ(reachability->flags(), localRoute);
    advance(1000);
    EXPECT_EQ(reachability->flags(), 0u);
    EXPECT_EQ(changes->count(), 2);
    EXPECT_EQ(script.asked, 5);
}

TEST_F(SystemReachabilityLookupTest, NothingIsLookedUpOnAScheduleExceptWhileTheNameDoesNotResolve)
{
    reachability->startWatching();
    advance(10 * 60 * 1000);
    EXPECT_EQ(script.asked, 1) << "a resolving name is looked up on demand only";

    lookUp({false, false, false, true});
    advance(1000);
    EXPECT_EQ(reachability->flags(), 0u);
    EXPECT_EQ(script.asked, 3);
    // Looked up again at growing intervals while watched: 5 s, then 10 s.
    advance(4999);
    EXPECT_EQ(script.asked, 3);
    advance(1);
    EXPECT_EQ(script.asked, 4);
    EXPECT_EQ(reachability->flags(), 0u);
    advance(9999);
    EXPECT_EQ(script.asked, 4);
    advance(1);
    EXPECT_EQ(script.asked, 5);
    EXPECT_EQ(reachability->flags(), localRoute);
    advance(10 * 60 * 1000);
    EXPECT_EQ(script.asked, 5);

    // Unwatched, a name that fails is not looked up again by itself.
    reachability->stopWatching();
    lookUp({false, false});
    advance(1000);
    EXPECT_EQ(reachability->flags(), 0u);
    advance(10 * 60 * 1000);
    EXPECT_EQ(script.asked, 7);
}

TEST(SystemReachabilityTest, TheSystemsNetworkInformationDecidesWithoutLookups)
{
    ScriptedResolver script;
    SystemReachability::Options options;
    options.resolver = script.resolver();
    SystemReachability reachability("service.test", options);
    if (!reachability.restsOnSystemInformation())
        GTEST_SKIP() << "no network information backend on this machine";
    reachability.refresh();
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(script.asked, 0);
    const bool online = QNetworkInformation::instance()->reachability() ==
                        QNetworkInformation::Reachability::Online;
    EXPECT_EQ((reachability.flags() & ReachabilityFlag::reachable) != 0, online);
}

TEST(SystemReachabilityTest, AHostWhoseNameDoesNotResolveIsNotReachable)
{
    SystemReachability::Options options;
    options.systemInformation = false;
    options.confirmAfterMs = 0;
    SystemReachability reachability("no-such-host.invalid", options);
    ASSERT_TRUE(kesvor::test::waitUntil([&] { return reachability.flags() == 0u; }, 10'000));
}
