#pragma once

#include "foundation/Error.h"
#include "foundation/RawRepresentable.h"

#include <QtCore/QHash>
#include <QtCore/QString>
#include <QtCore/QVariantMap>

#include <array>
#include <functional>
#include <optional>
#include <utility>

namespace kesvor {

enum class RequestMethod { GET, POST };

} // namespace kesvor

template <> struct kesvor::foundation::RawValues<kesvor::RequestMethod> {
    static constexpr std::array table{std::pair{RequestMethod::GET, "GET"},
                                      std::pair{RequestMethod::POST, "POST"}};
};

namespace kesvor {

/// The SDK's HTTP client: sends a JSON request to a full URL and hands back an
/// error or the decoded JSON object of the answer. Main thread only; handlers
/// run on the main thread, always after request() has returned.
class Request {
public:
    using CompletionHandler =
        std::function<void(std::optional<foundation::Error>, std::optional<QVariantMap>)>;

    static constexpr auto errorDomain = "kesvor.request";
    enum ErrorCode { InvalidUrl = 1, UnencodableParameters = 2 };

    /// POST sends parameters as a compact JSON body with "Content-Type:
    /// application/json"; a POST to a URL that is still in flight is dropped
    /// without a call to its handler. GET encodes parameters into the query.
    /// Otherwise the handler runs exactly once: (error, none) for a bad URL,
    /// unencodable parameters, a transport failure or an undecodable body;
    /// (none, object) when the body is a JSON object, whatever the HTTP status;
    /// (none, none) for any other JSON or no body at all.
    static void request(const QString& urlString, RequestMethod method,
                        const QVariantMap& parameters, CompletionHandler completetionHandler);

    /// What the handler receives for an answer's body: (none, object) for a
    /// JSON object, (none, none) for any other JSON or an empty body, (error,
    /// none) for a body that is not JSON.
    static std::pair<std::optional<foundation::Error>, std::optional<QVariantMap>>
    decodeBody(const QByteArray& body);

    /// URLs with a POST in flight; every value is true.
    static const QHash<QString, bool>& runningTask();

    /// The percent-encoded query for parameters, keys sorted ascending.
    static QString query(const QVariantMap& parameters);
    /// The (key, value) pairs one parameter contributes, both escaped.
    static QList<std::pair<QString, QString>> queryComponents(const QString& key,
                                                              const QVariant& value);
    /// Percent-encodes everything but letters, digits and "-._~/?".
    static QString escape(const QString& string);
};

} // namespace kesvor
