#include "net/SntpPacket.h"

#include <QtCore/QtEndian>

#include <algorithm>

namespace kesvor::net {

namespace {

constexpr qint64 secondsFrom1900To1970 = 2'208'988'800;
constexpr qint64 nanosecondsPerSecond = 1'000'000'000;
constexpr quint64 era0Bit = quint64(1) << 31;

// Clients and servers tick at different resolutions, so a very short round
// trip can come out slightly negative; beyond this the reply is nonsense.
constexpr std::chrono::nanoseconds negativeDelayTolerance = std::chrono::milliseconds(1);

template <typename T> void put(QByteArray& bytes, qsizetype at, T value)
{
    qToBigEndian(value, bytes.data() + at);
}

template <typename T> T take(QByteArrayView bytes, qsizetype at)
{
    return qFromBigEndian<T>(bytes.data() + at);
}

} // namespace

NtpTimestamp ntp::fromUnix(UnixNanoseconds time)
{
    qint64 seconds = time.count() / nanosecondsPerSecond;
    qint64 rest = time.count() % nanosecondsPerSecond;
    if (rest < 0) {
        rest += nanosecondsPerSecond;
        --seconds;
    }
    const quint64 ntpSeconds = quint64(seconds + secondsFrom1900To1970) & 0xffff'ffffU;
    const quint64 fraction = (quint64(rest) << 32) / nanosecondsPerSecond;
    return (ntpSeconds << 32) | fraction;
}

UnixNanoseconds ntp::toUnix(NtpTimestamp timestamp)
{
    const quint64 ntpSeconds = timestamp >> 32;
    const quint64 fraction = timestamp & 0xffff'ffffU;
    qint64 seconds = qint64(ntpSeconds) - secondsFrom1900To1970;
    if (!(ntpSeconds & era0Bit))
        seconds += qint64(1) << 32;
    const auto nanoseconds = qint64((fraction * nanosecondsPerSecond + (quint64(1) << 31)) >> 32);
    return UnixNanoseconds(seconds * nanosecondsPerSecond + nanoseconds);
}

SntpPacket SntpPacket::clientRequest(NtpTimestamp transmit)
{
    SntpPacket packet;
    packet.transmitTimestamp = transmit;
    return packet;
}

QByteArray SntpPacket::encode() const
{
    QByteArray bytes(size, '\0');
    bytes[0] = char(((leapIndicator & 0x3) << 6) | ((version & 0x7) << 3) | (mode & 0x7));
    bytes[1] = char(stratum);
    bytes[2] = char(poll);
    bytes[3] = char(precision);
    put(bytes, 4, rootDelay);
    put(bytes, 8, rootDispersion);
    put(bytes, 12, referenceId);
    put(bytes, 16, referenceTimestamp);
    put(bytes, 24, originateTimestamp);
    put(bytes, 32, receiveTimestamp);
    put(bytes, 40, transmitTimestamp);
    return bytes;
}

std::optional<SntpPacket> SntpPacket::decode(QByteArrayView datagram)
{
    if (datagram.size() < size)
        return std::nullopt;
    const auto first = quint8(datagram[0]);
    SntpPacket packet;
    packet.leapIndicator = first >> 6;
    packet.version = (first >> 3) & 0x7;
    packet.mode = first & 0x7;
    packet.stratum = quint8(datagram[1]);
    packet.poll = qint8(datagram[2]);
    packet.precision = qint8(datagram[3]);
    packet.rootDelay = take<quint32>(datagram, 4);
    packet.rootDispersion = take<quint32>(datagram, 8);
    packet.referenceId = take<quint32>(datagram, 12);
    packet.referenceTimestamp = take<quint64>(datagram, 16);
    packet.originateTimestamp = take<quint64>(datagram, 24);
    packet.receiveTimestamp = take<quint64>(datagram, 32);
    packet.transmitTimestamp = take<quint64>(datagram, 40);
    return packet;
}

SntpReplyKind classifyReply(const SntpPacket& reply)
{
    if (reply.mode != SntpPacket::Server || reply.version < 1 || reply.version > 4)
        return SntpReplyKind::Unusable;
    if (reply.stratum == 0)
        return SntpReplyKind::KissOfDeath;
    if (reply.stratum > SntpPacket::maxStratum || reply.leapIndicator == SntpPacket::alarmCondition)
        return SntpReplyKind::Unusable;
    if (reply.receiveTimestamp == 0 || reply.transmitTimestamp == 0)
        return SntpReplyKind::Unusable;
    return SntpReplyKind::Usable;
}

std::optional<SntpSample> SntpSample::measure(UnixNanoseconds t1, NtpTimestamp t2, NtpTimestamp t3,
                                              UnixNanoseconds t4)
{
    const UnixNanoseconds received = ntp::toUnix(t2);
    const UnixNanoseconds sent = ntp::toUnix(t3);
    const std::chrono::nanoseconds held = sent - received;
    const std::chrono::nanoseconds delay = (t4 - t1) - held;
    if (held.count() < 0 || delay < -negativeDelayTolerance)
        return std::nullopt;
    // Halved separately: each difference alone may span most of the 136-year range.
    const std::chrono::nanoseconds offset = (received - t1) / 2 + (sent - t4) / 2;
    return SntpSample{offset, std::max(delay, std::chrono::nanoseconds(0))};
}

std::optional<std::chrono::nanoseconds> bestOffset(std::vector<SntpSample> samples)
{
    if (samples.empty())
        return std::nullopt;
    std::sort(samples.begin(), samples.end(),
              [](const SntpSample& a, const SntpSample& b) { return a.delay < b.delay; });
    std::vector<std::chrono::nanoseconds> offsets;
    const std::size_t kept = (samples.size() + 1) / 2;
    for (std::size_t i = 0; i < kept; ++i)
        offsets.push_back(samples[i].offset);
    std::sort(offsets.begin(), offsets.end());
    const std::size_t middle = kept / 2;
    if (kept % 2 == 1)
        return offsets[middle];
    return offsets[middle - 1] + (offsets[middle] - offsets[middle - 1]) / 2;
}

} // namespace kesvor::net
