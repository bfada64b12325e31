#pragma once

#include "NetworkReachabilityManager.h"

#include <memory>

namespace kesvor {

/// The process-wide connectivity monitor: watches the route to a well-known
/// public host (the build-time reachability host). Main thread.
class NetworkStatus {
public:
    static NetworkStatus& sharedInstance();

    NetworkStatus(const NetworkStatus&) = delete;
    NetworkStatus& operator=(const NetworkStatus&) = delete;

    /// Null when the watched host cannot be watched.
    NetworkReachabilityManager* reachabilityManager() const { return m_reachabilityManager.get(); }

    void startListening();
    void stopListening();

    /// Reachable over WWAN or over Ethernet/Wi-Fi now; false without a manager.
    bool isReachable();

private:
    NetworkStatus();
    ~NetworkStatus();
    static void applicationDidTerminate();

    std::unique_ptr<NetworkReachabilityManager> m_reachabilityManager;
};

} // namespace kesvor
