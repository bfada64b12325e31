#pragma once

#include <QtCore/QObject>
#include <QtNetwork/QHostAddress>
#include <QtNetwork/QUdpSocket>

#include <chrono>

namespace kesvor::test {

/// A time server on loopback whose clock runs a chosen offset from the
/// machine's. It encodes its replies byte by byte, independently of the
/// client's codec.
class SntpResponder : public QObject {
    Q_OBJECT
public:
    /// Kinds of reply a client must not trust.
    enum class Flaw {
        None,
        ShortPacket,
        ClientMode,
        BroadcastMode,
        ZeroTransmit,
        AlarmLeap,
        Unsynchronised,
        KissOfDeath,
        WrongOriginate,
        ForeignSource,
        Garbage,
    };
    Q_ENUM(Flaw)

    explicit SntpResponder(std::chrono::milliseconds offset,
                           const QHostAddress& address = QHostAddress::LocalHost);

    bool isListening() const { return m_socket.state() == QAbstractSocket::BoundState; }
    quint16 port() const { return m_socket.localPort(); }
    /// "host:port" as a clock's server list takes it.
    QString entry(const QString& host = QStringLiteral("127.0.0.1")) const;
    int requests() const { return m_requests; }

    /// Every request is first answered with a reply of this flaw, carrying a
    /// time an hour off; then properly, unless properAnswers is false.
    void setFlaw(Flaw flaw, bool properAnswers = true);
    /// Every other reply (the first, third, ...) waits this long after being
    /// stamped, a round trip made long on the way back only.
    void holdAlternateReplies(std::chrono::milliseconds hold) { m_hold = hold; }
    /// Reads requests and never answers.
    void setSilent(bool silent) { m_silent = silent; }

private:
    void answer(const QByteArray& request, const QHostAddress& peer, quint16 port);
    void sendFlawed(const QByteArray& request, const QHostAddress& peer, quint16 port);
    QByteArray reply(const QByteArray& request, std::chrono::milliseconds offset) const;

    std::chrono::milliseconds m_offset;
    QUdpSocket m_socket;
    QUdpSocket m_foreign;
    Flaw m_flaw = Flaw::None;
    bool m_properAnswers = true;
    bool m_silent = false;
    std::chrono::milliseconds m_hold{0};
    int m_requests = 0;
};

} // namespace kesvor::test
