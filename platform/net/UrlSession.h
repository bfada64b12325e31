#pragma once

#include "foundation/Error.h"

#include <QtCore/QByteArray>
#include <QtCore/QObject>
#include <QtNetwork/QNetworkRequest>

#include <functional>
#include <optional>

class QNetworkAccessManager;
class QNetworkReply;

namespace kesvor::net {

/// What a finished data task reports: a transport error (nothing or no HTTP
/// answer arrived), or the HTTP status and body of the answer, whatever the
/// status.
struct UrlResponse {
    std::optional<foundation::Error> error;
    int statusCode = 0;
    QByteArray body;
};

/// HTTP client over one QNetworkAccessManager. It lives on the main thread;
/// tasks start at once and complete there.
class UrlSession : public QObject {
    Q_OBJECT
public:
    using Completion = std::function<void(const UrlResponse&)>;

    /// Requests time out after this long without progress.
    static constexpr int defaultTimeoutMs = 60'000;
    static constexpr auto errorDomain = "kesvor.net.url";
    /// The error code of an answer whose body is over the task's limit.
    static constexpr int bodyTooLargeCode = -1100;

    static UrlSession& shared();

    explicit UrlSession(QObject* parent = nullptr);
    ~UrlSession() override;

    /// Sends request with the given verb and body; completion runs exactly once.
    /// With maximumBodyBytes above 0, an answer that announces or delivers a
    /// longer body is abandoned and reported as the error bodyTooLargeCode.
    void dataTask(QNetworkRequest request, const QByteArray& verb, const QByteArray& body,
                  Completion completion, qint64 maximumBodyBytes = 0);

private:
    void finish(QNetworkReply* reply, const Completion& completion);
    static void limitBody(QNetworkReply* reply, qint64 maximumBodyBytes);

    QNetworkAccessManager* m_manager;
};

} // namespace kesvor::net
