#include "net/EngineIOPacket.h"
#include "net/SocketIOPacket.h"

#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>

#include <gtest/gtest.h>

#include <limits>
#include <string>

using namespace kesvor::net;
using Type = SocketIOPacket::Type;

TEST(EngineIOPacketTest, FramesAndHandshake)
{
    const auto message = EngineIOPacket::decode("4hello");
    ASSERT_TRUE(message);
    EXPECT_EQ(message->type, EngineIOPacket::Type::Message);
    EXPECT_EQ(message->data, "hello");
    EXPECT_EQ(EngineIOPacket::decode("2")->type, EngineIOPacket::Type::Ping);
    EXPECT_FALSE(EngineIOPacket::decode(""));
    EXPECT_FALSE(EngineIOPacket::decode("7"));
    EXPECT_FALSE(EngineIOPacket::decode("x2"));
    EXPECT_EQ(EngineIOPacket::encode(EngineIOPacket::Type::Pong, "probe"), "3probe");

    const auto handshake = EngineIOHandshake::decode(
        R"({"sid":"abc","upgrades":[],"pingInterval":25000,"pingTimeout":20000,"maxPayload":1000000})");
    ASSERT_TRUE(handshake);
    EXPECT_EQ(handshake->sid, "abc");
    EXPECT_EQ(handshake->pingIntervalMs, 25000);
    EXPECT_EQ(handshake->pingTimeoutMs, 20000);
    EXPECT_EQ(handshake->maxPayload, 1000000);
    // Revision 3 sends no maxPayload.
    EXPECT_EQ(
        EngineIOHandshake::decode(R"({"sid":"a","pingInterval":1,"pingTimeout":2})")->maxPayload,
        0);
    for (const char* broken : {"", "[]", "{", R"({"pingInterval":1,"pingTimeout":2})",
                               R"({"sid":"","pingInterval":1,"pingTimeout":2})",
                               R"({"sid":"a","pingInterval":"1","pingTimeout":2})",
                               R"({"sid":"a","pingInterval":0,"pingTimeout":2})",
                               R"({"sid":"a","pingInterval":1.5,"pingTimeout":2})",
                               R"({"sid":"a","pingInterval":1e300,"pingTimeout":2})"})
        EXPECT_FALSE(EngineIOHandshake::decode(broken)) << broken;
}

TEST(EngineIOPacketTest, RequestUrlOfTheWebSocketTransport)
{
    const auto url = [](const char* server, const char* path = "/socket.io/", int revision = 4) {
        const auto result = EngineIOHandshake::requestUrl(QUrl(server), path, revision);
        return result ? result->toString(QUrl::FullyEncoded).toStdString() : std::string("none");
    };
    EXPECT_EQ(url("https://chat.example.com/"),
              "wss://chat.example.com/socket.io/?EIO=4&transport=websocket");
    EXPECT_EQ(url("http://127.0.0.1:3000/ignored/path?token=a%20b&EIO=9#frag", "engine", 3),
              "ws://127.0.0.1:3000/engine/?token=a%20b&EIO=3&transport=websocket");
    EXPECT_EQ(url("WSS://chat.example.com"),
              "wss://chat.example.com/socket.io/?EIO=4&transport=websocket");
    for (const char* unusable : {"ftp://chat.example.com", "http://", "chat.example.com", ""})
        EXPECT_EQ(url(unusable), "none") << unusable;
}

TEST(SocketIOPacketTest, DecodesEveryPartOfThePacket)
{
    const auto plain = SocketIOPacket::decode(R"(2["foo",{"a":[1,null]}])");
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->type, Type::Event);
    EXPECT_EQ(plain->nsp, "/");
    EXPECT_FALSE(plain->ackId);
    const auto event = plain->event();
    ASSERT_TRUE(event);
    EXPECT_EQ(event->first, "foo");
    ASSERT_EQ(event->second.size(), 1);
    EXPECT_EQ(event->second[0].toMap()["a"].toList()[0].toInt(), 1);
    EXPECT_EQ(event->second[0].toMap()["a"].toList()[1].typeId(), QMetaType::Nullptr);

    const auto withAck = SocketIOPacket::decode(R"(2/admin,12["bar"])");
    ASSERT_TRUE(withAck);
    EXPECT_EQ(withAck->nsp, "/admin");
    EXPECT_EQ(withAck->ackId, 12);
    EXPECT_EQ(withAck->event()->first, "bar");

    const auto connect = SocketIOPacket::decode(R"(0/t,{"sid":"x"})");
    ASSERT_TRUE(connect);
    EXPECT_EQ(connect->type, Type::Connect);
    EXPECT_EQ(connect->data.toObject()["sid"].toString(), "x");
    // A namespace without the closing comma still counts.
    EXPECT_EQ(SocketIOPacket::decode("1/t")->nsp, "/t");

    const auto binary = SocketIOPacket::decode(R"(51-/t,["file",{"_placeholder":true,"num":0}])");
    ASSERT_TRUE(binary);
    EXPECT_EQ(binary->type, Type::BinaryEvent);
    EXPECT_EQ(binary->attachments, 1);
    EXPECT_EQ(binary->nsp, "/t");
    EXPECT_FALSE(binary->event()) << "binary events are not delivered";
}

TEST(SocketIOPacketTest, RefusalMessagesOfBothRevisions)
{
    EXPECT_EQ(SocketIOPacket::decode(R"(4/t,{"message":"Invalid namespace"})")->errorMessage(),
              "Invalid namespace");
    EXPECT_EQ(SocketIOPacket::decode(R"(4/t,"Invalid namespace")")->errorMessage(),
              "Invalid namespace");
    EXPECT_EQ(SocketIOPacket::decode(R"(4/t,{"message":3})")->errorMessage(), "connection refused");
}

TEST(SocketIOPacketTest, RefusesMalformedPackets)
{
    for (const char* broken :
         {"", "9", "x", R"(2["foo")", R"(2/t,["a"]garbage)", "2[1],[2]", R"(2{"a":)", "5-[]",
          "5x-[]", "51[]", "21234567890123456[\"a\"]", "2\xff\xfe", "2nul"})
        EXPECT_FALSE(SocketIOPacket::decode(broken)) << broken;

    // Well formed, but not an event that can be delivered.
    for (const char* undeliverable :
         {"2[]", "2[1,2]", R"(2{"a":1})", "2\"text\"", "2", "3[\"a\"]"}) {
        const auto packet = SocketIOPacket::decode(undeliverable);
        ASSERT_TRUE(packet) << undeliverable;
        EXPECT_FALSE(packet->event()) << undeliverable;
    }
}

TEST(SocketIOPacketTest, EncodesEventsWithNamespaceAndNestedItems)
{
    const QVariantMap nested{{"list", QVariantList{1, "two", QVariantMap{{"x", true}}}},
                             {"none", QVariant::fromValue(nullptr)}};
    EXPECT_EQ(SocketIOPacket::encodeEvent("/", "ping", {}), R"(2["ping"])");
    const auto encoded = SocketIOPacket::encodeEvent("/token", "chat-msg", {nested, 2.5, "é\""});
    ASSERT_TRUE(encoded);
    EXPECT_EQ(
        *encoded,
        QByteArray(R"(2/token,["chat-msg",{"list":[1,"two",{"x":true}],"none":null},2.5,"é\""])"));
    // Round trip through the decoder gives the same event back.
    const auto decoded = SocketIOPacket::decode(*encoded)->event();
    EXPECT_EQ(decoded->second[0].toMap()["list"].toList()[2].toMap()["x"], true);
    EXPECT_EQ(decoded->second[2].toString(), QString::fromUtf8("é\""));

    EXPECT_FALSE(SocketIOPacket::encodeEvent("/", "date", {QDateTime::currentDateTimeUtc()}));
    EXPECT_FALSE(
        SocketIOPacket::encodeEvent("/", "nan", {std::numeric_limits<double>::quiet_NaN()}));

    SocketIOPacket disconnect;
    disconnect.type = Type::Disconnect;
    disconnect.nsp = "/t";
    EXPECT_EQ(disconnect.encode(), "1/t,");
    SocketIOPacket refusal;
    refusal.type = Type::ConnectError;
    refusal.nsp = "/t";
    refusal.data = QJsonValue("no");
    EXPECT_EQ(refusal.encode(), R"(4/t,"no")");
}

TEST(SocketIOPacketTest, EventsReadDirectlyMatchTheGeneralDecoder)
{
    std::string deep = "2[\"deep\",";
    deep.append(2000, '[').append(2000, ']').append("]");
    const std::string texts[] = {
        R"(2["foo",{"a":[1,null,2.5,-0,1e2]},"é\"\u00e9",true])",
        R"(2/admin,12["bar",{"z":1,"a":{"b":[]}}])",
        R"(2/t["no comma"])",
        R"(2["only"])",
        R"(2[])",
        R"(2[1,"x"])",
        R"(2{"a":1})",
        R"(2"text")",
        R"(2["a"]trailing)",
        R"(2["a")",
        R"(21234567890123456["a"])",
        R"(51-/t,["file",{"_placeholder":true,"num":0}])",
        R"(3["ack"])",
        R"(0/t,{"sid":"x"})",
        "2",
        deep,
    };
    for (const std::string& text : texts) {
        const auto general = SocketIOPacket::decode(QByteArrayView(text));
        const auto expected = general ? general->event() : std::nullopt;
        const auto direct = SocketIOPacket::decodeEvent(QString::fromStdString(text));
        ASSERT_EQ(direct.has_value(), expected.has_value()) << text;
        if (!direct)
            continue;
        EXPECT_EQ(direct->nsp, general->nsp) << text;
        EXPECT_EQ(direct->name, expected->first) << text;
        EXPECT_EQ(QJsonDocument::fromVariant(direct->items).toJson(),
                  QJsonDocument::fromVariant(expected->second).toJson())
            << text;
    }
    // Payloads behind white space are left to the general decoder.
    EXPECT_FALSE(SocketIOPacket::decodeEvent(uR"(2 ["spaced"])"));
    EXPECT_EQ(SocketIOPacket::decode(R"(2 ["spaced"])")->event()->first, "spaced");
}
