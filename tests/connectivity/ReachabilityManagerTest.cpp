#include "Service/WebServiceManager.h"
#include "Socket/SocketManager.h"
#include "View/NetworkReachabilityManager.h"
#include "View/NetworkStatus.h"
#include "foundation/Clock.h"
#include "foundation/NotificationCenter.h"
#include "support/ConsoleCapture.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace kesvor;
using namespace std::chrono_literals;
using Status = NetworkReachabilityManager::NetworkReachabilityStatus;
using Type = NetworkReachabilityManager::ConnectionType;

namespace {

// Flags the test sets, read by every watcher in place of the system's.
class ReachabilityManagerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        net::NetworkReachability::setFlagsSource([this](const QString&) { return flags; });
        manager = NetworkReachabilityManager::create("localhost");
        ASSERT_NE(manager, nullptr);
        manager->setListener([this](const Status& status) { heard.append(status); });
    }

    void TearDown() override { net::NetworkReachability::setFlagsSource({}); }

    // The system reports a change (or none), and the listener queue runs.
    void report(std::optional<net::ReachabilityFlags> newFlags)
    {
        flags = newFlags;
        net::NetworkReachability::flagsMayHaveChanged();
        QCoreApplication::sendPostedEvents();
    }

    void start()
    {
        EXPECT_TRUE(manager->startListening());
        QCoreApplication::sendPostedEvents();
    }

    std::optional<net::ReachabilityFlags> flags = 0x2;
    std::unique_ptr<NetworkReachabilityManager> manager;
    QList<Status> heard;
};

} // namespace

TEST(ReachabilityStatusTest, FlagRules)
{
    const auto status = NetworkReachabilityManager::networkReachabilityStatusForFlags;
    const Status wifi = Status::reachable(Type::ethernetOrWiFi);
    const Status wwan = Status::reachable(Type::wwan);
    EXPECT_EQ(status(0x2), wifi);
    EXPECT_EQ(status(0x40002), wwan);
    EXPECT_EQ(status(0x6), Status::notReachable());     // reachable, connection required
    EXPECT_EQ(status(0x2E), wifi);                      // ... set up on demand and on traffic
    EXPECT_EQ(status(0x3E), Status::notReachable());    // ... and needing the user
    EXPECT_EQ(status(0xE), wifi);                       // required, set up on traffic
    EXPECT_EQ(status(0x26), wifi);                      // required, set up on demand
    EXPECT_EQ(status(0x16), Status::notReachable());    // required, no automatic set-up
    EXPECT_EQ(status(0x40000), Status::notReachable()); // WWAN without the reachable bit
    EXPECT_EQ(status(0), Status::notReachable());
    EXPECT_NE(wifi, wwan);
    EXPECT_NE(Status::unknown(), Status::notReachable());
}

TEST_F(ReachabilityManagerTest, ListenerHearsEachChangeOnceAndTheCurrentStatusAfterEveryStart)
{
    start();
    EXPECT_EQ(heard, QList<Status>{Status::reachable(Type::ethernetOrWiFi)});
    EXPECT_EQ(manager->previousFlags(), 0x2u);
    report(0x2);
    report(0x40002);
    report(0x40002);
    report(0);
    EXPECT_EQ(heard, (QList<Status>{Status::reachable(Type::ethernetOrWiFi),
                                    Status::reachable(Type::wwan), Status::notReachable()}));

    manager->stopListening();
    report(0x2);
    EXPECT_EQ(heard.size(), 3);
    EXPECT_EQ(manager->previousFlags(), 0u);

    // Unchanged flags are heard again after a restart, no flags included.
    report(0);
    start();
    EXPECT_EQ(heard.size(), 4);
    EXPECT_EQ(heard.last(), Status::notReachable());
    report(0x2);
    start();
    EXPECT_EQ(heard.size(), 6);
    EXPECT_EQ(heard.last(), Status::reachable(Type::ethernetOrWiFi));

    // A start stopped before its report came is not heard.
    manager->startListening();
    manager->stopListening();
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(heard.size(), 6);
}

TEST_F(ReachabilityManagerTest, FlagsAreReadWhenTheSystemReportsOrSomeoneAsksNeverOnATimer)
{
    start();
    flags = 0x40002;
    // Nothing reads the new flags by itself...
    foundation::Clock::shared().setManual(true);
    foundation::Clock::shared().advance(10 * 60 * 1000);
    QCoreApplication::sendPostedEvents();
    foundation::Clock::shared().setManual(false);
    EXPECT_EQ(heard.size(), 1);
    // ...until someone who saw trouble asks.
    manager->reachability().checkRoute();
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(heard.last(), Status::reachable(Type::wwan));
}

TEST_F(ReachabilityManagerTest, FlagsThatCannotBeReadAreNoRoute)
{
    flags = 0x40002;
    EXPECT_TRUE(manager->isReachableOnWWAN());
    EXPECT_FALSE(manager->isReachableOnEthernetOrWiFi());
    flags = std::nullopt;
    EXPECT_FALSE(manager->isReachableOnWWAN());
    EXPECT_FALSE(manager->isReachableOnEthernetOrWiFi());
    start();
    EXPECT_EQ(heard, QList<Status>{Status::notReachable()});
}

TEST(NetworkStatusTest, TheSharedListenerPrintsItsLineThenConnectsOrDisconnects)
{
    qputenv("KESVOR_REACHABILITY_HOST", "localhost");
    test::ConsoleCapture console;
    // Without a business token the chain stops at once, with its own line.
    NetworkStatus::networkStatusChanged(Status::reachable(Type::wwan));
    NetworkStatus::networkStatusChanged(Status::reachable(Type::ethernetOrWiFi));
    NetworkStatus::networkStatusChanged(Status::notReachable());
    NetworkStatus::networkStatusChanged(Status::unknown());
    EXPECT_EQ(console.lines(),
              (QStringList{NetworkStatus::reachableOverWWANLine, WebServiceManager::noTokenLine,
                           NetworkStatus::reachableOverWiFiLine, WebServiceManager::noTokenLine,
                           NetworkStatus::notReachableLine, NetworkStatus::unknownLine}));
    EXPECT_TRUE(NetworkStatus::sharedInstance().isReachable());
}

TEST(NetworkStatusTest, ALostSocketConnectionMakesTheMonitorLookAtTheRouteAgain)
{
    qputenv("KESVOR_REACHABILITY_HOST", "localhost");
    net::ReachabilityFlags flags = 0x2;
    net::NetworkReachability::setFlagsSource([&flags](const QString&) { return flags; });
    test::ConsoleCapture console;
    NetworkStatus& status = NetworkStatus::sharedInstance();
    status.startListening();
    QCoreApplication::sendPostedEvents();
    ASSERT_EQ(console.lines().filter(NetworkStatus::reachableOverWiFiLine).size(), 1);

    flags = 0;
    foundation::NotificationCenter::defaultCenter().post(
        QString::fromLatin1(SocketDisconnectNotification));
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(console.lines().filter(NetworkStatus::notReachableLine).size(), 1);
    status.stopListening();
    net::NetworkReachability::setFlagsSource({});
}
