#include "net/EngineIOPacket.h"

#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>
#include <QtCore/QUrlQuery>

#include <cmath>

namespace kesvor::net {

namespace {

// Timings arrive as JSON numbers; anything that is not a positive whole number
// of milliseconds small enough for a timer is refused.
std::optional<int> milliseconds(const QJsonValue& value)
{
    if (!value.isDouble())
        return std::nullopt;
    const double number = value.toDouble();
    if (number <= 0 || number > 24.0 * 3600 * 1000 || std::floor(number) != number)
        return std::nullopt;
    return int(number);
}

} // namespace

std::optional<EngineIOPacket> EngineIOPacket::decode(QByteArrayView frame)
{
    const auto type = frame.isEmpty() ? std::nullopt : typeOf(uchar(frame.front()));
    if (!type)
        return std::nullopt;
    return EngineIOPacket{*type, frame.sliced(1).toByteArray()};
}

std::optional<EngineIOPacket::Type> EngineIOPacket::typeOf(char16_t first)
{
    if (first < char16_t(Type::Open) || first > char16_t(Type::Noop))
        return std::nullopt;
    return Type(first);
}

QByteArray EngineIOPacket::encode(Type type, QByteArrayView data)
{
    QByteArray frame;
    frame.reserve(data.size() + 1);
    frame.append(char(type));
    frame.append(data);
    return frame;
}

std::optional<EngineIOHandshake> EngineIOHandshake::decode(QByteArrayView json)
{
    const QJsonDocument document = QJsonDocument::fromJson(json.toByteArray());
    if (!document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    EngineIOHandshake handshake;
    handshake.sid = object.value(QLatin1String("sid")).toString();
    const auto interval = milliseconds(object.value(QLatin1String("pingInterval")));
    const auto timeout = milliseconds(object.value(QLatin1String("pingTimeout")));
    if (handshake.sid.isEmpty() || !interval || !timeout)
        return std::nullopt;
    handshake.pingIntervalMs = *interval;
    handshake.pingTimeoutMs = *timeout;
    const QJsonValue maxPayload = object.value(QLatin1String("maxPayload"));
    if (maxPayload.isDouble() && maxPayload.toDouble() >= 1)
        handshake.maxPayload = qint64(std::min(maxPayload.toDouble(), 9.0e15));
    return handshake;
}

std::optional<QUrl> EngineIOHandshake::requestUrl(const QUrl& server, QString path, int revision)
{
    QUrl url = server;
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("http") || scheme == QLatin1String("ws"))
        url.setScheme(QStringLiteral("ws"));
    else if (scheme == QLatin1String("https") || scheme == QLatin1String("wss"))
        url.setScheme(QStringLiteral("wss"));
    else
        return std::nullopt;
    if (!url.isValid() || url.host().isEmpty())
        return std::nullopt;
    if (!path.startsWith(QLatin1Char('/')))
        path.prepend(QLatin1Char('/'));
    if (!path.endsWith(QLatin1Char('/')))
        path.append(QLatin1Char('/'));
    url.setPath(path);
    QUrlQuery query(url);
    query.removeAllQueryItems(QStringLiteral("EIO"));
    query.removeAllQueryItems(QStringLiteral("transport"));
    query.addQueryItem(QStringLiteral("EIO"), QString::number(revision));
    query.addQueryItem(QStringLiteral("transport"), QStringLiteral("websocket"));
    url.setQuery(query);
    url.setFragment({});
    return url;
}

} // namespace kesvor::net
