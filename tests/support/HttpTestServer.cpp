#include "support/HttpTestServer.h"

#include <QtCore/QPointer>
#include <QtCore/QTimer>
#include <QtNetwork/QTcpSocket>

namespace kesvor::test {

HttpTestServer::HttpTestServer(QObject* parent)
    : QObject(parent)
    , m_handler([](const HttpRequest&) {
        return HttpReply{200, "{}"};
    })
{
    m_server.listen(QHostAddress::LocalHost, 0);
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
            connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
                m_buffers.remove(socket);
                socket->deleteLater();
            });
        }
    });
}

HttpTestServer::~HttpTestServer()
{
    // Connections a client left open go first, while the buffers their
    // handlers touch still exist.
    m_server.close();
    for (QTcpSocket* socket : m_server.findChildren<QTcpSocket*>()) {
        socket->disconnect(this);
        delete socket;
    }
}

QString HttpTestServer::url(const QString& path) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(port()).arg(path);
}

void HttpTestServer::onReadyRead(QTcpSocket* socket)
{
    QByteArray& buffer = m_buffers[socket];
    buffer += socket->readAll();
    const qsizetype headerEnd = buffer.indexOf("\r\n\r\n");
    if (headerEnd < 0)
        return;
    const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
    HttpRequest request;
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    request.method = requestLine.value(0);
    request.target = requestLine.value(1);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon > 0)
            request.headers.insert(lines[i].left(colon).trimmed().toLower(),
                                   lines[i].mid(colon + 1).trimmed());
    }
    const qsizetype length = request.headers.value("content-length", "0").toLongLong();
    if (buffer.size() < headerEnd + 4 + length)
        return;
    request.body = buffer.mid(headerEnd + 4, length);
    buffer.clear();
    m_requests.append(request);
    answer(socket, request);
}

void HttpTestServer::answer(QTcpSocket* socket, const HttpRequest& request)
{
    const HttpReply reply = m_handler(request);
    QPointer<QTcpSocket> guard(socket);
    QTimer::singleShot(reply.delayMs, this, [guard, reply] {
        if (!guard)
            return;
        if (!reply.dropConnection) {
            QByteArray head = "HTTP/1.1 " + QByteArray::number(reply.status) + " Status\r\n";
            head += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n";
            if (!reply.body.isEmpty())
                head += "Content-Type: " + reply.contentType + "\r\n";
            head += "Connection: close\r\n\r\n";
            guard->write(head + reply.body);
            guard->flush();
        }
        guard->disconnectFromHost();
    });
}

} // namespace kesvor::test
