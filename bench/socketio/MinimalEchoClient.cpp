#include "socketio/MinimalEchoClient.h"

#include "shared/ThreadCpuTime.h"

#include <QtCore/QEventLoop>
#include <QtCore/QSocketNotifier>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <stdexcept>

namespace kesvor::bench {

namespace {

constexpr unsigned char finalText = 0x81;
constexpr unsigned char opcodeClose = 0x8;

[[noreturn]] void fail(const std::string& what)
{
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

} // namespace

MinimalEchoClient::MinimalEchoClient(int port, const std::string& namespaceName)
    : m_fd(::socket(AF_INET, SOCK_STREAM, 0))
    , m_namespace(namespaceName)
{
    if (m_fd < 0)
        fail("socket");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(uint16_t(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(m_fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        fail("connect");
    // The same as both real clients: frames leave at once.
    const int on = 1;
    ::setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);

    // The key is fixed: the service does not check it, and the answer's
    // accept value is not what is measured here.
    const std::string upgrade = "GET /socket.io/?EIO=4&transport=websocket HTTP/1.1\r\n"
                                "Host: 127.0.0.1\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                                "Sec-WebSocket-Key: a2Vzdm9yLWJlbmNobWFyaw==\r\n"
                                "Sec-WebSocket-Version: 13\r\n\r\n";
    if (::send(m_fd, upgrade.data(), upgrade.size(), MSG_NOSIGNAL) != ssize_t(upgrade.size()))
        fail("send");
    std::size_t headerEnd = std::string::npos;
    while ((headerEnd = m_received.find("\r\n\r\n")) == std::string::npos)
        fill();
    if (m_received.compare(0, 12, "HTTP/1.1 101") != 0)
        throw std::runtime_error("the service refused the upgrade: " + m_received.substr(0, 40));
    m_received.erase(0, headerEnd + 4);

    if (nextText().compare(0, 1, "0") != 0)
        throw std::runtime_error("no Engine.IO open packet");
    sendText("40" + m_namespace + ",");
    const std::string joined = nextText();
    if (joined.compare(0, 2 + m_namespace.size(), "40" + m_namespace) != 0)
        throw std::runtime_error("the namespace was refused: " + joined);
}

MinimalEchoClient::~MinimalEchoClient()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

// Keeps window events in flight, counts the echoes, answers pings, and
// measures the thread's times from its construction.
class MinimalEchoClient::Pump {
public:
    Pump(MinimalEchoClient& client, int total, int window, const std::string& payloadJson)
        : m_client(client)
        , m_total(total)
        , m_window(window)
        , m_prefix("42" + client.m_namespace + ",[\"echo\",")
        , m_suffix("," + payloadJson + "]")
    {
        fill();
    }

    bool done() const { return m_received == m_total; }

    void take(const std::string& text)
    {
        if (text == "2") {
            m_client.sendText("3");
            return;
        }
        ++m_received;
        fill();
    }

    ThreadTimes finished() const { return m_stopwatch.elapsed(); }

private:
    void fill()
    {
        while (m_sent < m_total && m_sent - m_received < m_window) {
            m_event = m_prefix + std::to_string(m_sent++) + m_suffix;
            m_client.sendText(m_event);
        }
    }

    MinimalEchoClient& m_client;
    const int m_total;
    const int m_window;
    const std::string m_prefix;
    const std::string m_suffix;
    std::string m_event;
    int m_sent = 0;
    int m_received = 0;
    const ThreadStopwatch m_stopwatch;
};

ThreadTimes MinimalEchoClient::run(int total, int window, const std::string& payloadJson)
{
    Pump pump(*this, total, window, payloadJson);
    while (!pump.done())
        pump.take(nextText());
    return pump.finished();
}

ThreadTimes MinimalEchoClient::runOnEventLoop(int total, int window, const std::string& payloadJson)
{
    // Reads must not block the loop; sends stay blocking, as in run().
    const int flags = ::fcntl(m_fd, F_GETFL);
    ::fcntl(m_fd, F_SETFL, flags | O_NONBLOCK);
    std::string error;
    QEventLoop loop;
    // The first events leave before the notifier exists; their echoes still
    // wake it, as it reports a socket that is readable, not a change.
    Pump pump(*this, total, window, payloadJson);
    QSocketNotifier readable(m_fd, QSocketNotifier::Read);
    QObject::connect(&readable, &QSocketNotifier::activated, &loop, [&] {
        // An exception must not cross the event loop: it ends the loop and is
        // thrown again below.
        try {
            if (!readAvailable())
                return;
            std::string text;
            while (!pump.done() && takeText(text))
                pump.take(text);
            if (pump.done())
                loop.quit();
        } catch (const std::runtime_error& failure) {
            error = failure.what();
            loop.quit();
        }
    });
    loop.exec();
    ::fcntl(m_fd, F_SETFL, flags);
    if (!error.empty())
        throw std::runtime_error(error);
    return pump.finished();
}

// A client's frames are masked; the mask is fixed, as the service does not
// care which it is.
void MinimalEchoClient::sendText(std::string_view text)
{
    static constexpr unsigned char mask[4] = {0x4b, 0x65, 0x73, 0x76};
    m_frame.clear();
    m_frame.push_back(char(finalText));
    if (text.size() < 126) {
        m_frame.push_back(char(0x80 | text.size()));
    } else if (text.size() <= 0xffff) {
        m_frame.push_back(char(0x80 | 126));
        m_frame.push_back(char(text.size() >> 8));
        m_frame.push_back(char(text.size() & 0xff));
    } else {
        throw std::runtime_error("a frame this long is not needed here");
    }
    m_frame.append(reinterpret_cast<const char*>(mask), 4);
    for (std::size_t i = 0; i < text.size(); ++i)
        m_frame.push_back(char(text[i] ^ char(mask[i & 3])));
    if (::send(m_fd, m_frame.data(), m_frame.size(), MSG_NOSIGNAL) != ssize_t(m_frame.size()))
        fail("send");
}

std::string MinimalEchoClient::nextText()
{
    std::string text;
    while (!takeText(text))
        fill();
    return text;
}

// Takes the next whole frame's text out of what was read; false until one is in.
bool MinimalEchoClient::takeText(std::string& text)
{
    if (m_received.size() < 2)
        return false;
    const auto byte = [&](std::size_t i) { return uint64_t(uint8_t(m_received[i])); };
    uint64_t length = byte(1) & 0x7f;
    std::size_t header = 2;
    if (length == 126) {
        header = 4;
        if (m_received.size() < header)
            return false;
        length = byte(2) << 8 | byte(3);
    } else if (length == 127) {
        header = 10;
        if (m_received.size() < header)
            return false;
        length = 0;
        for (std::size_t i = 2; i < header; ++i)
            length = length << 8 | byte(i);
    }
    if (m_received.size() < header + length)
        return false;
    if ((byte(0) & 0x0f) == opcodeClose)
        throw std::runtime_error("the service closed the connection");
    text.assign(m_received, header, length);
    m_received.erase(0, header + length);
    return true;
}

void MinimalEchoClient::fill()
{
    pollfd readable{m_fd, POLLIN, 0};
    if (::poll(&readable, 1, 60'000) != 1)
        throw std::runtime_error("the service did not answer within 60 s");
    readAvailable();
}

// False when a non-blocking read finds nothing yet.
bool MinimalEchoClient::readAvailable()
{
    char chunk[65536];
    const ssize_t count = ::read(m_fd, chunk, sizeof chunk);
    if (count == 0)
        throw std::runtime_error("the service closed the connection");
    if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
        return false;
    if (count < 0)
        fail("read");
    m_received.append(chunk, std::size_t(count));
    return true;
}

} // namespace kesvor::bench
