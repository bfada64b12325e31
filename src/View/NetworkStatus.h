#pragma once

#include "View/NetworkReachabilityManager.h"

#include <memory>

namespace kesvor {

/// The process-wide connectivity monitor: watches the route to a well-known
/// public host (the build-time reachability host). When the network becomes
/// reachable it runs the start-up chain again; when it is lost it closes the
/// socket session's connection. It does not poll: the system's network
/// information reports changes, and each disconnection of the socket session
/// (a drop, every attempt to get the connection back) makes it look at the
/// route again. Main thread.
class NetworkStatus {
public:
    static constexpr auto reachableOverWiFiLine =
        "The network is reachable over the WiFi connection";
    static constexpr auto reachableOverWWANLine =
        "The network is reachable over the WWAN connection";
    static constexpr auto notReachableLine = "The network is not reachable";
    static constexpr auto unknownLine = "It is unknown whether the network is reachable";

    static NetworkStatus& sharedInstance();

    NetworkStatus(const NetworkStatus&) = delete;
    NetworkStatus& operator=(const NetworkStatus&) = delete;

    /// Null when the watched host cannot be watched.
    NetworkReachabilityManager* reachabilityManager() const { return m_reachabilityManager.get(); }

    void startListening();
    void stopListening();

    /// Reachable over WWAN or over Ethernet/Wi-Fi now; false without a manager.
    bool isReachable();

    /// Looks at the route again now (a failing connection may mean a lost
    /// network); a change reaches the listener as any other.
    void checkRoute();

    /// The shared listener: prints the status's console line, then connects
    /// or disconnects.
    static void
    networkStatusChanged(const NetworkReachabilityManager::NetworkReachabilityStatus& status);

private:
    NetworkStatus();
    ~NetworkStatus();
    static void applicationDidTerminate();

    std::unique_ptr<NetworkReachabilityManager> m_reachabilityManager;
};

} // namespace kesvor
