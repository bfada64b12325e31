#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QByteArrayView>

#include <chrono>
#include <optional>
#include <vector>

namespace kesvor::net {

/// An NTP timestamp: seconds since 1900-01-01 UTC in the high 32 bits, the
/// binary fraction of a second in the low 32 bits. Zero means "not set".
using NtpTimestamp = quint64;

/// Nanoseconds since the Unix epoch, the client's own notion of wall time.
using UnixNanoseconds = std::chrono::nanoseconds;

namespace ntp {

/// Converts wall time to an NTP timestamp (the seconds wrap every 2^32 s).
NtpTimestamp fromUnix(UnixNanoseconds time);
/// Converts an NTP timestamp back to wall time. Seconds with the top bit
/// clear are read as the era that starts in 2036, so timestamps cover
/// 1968 to 2104 without ambiguity.
UnixNanoseconds toUnix(NtpTimestamp timestamp);

} // namespace ntp

/// The 48-byte header every SNTP request and reply consists of (fields in wire
/// order). Extension fields and authenticators after it are ignored.
struct SntpPacket {
    static constexpr qsizetype size = 48;

    enum Mode : quint8 { Client = 3, Server = 4 };
    /// Leap indicator value of a server whose clock is not synchronised.
    static constexpr quint8 alarmCondition = 3;
    /// Highest stratum of a synchronised server; 0 marks a kiss-of-death.
    static constexpr quint8 maxStratum = 15;

    quint8 leapIndicator = 0;
    quint8 version = 4;
    quint8 mode = Client;
    quint8 stratum = 0;
    qint8 poll = 0;
    qint8 precision = 0;
    quint32 rootDelay = 0;
    quint32 rootDispersion = 0;
    /// For a kiss-of-death, four ASCII letters naming the reason ("RATE", "DENY").
    quint32 referenceId = 0;
    NtpTimestamp referenceTimestamp = 0;
    NtpTimestamp originateTimestamp = 0;
    NtpTimestamp receiveTimestamp = 0;
    NtpTimestamp transmitTimestamp = 0;

    /// A client request; the server copies transmit into its reply's
    /// originate field, which ties the reply to this request.
    static SntpPacket clientRequest(NtpTimestamp transmit);

    QByteArray encode() const;
    /// Nothing when the datagram is shorter than a header.
    static std::optional<SntpPacket> decode(QByteArrayView datagram);

    friend bool operator==(const SntpPacket&, const SntpPacket&) = default;
};

enum class SntpReplyKind {
    Usable,
    /// The server asks the client to stop querying it.
    KissOfDeath,
    /// Not a server reply, or one carrying no trustworthy time.
    Unusable,
};

/// Judges a decoded reply on its own fields; matching it to a request is the
/// caller's part.
SntpReplyKind classifyReply(const SntpPacket& reply);

/// One exchange: how far the server's clock is ahead of ours, and the round
/// trip spent on the network.
struct SntpSample {
    std::chrono::nanoseconds offset{0};
    std::chrono::nanoseconds delay{0};

    /// From the client's send time t1 and receive time t4 and the server's
    /// receive time t2 and transmit time t3. Nothing when the server claims to
    /// have held the request longer than the whole round trip.
    static std::optional<SntpSample> measure(UnixNanoseconds t1, NtpTimestamp t2, NtpTimestamp t3,
                                             UnixNanoseconds t4);
};

/// The clock offset a set of samples supports: the median offset of the half
/// with the shortest round trips, since a longer trip leaves more room for
/// asymmetric delays. Nothing without samples.
std::optional<std::chrono::nanoseconds> bestOffset(std::vector<SntpSample> samples);

} // namespace kesvor::net
