#include "net/SntpQuery.h"

#include "foundation/DebugLog.h"
#include "foundation/MainThread.h"

#include <QtCore/QRandomGenerator>
#include <QtCore/QTimer>
#include <QtCore/QtEndian>
#include <QtNetwork/QHostInfo>
#include <QtNetwork/QNetworkDatagram>
#include <QtNetwork/QUdpSocket>

#include <algorithm>

namespace kesvor::net {

namespace {

UnixNanoseconds wallClockNow()
{
    return std::chrono::duration_cast<UnixNanoseconds>(
        std::chrono::system_clock::now().time_since_epoch());
}

std::optional<quint16> parsePort(QStringView text)
{
    bool ok = false;
    const uint port = text.toUInt(&ok);
    if (!ok || port == 0 || port > 0xffff)
        return std::nullopt;
    return quint16(port);
}

QString kissCode(quint32 referenceId)
{
    QByteArray code(4, '\0');
    qToBigEndian(referenceId, code.data());
    return QString::fromLatin1(code);
}

} // namespace

std::optional<TimeServer> TimeServer::fromEntry(const QString& entry)
{
    const QString text = entry.trimmed();
    TimeServer server;
    std::optional<QStringView> portText;
    if (text.startsWith(QLatin1Char('['))) {
        const qsizetype close = text.indexOf(QLatin1Char(']'));
        if (close < 0)
            return std::nullopt;
        server.host = text.mid(1, close - 1);
        const QStringView rest = QStringView(text).mid(close + 1);
        if (!rest.isEmpty()) {
            if (!rest.startsWith(QLatin1Char(':')))
                return std::nullopt;
            portText = rest.mid(1);
        }
    } else if (text.count(QLatin1Char(':')) == 1) {
        const qsizetype colon = text.indexOf(QLatin1Char(':'));
        server.host = text.left(colon);
        portText = QStringView(text).mid(colon + 1);
    } else {
        server.host = text;
    }
    const bool hasSpace =
        std::any_of(server.host.cbegin(), server.host.cend(), [](QChar c) { return c.isSpace(); });
    if (server.host.isEmpty() || hasSpace)
        return std::nullopt;
    // Only an IPv6 address may contain colons.
    if (server.host.contains(QLatin1Char(':')) &&
        QHostAddress(server.host).protocol() != QAbstractSocket::IPv6Protocol)
        return std::nullopt;
    if (portText) {
        const auto port = parsePort(*portText);
        if (!port)
            return std::nullopt;
        server.port = *port;
    }
    return server;
}

SntpQuery::SntpQuery(const NetworkClockOptions& options, QObject* parent)
    : QObject(parent)
    , m_options(options)
    , m_socket(new QUdpSocket(this))
    , m_deadline(new QTimer(this))
{
    m_options.samplesPerServer = std::max(1, m_options.samplesPerServer);
    m_options.sampleInterval = std::max(m_options.sampleInterval, std::chrono::milliseconds(0));
    m_deadline->setSingleShot(true);
    connect(m_deadline, &QTimer::timeout, this, &SntpQuery::finish);
    connect(m_socket, &QUdpSocket::readyRead, this, &SntpQuery::readReplies);
}

SntpQuery::~SntpQuery() = default;

void SntpQuery::start()
{
    KESVOR_ASSERT_MAIN_THREAD();
    if (m_started)
        return;
    m_started = true;
    for (const QString& entry : std::as_const(m_options.servers)) {
        if (const auto name = TimeServer::fromEntry(entry)) {
            Server server;
            server.name = *name;
            m_servers.push_back(server);
        } else {
            KESVOR_DEBUG_LOG << "network clock: skipping the time server entry" << entry;
        }
    }
    // Dual-stack where the system offers IPv6, IPv4 alone otherwise.
    if (!m_socket->bind(QHostAddress::Any, 0) && !m_socket->bind(QHostAddress::AnyIPv4, 0)) {
        KESVOR_DEBUG_LOG << "network clock: no UDP socket:" << m_socket->errorString();
        finish();
        return;
    }
    m_deadline->start(std::max(m_options.timeout, std::chrono::milliseconds(0)));
    for (std::size_t i = 0; i < m_servers.size(); ++i)
        resolve(i);
    finishIfAllDone();
}

void SntpQuery::resolve(std::size_t index)
{
    QHostAddress literal;
    if (literal.setAddress(m_servers[index].name.host)) {
        m_servers[index].address = literal;
        sendRequest(index);
        return;
    }
    QHostInfo::lookupHost(m_servers[index].name.host, this,
                          [this, index](const QHostInfo& info) { resolved(index, info); });
}

void SntpQuery::resolved(std::size_t index, const QHostInfo& info)
{
    if (m_finished)
        return;
    const QList<QHostAddress> addresses = info.addresses();
    if (info.error() != QHostInfo::NoError || addresses.isEmpty()) {
        dropServer(index, "its name does not resolve");
        return;
    }
    // IPv4 first: it is routable on more networks than IPv6.
    const auto v4 = std::find_if(addresses.cbegin(), addresses.cend(), [](const QHostAddress& a) {
        return a.protocol() == QAbstractSocket::IPv4Protocol;
    });
    m_servers[index].address = v4 != addresses.cend() ? *v4 : addresses.first();
    sendRequest(index);
}

void SntpQuery::sendRequest(std::size_t index)
{
    Server& server = m_servers[index];
    if (m_finished || server.done || server.sent >= m_options.samplesPerServer)
        return;
    // A random transmit timestamp is echoed back as the originate timestamp:
    // it ties a reply to its request and cannot be guessed by a forger.
    NtpTimestamp nonce = 0;
    while (nonce == 0 || m_requests.count(nonce))
        nonce = QRandomGenerator::system()->generate64();
    const QByteArray datagram = SntpPacket::clientRequest(nonce).encode();
    const Request request{index, wallClockNow(), std::chrono::steady_clock::now()};
    if (m_socket->writeDatagram(datagram, server.address, server.name.port) != datagram.size()) {
        dropServer(index, "sending fails");
        return;
    }
    m_requests.emplace(nonce, request);
    if (++server.sent < m_options.samplesPerServer)
        scheduleNextRequest(index);
}

void SntpQuery::scheduleNextRequest(std::size_t index)
{
    QTimer::singleShot(m_options.sampleInterval, this, [this, index] { sendRequest(index); });
}

void SntpQuery::readReplies()
{
    // The round may finish, and close the socket, on any reply.
    while (!m_finished && m_socket->hasPendingDatagrams())
        handleReply(m_socket->receiveDatagram());
}

void SntpQuery::handleReply(const QNetworkDatagram& datagram)
{
    const auto arrived = std::chrono::steady_clock::now();
    const auto reply = SntpPacket::decode(datagram.data());
    if (!reply) {
        KESVOR_DEBUG_LOG << "network clock: ignoring a datagram of" << datagram.data().size()
                         << "bytes";
        return;
    }
    const auto found = m_requests.find(reply->originateTimestamp);
    if (found == m_requests.end()) {
        KESVOR_DEBUG_LOG << "network clock: ignoring a reply to no open request";
        return;
    }
    const Request request = found->second;
    Server& server = m_servers[request.server];
    const bool fromServer =
        datagram.senderAddress().isEqual(server.address, QHostAddress::TolerantConversion) &&
        datagram.senderPort() == server.name.port;
    if (!fromServer || server.done) {
        KESVOR_DEBUG_LOG << "network clock: ignoring a reply from" << datagram.senderAddress()
                         << datagram.senderPort();
        return;
    }
    switch (classifyReply(*reply)) {
    case SntpReplyKind::KissOfDeath:
        KESVOR_DEBUG_LOG << "network clock: kiss-of-death" << kissCode(reply->referenceId) << "from"
                         << describe(request.server);
        dropServer(request.server, "it sent a kiss-of-death");
        return;
    case SntpReplyKind::Unusable:
        KESVOR_DEBUG_LOG << "network clock: ignoring an unusable reply from"
                         << describe(request.server);
        return;
    case SntpReplyKind::Usable:
        break;
    }
    // The receive time is measured on the monotonic clock, so a wall-clock
    // step during the exchange cannot distort the round trip.
    const UnixNanoseconds t4 =
        request.sentAt + std::chrono::duration_cast<UnixNanoseconds>(arrived - request.sentSteady);
    const auto sample =
        SntpSample::measure(request.sentAt, reply->receiveTimestamp, reply->transmitTimestamp, t4);
    if (!sample) {
        KESVOR_DEBUG_LOG << "network clock: ignoring inconsistent timestamps from"
                         << describe(request.server);
        return;
    }
    m_requests.erase(found);
    m_samples.push_back(*sample);
    if (++server.answered >= m_options.samplesPerServer)
        server.done = true;
    Q_EMIT sampleArrived();
    finishIfAllDone();
}

void SntpQuery::dropServer(std::size_t index, const char* reason)
{
    m_servers[index].done = true;
    KESVOR_DEBUG_LOG << "network clock: leaving out" << describe(index) << "because" << reason;
    finishIfAllDone();
}

void SntpQuery::finishIfAllDone()
{
    if (std::all_of(m_servers.cbegin(), m_servers.cend(), [](const Server& s) { return s.done; }))
        finish();
}

void SntpQuery::finish()
{
    if (m_finished)
        return;
    m_finished = true;
    m_deadline->stop();
    m_socket->close();
    KESVOR_DEBUG_LOG << "network clock: round finished with" << m_samples.size() << "samples";
    // Always after start() has returned, so a caller never sees the end of a
    // round from inside the call that began it.
    QMetaObject::invokeMethod(this, &SntpQuery::finished, Qt::QueuedConnection);
}

QString SntpQuery::describe(std::size_t index) const
{
    const TimeServer& name = m_servers[index].name;
    return name.host + QLatin1Char(':') + QString::number(name.port);
}

} // namespace kesvor::net
