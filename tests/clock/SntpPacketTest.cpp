#include "net/SntpPacket.h"
#include "net/SntpQuery.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;
using namespace kesvor::net;

namespace {

UnixNanoseconds unixTime(const char* isoUtc)
{
    const QDateTime date = QDateTime::fromString(QString::fromLatin1(isoUtc), Qt::ISODateWithMs);
    return std::chrono::milliseconds(date.toMSecsSinceEpoch());
}

SntpPacket serverReply()
{
    SntpPacket reply;
    reply.mode = SntpPacket::Server;
    reply.stratum = 2;
    reply.receiveTimestamp = ntp::fromUnix(unixTime("2024-05-01T12:00:00.000Z"));
    reply.transmitTimestamp = reply.receiveTimestamp + 1;
    return reply;
}

} // namespace

TEST(SntpPacketTest, WireLayout)
{
    const QByteArray request = SntpPacket::clientRequest(0x0102030405060708ULL).encode();
    ASSERT_EQ(request.size(), 48);
    EXPECT_EQ(quint8(request[0]), 0x23) << "no leap warning, version 4, client";
    EXPECT_EQ(request.mid(40).toHex(), "0102030405060708");
    EXPECT_EQ(request.mid(1, 39), QByteArray(39, '\0'));

    // 2023-11-14T22:13:20.5Z sent by a stratum 1 server, with an extension field after it.
    const QByteArray reply = QByteArray::fromHex("2401 03e3 00000102 00000304 47505300"
                                                 "e8fe6f7f00000000 0102030405060708"
                                                 "e8fe6f8000000000 e8fe6f8080000000"
                                                 "deadbeef");
    const auto packet = SntpPacket::decode(reply);
    ASSERT_TRUE(packet);
    EXPECT_EQ(packet->leapIndicator, 0);
    EXPECT_EQ(packet->version, 4);
    EXPECT_EQ(packet->mode, SntpPacket::Server);
    EXPECT_EQ(packet->stratum, 1);
    EXPECT_EQ(packet->poll, 3);
    EXPECT_EQ(packet->precision, -29);
    EXPECT_EQ(packet->rootDelay, 0x102U);
    EXPECT_EQ(packet->rootDispersion, 0x304U);
    EXPECT_EQ(packet->referenceId, 0x47505300U);
    EXPECT_EQ(packet->originateTimestamp, 0x0102030405060708ULL);
    EXPECT_EQ(ntp::toUnix(packet->transmitTimestamp), unixTime("2023-11-14T22:13:20.500Z"));
    EXPECT_EQ(SntpPacket::decode(packet->encode()), packet);
    EXPECT_FALSE(SntpPacket::decode(reply.left(47)));
}

TEST(SntpPacketTest, TimestampsSpanBothEras)
{
    // Era 1 begins at 2036-02-07T06:28:16Z, when the 32-bit seconds wrap.
    EXPECT_EQ(ntp::toUnix(0x0000000100000000ULL), unixTime("2036-02-07T06:28:17.000Z"));
    EXPECT_EQ(ntp::fromUnix(unixTime("2036-02-07T06:28:16.000Z")), 0ULL);
    for (const char* date :
         {"1970-01-01T00:00:00.000Z", "2024-02-29T23:59:59.999Z", "2036-02-07T06:28:15.250Z",
          "2036-02-07T06:28:17.000Z", "2100-12-31T23:59:59.001Z"}) {
        const UnixNanoseconds time = unixTime(date) + 123ns;
        EXPECT_EQ(ntp::toUnix(ntp::fromUnix(time)), time) << date;
    }
}

TEST(SntpPacketTest, ClassifiesReplies)
{
    EXPECT_EQ(classifyReply(serverReply()), SntpReplyKind::Usable);
    const auto with = [](auto change) {
        SntpPacket reply = serverReply();
        change(reply);
        return classifyReply(reply);
    };
    EXPECT_EQ(with([](SntpPacket& p) { p.stratum = 0; }), SntpReplyKind::KissOfDeath);
    EXPECT_EQ(with([](SntpPacket& p) { p.stratum = 16; }), SntpReplyKind::Unusable);
    EXPECT_EQ(with([](SntpPacket& p) { p.mode = SntpPacket::Client; }), SntpReplyKind::Unusable);
    EXPECT_EQ(with([](SntpPacket& p) { p.mode = 5; }), SntpReplyKind::Unusable);
    EXPECT_EQ(with([](SntpPacket& p) { p.version = 0; }), SntpReplyKind::Unusable);
    EXPECT_EQ(with([](SntpPacket& p) { p.leapIndicator = 3; }), SntpReplyKind::Unusable);
    EXPECT_EQ(with([](SntpPacket& p) { p.transmitTimestamp = 0; }), SntpReplyKind::Unusable);
    EXPECT_EQ(with([](SntpPacket& p) { p.receiveTimestamp = 0; }), SntpReplyKind::Unusable);
    EXPECT_EQ(with([](SntpPacket& p) { p.mode = 3, p.stratum = 0; }), SntpReplyKind::Unusable);
}

TEST(SntpPacketTest, SamplesAndTheirBestOffset)
{
    // The server runs 10 s ahead; 50 ms each way, 10 ms spent in the server.
    const UnixNanoseconds t1 = unixTime("2024-05-01T12:00:00.000Z");
    const auto server = [&](std::chrono::milliseconds at) { return ntp::fromUnix(t1 + 10s + at); };
    const auto sample = SntpSample::measure(t1, server(50ms), server(60ms), t1 + 110ms);
    ASSERT_TRUE(sample);
    EXPECT_NEAR(double(sample->offset.count()), 1e10, 2);
    EXPECT_NEAR(double(sample->delay.count()), 1e8, 2);
    EXPECT_FALSE(SntpSample::measure(t1, server(60ms), server(50ms), t1 + 110ms))
        << "sent before received";
    EXPECT_FALSE(SntpSample::measure(t1, server(0ms), server(200ms), t1 + 110ms))
        << "held longer than the round trip";

    EXPECT_FALSE(bestOffset({}));
    EXPECT_EQ(bestOffset({{5ms, 90ms}}), 5ms);
    // The three quickest of six count; their median is 2 ms.
    EXPECT_EQ(
        bestOffset(
            {{-80ms, 300ms}, {3ms, 8ms}, {1ms, 9ms}, {90ms, 250ms}, {2ms, 7ms}, {-70ms, 280ms}}),
        2ms);
    EXPECT_EQ(bestOffset({{4ms, 1ms}, {2ms, 2ms}, {50ms, 9ms}}), 3ms) << "the median of two";
}

TEST(TimeServerTest, ReadsServerEntries)
{
    const auto read = [](const char* entry) {
        const auto server = TimeServer::fromEntry(QString::fromLatin1(entry));
        return server ? server->host + QLatin1Char('|') + QString::number(server->port)
                      : QStringLiteral("none");
    };
    EXPECT_EQ(read("pool.ntp.org"), "pool.ntp.org|123");
    EXPECT_EQ(read(" 127.0.0.1:1230 "), "127.0.0.1|1230");
    EXPECT_EQ(read("[::1]:4123"), "::1|4123");
    EXPECT_EQ(read("[2001:db8::1]"), "2001:db8::1|123");
    EXPECT_EQ(read("2001:db8::1"), "2001:db8::1|123");
    for (const char* bad : {"", "  ", ":123", "host:", "host:0", "host:65536", "host:12x", "[::1",
                            "[::1]4123", "a:b:c", "[]:123", "two words"})
        EXPECT_EQ(read(bad), "none") << bad;
}
