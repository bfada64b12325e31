#include "foundation/Clock.h"
#include "socketio/SocketEventRecorder.h"
#include "support/ChatService.h"
#include "support/TestSupport.h"

#include <QtCore/QJsonDocument>

#include <gtest/gtest.h>

#include <thread>

using namespace kesvor;
using net::SocketIOClient;
using net::SocketIOProtocol;
using net::SocketIOStatus;
using test::SocketEventRecorder;

namespace {

QByteArray json(const QVariant& value)
{
    return QJsonDocument::fromVariant(value).toJson(QJsonDocument::Compact);
}

class SocketIOServiceTest : public ::testing::TestWithParam<SocketIOProtocol> {
protected:
    void SetUp() override { ASSERT_TRUE(service.start()) << service.errorString().toStdString(); }
    void TearDown() override { foundation::Clock::shared().setManual(false); }

    /// Lets an hour of the clients' timers (back-off, time-outs) pass at once:
    /// whatever they would start has started when it returns.
    static void letTimersRunOut()
    {
        foundation::Clock& clock = foundation::Clock::shared();
        clock.setManual(true);
        clock.advance(60.0 * 60 * 1000);
        clock.setManual(false);
    }

    std::unique_ptr<SocketIOClient> makeClient(const QString& nsp)
    {
        return std::make_unique<SocketIOClient>(QUrl(service.baseUrl()),
                                                test::quickOptions(nsp, GetParam()));
    }

    test::ChatService service;
};

INSTANTIATE_TEST_SUITE_P(BothRevisions, SocketIOServiceTest,
                         ::testing::Values(SocketIOProtocol::engineIO4,
                                           SocketIOProtocol::engineIO3),
                         [](const auto& info) {
                             return info.param == SocketIOProtocol::engineIO4 ? "EIO4" : "EIO3";
                         });

} // namespace

TEST_P(SocketIOServiceTest, ConnectsInTheNamespaceAndExchangesEventsInOrder)
{
    const auto client = makeClient(service.namespaceName());
    SocketEventRecorder recorder(*client);
    letTimersRunOut();
    EXPECT_EQ(client->status(), SocketIOStatus::notConnected);
    EXPECT_TRUE(recorder.events().empty()) << "creation opens nothing";

    client->connect();
    EXPECT_EQ(client->status(), SocketIOStatus::connecting);
    ASSERT_TRUE(recorder.waitFor("connect"));
    EXPECT_EQ(client->status(), SocketIOStatus::connected);
    EXPECT_EQ(recorder.last("connect"), QVariantList{service.namespaceName()});
    EXPECT_EQ(recorder.statuses(),
              (std::vector{SocketIOStatus::connecting, SocketIOStatus::connected}));

    // Client to server: nested items arrive as sent.
    const QVariantMap record{{"userId", "u1"},
                             {"nested", QVariantList{1, 2.5, QVariantMap{{"deep", true}}}},
                             {"none", QVariant::fromValue(nullptr)}};
    client->emit("set-user-data", {record, "customer"});
    ASSERT_TRUE(
        test::waitUntil([&] { return !service.receivedEvents("set-user-data").isEmpty(); }));
    const QVariantMap received = service.receivedEvents("set-user-data").first().toMap();
    EXPECT_EQ(received["namespace"], service.namespaceName());
    EXPECT_EQ(json(received["items"]), json(QVariantList{record, "customer"}));

    // Both directions, many events: order and items survive the round trip.
    constexpr int rounds = 60;
    for (int i = 0; i < rounds; ++i)
        client->emit("echo", {i, QVariantMap{{"list", QVariantList{i, QString::number(i)}}}});
    ASSERT_TRUE(recorder.waitFor("echo", rounds));
    const auto echoes = recorder.named("echo");
    for (int i = 0; i < rounds; ++i) {
        ASSERT_EQ(echoes[i].items.size(), 2);
        EXPECT_EQ(echoes[i].items[0].toInt(), i);
        EXPECT_EQ(json(echoes[i].items[1]),
                  json(QVariantMap{{"list", QVariantList{i, QString::number(i)}}}));
    }
}

TEST_P(SocketIOServiceTest, UnknownNamespaceIsRefusedWithoutReconnection)
{
    const auto client = makeClient("/not-a-token");
    SocketEventRecorder recorder(*client);
    client->connect();
    ASSERT_TRUE(recorder.waitFor("error"));
    EXPECT_EQ(recorder.last("error"), QVariantList{"Invalid namespace"});
    EXPECT_EQ(client->status(), SocketIOStatus::disconnected);
    letTimersRunOut();
    EXPECT_EQ(recorder.names(), QStringList{"error"});
}

TEST_P(SocketIOServiceTest, DisconnectEndsTheSessionForGood)
{
    const auto client = makeClient(service.namespaceName());
    SocketEventRecorder recorder(*client);
    client->emit("early", {1});
    client->connect();
    ASSERT_TRUE(recorder.waitFor("connect"));

    client->disconnect();
    EXPECT_EQ(client->status(), SocketIOStatus::disconnected);
    EXPECT_EQ(recorder.names(), (QStringList{"connect", "disconnect"}));
    EXPECT_EQ(recorder.last("disconnect"), QVariantList{"io client disconnect"});
    client->emit("late", {2});
    client->disconnect(); // nothing more happens the second time
    letTimersRunOut();
    EXPECT_EQ(recorder.names(), (QStringList{"connect", "disconnect"}));
    EXPECT_TRUE(service.receivedEvents("early").isEmpty());
    EXPECT_TRUE(service.receivedEvents("late").isEmpty());

    // connect() after disconnect() starts a new session.
    client->connect();
    ASSERT_TRUE(recorder.waitFor("connect", 2));
}

TEST_P(SocketIOServiceTest, RestartedServiceIsReconnectedTo)
{
    const auto client = makeClient(service.namespaceName());
    SocketEventRecorder recorder(*client);
    client->connect();
    ASSERT_TRUE(recorder.waitFor("connect"));

    service.stop();
    ASSERT_TRUE(recorder.waitFor("disconnect"));
    EXPECT_EQ(recorder.events().back().statusAtDelivery, SocketIOStatus::disconnected);
    ASSERT_TRUE(recorder.waitFor("reconnectAttempt", 3));
    const auto attempts = recorder.named("reconnectAttempt");
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(attempts[i].items, QVariantList{i + 1});
        EXPECT_EQ(attempts[i].statusAtDelivery, SocketIOStatus::connecting);
    }
    EXPECT_EQ(recorder.count("connect"), 1);

    ASSERT_TRUE(service.start()) << service.errorString().toStdString();
    ASSERT_TRUE(recorder.waitFor("connect", 2));
    EXPECT_EQ(client->status(), SocketIOStatus::connected);
    const QStringList names = recorder.names();
    EXPECT_EQ(names.first(), "connect");
    EXPECT_EQ(names[1], "disconnect");
    EXPECT_EQ(names[2], "reconnectAttempt");
    EXPECT_EQ(names.last(), "connect");

    // The new session carries events; after a success the attempt count starts over.
    client->emit("echo", {"again"});
    ASSERT_TRUE(recorder.waitFor("echo"));
    service.stop();
    const int before = recorder.count("reconnectAttempt");
    ASSERT_TRUE(recorder.waitFor("reconnectAttempt", before + 1));
    EXPECT_EQ(recorder.last("reconnectAttempt"), QVariantList{1});
}

TEST_P(SocketIOServiceTest, DroppedConnectionsAreReconnectedButKicksAreNot)
{
    const auto client = makeClient(service.namespaceName());
    SocketEventRecorder recorder(*client);
    client->connect();
    ASSERT_TRUE(recorder.waitFor("connect"));

    // The transport closes, then new connections are refused for a while.
    ASSERT_EQ(service.dropConnections("transport", 300), 1);
    ASSERT_TRUE(recorder.waitFor("connect", 2));
    EXPECT_EQ(recorder.last("disconnect"), QVariantList{"transport close"});
    EXPECT_GE(recorder.count("reconnectAttempt"), 2) << "refused attempts are retried";
    EXPECT_GE(recorder.count("error"), 1);

    // The TCP connection is cut without a closing handshake.
    ASSERT_EQ(service.dropConnections("reset"), 1);
    ASSERT_TRUE(recorder.waitFor("connect", 3));
    EXPECT_EQ(recorder.count("disconnect"), 2);

    EXPECT_EQ(recorder.statuses().front(), SocketIOStatus::connecting);
    for (size_t i = 1; i < recorder.statuses().size(); ++i) {
        const SocketIOStatus previous = recorder.statuses()[i - 1];
        const SocketIOStatus next = recorder.statuses()[i];
        if (next == SocketIOStatus::connected) {
            EXPECT_EQ(previous, SocketIOStatus::connecting);
        }
        if (next == SocketIOStatus::connecting) {
            EXPECT_EQ(previous, SocketIOStatus::disconnected);
        }
    }

    // The server removes the client from the namespace: that is final.
    recorder.clear();
    ASSERT_EQ(service.dropConnections("kick"), 1);
    ASSERT_TRUE(recorder.waitFor("disconnect"));
    EXPECT_EQ(recorder.last("disconnect"), QVariantList{"io server disconnect"});
    letTimersRunOut();
    EXPECT_EQ(recorder.names(), QStringList{"disconnect"});
    EXPECT_EQ(client->status(), SocketIOStatus::disconnected);
}

TEST_P(SocketIOServiceTest, EmitsFromOtherThreadsArriveInTheirOrder)
{
    const auto client = makeClient(service.namespaceName());
    SocketEventRecorder recorder(*client);
    client->connect();
    ASSERT_TRUE(recorder.waitFor("connect"));

    constexpr int perThread = 40;
    std::thread first([&] {
        for (int i = 0; i < perThread; ++i)
            client->emit("echo", {"first", i});
    });
    std::thread second([&] {
        for (int i = 0; i < perThread; ++i)
            client->emit("echo", {"second", i});
    });
    first.join();
    second.join();
    ASSERT_TRUE(recorder.waitFor("echo", 2 * perThread));
    QMap<QString, int> next;
    for (const auto& echo : recorder.named("echo")) {
        const QString thread = echo.items[0].toString();
        EXPECT_EQ(echo.items[1].toInt(), next[thread]++) << thread.toStdString();
    }
    EXPECT_EQ(next["first"], perThread);
    EXPECT_EQ(next["second"], perThread);
}
