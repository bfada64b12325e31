// Nothing lost, nothing stuck: the customer's messages and the "seen"
// reports survive dead connections, a killed process and a customer change.
#include "Kesvor/KesvorLocalStorage.h"
#include "Service/WebServiceManager.h"
#include "Socket/SocketManager.h"
#include "Store/MyDataController.h"
#include "View/ConversationActions.h"
#include "data/FetchedResultsController.h"
#include "foundation/Clock.h"
#include "foundation/NotificationCenter.h"
#include "kesvor/Kesvor.h"
#include "support/ChildProcess.h"
#include "support/SdkSessionTest.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <future>

using namespace kesvor;
using Result = ConversationActions::SendResult;

namespace {

class DurableSessionTest : public test::SdkSessionTest {
protected:
    test::ChatServiceOptions serviceOptions() const override
    {
        test::ChatServiceOptions options;
        // A connection that died without a word is noticed within seconds,
        // and outlives the second a send() lets pass at once.
        options.pingIntervalMs = 300;
        options.pingTimeoutMs = 3000;
        return options;
    }

    void SetUp() override
    {
        SdkSessionTest::SetUp();
        // The bot would answer and mark messages seen: the statuses tested
        // here are the echo's own.
        ASSERT_TRUE(service().configure({{"bot", QVariantMap{{"enabled", false}}}}));
    }

    void TearDown() override
    {
        foundation::Clock::shared().setManual(false);
        SdkSessionTest::TearDown();
    }

    // Sends text and lets the second before it goes out pass at once; time
    // then runs on with the machine again, so the heartbeat keeps watching.
    static void send(const QString& text)
    {
        foundation::Clock& clock = foundation::Clock::shared();
        clock.setManual(true);
        ASSERT_EQ(ConversationActions::sendMessgeToServer(text, text), Result::sent);
        clock.advance(ConversationActions::chatMessageDelayMs);
        clock.setManual(false);
    }

    static QString customerId()
    {
        return KesvorLocalStorage::storedUser().value_or(QVariantMap())["userId"].toString();
    }

    static net::SocketIOStatus status()
    {
        return SocketManager::sharedInstance()->socket()->status();
    }

    QVariantList roomMessages()
    {
        return service().state()["rooms"].toList().value(0).toMap()["messages"].toList();
    }

    static QString textOf(const QVariant& message)
    {
        return message.toMap()["msg"].toMap()["message"].toMap()["text"].toString();
    }

    // How often text is in the service's room, and in "chat-msg" events it received.
    int inRoom(const QString& text)
    {
        const QVariantList messages = roomMessages();
        return int(std::count_if(messages.begin(), messages.end(),
                                 [&](const QVariant& message) { return textOf(message) == text; }));
    }
    int received(const QString& text)
    {
        const QVariantList events = SdkSessionTest::received("chat-msg");
        return int(std::count_if(events.begin(), events.end(), [&](const QVariant& event) {
            return textOf(event.toMap()["items"].toList().value(0)) == text;
        }));
    }

    // The stored copy of the customer's message text, once it has an id and
    // the agent status given.
    bool waitForStored(const QString& text, const QString& agentStatus)
    {
        return test::waitUntil(
            [&] {
                const QVariantList stored = storedMessages();
                return std::any_of(stored.begin(), stored.end(), [&](const QVariant& message) {
                    const QVariantMap fields = message.toMap();
                    return textOf(message) == text && !fields["_id"].toString().isEmpty() &&
                           fields["messageSentToAgentStatus"] == agentStatus;
                });
            },
            15'000);
    }

    // Sends a message and waits for its echo: whatever the service was still
    // to receive before it has arrived by then.
    void sendMarker(const QString& text)
    {
        send(text);
        ASSERT_TRUE(waitForStored(text, "sent"));
    }

    bool waitForConnects(int count)
    {
        return test::waitUntil([&] { return connectNotifications() == count; }, 15'000);
    }

    QStringList reportedIds()
    {
        QStringList ids;
        for (const QVariant& event : SdkSessionTest::received("update-message-status"))
            ids << event.toMap()["items"].toList().value(0).toMap()["messageId"].toString();
        return ids;
    }
};

} // namespace

TEST_F(DurableSessionTest, AMessageSentIntoASilentlyDeadConnectionArrivesOnceAfterTheReconnection)
{
    startSession();
    ASSERT_EQ(service().dropConnections("silent"), 1);
    // The client has not noticed yet: the message goes into the dead connection.
    ASSERT_EQ(status(), net::SocketIOStatus::connected);
    send("Anyone there?");
    EXPECT_EQ(received("Anyone there?"), 0);

    ASSERT_TRUE(waitForConnects(2));
    ASSERT_TRUE(waitForStored("Anyone there?", "sent"));
    sendMarker("And now?");
    EXPECT_EQ(inRoom("Anyone there?"), 1);
    EXPECT_EQ(received("Anyone there?"), 1);
    EXPECT_EQ(storedMessages().size(), 2);
}

TEST_F(DurableSessionTest, AMessageOfAProcessKilledWithinTheSecondArrivesOnceAfterARestart)
{
    test::ChildProcess app;
    ASSERT_TRUE(app.start({"send", service().token(), "Sent before the end"}));
    ASSERT_TRUE(app.waitForLine("stored"));
    app.kill();
    EXPECT_EQ(received("Sent before the end"), 0);

    // The same customer starts the SDK again, with the store the killed one left.
    startSession();
    ASSERT_TRUE(waitForStored("Sent before the end", "sent"));
    sendMarker("Back again");
    EXPECT_EQ(inRoom("Sent before the end"), 1);
    EXPECT_EQ(received("Sent before the end"), 1);
    EXPECT_EQ(service().state()["users"].toList().size(), 1);
    const QVariantList stored = storedMessages();
    ASSERT_EQ(stored.size(), 2);
    EXPECT_EQ(textOf(stored[0]), "Sent before the end");
    EXPECT_EQ(stored[0].toMap()["messageSentToAgentStatus"], "sent");
}

TEST_F(DurableSessionTest, UnseenMessagesAnEarlierRunStoredAreReportedAfterTheHandshake)
{
    // An earlier run signed the customer up, stored three messages and ended
    // before it reported them: their next copies in the history change
    // nothing, so only the store knows they were never reported.
    const QVariantMap user = service().signUp();
    KesvorLocalStorage::storeUser(user);
    QVariantList earlier;
    for (const char* text : {"one", "two", "three"})
        earlier << *service().injectMessage(
            {{"userId", user["userId"]}, {"text", text}, {"deliver", false}});
    earlier << *service().injectMessage(
        {{"userId", user["userId"]},
         {"text", "seen"},
         {"deliver", false},
         {"fields", QVariantMap{{"messageSentToCustomerStatus", "seen"}}}});
    std::promise<void> stored;
    MyDataController::sharedInstance().addChats(
        earlier, [&stored](const QList<Chat>&) { stored.set_value(); });
    stored.get_future().wait();

    startSession();
    ASSERT_TRUE(test::waitUntil([&] { return reportedIds().size() >= 3; }));
    sendMarker("marker");
    EXPECT_EQ(reportedIds(), idsOf(earlier.mid(0, 3)));
}

TEST_F(DurableSessionTest, AConnectionsFirstEventsComeInOrder)
{
    ASSERT_TRUE(service().configure({{"history", QVariantMap{{"count", 4}, {"seen", 1}}}}));
    // At the connect notification the test sends a marker of its own, with
    // what the record held then: the service sees everything in one order.
    foundation::NotificationCenter::defaultCenter().addObserver(
        this, QString::fromLatin1(SocketConnectNotification), [](const foundation::Notification&) {
            const bool roomKnown = KesvorLocalStorage::storedUser()->contains("roomId");
            SocketManager::sharedInstance()->socket()->emit("test-connect", {roomKnown});
        });
    startSession();
    ASSERT_TRUE(test::waitUntil([&] { return reportedIds().size() == 3; }));
    sendMarker("marker");

    QStringList order;
    QVariantList connectItems;
    for (const QVariant& event : service().receivedEvents()) {
        const QString name = event.toMap()["event"].toString();
        if (name == "test-connect")
            connectItems = event.toMap()["items"].toList();
        if (order.isEmpty() || order.last() != name)
            order << name;
    }
    EXPECT_EQ(order, (QStringList{"test-connect", "set-user-data", "set-room", "old-chats",
                                  "update-message-status", "chat-msg"}));
    EXPECT_EQ(connectItems, QVariantList{false});
    // The history was asked for with the room id already stored.
    const QVariantMap asked =
        SdkSessionTest::received("old-chats").first().toMap()["items"].toList().value(0).toMap();
    EXPECT_EQ(asked["roomId"], service().state()["rooms"].toList().value(0).toMap()["roomId"]);
    EXPECT_EQ(reportedIds(), idsOf(roomMessages().mid(1, 3)));
}

TEST_F(DurableSessionTest, TwoServiceMessagesOfOneMomentAndSenderAreBothStoredAndShown)
{
    startSession();
    const QVariantMap fields{{"createdOn", "2026-03-01T10:15:30.123+0000"}};
    const auto first = service().injectMessage(
        {{"userId", customerId()}, {"text", "first of two"}, {"fields", fields}});
    const auto second = service().injectMessage(
        {{"userId", customerId()}, {"text", "second of two"}, {"fields", fields}});
    ASSERT_TRUE(first && second);
    ASSERT_EQ((*first)["msgFrom"], (*second)["msgFrom"]);
    ASSERT_NE((*first)["_id"], (*second)["_id"]);

    // The message list's query on the main context.
    auto request = Chat::fetchRequest();
    request.sortDescriptors = {{"date", true}, {"createdOn", true}};
    data::FetchedResultsController list(request, MyDataController::sharedInstance().context(),
                                        "date");
    ASSERT_TRUE(test::waitUntil([&] {
        list.performFetch();
        return list.fetchedObjects()->size() == 2;
    }));
    QStringList shown;
    const QList<data::ObjectPtr> objects = *list.fetchedObjects();
    for (const data::ObjectPtr& object : objects)
        shown << textOf(QVariantMap{{"msg", Chat(object).msg().value_or(QVariantMap())}});
    shown.sort();
    EXPECT_EQ(shown, (QStringList{"first of two", "second of two"}));
    ASSERT_TRUE(test::waitUntil([&] { return reportedIds().size() == 2; }));
}

TEST_F(DurableSessionTest, ACustomerChangeDuringAQueuedHistoryLeavesNoneOfTheOldCustomersMessages)
{
    ASSERT_TRUE(service().configure({{"history", QVariantMap{{"count", 600}}}}));
    // The history waits on the store's queue behind other work, or has not
    // even arrived, when the host names another customer.
    std::promise<void> release;
    foundation::SerialQueue& queue = MyDataController::sharedInstance().messageAddOperationQueue();
    queue.addOperation([ready = release.get_future().share()] { ready.wait(); });
    startSession();
    ASSERT_TRUE(service().configure({{"history", QVariantMap{{"count", 0}}}}));
    Kesvor::setCustomerId("customer-B");
    // A live message for the old customer on the old connection, after the change.
    const auto late = service().injectMessage(
        {{"roomId", service().state()["rooms"].toList().value(0).toMap()["roomId"]},
         {"text", "too late"}});
    ASSERT_TRUE(late);
    release.set_value();
    waitForStore();
    EXPECT_TRUE(storedMessages().isEmpty());

    // The new customer's session: it finds nothing of the old one.
    WebServiceManager::sharedInstance().connectClient();
    ASSERT_TRUE(test::waitUntil([&] { return customerId() == "customer-B"; }));
    ASSERT_TRUE(waitForConnects(2));
    ASSERT_TRUE(test::waitUntil([&] { return SdkSessionTest::received("old-chats").size() == 2; }));
    sendMarker("hello from B");
    EXPECT_TRUE(reportedIds().isEmpty());
    const QVariantList stored = storedMessages();
    ASSERT_EQ(stored.size(), 1);
    EXPECT_EQ(stored[0].toMap()["msgFrom"], "customer-B");
}

TEST_F(DurableSessionTest, AMessageTooLargeForTheServiceIsUnsentAndNeverSent)
{
    startSession();
    const QString huge(SocketManager::maxChatMessageBytes, QLatin1Char('x'));
    send(huge);
    ASSERT_EQ(storedMessages().size(), 1);
    EXPECT_EQ(storedMessages()[0].toMap()["messageSentToAgentStatus"], "unsent");
    EXPECT_EQ(status(), net::SocketIOStatus::connected);

    // Not again after the next handshake either.
    ASSERT_EQ(service().dropConnections(), 1);
    ASSERT_TRUE(waitForConnects(2));
    sendMarker("a short one");
    EXPECT_EQ(SdkSessionTest::received("chat-msg").size(), 1);
    EXPECT_EQ(storedMessages()[0].toMap()["messageSentToAgentStatus"], "unsent");
}

TEST_F(DurableSessionTest, GoingToTheBackgroundClosesTheConnectionAndSavesTheMainContext)
{
    startSession();
    ASSERT_TRUE(service().injectMessage({{"userId", customerId()}, {"text", "read me"}}));
    auto main = MyDataController::sharedInstance().context();
    ASSERT_TRUE(test::waitUntil([&] { return main->count(Chat::fetchRequest()) == 1; }));
    Chat chat(main->fetch(Chat::fetchRequest())->first());
    chat.setMsgKeyword("changed on screen");
    ASSERT_TRUE(main->hasChanges());

    ConversationActions::applicationDidEnterBackground();
    EXPECT_EQ(status(), net::SocketIOStatus::disconnected);
    EXPECT_FALSE(main->hasChanges());
    const auto context = MyDataController::sharedInstance().backgoundContext();
    context->performAndWait([&] {
        EXPECT_EQ(Chat(context->fetch(Chat::fetchRequest())->first()).msgKeyword(),
                  "changed on screen");
    });
}
