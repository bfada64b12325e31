#include "net/SocketIOClient.h"

#include "foundation/DebugLog.h"
#include "foundation/MainThread.h"
#include "net/SocketIOPacket.h"

#include <QtCore/QAbstractEventDispatcher>
#include <QtCore/QPointer>
#include <QtCore/QThread>
#include <QtCore/QTimer>
#include <QtNetwork/QNetworkRequest>
#include <QtWebSockets/QWebSocket>

namespace kesvor::net {

namespace {

// A retired socket gets this long to finish its closing handshake.
constexpr int closeGraceMs = 1000;
// Frames are built in a buffer the size of the last one, up to this many units.
constexpr qsizetype maxFrameCapacity = 64 * 1024;

QString normalisedNamespace(const QString& nsp)
{
    if (nsp.isEmpty())
        return QStringLiteral("/");
    return nsp.startsWith(QLatin1Char('/')) ? nsp : QLatin1Char('/') + nsp;
}

QString frameOf(EngineIOPacket::Type type, QStringView data = {})
{
    QString frame;
    frame.reserve(data.size() + 1);
    frame.append(QLatin1Char(char(type))).append(data);
    return frame;
}

const char* statusName(SocketIOStatus status)
{
    switch (status) {
    case SocketIOStatus::notConnected:
        return "not connected";
    case SocketIOStatus::disconnected:
        return "disconnected";
    case SocketIOStatus::connecting:
        return "connecting";
    case SocketIOStatus::connected:
        return "connected";
    }
    return "?";
}

} // namespace

SocketIOClient::SocketIOClient(const QUrl& url, SocketIOClientOptions options, QObject* parent)
    : QObject(parent)
    , m_url(url)
    , m_options(std::move(options))
    , m_backoff(
          {m_options.reconnectWaitMs, m_options.reconnectWaitMaxMs, m_options.randomizationFactor})
    , m_connectTimer([this] { lose(QStringLiteral("connect timeout")); })
    , m_heartbeat([this] { send(frameOf(EngineIOPacket::Type::Ping)); },
                  [this] { lose(QStringLiteral("ping timeout")); })
    , m_reconnectTimer([this] { reconnectNow(); })
{
    KESVOR_ASSERT_MAIN_THREAD();
    m_options.nsp = normalisedNamespace(m_options.nsp);
    // The dispatcher says when a pass of the event loop is over. Without one,
    // frames after the first wait for the socket to write them by itself.
    if (const auto* dispatcher = QAbstractEventDispatcher::instance(thread()))
        QObject::connect(dispatcher, &QAbstractEventDispatcher::awake, this,
                         &SocketIOClient::onPassEnded);
}

SocketIOClient::~SocketIOClient()
{
    m_handler = nullptr;
    retireSocket();
}

void SocketIOClient::onAny(AnyHandler handler)
{
    KESVOR_ASSERT_MAIN_THREAD();
    m_handler = handler ? std::make_shared<const AnyHandler>(std::move(handler)) : nullptr;
}

void SocketIOClient::connect()
{
    KESVOR_ASSERT_MAIN_THREAD();
    if (status() == SocketIOStatus::connecting || status() == SocketIOStatus::connected)
        return;
    m_reconnectTimer.stop();
    m_backoff.reset();
    m_reconnectWanted = m_options.reconnects;
    open();
}

void SocketIOClient::disconnect()
{
    KESVOR_ASSERT_MAIN_THREAD();
    m_reconnectWanted = false;
    m_reconnectTimer.stop();
    const SocketIOStatus previous = status();
    if (previous != SocketIOStatus::connecting && previous != SocketIOStatus::connected)
        return;
    if (m_phase == Phase::joined)
        sendSocketPacket(QLatin1Char('1') + namespacePart());
    retireSocket();
    setStatus(SocketIOStatus::disconnected);
    deliver(QString::fromLatin1(disconnectEvent), {QStringLiteral("io client disconnect")});
}

void SocketIOClient::emit(const QString& event, const QVariantList& items)
{
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(
            this, [this, event, items] { emit(event, items); }, Qt::QueuedConnection);
        return;
    }
    if (status() != SocketIOStatus::connected) {
        KESVOR_DEBUG_LOG << "socket.io: not connected, dropped emit of" << event;
        return;
    }
    QString frame;
    frame.reserve(m_frameCapacity);
    frame.append(QLatin1Char(char(EngineIOPacket::Type::Message)));
    if (!SocketIOPacket::writeEvent(frame, m_options.nsp, event, items)) {
        KESVOR_DEBUG_LOG << "socket.io: items are not JSON-encodable, dropped emit of" << event;
        return;
    }
    m_frameCapacity = std::clamp(frame.size(), qsizetype(64), maxFrameCapacity);
    // The server would end the whole connection over an oversized packet. A
    // UTF-16 unit takes at most three bytes of UTF-8, so most frames are
    // known to fit without measuring.
    if (m_handshake.maxPayload > 0 && 3 * frame.size() > m_handshake.maxPayload &&
        QStringView(frame).toUtf8().size() > m_handshake.maxPayload) {
        KESVOR_DEBUG_LOG << "socket.io: packet larger than the server accepts, dropped emit of"
                         << event;
        return;
    }
    send(frame);
}

void SocketIOClient::open()
{
    retireSocket();
    const auto url = EngineIOHandshake::requestUrl(
        m_url, m_options.path, m_options.protocol == SocketIOProtocol::engineIO3 ? 3 : 4);
    if (!url) {
        m_reconnectWanted = false;
        setStatus(SocketIOStatus::disconnected);
        deliver(QString::fromLatin1(errorEvent),
                {QStringLiteral("unsupported server URL: ") + m_url.toString()});
        return;
    }
    m_socket = new QWebSocket(QString(), QWebSocketProtocol::VersionLatest, this);
    m_socket->setMaxAllowedIncomingMessageSize(quint64(m_options.maxIncomingMessageBytes));
    m_socket->setMaxAllowedIncomingFrameSize(quint64(m_options.maxIncomingMessageBytes));
    if (m_options.sslConfiguration)
        m_socket->setSslConfiguration(*m_options.sslConfiguration);
    QObject::connect(m_socket, &QWebSocket::textMessageReceived, this,
                     &SocketIOClient::onTextMessage);
    QObject::connect(m_socket, &QWebSocket::binaryMessageReceived, this, [this] {
        if (m_options.log)
            KESVOR_DEBUG_LOG << "socket.io: ignored a binary frame";
    });
    QObject::connect(m_socket, &QWebSocket::disconnected, this, [this] {
        lose(m_socket && m_socket->closeCode() == QWebSocketProtocol::CloseCodeNormal
                 ? QStringLiteral("transport close")
                 : QStringLiteral("transport error"));
    });
    QObject::connect(
        m_socket, qOverload<QAbstractSocket::SocketError>(&QWebSocket::error), this,
        [this] { lose(QStringLiteral("transport error: ") + m_socket->errorString()); });

    m_phase = Phase::awaitingOpen;
    m_connectTimer.start(m_options.connectTimeoutMs);
    setStatus(SocketIOStatus::connecting);
    if (m_options.log)
        KESVOR_DEBUG_LOG << "socket.io: opening" << url->toString();
    m_socket->open(QNetworkRequest(*url));
}

void SocketIOClient::retireSocket()
{
    stopTimers();
    m_phase = Phase::idle;
    if (!m_socket)
        return;
    // Closing writes whatever the socket still holds.
    m_framesUnflushed = false;
    QWebSocket* socket = std::exchange(m_socket, nullptr);
    QObject::disconnect(socket, nullptr, this, nullptr);
    QObject::connect(socket, &QWebSocket::disconnected, socket, &QObject::deleteLater);
    QTimer::singleShot(closeGraceMs, socket, &QObject::deleteLater);
    socket->close();
}

void SocketIOClient::stopTimers()
{
    m_connectTimer.stop();
    m_heartbeat.stop();
}

void SocketIOClient::setStatus(SocketIOStatus status)
{
    if (m_status.exchange(status) == status)
        return;
    if (m_options.log)
        KESVOR_DEBUG_LOG << "socket.io: status" << statusName(status);
    Q_EMIT statusChanged(status);
}

void SocketIOClient::deliver(QString event, QVariantList items)
{
    if (m_options.log)
        KESVOR_DEBUG_LOG << "socket.io: event" << event << items;
    // The handler may replace itself while it runs; the pointer keeps it alive.
    if (const auto handler = m_handler)
        (*handler)(SocketAnyEvent{std::move(event), std::move(items)});
}

void SocketIOClient::send(const QString& frame)
{
    if (!m_socket)
        return;
    if (m_options.log)
        KESVOR_DEBUG_LOG << "socket.io: sent" << frame;
    m_socket->sendTextMessage(frame);
    // The socket itself would write when the event loop next polls it. The
    // first frame of a pass of the loop leaves at once, which keeps round trips
    // short; later ones in the same pass are written together when it ends.
    if (m_flushedThisPass) {
        m_framesUnflushed = true;
        return;
    }
    m_socket->flush();
    m_flushedThisPass = true;
}

void SocketIOClient::onPassEnded()
{
    m_flushedThisPass = false;
    if (m_socket && std::exchange(m_framesUnflushed, false))
        m_socket->flush();
}

void SocketIOClient::sendSocketPacket(QStringView packet)
{
    send(frameOf(EngineIOPacket::Type::Message, packet));
}

QString SocketIOClient::namespacePart() const
{
    return m_options.nsp == QLatin1String("/") ? QString() : m_options.nsp + QLatin1Char(',');
}

// Frames are read where they are, as the UTF-16 text the socket delivers.
void SocketIOClient::onTextMessage(const QString& text)
{
    if (m_options.log)
        KESVOR_DEBUG_LOG << "socket.io: received" << text;
    const auto type =
        text.isEmpty() ? std::nullopt : EngineIOPacket::typeOf(text.front().unicode());
    if (!type) {
        KESVOR_DEBUG_LOG << "socket.io: ignored a malformed frame";
        return;
    }
    // Revision 3 servers only answer the client's pings; any packet shows life.
    if (m_options.protocol == SocketIOProtocol::engineIO3 && m_phase != Phase::awaitingOpen)
        m_heartbeat.noteLife();
    const QStringView data = QStringView(text).sliced(1);
    switch (*type) {
    case EngineIOPacket::Type::Open:
        onOpen(data.toUtf8());
        break;
    case EngineIOPacket::Type::Close:
        lose(QStringLiteral("transport close"));
        break;
    case EngineIOPacket::Type::Ping:
        if (m_phase == Phase::awaitingOpen)
            break;
        if (m_options.protocol == SocketIOProtocol::engineIO4)
            m_heartbeat.notePing();
        send(frameOf(EngineIOPacket::Type::Pong, data));
        break;
    case EngineIOPacket::Type::Message:
        onSocketPacket(data);
        break;
    case EngineIOPacket::Type::Pong:
    case EngineIOPacket::Type::Upgrade:
    case EngineIOPacket::Type::Noop:
        break;
    }
}

void SocketIOClient::onOpen(QByteArrayView data)
{
    if (m_phase != Phase::awaitingOpen)
        return;
    const auto handshake = EngineIOHandshake::decode(data);
    if (!handshake) {
        lose(QStringLiteral("invalid handshake"));
        return;
    }
    m_handshake = *handshake;
    m_phase = Phase::awaitingConnect;
    const bool revision3 = m_options.protocol == SocketIOProtocol::engineIO3;
    m_heartbeat.start(m_handshake.pingIntervalMs, m_handshake.pingTimeoutMs, revision3);
    if (revision3) {
        // Revision 3 servers join "/" by themselves; other namespaces are asked for.
        if (m_options.nsp != QLatin1String("/"))
            sendSocketPacket(QLatin1Char('0') + namespacePart());
        return;
    }
    sendSocketPacket(QLatin1Char('0') + namespacePart());
}

void SocketIOClient::onSocketPacket(QStringView data)
{
    // Events, nearly all the traffic, go straight from text to item values;
    // everything else takes the general decoder.
    if (auto incoming = SocketIOPacket::decodeEvent(data)) {
        if (incoming->nsp == m_options.nsp && m_phase == Phase::joined)
            deliver(std::move(incoming->name), std::move(incoming->items));
        return;
    }
    const auto packet = SocketIOPacket::decode(data.toUtf8());
    if (!packet) {
        KESVOR_DEBUG_LOG << "socket.io: ignored a malformed packet";
        return;
    }
    if (packet->nsp != m_options.nsp)
        return;
    switch (packet->type) {
    case SocketIOPacket::Type::Connect:
        if (m_phase == Phase::awaitingConnect)
            onJoined();
        break;
    case SocketIOPacket::Type::ConnectError:
        if (m_phase == Phase::awaitingConnect)
            onRefused(packet->errorMessage());
        break;
    case SocketIOPacket::Type::Disconnect:
        if (m_phase == Phase::joined)
            onKicked();
        else if (m_phase == Phase::awaitingConnect)
            onRefused(QStringLiteral("namespace left before it was joined"));
        break;
    case SocketIOPacket::Type::Event:
        if (m_phase == Phase::joined)
            onEvent(*packet);
        break;
    case SocketIOPacket::Type::Ack:
    case SocketIOPacket::Type::BinaryEvent:
    case SocketIOPacket::Type::BinaryAck:
        // No acknowledgements are requested and binary attachments are not
        // supported; their binary frames are ignored too.
        break;
    }
}

void SocketIOClient::onJoined()
{
    m_connectTimer.stop();
    m_backoff.reset();
    m_phase = Phase::joined;
    setStatus(SocketIOStatus::connected);
    deliver(QString::fromLatin1(connectEvent), {m_options.nsp});
}

// Events the direct reader passed over: payloads behind white space, and
// payloads that are not arrays starting with a name.
void SocketIOClient::onEvent(const SocketIOPacket& packet)
{
    auto event = packet.event();
    if (!event) {
        KESVOR_DEBUG_LOG << "socket.io: ignored an event without a name";
        return;
    }
    deliver(std::move(event->first), std::move(event->second));
}

// A refusal would only repeat, so no reconnection follows.
void SocketIOClient::onRefused(const QString& reason)
{
    m_reconnectWanted = false;
    retireSocket();
    setStatus(SocketIOStatus::disconnected);
    deliver(QString::fromLatin1(errorEvent), {reason});
}

// The server removed the client from the namespace on purpose: no reconnection.
void SocketIOClient::onKicked()
{
    m_reconnectWanted = false;
    retireSocket();
    setStatus(SocketIOStatus::disconnected);
    deliver(QString::fromLatin1(disconnectEvent), {QStringLiteral("io server disconnect")});
}

// The connection ended without either side leaving the namespace: the
// transport closed or failed, the handshake went wrong, or the server fell silent.
void SocketIOClient::lose(const QString& reason)
{
    if (m_phase == Phase::idle)
        return;
    const bool wasJoined = m_phase == Phase::joined;
    retireSocket();
    setStatus(SocketIOStatus::disconnected);
    const QPointer<SocketIOClient> self(this);
    deliver(QString::fromLatin1(wasJoined ? disconnectEvent : errorEvent), {reason});
    // The handler may have connected, disconnected or deleted the client.
    if (self && status() == SocketIOStatus::disconnected)
        scheduleReconnect();
}

void SocketIOClient::scheduleReconnect()
{
    if (!m_reconnectWanted)
        return;
    if (m_options.reconnectAttempts >= 0 && m_backoff.attempts() >= m_options.reconnectAttempts) {
        m_reconnectWanted = false;
        deliver(QString::fromLatin1(errorEvent),
                {QStringLiteral("reconnection attempts exhausted")});
        return;
    }
    m_reconnectTimer.start(m_backoff.nextDelayMs());
}

void SocketIOClient::reconnectNow()
{
    open();
    if (status() == SocketIOStatus::connecting)
        deliver(QString::fromLatin1(reconnectAttemptEvent), {m_backoff.attempts()});
}

} // namespace kesvor::net
