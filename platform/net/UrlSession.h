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

    static UrlSession& shared();

    explicit UrlSession(QObject* parent = nullptr);
    ~UrlSession() override;

    /// Sends request with the given verb and body; completion runs exactly once.
    void dataTask(QNetworkRequest request, const QByteArray& verb, const QByteArray& body,
                  Completion completion);

private:
    void finish(QNetworkReply* reply, const Completion& completion);

    QNetworkAccessManager* m_manager;
};

} // namespace kesvor::net
