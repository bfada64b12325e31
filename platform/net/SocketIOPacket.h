#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QByteArrayView>
#include <QtCore/QJsonValue>
#include <QtCore/QString>
#include <QtCore/QStringView>
#include <QtCore/QVariantList>

#include <optional>
#include <utility>

namespace kesvor::net {

/// One Socket.IO packet as it travels inside an Engine.IO message:
/// <type>[<attachments>-][<namespace>,][<ack id>][JSON].
struct SocketIOPacket {
    enum class Type {
        Connect = 0,
        Disconnect = 1,
        Event = 2,
        Ack = 3,
        ConnectError = 4,
        BinaryEvent = 5,
        BinaryAck = 6,
    };

    Type type = Type::Event;
    QString nsp = QStringLiteral("/");
    int attachments = 0;
    std::optional<qint64> ackId;
    /// The JSON payload; undefined when the packet has none.
    QJsonValue data = QJsonValue(QJsonValue::Undefined);

    /// The packet in text, or nothing when it is not well formed: an unknown
    /// type, a broken attachment count, an ack id too long for a number, or a
    /// payload that is not one complete JSON value.
    static std::optional<SocketIOPacket> decode(QByteArrayView text);
    QByteArray encode() const;

    /// The text of an EVENT packet without acknowledgement, or nothing when an
    /// item is not JSON-encodable.
    static std::optional<QByteArray> encodeEvent(const QString& nsp, const QString& event,
                                                 const QVariantList& items);
    /// Appends the text of that packet to out, writing the items straight from
    /// their values; false when an item is not JSON-encodable (out is then
    /// partly written).
    static bool writeEvent(QString& out, QStringView nsp, QStringView event,
                           const QVariantList& items);

    /// A received EVENT packet, read straight from the frame's text into item values.
    struct IncomingEvent {
        /// Part of the text the packet was read from.
        QStringView nsp;
        QString name;
        QVariantList items;
    };
    /// The event of a well-formed EVENT packet whose payload is an array that
    /// starts with a string; nothing for any other text, which decode() then
    /// tells apart.
    static std::optional<IncomingEvent> decodeEvent(QStringView text);

    /// Name and items of an EVENT packet whose payload is a non-empty array
    /// starting with a string; nothing for any other packet.
    std::optional<std::pair<QString, QVariantList>> event() const;

    /// The reason a CONNECT_ERROR gives: {"message": text} from revision 5
    /// servers, a plain string from older ones.
    QString errorMessage() const;
};

} // namespace kesvor::net
