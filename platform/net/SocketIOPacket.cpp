#include "net/SocketIOPacket.h"

#include "foundation/Json.h"
#include "foundation/JsonReader.h"
#include "foundation/JsonWriter.h"

#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>

namespace kesvor::net {

namespace {

// Longer ids could not be held exactly by the number the peer sent.
constexpr qsizetype maxAckIdDigits = 15;
constexpr qsizetype maxAttachmentDigits = 6;

int unit(QByteArrayView text, qsizetype i)
{
    return uchar(text[i]);
}

int unit(QStringView text, qsizetype i)
{
    return text[i].unicode();
}

template <typename View> qsizetype digitsFrom(View text, qsizetype position)
{
    qsizetype end = position;
    while (end < text.size() && unit(text, end) >= '0' && unit(text, end) <= '9')
        ++end;
    return end - position;
}

template <typename View> qint64 numberAt(View text, qsizetype position, qsizetype digits)
{
    qint64 number = 0;
    for (qsizetype i = position; i < position + digits; ++i)
        number = number * 10 + (unit(text, i) - '0');
    return number;
}

// Everything before the JSON payload, read alike from UTF-8 and UTF-16 text.
struct Header {
    SocketIOPacket::Type type = SocketIOPacket::Type::Event;
    int attachments = 0;
    /// Where the namespace stands in the text; length 0 when it is "/".
    qsizetype nspStart = 0;
    qsizetype nspLength = 0;
    std::optional<qint64> ackId;
    qsizetype payloadStart = 0;
};

template <typename View> std::optional<Header> decodeHeader(View text)
{
    if (text.isEmpty() || unit(text, 0) < '0' || unit(text, 0) > '6')
        return std::nullopt;
    Header header;
    header.type = SocketIOPacket::Type(unit(text, 0) - '0');
    qsizetype position = 1;

    if (header.type == SocketIOPacket::Type::BinaryEvent ||
        header.type == SocketIOPacket::Type::BinaryAck) {
        const qsizetype digits = digitsFrom(text, position);
        if (digits == 0 || digits > maxAttachmentDigits || position + digits >= text.size() ||
            unit(text, position + digits) != '-')
            return std::nullopt;
        header.attachments = int(numberAt(text, position, digits));
        position += digits + 1;
    }

    if (position < text.size() && unit(text, position) == '/') {
        qsizetype comma = position;
        while (comma < text.size() && unit(text, comma) != ',')
            ++comma;
        header.nspStart = position;
        header.nspLength = comma - position;
        position = std::min(comma + 1, text.size());
    }

    const qsizetype digits = digitsFrom(text, position);
    if (digits > maxAckIdDigits)
        return std::nullopt;
    if (digits > 0) {
        header.ackId = numberAt(text, position, digits);
        position += digits;
    }
    header.payloadStart = position;
    return header;
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

bool hasNamespacePart(QStringView nsp)
{
    return !nsp.isEmpty() && nsp != u"/";
}

} // namespace

std::optional<SocketIOPacket> SocketIOPacket::decode(QByteArrayView text)
{
    const auto header = decodeHeader(text);
    if (!header)
        return std::nullopt;
    SocketIOPacket packet;
    packet.type = header->type;
    packet.attachments = header->attachments;
    if (header->nspLength > 0)
        packet.nsp = QString::fromUtf8(text.sliced(header->nspStart, header->nspLength));
    packet.ackId = header->ackId;
    if (header->payloadStart < text.size()) {
        auto value = parseValue(text.sliced(header->payloadStart));
        if (!value)
            return std::nullopt;
        packet.data = std::move(*value);
    }
    return packet;
}

std::optional<SocketIOPacket::IncomingEvent> SocketIOPacket::decodeEvent(QStringView text)
{
    const auto header = decodeHeader(text);
    if (!header || header->type != Type::Event || header->payloadStart >= text.size() ||
        text[header->payloadStart] != u'[')
        return std::nullopt;
    auto items = foundation::JsonReader::readArray(text.sliced(header->payloadStart));
    if (!items || items->isEmpty() || items->front().typeId() != QMetaType::QString)
        return std::nullopt;
    IncomingEvent incoming;
    incoming.nsp = header->nspLength > 0 ? text.sliced(header->nspStart, header->nspLength)
                                         : QStringView(u"/");
    incoming.name = items->takeFirst().toString();
    incoming.items = std::move(*items);
    return incoming;
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
    QString text;
    if (!writeEvent(text, nsp, event, items))
        return std::nullopt;
    return text.toUtf8();
}

bool SocketIOPacket::writeEvent(QString& out, QStringView nsp, QStringView event,
                                const QVariantList& items)
{
    out.append(QLatin1Char(char('0' + int(Type::Event))));
    if (hasNamespacePart(nsp))
        out.append(nsp).append(QLatin1Char(','));
    out.append(QLatin1Char('['));
    foundation::JsonWriter::writeString(event, out);
    for (const QVariant& item : items) {
        out.append(QLatin1Char(','));
        if (!foundation::JsonWriter::write(item, out))
            return false;
    }
    out.append(QLatin1Char(']'));
    return true;
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
