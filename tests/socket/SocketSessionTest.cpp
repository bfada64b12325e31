#include "Kesvor/KesvorLocalStorage.h"
#include "Kesvor/KesvorPrivate.h"
#include "Kesvor/PlatformInfo.h"
#include "Service/WebServiceManager.h"
#include "Socket/SocketManager.h"
#include "Store/MyDataController.h"
#include "kesvor/Kesvor.h"
#include "support/SdkSessionTest.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <future>

using namespace kesvor;

namespace {

class SocketSessionTest : public test::SdkSessionTest {
protected:
    static SocketManager& manager()
    {
        SocketManager* manager = SocketManager::sharedInstance();
        EXPECT_NE(manager, nullptr);
        return *manager;
    }

    QString customerId() { return KesvorLocalStorage::storedUser()->value("userId").toString(); }

    QVariantMap room()
    {
        const QVariantList rooms = service().state()["rooms"].toList();
        return rooms.isEmpty() ? QVariantMap() : rooms.first().toMap();
    }

    QVariantList seenReports() { return received("update-message-status"); }

    bool waitForSeenReports(int count)
    {
        return test::waitUntil([&] { return seenReports().size() >= count; }, 10'000);
    }

    // A last message from the service, after everything the test sent: once
    // it is stored and reported, everything before it has been handled.
    void sendMarker()
    {
        const int reports = int(seenReports().size());
        ASSERT_TRUE(service().injectMessage({{"userId", customerId()}, {"text", "marker"}}));
        ASSERT_TRUE(waitForSeenReports(reports + 1));
        waitForStore();
    }
};

} // namespace

TEST_F(SocketSessionTest, HandshakeAnnouncesTheCustomerAndReportsTheUnseenHistoryInOrder)
{
    ASSERT_TRUE(service().configure({{"history", QVariantMap{{"count", 20}, {"seen", 5}}}}));
    startSession();
    const QString userId = customerId();
    const QVariantMap platformInfo = PlatformInfo::info();

    const QVariantList setUserData = received("set-user-data");
    ASSERT_EQ(setUserData.size(), 1);
    const QVariantList announced = setUserData.first().toMap()["items"].toList();
    ASSERT_EQ(announced.size(), 2);
    EXPECT_EQ(announced[0].toMap()["userId"], userId);
    EXPECT_EQ(announced[1], "customer");
    EXPECT_EQ(received("set-room").first().toMap()["items"],
              (QVariantList{QVariantMap{{"members", QVariantList{userId, "bot" + userId}},
                                        {"platformInfo", platformInfo}},
                            platformInfo}));

    // The room id is kept with the stored record, which asks for the history.
    const QVariantMap opened = room();
    EXPECT_EQ(KesvorLocalStorage::storedUser()->value("roomId"), opened["roomId"]);
    EXPECT_EQ(received("old-chats").first().toMap()["items"],
              QVariantList{*KesvorLocalStorage::storedUser()});
    EXPECT_EQ(connectNotifications(), 1);

    const QVariantList history = opened["messages"].toList();
    ASSERT_TRUE(waitForSeenReports(15));
    QStringList reported;
    for (const QVariant& event : seenReports()) {
        const QVariantMap report = event.toMap()["items"].toList().value(0).toMap();
        EXPECT_EQ(report["roomId"], opened["roomId"]);
        EXPECT_EQ(report["messageStatus"], "seen");
        EXPECT_EQ(report["senderRole"], "customer");
        reported << report["messageId"].toString();
    }
    EXPECT_EQ(reported, idsOf(history).mid(5));

    // The service's echoes of the new statuses are stored and not reported again.
    ASSERT_TRUE(test::waitUntil([] {
        const QVariantList stored = storedMessages();
        return stored.size() == 20 &&
               std::all_of(stored.begin(), stored.end(), [](const QVariant& message) {
                   return message.toMap()["messageSentToCustomerStatus"] == "seen";
               });
    }));
    sendMarker();
    EXPECT_EQ(seenReports().size(), 16);
    EXPECT_EQ(idsOf(storedMessages()).mid(0, 20), idsOf(history));
}

TEST_F(SocketSessionTest, ALiveMessageIsReportedOnceAndServiceStatusEventsChangeNothing)
{
    startSession();
    const auto injected = service().injectMessage({{"userId", customerId()}, {"text", "Hi there"}});
    ASSERT_TRUE(injected);
    ASSERT_TRUE(waitForSeenReports(1));
    ASSERT_TRUE(test::waitUntil(
        [] { return storedMessages().value(0).toMap()["messageSentToCustomerStatus"] == "seen"; }));

    // The same message again, unchanged; events this client does not act on.
    const QVariantMap current = room()["messages"].toList().first().toMap();
    EXPECT_EQ(current["messageSentToCustomerStatus"], "seen");
    EXPECT_GT(service().emitEvent("chat-msg", {QVariantMap{{"result", current}}}), 0);
    service().emitEvent("approve-message", {QVariantMap{{"messageId", (*injected)["_id"]},
                                                        {"approvedByAgent", "rejected"}}});
    service().emitEvent("update-message-status", {QVariantMap{{"messageId", (*injected)["_id"]},
                                                              {"messageStatus", "sent"}}});
    sendMarker();
    EXPECT_EQ(seenReports().size(), 2);
    const QVariantList stored = storedMessages();
    ASSERT_EQ(stored.size(), 2);
    EXPECT_EQ(stored.first().toMap()["messageSentToCustomerStatus"], "seen");
    EXPECT_EQ(stored.first().toMap()["msg"], (*injected)["msg"]);
}

TEST_F(SocketSessionTest, MalformedEventsAreIgnored)
{
    startSession();
    const QVariantMap record = *KesvorLocalStorage::storedUser();
    const auto valid =
        service().injectMessage({{"userId", customerId()}, {"text", "kept"}, {"deliver", false}});
    ASSERT_TRUE(valid);
    const QVariantList notADictionary{QVariant("x"), QVariant(5), QVariant::fromValue(nullptr),
                                      QVariant(QVariantList{1})};
    for (const QVariant& item : notADictionary) {
        for (const char* event : {"set-room", "old-chats", "chat-msg"})
            service().emitEvent(event, {item});
    }
    for (const char* event : {"set-room", "old-chats", "chat-msg"}) {
        service().emitEvent(event, {});
        service().emitEvent(event, {QVariantMap{}});
    }
    service().emitEvent("set-room", {QVariantMap{{"roomId", 5}}});
    service().emitEvent("old-chats", {QVariantMap{{"result", "x"}}});
    service().emitEvent("old-chats", {QVariantMap{{"result", QVariantMap{}}}});
    service().emitEvent("chat-msg", {QVariantMap{{"result", QVariantList{*valid}}}});
    service().emitEvent("chat-msg", {QVariantMap{{"result", QVariantMap{{"msgFrom", 1}}}}});
    service().emitEvent("something-else", {QVariantMap{{"result", *valid}}});
    sendMarker();
    EXPECT_EQ(storedMessages().size(), 1) << "the marker only";
    EXPECT_EQ(KesvorLocalStorage::storedUser(), record);
    EXPECT_EQ(received("old-chats").size(), 1);
    EXPECT_EQ(seenReports().size(), 1);

    // A history whose elements are not all dictionaries keeps the good one,
    // and the session goes on as before.
    service().emitEvent("old-chats",
                        {QVariantMap{{"result", notADictionary + QVariantList{*valid}}}});
    ASSERT_TRUE(waitForSeenReports(2));
    EXPECT_EQ(idsOf(storedMessages()).first(), (*valid)["_id"].toString());
    EXPECT_EQ(storedMessages().size(), 2);
    EXPECT_EQ(manager().socket()->status(), net::SocketIOStatus::connected);
}

TEST_F(SocketSessionTest, EveryReconnectionAttemptPostsTheDisconnectNotification)
{
    startSession();
    int attempts = 0;
    QObject counting; // the counter goes with the test's locals
    QObject::connect(
        manager().socket(), &net::SocketIOClient::statusChanged, &counting,
        [&](net::SocketIOStatus status) { attempts += status == net::SocketIOStatus::connecting; });
    ASSERT_EQ(service().dropConnections("transport", 2500), 1);
    ASSERT_TRUE(test::waitUntil([&] { return connectNotifications() == 2; }, 15'000));
    EXPECT_GE(attempts, 2);
    // One for the lost connection, one per attempt to get it back.
    EXPECT_EQ(disconnectNotifications(), 1 + attempts);
    ASSERT_TRUE(test::waitUntil([&] { return received("old-chats").size() == 2; }));
}

TEST_F(SocketSessionTest, SeenReportsMadeWhileDisconnectedGoOutOnceConnectedAgain)
{
    startSession();
    // Holds the store's queue, so the messages are written after the connection is gone.
    std::promise<void> release;
    foundation::SerialQueue& queue = MyDataController::sharedInstance().messageAddOperationQueue();
    queue.addOperation([ready = release.get_future().share()] { ready.wait(); });
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(service().injectMessage({{"userId", customerId()}}));
    ASSERT_TRUE(test::waitUntil([&] { return queue.operationCount() == 4; }));
    manager().disconnect();
    release.set_value();
    waitForStore();
    QCoreApplication::sendPostedEvents(); // the reports' way to the main thread
    EXPECT_EQ(storedMessages().size(), 3);
    EXPECT_TRUE(seenReports().isEmpty());

    WebServiceManager::sharedInstance().connectClient();
    ASSERT_TRUE(waitForSeenReports(3));
    QStringList reported;
    for (const QVariant& event : seenReports())
        reported << event.toMap()["items"].toList().value(0).toMap()["messageId"].toString();
    EXPECT_EQ(reported, idsOf(room()["messages"].toList()));
}

TEST_F(SocketSessionTest, NoTokenAtFirstUseLeavesTheSessionEmptyForGood)
{
    // An empty token names no business (its namespace would be the root).
    KesvorPrivate::setBusinessToken(QString());
    EXPECT_EQ(SocketManager::sharedInstance(), nullptr);
    Kesvor::initWithToken(service().token());
    EXPECT_EQ(SocketManager::sharedInstance(), nullptr);
    // The chain still verifies and signs up, but there is nothing to connect.
    WebServiceManager::sharedInstance().connectClient();
    ASSERT_TRUE(test::waitUntil([&] { return clockSyncs() == 1; }));
    EXPECT_EQ(requests(WebServiceManager::signUpPath).size(), 1);
    EXPECT_EQ(SocketManager::sharedInstance(), nullptr) << "so nothing can have connected";
    EXPECT_TRUE(received("set-user-data").isEmpty());
}

TEST_F(SocketSessionTest, ConnectsOnlyFromRestAndOnlyForAVerifiedBusiness)
{
    Kesvor::initWithToken(service().token());
    net::SocketIOClient* socket = manager().socket();
    EXPECT_EQ(socket->url(), QUrl(service().baseUrl() + "/"));
    EXPECT_EQ(socket->options().nsp, service().namespaceName());

    manager().reconnect();
    EXPECT_EQ(socket->status(), net::SocketIOStatus::notConnected);
    EXPECT_FALSE(manager().isConnected());
    KesvorPrivate::setBusinessId(service().token());
    manager().reconnect();
    EXPECT_EQ(socket->status(), net::SocketIOStatus::connecting);
    EXPECT_TRUE(manager().isConnected());
    ASSERT_TRUE(
        test::waitUntil([&] { return socket->status() == net::SocketIOStatus::connected; }));
    // Connected without a stored customer: nothing to announce before the
    // test's own event.
    socket->emit("test-marker", {});
    ASSERT_TRUE(test::waitUntil([&] { return received("test-marker").size() == 1; }));
    EXPECT_TRUE(received("set-user-data").isEmpty());
    manager().disconnect();
    EXPECT_EQ(socket->status(), net::SocketIOStatus::disconnected);
    EXPECT_FALSE(manager().isConnected());
    EXPECT_EQ(disconnectNotifications(), 1);
}
