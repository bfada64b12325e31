#include "foundation/Clock.h"
#include "socketio/RawEngineServer.h"
#include "socketio/SocketEventRecorder.h"
#include "support/TestSupport.h"

#include <QtCore/QProcess>
#include <QtCore/QTemporaryDir>
#include <QtCore/QUrlQuery>
#include <QtNetwork/QSslCertificate>
#include <QtNetwork/QSslKey>

#include <gtest/gtest.h>

using namespace kesvor;
using net::SocketIOClient;
using net::SocketIOProtocol;
using net::SocketIOStatus;
using test::RawEngineServer;
using test::SocketEventRecorder;

namespace {

class RawServerTest : public ::testing::Test {
protected:
    void TearDown() override { foundation::Clock::shared().setManual(false); }

    std::unique_ptr<SocketIOClient> makeClient(net::SocketIOClientOptions options)
    {
        return std::make_unique<SocketIOClient>(server.url(), std::move(options));
    }

    /// The clients' timers from now on move only when the test advances them.
    static foundation::Clock& drivenClock()
    {
        foundation::Clock::shared().setManual(true);
        return foundation::Clock::shared();
    }

    RawEngineServer server;
};

} // namespace

TEST_F(RawServerTest, SpeaksTheWireFormatOfItsNamespace)
{
    const auto client = makeClient(test::quickOptions("/shop"));
    SocketEventRecorder recorder(*client);
    client->connect();
    ASSERT_TRUE(recorder.waitFor("connect"));
    const QUrl request = server.requestUrls().first();
    EXPECT_EQ(request.path(), "/socket.io/");
    EXPECT_EQ(QUrlQuery(request).queryItemValue("EIO"), "4");
    EXPECT_EQ(QUrlQuery(request).queryItemValue("transport"), "websocket");
    EXPECT_EQ(client->sid(), "raw-1");

    client->emit("chat-msg", {QVariantMap{{"a", 1}}, "two"});
    client->disconnect();
    ASSERT_TRUE(test::waitUntil([&] { return server.received().size() == 3; }));
    EXPECT_EQ(server.received(),
              (QStringList{"40/shop,", R"(42/shop,["chat-msg",{"a":1},"two"])", "41/shop,"}));
}

TEST_F(RawServerTest, MalformedFramesAreIgnored)
{
    const auto client = makeClient(test::quickOptions("/t"));
    SocketEventRecorder recorder(*client);
    client->connect();
    ASSERT_TRUE(recorder.waitFor("connect"));

    const QStringList garbage{"",
                              "9",
                              "x",
                              "{}",
                              "4",
                              "42",
                              "42[",
                              R"(42["a")",
                              "42{}",
                              "42[1]",
                              "42[]",
                              "42\"text\"",
                              R"(42["a"]trailing)",
                              R"(42/other,["elsewhere"])",
                              "47",
                              R"(43["ack"])",
                              "45",
                              R"(451-/t,["file",{"_placeholder":true,"num":0}])",
                              "4999999999999999999999[\"a\"]",
                              R"(40/t,{"sid":"again"})",
                              R"(44/t,{"message":"too late"})",
                              "3",
                              "5",
                              "6",
                              R"(0{"sid":"second open"})",
                              "42" + QString(100'000, QLatin1Char('['))};
    for (const QString& frame : garbage)
        server.send(frame);
    server.sendBinary(QByteArray("\x04\x00\xff binary", 11));
    server.send(R"(42/t,["after",{"still":"fine"}])");
    ASSERT_TRUE(recorder.waitFor("after"));
    EXPECT_EQ(recorder.names(), (QStringList{"connect", "after"}));
    EXPECT_EQ(client->status(), SocketIOStatus::connected);
    client->emit("reply", {});
    ASSERT_TRUE(test::waitUntil([&] { return server.received().contains(R"(42/t,["reply"])"); }));

    // Pings still get their pongs, probes included.
    server.send("2probe");
    ASSERT_TRUE(test::waitUntil([&] { return server.received().contains("3probe"); }));
}

TEST_F(RawServerTest, BrokenHandshakesEndTheAttemptAndAreRetried)
{
    for (const char* open : {"0garbage", R"(0{"sid":""})", "0{}", "0[1]", R"(0{"sid":"s"})"}) {
        RawEngineServer::Behaviour broken;
        broken.openPacket = QString::fromLatin1(open);
        server.nextBehaviours << broken;
    }
    const auto client = makeClient(test::quickOptions("/t"));
    SocketEventRecorder recorder(*client);
    client->connect();
    ASSERT_TRUE(recorder.waitFor("connect", 1, 10'000));
    EXPECT_EQ(server.connectionCount(), 6);
    EXPECT_EQ(recorder.count("error"), 5);
    EXPECT_EQ(recorder.last("error"), QVariantList{"invalid handshake"});
    EXPECT_EQ(recorder.count("reconnectAttempt"), 5);
    EXPECT_EQ(recorder.count("disconnect"), 0) << "no session was up";
}

TEST_F(RawServerTest, SilentServerIsDetectedAsDead)
{
    server.behaviour.pingIntervalMs = 200;
    server.behaviour.pingTimeoutMs = 100;
    foundation::Clock& clock = drivenClock();
    auto options = test::quickOptions("/t");
    options.reconnects = false;
    const auto client = makeClient(options);
    SocketEventRecorder recorder(*client);
    client->connect();
    ASSERT_TRUE(recorder.waitFor("connect"));

    // Each ping, which the client answers, gives the server another interval
    // and timeout: pings keep the connection alive long past them...
    for (int ping = 1; ping <= 5; ++ping) {
        clock.advance(299);
        server.send("2");
        ASSERT_TRUE(test::waitUntil([&] { return server.received().count("3") == ping; }));
    }
    EXPECT_EQ(recorder.names(), QStringList{"connect"});

    // ...and silence for as long ends it, not a moment earlier.
    clock.advance(299);
    EXPECT_EQ(client->status(), SocketIOStatus::connected);
    clock.advance(1);
    EXPECT_EQ(recorder.names(), (QStringList{"connect", "disconnect"}));
    EXPECT_EQ(recorder.last("disconnect"), QVariantList{"ping timeout"});
    EXPECT_EQ(client->status(), SocketIOStatus::disconnected);
    EXPECT_EQ(clock.pendingCount(), 0);
}

TEST_F(RawServerTest, RevisionThreePingsAndJoinsNamespaces)
{
    server.behaviour.revision3 = true;
    server.behaviour.pingIntervalMs = 150;
    server.behaviour.pingTimeoutMs = 150;
    for (const QString nsp : {"/", "/t"}) {
        auto options = test::quickOptions(nsp, SocketIOProtocol::engineIO3);
        options.reconnects = false;
        const auto client = makeClient(options);
        SocketEventRecorder recorder(*client);
        client->connect();
        ASSERT_TRUE(recorder.waitFor("connect")) << nsp.toStdString();
        EXPECT_EQ(QUrlQuery(server.requestUrls().last()).queryItemValue("EIO"), "3");
        EXPECT_EQ(recorder.last("connect"), QVariantList{nsp});
        client->disconnect();
    }
    EXPECT_TRUE(server.received().contains("40/t,"));
    EXPECT_FALSE(server.received().contains("40")) << "revision 3 joins \"/\" without asking";

    // The client pings once per interval. A server that answers keeps the
    // connection, however long it lasts...
    foundation::Clock& clock = drivenClock();
    auto options = test::quickOptions("/t", SocketIOProtocol::engineIO3);
    options.reconnects = false;
    const auto client = makeClient(options);
    SocketEventRecorder recorder(*client);
    client->connect();
    ASSERT_TRUE(recorder.waitFor("connect"));
    const qsizetype pingsBefore = server.received().count("2");
    for (int ping = 1; ping <= 4; ++ping) {
        clock.advance(150);
        ASSERT_TRUE(
            test::waitUntil([&] { return server.received().count("2") == pingsBefore + ping; }));
        // Sent after the answer to the ping: once it is in, so is the answer.
        server.send(QStringLiteral(R"(42/t,["heard",%1])").arg(ping));
        ASSERT_TRUE(recorder.waitFor("heard", ping));
    }
    EXPECT_EQ(recorder.count("disconnect"), 0);

    // ...one that falls silent loses it an interval and a timeout after it was
    // last heard.
    server.behaviour.answerPings = false;
    server.nextBehaviours.clear();
    client->disconnect();
    recorder.clear();
    client->connect();
    ASSERT_TRUE(recorder.waitFor("connect"));
    clock.advance(150);
    ASSERT_TRUE(test::waitUntil([&] { return server.received().count("2") == pingsBefore + 5; }));
    clock.advance(149);
    EXPECT_EQ(recorder.names(), QStringList{"connect"});
    clock.advance(1);
    EXPECT_EQ(recorder.names(), (QStringList{"connect", "disconnect"}));
    EXPECT_EQ(recorder.last("disconnect"), QVariantList{"ping timeout"});
}

TEST_F(RawServerTest, UnansweredConnectionsTimeOut)
{
    foundation::Clock& clock = drivenClock();
    auto options = test::quickOptions("/t");
    options.connectTimeoutMs = 200;
    options.reconnectAttempts = 1;
    // First no open packet at all, then no answer to the namespace CONNECT.
    RawEngineServer::Behaviour mute;
    mute.openPacket = QString();
    RawEngineServer::Behaviour unanswered;
    unanswered.answerConnect = false;
    server.nextBehaviours << mute << unanswered;
    const auto client = makeClient(options);
    SocketEventRecorder recorder(*client);
    client->connect();
    ASSERT_TRUE(test::waitUntil([&] { return server.connectionCount() == 1; }));
    clock.advance(199);
    EXPECT_EQ(recorder.names(), QStringList{});
    clock.advance(1);
    EXPECT_EQ(recorder.names(), QStringList{"error"});
    ASSERT_TRUE(client->isReconnecting());

    clock.advance(200); // the longest first back-off of these options
    ASSERT_TRUE(test::waitUntil([&] { return server.received().contains("40/t,"); }));
    clock.advance(200);
    EXPECT_EQ(recorder.names(), (QStringList{"error", "reconnectAttempt", "error", "error"}));
    EXPECT_EQ(recorder.named("error")[0].items, QVariantList{"connect timeout"});
    EXPECT_EQ(recorder.named("error")[1].items, QVariantList{"connect timeout"});
    EXPECT_EQ(recorder.last("error"), QVariantList{"reconnection attempts exhausted"});

    // Nothing is left to try.
    EXPECT_FALSE(client->isReconnecting());
    clock.advance(60.0 * 60 * 1000);
    EXPECT_EQ(recorder.names().size(), 4);
    EXPECT_EQ(server.connectionCount(), 2);
    EXPECT_EQ(client->status(), SocketIOStatus::disconnected);
}

TEST_F(RawServerTest, ServerEndingTheSessionIsFollowedByTheRightReaction)
{
    // Refusals of both revisions: reported, never retried, however long.
    foundation::Clock& clock = drivenClock();
    for (const char* refusal : {R"(44/t,{"message":"Not allowed"})", R"(44/t,"Not allowed")"}) {
        server.behaviour.answerConnect = false;
        const auto client = makeClient(test::quickOptions("/t"));
        SocketEventRecorder recorder(*client);
        const qsizetype framesBefore = server.received().size();
        const int connectionsBefore = server.connectionCount();
        client->connect();
        ASSERT_TRUE(test::waitUntil([&] { return server.received().size() > framesBefore; }));
        EXPECT_EQ(server.received().last(), "40/t,");
        server.send(QString::fromLatin1(refusal));
        ASSERT_TRUE(recorder.waitFor("error"));
        clock.advance(60'000);
        EXPECT_EQ(server.connectionCount(), connectionsBefore + 1);
        EXPECT_EQ(recorder.names(), QStringList{"error"});
        EXPECT_EQ(recorder.last("error"), QVariantList{"Not allowed"});
        server.behaviour.answerConnect = true;
    }
    clock.setManual(false);

    // An Engine.IO close packet is a dropped transport: reconnected.
    const auto client = makeClient(test::quickOptions("/t"));
    SocketEventRecorder recorder(*client);
    client->connect();
    ASSERT_TRUE(recorder.waitFor("connect"));
    server.send("1");
    ASSERT_TRUE(recorder.waitFor("connect", 2));
    EXPECT_EQ(recorder.last("disconnect"), QVariantList{"transport close"});

    // Oversized messages end the connection instead of filling memory.
    auto limited = test::quickOptions("/t");
    limited.maxIncomingMessageBytes = 1000;
    limited.reconnects = false;
    const auto small = makeClient(limited);
    SocketEventRecorder smallRecorder(*small);
    small->connect();
    ASSERT_TRUE(smallRecorder.waitFor("connect"));
    server.send(QStringLiteral(R"(42/t,["big","%1"])").arg(QString(5000, QLatin1Char('x'))));
    ASSERT_TRUE(smallRecorder.waitFor("disconnect"));
    EXPECT_EQ(smallRecorder.count("big"), 0);
}

TEST_F(RawServerTest, EmitsBeyondTheServersPayloadLimitAreDropped)
{
    server.behaviour.maxPayload = 64;
    const auto client = makeClient(test::quickOptions("/t"));
    SocketEventRecorder recorder(*client);
    client->connect();
    ASSERT_TRUE(recorder.waitFor("connect"));
    client->emit("big", {QString(100, QLatin1Char('x'))});
    client->emit("small", {1});
    client->emit("date", {QDateTime::currentDateTimeUtc()});
    // Exactly at the limit of 64 bytes, with a character that takes three.
    client->emit("edge", {QString(45, QLatin1Char('x')) + QChar(0x20ac)});
    client->emit("over", {QString(46, QLatin1Char('x')) + QChar(0x20ac)});
    client->emit("last", {});
    ASSERT_TRUE(test::waitUntil([&] { return server.received().size() == 4; }));
    EXPECT_EQ(server.received(),
              (QStringList{"40/t,", R"(42/t,["small",1])",
                           QStringLiteral(R"(42/t,["edge","%1"])")
                               .arg(QString(45, QLatin1Char('x')) + QChar(0x20ac)),
                           R"(42/t,["last"])"}));
    EXPECT_EQ(client->status(), SocketIOStatus::connected);
}

TEST_F(RawServerTest, UnusableUrlIsReportedAndNotRetried)
{
    foundation::Clock& clock = drivenClock();
    for (const char* url : {"ftp://127.0.0.1:1", "http://", "not a url"}) {
        SocketIOClient client(QUrl(QString::fromLatin1(url)), test::quickOptions("/t"));
        SocketEventRecorder recorder(client);
        client.connect();
        EXPECT_EQ(client.status(), SocketIOStatus::disconnected) << url;
        ASSERT_TRUE(recorder.waitFor("error")) << url;
        clock.advance(60'000);
        ASSERT_EQ(recorder.names(), QStringList{"error"}) << url;
        EXPECT_TRUE(recorder.last("error")[0].toString().startsWith("unsupported server URL"));
    }
}

namespace {

// A self-signed certificate for 127.0.0.1, made fresh for the test.
std::optional<std::pair<QSslCertificate, QSslKey>> makeLoopbackCertificate(const QTemporaryDir& dir)
{
    QProcess openssl;
    openssl.start("openssl", {"req", "-x509", "-newkey", "ec", "-pkeyopt",
                              "ec_paramgen_curve:prime256v1", "-nodes", "-days", "2", "-subj",
                              "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1", "-keyout",
                              dir.filePath("key.pem"), "-out", dir.filePath("cert.pem")});
    if (!openssl.waitForFinished(20'000) || openssl.exitCode() != 0)
        return std::nullopt;
    QFile certFile(dir.filePath("cert.pem"));
    QFile keyFile(dir.filePath("key.pem"));
    if (!certFile.open(QIODevice::ReadOnly) || !keyFile.open(QIODevice::ReadOnly))
        return std::nullopt;
    return std::pair{QSslCertificate(certFile.readAll()), QSslKey(keyFile.readAll(), QSsl::Ec)};
}

} // namespace

TEST(SocketIOClientTlsTest, VerifiesTheServerCertificate)
{
    if (!QSslSocket::supportsSsl())
        GTEST_SKIP() << "no TLS backend";
    const QTemporaryDir dir;
    const auto identity = makeLoopbackCertificate(dir);
    ASSERT_TRUE(identity) << "openssl could not make a certificate";
    QSslConfiguration serverTls = QSslConfiguration::defaultConfiguration();
    serverTls.setLocalCertificate(identity->first);
    serverTls.setPrivateKey(identity->second);
    serverTls.setPeerVerifyMode(QSslSocket::VerifyNone);
    RawEngineServer server(serverTls);
    ASSERT_EQ(server.url().scheme(), "https");

    // Not signed by a trusted authority: refused.
    auto options = test::quickOptions("/t");
    options.reconnects = false;
    {
        SocketIOClient client(server.url(), options);
        SocketEventRecorder recorder(client);
        client.connect();
        ASSERT_TRUE(recorder.waitFor("error"));
        EXPECT_EQ(recorder.count("connect"), 0);
        EXPECT_EQ(client.status(), SocketIOStatus::disconnected);
    }

    // Trusted once the host says so: wss works end to end.
    QSslConfiguration clientTls = QSslConfiguration::defaultConfiguration();
    clientTls.addCaCertificate(identity->first);
    options.sslConfiguration = clientTls;
    SocketIOClient client(server.url(), options);
    SocketEventRecorder recorder(client);
    client.connect();
    ASSERT_TRUE(recorder.waitFor("connect"));
    server.send(R"(42/t,["secure",true])");
    ASSERT_TRUE(recorder.waitFor("secure"));
}
