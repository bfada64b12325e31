#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QByteArrayView>
#include <QtCore/QString>
#include <QtCore/QUrl>

#include <optional>

namespace kesvor::net {

/// One Engine.IO packet of the WebSocket transport: a type digit followed by
/// its data, carried in one text frame.
struct EngineIOPacket {
    enum class Type : char {
        Open = '0',
        Close = '1',
        Ping = '2',
        Pong = '3',
        Message = '4',
        Upgrade = '5',
        Noop = '6',
    };

    Type type = Type::Noop;
    QByteArray data;

    /// The packet of a text frame, or nothing for an empty frame or an unknown type.
    static std::optional<EngineIOPacket> decode(QByteArrayView frame);
    /// The type a frame's first character announces, or nothing for an unknown one.
    static std::optional<Type> typeOf(char16_t first);
    static QByteArray encode(Type type, QByteArrayView data = {});
};

/// What the server's open packet announces about the session.
struct EngineIOHandshake {
    QString sid;
    int pingIntervalMs = 25'000;
    int pingTimeoutMs = 20'000;
    /// Largest packet the server accepts; 0 when it does not say (revision 3).
    qint64 maxPayload = 0;

    /// The handshake from the open packet's JSON, or nothing when it is not an
    /// object with a non-empty "sid" and positive whole-number timings.
    static std::optional<EngineIOHandshake> decode(QByteArrayView json);

    /// The WebSocket URL that starts a session: the server's scheme (http and
    /// ws become ws, https and wss become wss), host, port and query, the
    /// Engine.IO path, and the protocol revision. Nothing for another scheme
    /// or a URL without a host.
    static std::optional<QUrl> requestUrl(const QUrl& server, QString path, int revision);
};

} // namespace kesvor::net
