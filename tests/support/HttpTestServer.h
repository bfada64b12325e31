#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QHash>
#include <QtCore/QList>
#include <QtCore/QObject>
#include <QtNetwork/QTcpServer>

#include <functional>

namespace kesvor::test {

struct HttpRequest {
    QByteArray method;
    QByteArray target;                     ///< path and query as sent
    QHash<QByteArray, QByteArray> headers; ///< names in lower case
    QByteArray body;
};

struct HttpReply {
    int status = 200;
    QByteArray body;
    QByteArray contentType = "application/json";
    int delayMs = 0;
    bool dropConnection = false; ///< close without answering
};

/// A small HTTP/1.1 server on loopback and a free port, answering every
/// request through a handler set by the test.
class HttpTestServer : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<HttpReply(const HttpRequest&)>;

    explicit HttpTestServer(QObject* parent = nullptr);
    ~HttpTestServer() override;

    quint16 port() const { return m_server.serverPort(); }
    QString url(const QString& path = {}) const;
    void setHandler(Handler handler) { m_handler = std::move(handler); }
    const QList<HttpRequest>& requests() const { return m_requests; }

private:
    void onReadyRead(QTcpSocket* socket);
    void answer(QTcpSocket* socket, const HttpRequest& request);

    QTcpServer m_server;
    Handler m_handler;
    QList<HttpRequest> m_requests;
    QHash<QTcpSocket*, QByteArray> m_buffers;
};

} // namespace kesvor::test
