#include "Service/Request.h"

#include "foundation/Json.h"
#include "foundation/MainThread.h"
#include "net/UrlSession.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QLocale>
#include <QtCore/QTimer>
#include <QtCore/QUrl>

namespace kesvor {

namespace {

QHash<QString, bool>& runningTasks()
{
    static QHash<QString, bool> tasks = [] {
        QHash<QString, bool> table;
        table.reserve(2);
        return table;
    }();
    return tasks;
}

foundation::Error requestError(Request::ErrorCode code, const QString& description)
{
    return {QString::fromLatin1(Request::errorDomain), code, description};
}

// Failures found before anything is sent still reach the handler, but only
// after request() has returned, like every other outcome.
void failLater(const Request::CompletionHandler& handler, const foundation::Error& error)
{
    QTimer::singleShot(0, QCoreApplication::instance(), [handler, error] { handler(error, {}); });
}

std::optional<QUrl> httpUrl(const QString& urlString)
{
    const QUrl url(urlString, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return std::nullopt;
    return url;
}

void deliver(const net::UrlResponse& response, const Request::CompletionHandler& handler)
{
    if (response.error) {
        handler(response.error, std::nullopt);
        return;
    }
    const auto [error, result] = Request::decodeBody(response.body);
    handler(error, result);
}

void post(const QString& urlString, const QVariantMap& parameters,
          const Request::CompletionHandler& handler)
{
    if (runningTasks().contains(urlString))
        return;
    const auto url = httpUrl(urlString);
    if (!url) {
        failLater(handler, requestError(Request::InvalidUrl,
                                        QStringLiteral("not an http(s) URL: %1").arg(urlString)));
        return;
    }
    foundation::Error encodingError;
    const auto body = foundation::Json::encode(parameters, &encodingError);
    if (!body) {
        failLater(handler, requestError(Request::UnencodableParameters, encodingError.description));
        return;
    }
    QNetworkRequest request(*url);
    request.setRawHeader("Content-Type", "application/json");
    runningTasks().insert(urlString, true);
    net::UrlSession::shared().dataTask(request, "POST", *body,
                                       [urlString, handler](const net::UrlResponse& response) {
                                           runningTasks().remove(urlString);
                                           deliver(response, handler);
                                       });
}

void get(const QString& urlString, const QVariantMap& parameters,
         const Request::CompletionHandler& handler)
{
    auto url = httpUrl(urlString);
    if (url)
        url->setQuery(Request::query(parameters), QUrl::StrictMode);
    if (!url || !url->isValid()) {
        failLater(handler, requestError(Request::InvalidUrl,
                                        QStringLiteral("not an http(s) URL: %1").arg(urlString)));
        return;
    }
    net::UrlSession::shared().dataTask(
        QNetworkRequest(*url), "GET", {},
        [handler](const net::UrlResponse& response) { deliver(response, handler); });
}

QString numberDescription(const QVariant& value)
{
    if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float)
        return QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
    return value.toString();
}

} // namespace

void Request::request(const QString& urlString, RequestMethod method, const QVariantMap& parameters,
                      CompletionHandler completetionHandler)
{
    KESVOR_ASSERT_MAIN_THREAD();
    if (!completetionHandler)
        completetionHandler = [](auto, auto) {};
    if (method == RequestMethod::POST)
        post(urlString, parameters, completetionHandler);
    else
        get(urlString, parameters, completetionHandler);
}

const QHash<QString, bool>& Request::runningTask()
{
    KESVOR_ASSERT_MAIN_THREAD();
    return runningTasks();
}

std::pair<std::optional<foundation::Error>, std::optional<QVariantMap>>
Request::decodeBody(const QByteArray& body)
{
    if (body.isEmpty())
        return {std::nullopt, std::nullopt};
    foundation::Error decodingError;
    const auto decoded = foundation::Json::decode(body, &decodingError);
    if (!decoded)
        return {decodingError, std::nullopt};
    return {std::nullopt, foundation::Json::asMap(*decoded)};
}

QString Request::query(const QVariantMap& parameters)
{
    QStringList rendered;
    // QVariantMap iterates its keys in ascending order.
    for (auto it = parameters.begin(); it != parameters.end(); ++it)
        for (const auto& [key, value] : queryComponents(it.key(), it.value()))
            rendered.append(key + QLatin1Char('=') + value);
    return rendered.join(QLatin1Char('&'));
}

QList<std::pair<QString, QString>> Request::queryComponents(const QString& key,
                                                            const QVariant& value)
{
    QList<std::pair<QString, QString>> components;
    if (const auto map = foundation::Json::asMap(value)) {
        for (auto it = map->begin(); it != map->end(); ++it)
            components +=
                queryComponents(key + QLatin1Char('[') + it.key() + QLatin1Char(']'), it.value());
    } else if (value.typeId() == QMetaType::QVariantList ||
               value.typeId() == QMetaType::QStringList) {
        for (const QVariant& element : value.toList())
            components += queryComponents(key + QStringLiteral("[]"), element);
    } else if (value.typeId() == QMetaType::Bool) {
        components.append(
            {escape(key), escape(value.toBool() ? QStringLiteral("1") : QStringLiteral("0"))});
    } else if (value.typeId() == QMetaType::Nullptr || !value.isValid()) {
        components.append({escape(key), QString()});
    } else {
        components.append({escape(key), escape(numberDescription(value))});
    }
    return components;
}

QString Request::escape(const QString& string)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(string, QByteArrayLiteral("/?")));
}

} // namespace kesvor
