#pragma once

#include <QtCore/QObject>
#include <QtCore/QStringList>
#include <QtCore/QUrl>
#include <QtNetwork/QSslConfiguration>
#include <QtWebSockets/QWebSocket>
#include <QtWebSockets/QWebSocketServer>

#include <functional>
#include <optional>

namespace kesvor::test {

/// A WebSocket server on loopback that speaks just enough Engine.IO and
/// Socket.IO for a client to connect, and otherwise sends whatever the test
/// tells it to: malformed frames, silence, refusals.
class RawEngineServer : public QObject {
    Q_OBJECT
public:
    struct Behaviour {
        bool revision3 = false;
        int pingIntervalMs = 25'000;
        int pingTimeoutMs = 20'000;
        qint64 maxPayload = 1'000'000;
        /// Replaces the open packet; empty: none is sent at all.
        std::optional<QString> openPacket;
        bool answerConnect = true;
        /// Revision 3: answer the client's pings.
        bool answerPings = true;
    };

    explicit RawEngineServer(const std::optional<QSslConfiguration>& tls = std::nullopt);

    Behaviour behaviour;
    /// Handshakes for the next connections, used once each before behaviour.
    QList<Behaviour> nextBehaviours;

    QUrl url() const;
    int connectionCount() const { return m_connectionCount; }
    QWebSocket* current() const { return m_current; }
    const QStringList& received() const { return m_received; }
    const QList<QUrl>& requestUrls() const { return m_requestUrls; }
    QStringList sslErrors() const { return m_sslErrors; }

    void send(const QString& frame);
    void sendBinary(const QByteArray& frame);
    /// Starts sending Engine.IO pings to the current connection every interval.
    void startPinging(int intervalMs);
    void stopPinging();

private:
    void onConnection(QWebSocket* socket);
    void onFrame(QWebSocket* socket, const Behaviour& behaviour, const QString& frame);

    QWebSocketServer m_server;
    QWebSocket* m_current = nullptr;
    int m_connectionCount = 0;
    QStringList m_received;
    QList<QUrl> m_requestUrls;
    QStringList m_sslErrors;
    QTimer m_pinger;
};

} // namespace kesvor::test
