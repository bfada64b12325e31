#pragma once

#include "foundation/ClockTimer.h"
#include "net/EngineIOHeartbeat.h"
#include "net/EngineIOPacket.h"
#include "net/ReconnectBackoff.h"

#include <QtCore/QObject>
#include <QtCore/QString>
#include <QtCore/QUrl>
#include <QtCore/QVariantList>
#include <QtNetwork/QSslConfiguration>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

class QWebSocket;

namespace kesvor::net {

struct SocketIOPacket;

/// Connection states, in this order.
enum class SocketIOStatus { notConnected, disconnected, connecting, connected };

/// Engine.IO 4 / Socket.IO 5 speaks to socket.io 3 and 4 servers; Engine.IO 3 /
/// Socket.IO 4 to socket.io 2 servers (and to newer ones that allow it).
enum class SocketIOProtocol { engineIO4, engineIO3 };

struct SocketIOClientOptions {
    /// The client only has the WebSocket transport; the option exists so that
    /// configurations can say so.
    bool forceWebsockets = true;
    /// Traces every packet and state change to the debug log.
    bool log = false;
    /// The namespace to join, "/" or "/name".
    QString nsp = QStringLiteral("/");
    SocketIOProtocol protocol = SocketIOProtocol::engineIO4;
    /// Where the server handles Engine.IO requests.
    QString path = QStringLiteral("/socket.io/");

    bool reconnects = true;
    /// Negative: unlimited.
    int reconnectAttempts = -1;
    int reconnectWaitMs = 1000;
    int reconnectWaitMaxMs = 5000;
    double randomizationFactor = 0.5;

    /// An attempt that has not joined the namespace within this time is given up.
    int connectTimeoutMs = 20'000;
    /// Larger incoming messages end the connection.
    qint64 maxIncomingMessageBytes = 64LL * 1024 * 1024;
    /// TLS settings for wss: connections; the system's by default, with
    /// certificate verification.
    std::optional<QSslConfiguration> sslConfiguration;
};

/// What the catch-all handler receives.
struct SocketAnyEvent {
    QString event;
    QVariantList items;
};

/// A Socket.IO client over one WebSocket, joined to one namespace.
///
/// The handler receives every event the server sends in the namespace and the
/// client's own events: "connect" (items: the namespace), "disconnect" (the
/// reason), "reconnectAttempt" (the attempt number, from 1) and "error" (a
/// description: a failed attempt, a refused namespace).
///
/// The client lives on the thread that created it (the main thread); its
/// handler runs there. emit() may be called from any thread. Requires
/// QT_NO_KEYWORDS, as emit() is a member here.
class SocketIOClient : public QObject {
    Q_OBJECT
public:
    using AnyHandler = std::function<void(const SocketAnyEvent&)>;

    static constexpr auto connectEvent = "connect";
    static constexpr auto disconnectEvent = "disconnect";
    static constexpr auto reconnectAttemptEvent = "reconnectAttempt";
    static constexpr auto errorEvent = "error";

    /// url: http(s) or ws(s) address of the server; its query travels along.
    /// Creating the client opens nothing.
    explicit SocketIOClient(const QUrl& url, SocketIOClientOptions options = {},
                            QObject* parent = nullptr);
    ~SocketIOClient() override;

    /// The one catch-all handler; a new one replaces the old.
    void onAny(AnyHandler handler);

    /// Opens the connection unless one is under way or up. A pending
    /// reconnection is started at once.
    void connect();
    /// Leaves the namespace and closes the connection; no reconnection follows.
    void disconnect();
    /// Sends an event without acknowledgement. Dropped, with a debug line, when
    /// the client is not connected or an item is not JSON-encodable.
    void emit(const QString& event, const QVariantList& items);

    SocketIOStatus status() const { return m_status.load(); }
    /// True while a reconnection attempt is scheduled.
    bool isReconnecting() const { return m_reconnectTimer.isActive(); }
    const QUrl& url() const { return m_url; }
    const SocketIOClientOptions& options() const { return m_options; }
    /// The Engine.IO session id of the current connection.
    QString sid() const { return m_handshake.sid; }

Q_SIGNALS:
    void statusChanged(kesvor::net::SocketIOStatus status);

private:
    enum class Phase { idle, awaitingOpen, awaitingConnect, joined };

    void open();
    void retireSocket();
    void stopTimers();
    void setStatus(SocketIOStatus status);
    void deliver(QString event, QVariantList items);
    void send(const QString& frame);
    void onPassEnded();
    void sendSocketPacket(QStringView packet);
    QString namespacePart() const;

    void onTextMessage(const QString& text);
    void onOpen(QByteArrayView data);
    void onSocketPacket(QStringView data);
    void onJoined();
    void onRefused(const QString& reason);
    void onKicked();
    void onEvent(const SocketIOPacket& packet);

    void lose(const QString& reason);
    void scheduleReconnect();
    void reconnectNow();

    QUrl m_url;
    SocketIOClientOptions m_options;
    // Shared so that a handler that replaces itself keeps running to its end.
    std::shared_ptr<const AnyHandler> m_handler;
    std::atomic<SocketIOStatus> m_status{SocketIOStatus::notConnected};
    Phase m_phase = Phase::idle;
    QWebSocket* m_socket = nullptr;
    EngineIOHandshake m_handshake;
    ReconnectBackoff m_backoff;
    bool m_reconnectWanted = false;
    qsizetype m_frameCapacity = 256;
    // The connect timeout, the heartbeat and the reconnection waits run on
    // foundation::Clock, which tests move by hand.
    foundation::ClockTimer m_connectTimer;
    EngineIOHeartbeat m_heartbeat;
    foundation::ClockTimer m_reconnectTimer;
    bool m_flushedThisPass = false;
    bool m_framesUnflushed = false;
};

} // namespace kesvor::net
