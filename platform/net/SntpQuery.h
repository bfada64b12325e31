#pragma once

#include "net/NetworkClockOptions.h"
#include "net/SntpPacket.h"

#include <QtCore/QObject>
#include <QtCore/QString>
#include <QtNetwork/QHostAddress>

#include <chrono>
#include <optional>
#include <unordered_map>
#include <vector>

class QHostInfo;
class QNetworkDatagram;
class QTimer;
class QUdpSocket;

namespace kesvor::net {

/// A time server as its user names it.
struct TimeServer {
    static constexpr quint16 defaultPort = 123;

    QString host;
    quint16 port = defaultPort;

    /// Reads "host", "host:port", "[IPv6]:port" or a bare IPv6 address;
    /// nothing for an empty entry, an empty host or a bad port.
    static std::optional<TimeServer> fromEntry(const QString& entry);
};

/// One synchronisation round over one UDP socket: every server is asked for
/// several samples, spaced apart, and the usable replies are kept. The round
/// finishes when every server has answered all its requests or dropped out, or
/// when the time limit passes. Replies are matched to requests by a random
/// transmit timestamp and by their source; anything else is ignored. Main thread.
class SntpQuery : public QObject {
    Q_OBJECT
public:
    explicit SntpQuery(const NetworkClockOptions& options, QObject* parent = nullptr);
    ~SntpQuery() override;

    /// Starts resolving and asking; finished() is emitted exactly once afterwards.
    void start();
    bool isFinished() const { return m_finished; }
    /// The usable samples, in arrival order.
    const std::vector<SntpSample>& samples() const { return m_samples; }

Q_SIGNALS:
    /// A usable sample was added to samples().
    void sampleArrived();
    void finished();

private:
    struct Server {
        TimeServer name;
        QHostAddress address;
        int sent = 0;
        int answered = 0;
        bool done = false;
    };
    struct Request {
        std::size_t server;
        UnixNanoseconds sentAt;
        std::chrono::steady_clock::time_point sentSteady;
    };

    void resolve(std::size_t index);
    void resolved(std::size_t index, const QHostInfo& info);
    void sendRequest(std::size_t index);
    void scheduleNextRequest(std::size_t index);
    void readReplies();
    void handleReply(const QNetworkDatagram& datagram);
    void dropServer(std::size_t index, const char* reason);
    void finishIfAllDone();
    void finish();
    QString describe(std::size_t index) const;

    NetworkClockOptions m_options;
    std::vector<Server> m_servers;
    std::unordered_map<NtpTimestamp, Request> m_requests;
    std::vector<SntpSample> m_samples;
    QUdpSocket* m_socket;
    QTimer* m_deadline;
    bool m_started = false;
    bool m_finished = false;
};

} // namespace kesvor::net
