#pragma once

#include <QtCore/QStringList>

#include <chrono>

namespace kesvor::net {

/// How a network clock synchronises.
struct NetworkClockOptions {
    /// Time servers as "host", "host:port", "[IPv6]:port" or a bare IPv6
    /// address; the port defaults to 123. Entries that cannot be used are skipped.
    QStringList servers;
    /// Requests sent to each server per synchronisation.
    int samplesPerServer = 4;
    /// Pause between two requests to the same server.
    std::chrono::milliseconds sampleInterval{250};
    /// A synchronisation completes with the first usable answer; without one
    /// it completes after this long, on the offset it had, while the round
    /// goes on listening until timeout.
    std::chrono::milliseconds answerTimeout{1000};
    /// The round ends after this long even when servers stay silent; answers
    /// until then refine the offset.
    std::chrono::milliseconds timeout{3000};
};

} // namespace kesvor::net
