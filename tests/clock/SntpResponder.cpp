#include "clock/SntpResponder.h"

#include <QtCore/QDateTime>
#include <QtCore/QRandomGenerator>
#include <QtCore/QTimer>
#include <QtNetwork/QNetworkDatagram>

namespace kesvor::test {

namespace {

using namespace std::chrono_literals;

constexpr int headerSize = 48;
constexpr auto bogusShift = 1h;

void putBigEndian64(QByteArray& bytes, int at, quint64 value)
{
    for (int i = 0; i < 8; ++i)
        bytes[at + i] = char(value >> (56 - 8 * i));
}

// Seconds since 1900 and a 32-bit binary fraction, from the machine's clock.
quint64 ntpNow(std::chrono::milliseconds offset)
{
    const qint64 ms = QDateTime::currentMSecsSinceEpoch() + offset.count();
    const quint64 seconds = quint64(ms / 1000 + 2'208'988'800LL);
    const quint64 fraction = (quint64(ms % 1000) << 32) / 1000;
    return (seconds << 32) | fraction;
}

} // namespace

SntpResponder::SntpResponder(std::chrono::milliseconds offset, const QHostAddress& address)
    : m_offset(offset)
{
    m_socket.bind(address, 0);
    m_foreign.bind(address, 0);
    connect(&m_socket, &QUdpSocket::readyRead, this, [this] {
        while (m_socket.hasPendingDatagrams()) {
            const QNetworkDatagram datagram = m_socket.receiveDatagram();
            if (datagram.data().size() >= headerSize)
                answer(datagram.data(), datagram.senderAddress(), quint16(datagram.senderPort()));
        }
    });
}

QString SntpResponder::entry(const QString& host) const
{
    return host + QLatin1Char(':') + QString::number(port());
}

void SntpResponder::setFlaw(Flaw flaw, bool properAnswers)
{
    m_flaw = flaw;
    m_properAnswers = properAnswers;
}

void SntpResponder::answer(const QByteArray& request, const QHostAddress& peer, quint16 port)
{
    const bool hold = m_hold > 0ms && m_requests % 2 == 0;
    ++m_requests;
    if (m_silent)
        return;
    if (m_flaw != Flaw::None)
        sendFlawed(request, peer, port);
    if (!m_properAnswers)
        return;
    const QByteArray proper = reply(request, m_offset);
    if (!hold) {
        m_socket.writeDatagram(proper, peer, port);
        return;
    }
    QTimer::singleShot(m_hold, this,
                       [this, proper, peer, port] { m_socket.writeDatagram(proper, peer, port); });
}

void SntpResponder::sendFlawed(const QByteArray& request, const QHostAddress& peer, quint16 port)
{
    QByteArray bad = reply(request, m_offset + bogusShift);
    switch (m_flaw) {
    case Flaw::None:
        return;
    case Flaw::ShortPacket:
        bad.chop(1);
        break;
    case Flaw::ClientMode:
        bad[0] = char((bad[0] & ~0x7) | 3);
        break;
    case Flaw::BroadcastMode:
        bad[0] = char((bad[0] & ~0x7) | 5);
        break;
    case Flaw::ZeroTransmit:
        putBigEndian64(bad, 40, 0);
        break;
    case Flaw::AlarmLeap:
        bad[0] = char(bad[0] | 0xc0);
        break;
    case Flaw::Unsynchronised:
        bad[1] = char(16);
        break;
    case Flaw::KissOfDeath:
        bad[1] = 0;
        bad.replace(12, 4, "RATE");
        break;
    case Flaw::WrongOriginate:
        bad[31] = char(bad[31] ^ 0x01);
        break;
    case Flaw::ForeignSource:
        m_foreign.writeDatagram(bad, peer, port);
        return;
    case Flaw::Garbage:
        bad.resize(QRandomGenerator::global()->bounded(96));
        for (char& byte : bad)
            byte = char(QRandomGenerator::global()->bounded(256));
        break;
    }
    m_socket.writeDatagram(bad, peer, port);
}

QByteArray SntpResponder::reply(const QByteArray& request, std::chrono::milliseconds offset) const
{
    QByteArray bytes(headerSize, '\0');
    bytes[0] = char((4 << 3) | 4); // no leap warning, version 4, server
    bytes[1] = char(2);
    bytes[2] = char(6);
    bytes[3] = char(-20);
    const quint64 now = ntpNow(offset);
    putBigEndian64(bytes, 16, now);
    bytes.replace(24, 8, request.mid(40, 8)); // the request's transmit time, echoed
    putBigEndian64(bytes, 32, now);
    putBigEndian64(bytes, 40, now);
    return bytes;
}

} // namespace kesvor::test
