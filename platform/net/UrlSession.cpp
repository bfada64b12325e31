#include "net/UrlSession.h"

#include "foundation/MainThread.h"

#include <QtCore/QCoreApplication>
#include <QtNetwork/QNetworkAccessManager>
#include <QtNetwork/QNetworkReply>

namespace kesvor::net {

namespace {

constexpr auto tooLargeProperty = "kesvor.bodyTooLarge";

} // namespace

UrlSession& UrlSession::shared()
{
    KESVOR_ASSERT_MAIN_THREAD();
    static UrlSession* session = new UrlSession(QCoreApplication::instance());
    return *session;
}

UrlSession::UrlSession(QObject* parent)
    : QObject(parent)
    , m_manager(new QNetworkAccessManager(this))
{
}

UrlSession::~UrlSession() = default;

void UrlSession::dataTask(QNetworkRequest request, const QByteArray& verb, const QByteArray& body,
                          Completion completion, qint64 maximumBodyBytes)
{
    KESVOR_ASSERT_MAIN_THREAD();
    if (request.transferTimeout() == 0)
        request.setTransferTimeout(defaultTimeoutMs);
    QNetworkReply* reply = m_manager->sendCustomRequest(request, verb, body);
    connect(reply, &QNetworkReply::finished, this,
            [this, reply, completion = std::move(completion)] { finish(reply, completion); });
    if (maximumBodyBytes > 0)
        limitBody(reply, maximumBodyBytes);
}

// The announced length refuses an answer before its body arrives; the bytes
// received catch one that announces nothing or less than it sends.
void UrlSession::limitBody(QNetworkReply* reply, qint64 maximumBodyBytes)
{
    const auto refuse = [reply] {
        reply->setProperty(tooLargeProperty, true);
        reply->abort();
    };
    connect(reply, &QNetworkReply::metaDataChanged, reply, [reply, maximumBodyBytes, refuse] {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > maximumBodyBytes)
            refuse();
    });
    connect(reply, &QNetworkReply::downloadProgress, reply,
            [maximumBodyBytes, refuse](qint64 received, qint64) {
                if (received > maximumBodyBytes)
                    refuse();
            });
}

void UrlSession::finish(QNetworkReply* reply, const Completion& completion)
{
    reply->deleteLater();
    UrlResponse response;
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    // Codes below 200 are network and proxy failures (a connection lost halfway
    // included). An HTTP answer of any status is a response, not a transport
    // error: the caller decides what a 4xx or 5xx body means.
    const bool transportFailed = reply->error() > QNetworkReply::NoError &&
                                 reply->error() < QNetworkReply::ContentAccessDenied;
    if (reply->property(tooLargeProperty).toBool()) {
        response.error = foundation::Error{QString::fromLatin1(errorDomain), bodyTooLargeCode,
                                           QStringLiteral("response body too large")};
    } else if (status.isValid() && !transportFailed) {
        response.statusCode = status.toInt();
        response.body = reply->readAll();
    } else {
        const QString description =
            reply->errorString().isEmpty() ? QStringLiteral("no response") : reply->errorString();
        response.error =
            foundation::Error{QString::fromLatin1(errorDomain), int(reply->error()), description};
    }
    completion(response);
}

} // namespace kesvor::net
