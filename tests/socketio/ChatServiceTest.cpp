#include "support/ChatService.h"
#include "net/SntpQuery.h"
#include "socketio/SocketEventRecorder.h"
#include "support/TestSupport.h"

#include <QtCore/QDateTime>
#include <QtCore/QProcess>
#include <QtCore/QRegularExpression>

#include <gtest/gtest.h>

using namespace kesvor;
using net::SocketIOClient;
using test::SocketEventRecorder;

namespace {

const QRegularExpression
    createdOnPattern(QStringLiteral(R"(^\d{4}-\d{2}-\d{2}T\d{2}:\d{2}:\d{2}\.\d{3}\+0000$)"));

QDateTime parseCreatedOn(const QString& text)
{
    return QDateTime::fromString(text.left(23), QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")).toUTC();
}

class ChatServiceTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(service.start()) << service.errorString().toStdString(); }

    /// A connected client in the service's namespace.
    std::unique_ptr<SocketIOClient> connectClient()
    {
        auto client = std::make_unique<SocketIOClient>(QUrl(service.baseUrl()),
                                                       test::quickOptions(service.namespaceName()));
        recorder = std::make_unique<SocketEventRecorder>(*client);
        client->connect();
        EXPECT_TRUE(recorder->waitFor("connect"));
        m_client = client.get();
        return client;
    }

    /// Waits for the answer to an "echo": whatever the service sent before
    /// it has arrived by then.
    void everythingSentHasArrived()
    {
        const int echoes = recorder->count("echo");
        m_client->emit("echo", {"marker"});
        ASSERT_TRUE(recorder->waitFor("echo", echoes + 1));
    }

    /// Announces the customer and opens the room; returns the room id.
    QString openRoom(SocketIOClient& client, const QVariantMap& user)
    {
        const QString userId = user["userId"].toString();
        client.emit("set-user-data", {user, user["role"]});
        client.emit("set-room", {QVariantMap{{"members", QVariantList{userId, "bot" + userId}},
                                             {"platformInfo", QVariantMap{{"OSName", "Linux"}}}},
                                 QVariantMap{{"OSName", "Linux"}}});
        EXPECT_TRUE(recorder->waitFor("set-room"));
        return recorder->last("set-room").value(0).toMap()["roomId"].toString();
    }

    /// The "result" of the next "chat-msg" (counting from index).
    QVariantMap chatMessage(int index)
    {
        EXPECT_TRUE(recorder->waitFor("chat-msg", index + 1));
        const auto messages = recorder->named("chat-msg");
        return int(messages.size()) > index
                   ? messages[index].items.value(0).toMap()["result"].toMap()
                   : QVariantMap{};
    }

    test::ChatService service;
    std::unique_ptr<SocketEventRecorder> recorder;
    SocketIOClient* m_client = nullptr;
};

QVariantMap customerMessage(const QVariantMap& user, const QString& roomId, const QString& text)
{
    const QString userId = user["userId"].toString();
    return {{"msgFrom", userId},
            {"msgTo", "bot"},
            {"roomId", roomId},
            {"createdOn", "2026-12-06T10:15:30.123+0000"},
            {"msg", QVariantMap{{"message", QVariantMap{{"text", text}}}}},
            {"msgKeyWord", text},
            {"senderRole", "customer"},
            {"senderIdentity", userId},
            {"approvedByAgent", "approved"}};
}

} // namespace

TEST_F(ChatServiceTest, HttpApiAnswersAndRecordsEveryRequest)
{
    const auto verified =
        service.post("/business/api/v1/verify", {{"businessId", service.token()}});
    EXPECT_EQ(verified.body["business"].typeId(), QMetaType::QVariantMap);
    EXPECT_FALSE(service.post("/business/api/v1/verify", {{"businessId", "stranger"}})
                     .body.contains("business"));

    const QVariantMap user = service.signUp();
    for (const char* key : {"userId", "businessId", "role", "username"})
        EXPECT_EQ(user[key].typeId(), QMetaType::QString) << key;
    EXPECT_EQ(user["role"], "customer");
    EXPECT_EQ(user["businessId"], service.token());
    EXPECT_EQ(service.signUp(user["userId"].toString())["userId"], user["userId"])
        << "a known customer id signs up as the same customer";
    EXPECT_EQ(service.signUp("host-given-id")["userId"], "host-given-id");

    const auto updated = service.post("/user/api/v1/update",
                                      {{"userId", user["userId"]}, {"deviceToken", "0AFF00"}});
    EXPECT_EQ(updated.body["user"].toMap()["deviceToken"], "0AFF00");
    EXPECT_FALSE(service.post("/user/api/v1/update", {{"userId", "nobody"}}).body.contains("user"));

    const auto garbage = service.postRaw("/user/api/v1/signup", "{not json");
    EXPECT_EQ(garbage.status, 400);
    EXPECT_FALSE(garbage.body.contains("user"));

    const QVariantList signUps = service.receivedRequests("/user/api/v1/signup");
    ASSERT_EQ(signUps.size(), 4);
    EXPECT_EQ(signUps[0].toMap()["body"].toMap()["platformInfo"].toMap()["browserName"], "test");
    EXPECT_EQ(signUps[3].toMap()["raw"], "{not json");
    EXPECT_EQ(service.receivedRequests().size(), 8);
}

TEST_F(ChatServiceTest, EndpointsCanBeSwitchedIntoFailureModes)
{
    const QVariantMap body{{"businessId", service.token()}};
    ASSERT_TRUE(service.setEndpointMode("verify", "drop", 1));
    EXPECT_EQ(service.post("/business/api/v1/verify", body).status, 0) << "no HTTP answer";

    ASSERT_TRUE(service.setEndpointMode("verify", "garbage", 1));
    const auto garbage = service.post("/business/api/v1/verify", body);
    EXPECT_EQ(garbage.status, 200);
    EXPECT_TRUE(garbage.body.isEmpty()) << garbage.raw.toStdString();

    ASSERT_TRUE(service.setEndpointMode("verify", "missing", 1));
    EXPECT_FALSE(service.post("/business/api/v1/verify", body).body.contains("business"));

    ASSERT_TRUE(service.setEndpointMode("signup", "wrong-type", 2));
    EXPECT_EQ(service.post("/user/api/v1/signup", {}).body["user"], "yes");
    EXPECT_EQ(service.post("/user/api/v1/signup", {}).body["user"], "yes");

    // Limited failures run out; the endpoints answer normally again.
    EXPECT_TRUE(service.post("/business/api/v1/verify", body).body.contains("business"));
    EXPECT_FALSE(service.signUp().isEmpty());
    EXPECT_EQ(service.receivedRequests("/business/api/v1/verify").size(), 4);

    // Typos are refused instead of configuring nothing.
    EXPECT_FALSE(service.setEndpointMode("verify", "explode"));
    EXPECT_FALSE(service.setEndpointMode("verfy", "drop"));
    EXPECT_FALSE(service.configure({{"bot", QVariantMap{{"enabeld", false}}}}));
}

TEST_F(ChatServiceTest, SocketSessionAnswersTheCustomer)
{
    ASSERT_TRUE(service.configure({{"history", QVariantMap{{"count", 20}, {"seen", 5}}}}));
    const QVariantMap user = service.signUp();
    const auto client = connectClient();
    const QString roomId = openRoom(*client, user);
    ASSERT_FALSE(roomId.isEmpty());

    // History: oldest first, wire format, the first five already seen.
    QVariantMap record = user;
    record["roomId"] = roomId;
    client->emit("old-chats", {record});
    ASSERT_TRUE(recorder->waitFor("old-chats"));
    const QVariantList history = recorder->last("old-chats").value(0).toMap()["result"].toList();
    ASSERT_EQ(history.size(), 20);
    QDateTime previous;
    for (int i = 0; i < 20; ++i) {
        const QVariantMap message = history[i].toMap();
        EXPECT_TRUE(createdOnPattern.match(message["createdOn"].toString()).hasMatch());
        const QDateTime createdOn = parseCreatedOn(message["createdOn"].toString());
        EXPECT_TRUE(!previous.isValid() || previous < createdOn);
        previous = createdOn;
        EXPECT_EQ(message["roomId"], roomId);
        EXPECT_EQ(message["msgTo"], user["userId"]);
        EXPECT_EQ(message["approvedByAgent"], "approved");
        EXPECT_FALSE(message["_id"].toString().isEmpty());
        EXPECT_EQ(message["messageSentToCustomerStatus"], i < 5 ? "seen" : "sent");
    }

    // The customer's message comes back with an id and both statuses, then the
    // bot reads it (a further copy) and answers.
    const QVariantMap sent = customerMessage(user, roomId, "hello there");
    client->emit("chat-msg", {sent});
    const QVariantMap echo = chatMessage(0);
    EXPECT_EQ(echo["createdOn"], sent["createdOn"]);
    EXPECT_EQ(echo["msgFrom"], sent["msgFrom"]);
    EXPECT_EQ(echo["msgKeyWord"], "hello there");
    EXPECT_FALSE(echo["_id"].toString().isEmpty());
    EXPECT_EQ(echo["messageSentToAgentStatus"], "sent");
    EXPECT_EQ(echo["messageSentToCustomerStatus"], "seen");
    const QVariantMap read = chatMessage(1);
    EXPECT_EQ(read["_id"], echo["_id"]);
    EXPECT_EQ(read["messageSentToAgentStatus"], "seen");
    const QVariantMap reply = chatMessage(2);
    EXPECT_EQ(reply["senderRole"], "bot");
    EXPECT_EQ(reply["msgTo"], user["userId"]);
    EXPECT_EQ(reply["messageSentToCustomerStatus"], "sent");
    EXPECT_EQ(reply["msg"].toMap()["message"].toMap()["text"], "Hello! How can I help you today?");
    EXPECT_GT(parseCreatedOn(reply["createdOn"].toString()), previous);

    // The same message again (after a reconnection, say) is not stored twice.
    client->emit("chat-msg", {sent});
    EXPECT_EQ(chatMessage(3)["_id"], echo["_id"]);

    // "seen" from the customer changes the stored copy once.
    const QVariantMap seen{{"roomId", roomId},
                           {"messageId", reply["_id"]},
                           {"messageStatus", "seen"},
                           {"senderRole", "customer"}};
    client->emit("update-message-status", {seen});
    EXPECT_EQ(chatMessage(4)["messageSentToCustomerStatus"], "seen");
    client->emit("update-message-status", {seen});
    client->emit("submit-email", {QVariantMap{{"messageId", reply["_id"]},
                                              {"text", "ann@example.com"},
                                              {"userId", user["userId"]}}});
    EXPECT_TRUE(chatMessage(5)["msg"].toMap()["message"].toMap()["text"].toString().contains(
        "ann@example.com"));
    everythingSentHasArrived();
    EXPECT_EQ(recorder->count("chat-msg"), 6) << "an unchanged status is not sent again";

    const QVariantList rooms = service.state()["rooms"].toList();
    ASSERT_EQ(rooms.size(), 1);
    EXPECT_EQ(rooms[0].toMap()["messages"].toList().size(), 23);
    EXPECT_EQ(service.state()["users"].toList()[0].toMap()["email"], "ann@example.com");
    EXPECT_EQ(service.receivedEvents("update-message-status").size(), 2);
    EXPECT_EQ(service.receivedEvents().size(), 8);
}

TEST_F(ChatServiceTest, MalformedCustomerEventsAreIgnored)
{
    const QVariantMap user = service.signUp();
    const auto client = connectClient();
    const QString roomId = openRoom(*client, user);
    QVariantMap noDate = customerMessage(user, roomId, "a");
    noDate.remove("createdOn");
    QVariantMap badDate = customerMessage(user, roomId, "b");
    badDate["createdOn"] = "2026-12-06 10:15:30";
    QVariantMap noContent = customerMessage(user, roomId, "c");
    noContent["msg"] = "text";
    for (const QVariantMap& message : {noDate, badDate, noContent})
        client->emit("chat-msg", {message});
    client->emit("chat-msg", {});
    client->emit("set-room", {"not an object"});
    client->emit("update-message-status", {QVariantMap{{"messageId", "nope"}}});
    client->emit("old-chats", {QVariantMap{{"roomId", "unknown"}}});
    ASSERT_TRUE(recorder->waitFor("old-chats"));
    EXPECT_TRUE(recorder->last("old-chats").value(0).toMap()["result"].toList().isEmpty());
    EXPECT_EQ(recorder->count("chat-msg"), 0);
    EXPECT_EQ(recorder->count("set-room"), 1);
    EXPECT_TRUE(service.isRunning());
}

TEST_F(ChatServiceTest, TestEndpointsInjectAndChangeMessages)
{
    const QVariantMap user = service.signUp();
    const QString userId = user["userId"].toString();
    ASSERT_TRUE(service.configure({{"bot", QVariantMap{{"enabled", false}}}}));
    const auto client = connectClient();
    const QString roomId = openRoom(*client, user);

    const auto injected = service.injectMessage({{"userId", userId},
                                                 {"text", "An agent here"},
                                                 {"fields", QVariantMap{{"senderRole", "agent"}}}});
    ASSERT_TRUE(injected);
    const QVariantMap delivered = chatMessage(0);
    EXPECT_EQ(delivered["_id"], (*injected)["_id"]);
    EXPECT_EQ(delivered["roomId"], roomId);
    EXPECT_EQ(delivered["senderRole"], "agent");

    const auto quiet =
        service.injectMessage({{"roomId", roomId},
                               {"deliver", false},
                               {"fields", QVariantMap{{"approvedByAgent", "unapproved"}}}});
    ASSERT_TRUE(quiet);
    const auto approved = service.setMessageStatus(
        (*quiet)["_id"].toString(),
        {{"approvedByAgent", "approved"}, {"messageSentToCustomerStatus", "seen"}});
    ASSERT_TRUE(approved);
    const QVariantMap change = chatMessage(1);
    EXPECT_EQ(change["_id"], (*quiet)["_id"]);
    EXPECT_EQ(change["approvedByAgent"], "approved");
    EXPECT_EQ(change["messageSentToCustomerStatus"], "seen");

    EXPECT_EQ(service.addHistory(userId, 4, 1).size(), 4);
    EXPECT_FALSE(service.setMessageStatus((*quiet)["_id"].toString(),
                                          {{"messageSentToAgentStatus", "delivered"}}));
    EXPECT_FALSE(service.setMessageStatus("no-such-id", {{"approvedByAgent", "approved"}}));
    EXPECT_FALSE(service.injectMessage({{"userId", "nobody"}}));
    EXPECT_FALSE(service.injectMessage({{"text", "where to?"}}));

    const QVariantList rooms = service.state()["rooms"].toList();
    ASSERT_EQ(rooms.size(), 1);
    EXPECT_EQ(rooms[0].toMap()["messages"].toList().size(), 6);
    everythingSentHasArrived();
    EXPECT_EQ(recorder->count("chat-msg"), 2);

    ASSERT_TRUE(service.reset());
    EXPECT_TRUE(service.state()["rooms"].toList().isEmpty());
    EXPECT_TRUE(service.receivedEvents().isEmpty());
    EXPECT_TRUE(service.receivedRequests().isEmpty());
}

TEST_F(ChatServiceTest, HistoryDownloadCanBeCutOff)
{
    const QVariantMap user = service.signUp();
    service.addHistory(user["userId"].toString(), 3);
    ASSERT_TRUE(
        service.configure({{"oldChats", QVariantMap{{"mode", "drop-before"}, {"times", 1}}}}));
    const auto client = connectClient();
    QVariantMap record = user;
    record["roomId"] = openRoom(*client, user);

    client->emit("old-chats", {record});
    ASSERT_TRUE(recorder->waitFor("connect", 2)) << "the connection was dropped and came back";
    EXPECT_EQ(recorder->count("old-chats"), 0);
    EXPECT_EQ(recorder->last("disconnect"), QVariantList{"transport close"});

    ASSERT_TRUE(
        service.configure({{"oldChats", QVariantMap{{"mode", "drop-after"}, {"times", 1}}}}));
    client->emit("old-chats", {record});
    ASSERT_TRUE(recorder->waitFor("connect", 3));
    const QStringList names = recorder->names();
    EXPECT_LT(names.lastIndexOf("old-chats"), names.lastIndexOf("disconnect"))
        << "answered, then dropped";
    EXPECT_EQ(recorder->last("old-chats").value(0).toMap()["result"].toList().size(), 3);

    client->emit("old-chats", {record});
    ASSERT_TRUE(recorder->waitFor("old-chats", 2));
    EXPECT_EQ(recorder->count("disconnect"), 2) << "the limited failures ran out";
}

// The service's time server, read by the network clock's own query: each
// sample's offset from the service's clock (this machine's, shifted as
// configured) lies within half the round trip, plus the timestamps' rounding.
TEST(ChatServiceNtpTest, NetworkClockQuerySynchronisesWithTheService)
{
    using namespace std::chrono_literals;
    test::ChatServiceOptions withNtp;
    withNtp.ntp = true;
    test::ChatService service(withNtp);
    ASSERT_TRUE(service.start()) << service.errorString().toStdString();
    ASSERT_NE(service.ntpPort(), 0);
    ASSERT_NE(service.ntpPort(), service.port());

    const auto query = [&service] {
        net::NetworkClockOptions options;
        options.servers = {QStringLiteral("127.0.0.1:%1").arg(service.ntpPort())};
        options.sampleInterval = 10ms;
        options.timeout = 10s;
        auto sntp = std::make_unique<net::SntpQuery>(options);
        sntp->start();
        EXPECT_TRUE(test::waitUntil([&] { return sntp->isFinished(); }, 15'000));
        return sntp;
    };
    for (const auto shift : {0ms, 3'600'000ms}) {
        ASSERT_TRUE(service.configure({{"ntp", QVariantMap{{"offsetMs", qint64(shift.count())}}}}));
        const auto sntp = query();
        ASSERT_EQ(sntp->samples().size(), 4u);
        for (const net::SntpSample& sample : sntp->samples())
            EXPECT_LE(std::chrono::abs(sample.offset - shift), sample.delay / 2 + 2ms)
                << "offset " << sample.offset.count() << " ns, delay " << sample.delay.count();
    }

    // A kiss-of-death gives no sample.
    ASSERT_TRUE(service.configure({{"ntp", QVariantMap{{"mode", "kiss"}}}}));
    EXPECT_TRUE(query()->samples().empty());
    EXPECT_GE(service.state()["ntp"].toMap()["answered"].toInt(), 9);
}

TEST(ChatServiceOptionsTest, ListensOnLoopbackOnly)
{
    QProcess node;
    node.setWorkingDirectory(QStringLiteral(KESVOR_SOURCE_DIR "/tools/chat-service"));
    for (const QStringList& arguments :
         {QStringList{"server.js", "--host", "0.0.0.0"}, QStringList{"server.js", "--port", "x"},
          QStringList{"server.js", "--frobnicate"}}) {
        node.start("node", arguments);
        ASSERT_TRUE(node.waitForFinished(15'000));
        EXPECT_EQ(node.exitCode(), 2) << arguments.join(' ').toStdString();
        EXPECT_TRUE(node.readAllStandardError().contains("usage:"));
    }
}
