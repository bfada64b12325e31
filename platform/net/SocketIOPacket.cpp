#include "net/SocketIOPacket.h"

#include "foundation/Json.h"

#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>

namespace kesvor::net {

namespace {

// Longer ids could not be held exactly by the number the peer sent.
constexpr qsizetype maxAckIdDigits = 15;
constexpr qsizetype maxAttachmentDigits = 6;

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

qsizetype digitsFrom(QByteArrayView text, qsizetype position)
{
    qsizetype end = position;
    while (end < text.size() && isDigit(text[end]))
        ++end;
    return end - position;
}

// Any JSON value: arrays and objects parse directly, scalars (a CONNECT_ERROR's
// plain string) inside a one-element array.
std::optional<QJsonValue> parseValue(QByteArrayView json)
{
    QJsonParseError error{};
    if (json.front() == '[' || json.front() == '{') {
        const QJsonDocument document = QJsonDocument::fromJson(json.toByteArray(), &error);
        if (error.error != QJsonParseError::NoError)
            return std::nullopt;
        return document.isArray() ? QJsonValue(document.array()) : QJsonValue(document.object());
    }
    QByteArray wrapped;
    wrapped.reserve(json.size() + 2);
    wrapped.append('[').append(json).append(']');
    const QJsonDocument document = QJsonDocument::fromJson(wrapped, &error);
    if (error.error != QJsonParseError::NoError || document.array().size() != 1)
        return std::nullopt;
    return document.array().first();
}

bool hasNamespacePart(const QString& nsp)
{
    return !nsp.isEmpty() && nsp != QLatin1String("/");
}

} // namespace

std::optional<SocketIOPacket> SocketIOPacket::decode(QByteArrayView text)
{
    if (text.isEmpty() || text.front() < '0' || text.front() > '6')
        return std::nullopt;
    SocketIOPacket packet;
    packet.type = Type(text.front() - '0');
    qsizetype position = 1;

    if (packet.type == Type::BinaryEvent || packet.type == Type::BinaryAck) {
        const qsizetype digits = digitsFrom(text, position);
        if (digits == 0 || digits > maxAttachmentDigits || position + digits >= text.size() ||
            text[position + digits] != '-')
            return std::nullopt;
        packet.attachments = text.sliced(position, digits).toInt();
        position += digits + 1;
    }

    if (position < text.size() && text[position] == '/') {
        qsizetype comma = text.indexOf(',', position);
        if (comma < 0)
            comma = text.size();
        packet.nsp = QString::fromUtf8(text.sliced(position, comma - position));
        position = std::min(comma + 1, text.size());
    }

    const qsizetype digits = digitsFrom(text, position);
    if (digits > maxAckIdDigits)
        return std::nullopt;
    if (digits > 0) {
        packet.ackId = text.sliced(position, digits).toLongLong();
        position += digits;
    }

    if (position < text.size()) {
        auto value = parseValue(text.sliced(position));
        if (!value)
            return std::nullopt;
        packet.data = std::move(*value);
    }
    return packet;
}

QByteArray SocketIOPacket::encode() const
{
    QByteArray text;
    text.append(char('0' + int(type)));
    if (type == Type::BinaryEvent || type == Type::BinaryAck)
        text.append(QByteArray::number(attachments)).append('-');
    if (hasNamespacePart(nsp))
        text.append(nsp.toUtf8()).append(',');
    if (ackId)
        text.append(QByteArray::number(*ackId));
    if (data.isArray())
        text.append(QJsonDocument(data.toArray()).toJson(QJsonDocument::Compact));
    else if (data.isObject())
        text.append(QJsonDocument(data.toObject()).toJson(QJsonDocument::Compact));
    else if (!data.isUndefined()) {
        const QByteArray wrapped = QJsonDocument(QJsonArray{data}).toJson(QJsonDocument::Compact);
        text.append(wrapped.sliced(1, wrapped.size() - 2));
    }
    return text;
}

std::optional<QByteArray> SocketIOPacket::encodeEvent(const QString& nsp, const QString& event,
                                                      const QVariantList& items)
{
    QJsonArray array;
    array.append(event);
    for (const QVariant& item : items) {
        if (!foundation::Json::isEncodable(item))
            return std::nullopt;
        array.append(foundation::Json::toJsonValue(item));
    }
    SocketIOPacket packet;
    packet.type = Type::Event;
    packet.nsp = nsp;
    packet.data = array;
    return packet.encode();
}

std::optional<std::pair<QString, QVariantList>> SocketIOPacket::event() const
{
    if (type != Type::Event || !data.isArray())
        return std::nullopt;
    const QJsonArray array = data.toArray();
    if (array.isEmpty() || !array.first().isString())
        return std::nullopt;
    QVariantList items;
    items.reserve(array.size() - 1);
    for (qsizetype i = 1; i < array.size(); ++i)
        items.append(foundation::Json::fromJsonValue(array.at(i)));
    return std::pair{array.first().toString(), std::move(items)};
}

QString SocketIOPacket::errorMessage() const
{
    if (data.isString())
        return data.toString();
    const QJsonValue message = data.toObject().value(QLatin1String("message"));
    return message.isString() ? message.toString() : QStringLiteral("connection refused");
}

} // namespace kesvor::net
