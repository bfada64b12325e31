#include "net/NetworkReachability.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace kesvor::net;

namespace {

constexpr ReachabilityFlags localRoute =
    ReachabilityFlag::reachable | ReachabilityFlag::isLocalAddress | ReachabilityFlag::isDirect;

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
    for (const QString name : {"localhost", "127.0.0.1", "::1"}) {
        auto reachability = NetworkReachability::createWithName(name);
        EXPECT_EQ(reachability->flags(), localRoute) << name.toStdString();
        // Still so once the name has been looked up.
        QTest::qWait(100);
        EXPECT_EQ(reachability->flags(), localRoute) << name.toStdString();
    }
}

TEST(SystemReachabilityTest, AHostWhoseNameDoesNotResolveIsNotReachable)
{
    auto reachability = NetworkReachability::createWithName("no-such-host.invalid");
    int callbacks = 0;
    std::optional<ReachabilityFlags> reported;
    reachability->setCallback([&](ReachabilityFlags flags) {
        ++callbacks;
        reported = flags;
    });
    reachability->setDispatchQueue(QCoreApplication::instance());
    ASSERT_TRUE(kesvor::test::waitUntil([&] { return reachability->flags() == 0u; }));
    // Only a change is called back: nothing when the interfaces alone already said so.
    QTest::qWait(50);
    EXPECT_LE(callbacks, 1);
    EXPECT_TRUE(callbacks == 0 || reported == 0u);
}
