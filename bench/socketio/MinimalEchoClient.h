#pragma once

#include "shared/ThreadCpuTime.h"

#include <string>
#include <string_view>

namespace kesvor::bench {

/// The least work a client can do for an "echo" round trip with the stand-in
/// service: one blocking TCP socket, WebSocket frames built and read in place,
/// and per round trip one poll, one read and one send, with no event loop, no
/// item values and no allocation beyond the strings. What it reaches against
/// the service is the most any client can reach on the same machine, so the
/// benchmark shows it beside the two real clients.
class MinimalEchoClient {
public:
    /// Connects to 127.0.0.1:port and joins namespaceName; throws
    /// std::runtime_error when the service cannot be reached or refuses.
    MinimalEchoClient(int port, const std::string& namespaceName);
    ~MinimalEchoClient();
    MinimalEchoClient(const MinimalEchoClient&) = delete;
    MinimalEchoClient& operator=(const MinimalEchoClient&) = delete;

    /// Keeps window "echo" events with payloadJson in flight until total
    /// have come back, answering the service's pings; the thread's CPU time
    /// over them. Throws std::runtime_error when the connection fails.
    ThreadTimes run(int total, int window, const std::string& payloadJson);

    /// The same round trips, woken by Qt's event loop through a socket
    /// notifier instead of waiting in poll: the least an event-loop client
    /// can do. Throws std::runtime_error when the connection fails.
    ThreadTimes runOnEventLoop(int total, int window, const std::string& payloadJson);

private:
    class Pump;

    void sendText(std::string_view text);
    bool takeText(std::string& text);
    std::string nextText();
    void fill();
    bool readAvailable();

    int m_fd = -1;
    std::string m_namespace;
    std::string m_received;
    std::string m_frame;
};

} // namespace kesvor::bench
