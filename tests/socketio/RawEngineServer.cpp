#include "socketio/RawEngineServer.h"

#include <QtNetwork/QSslError>

namespace kesvor::test {

RawEngineServer::RawEngineServer(const std::optional<QSslConfiguration>& tls)
    : m_server(QStringLiteral("raw"),
               tls ? QWebSocketServer::SecureMode : QWebSocketServer::NonSecureMode)
{
    if (tls)
        m_server.setSslConfiguration(*tls);
    m_server.listen(QHostAddress::LocalHost, 0);
    connect(&m_server, &QWebSocketServer::newConnection, this, [this] {
        while (QWebSocket* socket = m_server.nextPendingConnection())
            onConnection(socket);
    });
    connect(&m_server, &QWebSocketServer::peerVerifyError, this,
            [this](const QSslError& error) { m_sslErrors << error.errorString(); });
    connect(&m_pinger, &QTimer::timeout, this, [this] { send(QStringLiteral("2")); });
}

QUrl RawEngineServer::url() const
{
    const bool secure = m_server.secureMode() == QWebSocketServer::SecureMode;
    return QUrl(QStringLiteral("%1://127.0.0.1:%2")
                    .arg(secure ? QStringLiteral("https") : QStringLiteral("http"))
                    .arg(m_server.serverPort()));
}

void RawEngineServer::send(const QString& frame)
{
    if (m_current)
        m_current->sendTextMessage(frame);
}

void RawEngineServer::sendBinary(const QByteArray& frame)
{
    if (m_current)
        m_current->sendBinaryMessage(frame);
}

void RawEngineServer::startPinging(int intervalMs)
{
    m_pinger.start(intervalMs);
}

void RawEngineServer::stopPinging()
{
    m_pinger.stop();
}

void RawEngineServer::onConnection(QWebSocket* socket)
{
    socket->setParent(this);
    ++m_connectionCount;
    m_current = socket;
    m_requestUrls << socket->requestUrl();
    const Behaviour current = nextBehaviours.isEmpty() ? behaviour : nextBehaviours.takeFirst();
    connect(socket, &QWebSocket::textMessageReceived, this,
            [this, socket, current](const QString& frame) { onFrame(socket, current, frame); });
    connect(socket, &QWebSocket::disconnected, this, [this, socket] {
        if (m_current == socket)
            m_current = nullptr;
        socket->deleteLater();
    });

    QString open =
        QStringLiteral(R"(0{"sid":"raw-%1","upgrades":[],"pingInterval":%2,"pingTimeout":%3)")
            .arg(m_connectionCount)
            .arg(current.pingIntervalMs)
            .arg(current.pingTimeoutMs);
    open += current.revision3 ? QStringLiteral("}")
                              : QStringLiteral(R"(,"maxPayload":%1})").arg(current.maxPayload);
    if (current.openPacket)
        open = *current.openPacket;
    if (open.isEmpty())
        return;
    socket->sendTextMessage(open);
    // Revision 3 servers put every client into "/" at once.
    if (current.revision3)
        socket->sendTextMessage(QStringLiteral("40"));
}

void RawEngineServer::onFrame(QWebSocket* socket, const Behaviour& current, const QString& frame)
{
    m_received << frame;
    if (frame == QLatin1String("2") && current.revision3 && current.answerPings) {
        socket->sendTextMessage(QStringLiteral("3"));
        return;
    }
    if (!frame.startsWith(QLatin1String("40")) || !current.answerConnect)
        return;
    const QString nsp = frame.mid(2).section(QLatin1Char(','), 0, 0);
    const QString prefix = nsp.isEmpty() ? QString() : nsp + QLatin1Char(',');
    socket->sendTextMessage(current.revision3 ? QStringLiteral("40") + prefix
                                              : QStringLiteral("40") + prefix +
                                                    QStringLiteral(R"({"sid":"nsp-sid"})"));
}

} // namespace kesvor::test
