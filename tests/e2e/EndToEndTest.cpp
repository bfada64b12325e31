// The SDK end to end without a screen: what the conversation screen would
// set off, against the stand-in chat service.
#include "Kesvor/KesvorLocalStorage.h"
#include "Service/WebServiceManager.h"
#include "Socket/SocketManager.h"
#include "View/ConversationActions.h"
#include "View/NetworkStatus.h"
#include "foundation/Clock.h"
#include "kesvor/Kesvor.h"
#include "net/NetworkReachability.h"
#include "support/SdkSessionTest.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QtCore/QRegularExpression>

using namespace kesvor;
using Result = ConversationActions::SendResult;

namespace {

class EndToEndTest : public test::SdkSessionTest {
protected:
    void SetUp() override
    {
        SdkSessionTest::SetUp();
        net::NetworkReachability::setFlagsSource([this](const QString&) { return flags; });
    }

    void TearDown() override
    {
        net::NetworkReachability::setFlagsSource({});
        foundation::Clock::shared().setManual(false);
        SdkSessionTest::TearDown();
    }

    // Waits until the service has an event the test sends now: whatever the
    // SDK sent before has arrived by then.
    void everythingSentHasArrived()
    {
        const auto markers = received("test-marker").size();
        SocketManager::sharedInstance()->socket()->emit("test-marker", {});
        ASSERT_TRUE(test::waitUntil([&] { return received("test-marker").size() > markers; }));
    }

    void setNetwork(net::ReachabilityFlags newFlags)
    {
        flags = newFlags;
        net::NetworkReachability::flagsMayHaveChanged();
    }

    static net::SocketIOStatus status()
    {
        return SocketManager::sharedInstance()->socket()->status();
    }

    bool waitForConnects(int count)
    {
        return test::waitUntil([&] { return connectNotifications() == count; }, 15'000);
    }

    QStringList reachabilityLines()
    {
        return console().lines().filter(QStringLiteral("network is"));
    }

    QVariantList roomMessages()
    {
        return service().state()["rooms"].toList().value(0).toMap()["messages"].toList();
    }

    // The store holds exactly the room's messages, each once.
    void expectStoreMatchesTheRoom()
    {
        waitForStore();
        QStringList stored, sent;
        for (const QVariant& message : storedMessages())
            stored << message.toMap()["_id"].toString();
        for (const QVariant& message : roomMessages())
            sent << message.toMap()["_id"].toString();
        EXPECT_EQ(stored, sent);
    }

    net::ReachabilityFlags flags = 0x2;
};

const QRegularExpression
    wireTime(QStringLiteral(R"(^\d{4}-\d{2}-\d{2}T\d{2}:\d{2}:\d{2}\.\d{3}\+0000$)"));

} // namespace

TEST_F(EndToEndTest, AConversationThroughDropsAndNetworkLoss)
{
    ASSERT_TRUE(service().configure({{"history", QVariantMap{{"count", 5}, {"seen", 2}}}}));
    Kesvor::initWithToken(service().token());

    // The screen starts watching the network and, on appearing, the chain.
    NetworkStatus::sharedInstance().startListening();
    WebServiceManager::sharedInstance().connectClient();
    ASSERT_TRUE(waitForConnects(1));
    ASSERT_TRUE(test::waitUntil([&] { return received("update-message-status").size() == 3; }));
    EXPECT_EQ(requests(WebServiceManager::verifyPath).size(), 1);
    EXPECT_EQ(storedMessages().size(), 5);
    const QString customerId = KesvorLocalStorage::storedUser()->value("userId").toString();

    // A message is stored at once and goes out a second later.
    foundation::Clock& clock = foundation::Clock::shared();
    clock.setManual(true);
    ASSERT_EQ(ConversationActions::sendMessgeToServer("Hello there", "greeting"), Result::sent);
    const QVariantMap local = storedMessages().last().toMap();
    EXPECT_EQ(local["msgFrom"], customerId);
    EXPECT_EQ(local["_id"], "");
    EXPECT_EQ(local["messageSentToAgentStatus"], "sending");
    clock.advance(ConversationActions::chatMessageDelayMs - 1);
    everythingSentHasArrived();
    EXPECT_TRUE(received("chat-msg").isEmpty());
    clock.advance(1);
    ASSERT_TRUE(test::waitUntil([&] { return received("chat-msg").size() == 1; }));
    // From here the socket's back-off and heartbeat run on machine time.
    clock.setManual(false);
    const QVariantMap wire =
        received("chat-msg").first().toMap()["items"].toList().value(0).toMap();
    EXPECT_EQ(wire.keys(),
              (QStringList{"approvedByAgent", "createdOn", "msg", "msgFrom", "msgKeyWord", "msgTo",
                           "roomId", "senderIdentity", "senderRole"}));
    EXPECT_EQ(wire["msgFrom"], customerId);
    EXPECT_EQ(wire["senderIdentity"], customerId);
    EXPECT_EQ(wire["msgTo"], "bot");
    EXPECT_EQ(wire["roomId"], KesvorLocalStorage::storedUser()->value("roomId"));
    EXPECT_EQ(wire["msg"], (QVariantMap{{"message", QVariantMap{{"text", "Hello there"}}}}));
    EXPECT_EQ(wire["msgKeyWord"], "greeting");
    EXPECT_EQ(wire["senderRole"], "customer");
    EXPECT_EQ(wire["approvedByAgent"], "approved");
    EXPECT_TRUE(wireTime.match(wire["createdOn"].toString()).hasMatch());

    // The echo merges into the stored message; the agent's "seen" follows;
    // the bot's answer is stored and reported.
    ASSERT_TRUE(test::waitUntil([&] {
        const QVariantList stored = storedMessages();
        return stored.size() == 7 && stored[5].toMap()["messageSentToAgentStatus"] == "seen";
    }));
    const QVariantMap merged = storedMessages()[5].toMap();
    EXPECT_EQ(merged["createdOn"], local["createdOn"]);
    EXPECT_EQ(merged["_id"], roomMessages()[5].toMap()["_id"]);
    ASSERT_TRUE(test::waitUntil([&] { return received("update-message-status").size() == 4; }));
    expectStoreMatchesTheRoom();

    // The service drops the connection; the client comes back by itself.
    const int disconnects = disconnectNotifications();
    ASSERT_EQ(service().dropConnections(), 1);
    ASSERT_TRUE(waitForConnects(2));
    EXPECT_GT(disconnectNotifications(), disconnects);
    ASSERT_TRUE(test::waitUntil([&] { return received("old-chats").size() == 2; }));
    expectStoreMatchesTheRoom();

    // The network goes away just after a message was sent: the connection is
    // closed and stays closed, and the message waits for it in the store.
    clock.setManual(true);
    ASSERT_EQ(ConversationActions::sendMessgeToServer("Still there?", "Still there?"),
              Result::sent);
    setNetwork(0);
    EXPECT_EQ(status(), net::SocketIOStatus::disconnected);
    EXPECT_EQ(ConversationActions::sendMessgeToServer("lost?", "lost?"), Result::notConnected);
    EXPECT_EQ(ConversationActions::submitEmail({{"text", "a@x.io"}}), Result::notConnected);
    clock.advance(ConversationActions::chatMessageDelayMs);
    EXPECT_EQ(status(), net::SocketIOStatus::disconnected);
    EXPECT_FALSE(SocketManager::sharedInstance()->socket()->isReconnecting());
    EXPECT_EQ(storedMessages().size(), 8);
    EXPECT_EQ(storedMessages().last().toMap()["messageSentToAgentStatus"], "sending");
    EXPECT_EQ(received("chat-msg").size(), 1);
    clock.setManual(false);

    // It comes back: the chain runs again, without verification, and the
    // waiting message goes out.
    setNetwork(0x40002);
    ASSERT_TRUE(waitForConnects(3));
    EXPECT_EQ(requests(WebServiceManager::verifyPath).size(), 1);
    EXPECT_EQ(requests(WebServiceManager::signUpPath).size(), 2);
    ASSERT_TRUE(test::waitUntil([&] { return received("chat-msg").size() == 2; }));
    ASSERT_TRUE(test::waitUntil([&] { return roomMessages().size() == 9; }));
    ASSERT_TRUE(test::waitUntil([&] { return storedMessages().size() == 9; }));
    expectStoreMatchesTheRoom();

    // In the background nothing is watched; becoming active reconnects.
    ConversationActions::applicationDidEnterBackground();
    EXPECT_EQ(status(), net::SocketIOStatus::disconnected);
    setNetwork(0);
    setNetwork(0x2);
    ConversationActions::applicationDidBecomeActive();
    ASSERT_TRUE(waitForConnects(4));
    EXPECT_EQ(
        reachabilityLines(),
        (QStringList{NetworkStatus::reachableOverWiFiLine, NetworkStatus::notReachableLine,
                     NetworkStatus::reachableOverWWANLine, NetworkStatus::reachableOverWiFiLine}));
    EXPECT_EQ(shownAlert(), std::nullopt);

    const QVariantMap email{{"messageId", "m1"}, {"text", "a@x.io"}, {"userId", customerId}};
    ASSERT_EQ(ConversationActions::submitEmail(email), Result::sent);
    ASSERT_TRUE(test::waitUntil([&] { return received("submit-email").size() == 1; }));
    EXPECT_EQ(received("submit-email").first().toMap()["items"], QVariantList{email});
}
