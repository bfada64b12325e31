#pragma once

#include "Service/Request.h"

#include "foundation/Error.h"

#include <QtCore/QString>
#include <QtCore/QVariantMap>

#include <functional>
#include <memory>
#include <optional>

namespace kesvor {

/// The client of the service's JSON API and the start-up chain built on it:
/// verify the business, sign the customer up, send the device token, wait
/// for the network clock, connect the socket. Main thread; every response
/// is handled there.
class WebServiceManager {
public:
    static constexpr auto verifyPath = "/business/api/v1/verify";
    static constexpr auto signUpPath = "/user/api/v1/signup";
    static constexpr auto updatePath = "/user/api/v1/update";

    static constexpr auto noTokenLine =
        "Kesvor [Error]: Please specify token string in the initWithToken.";
    static constexpr auto invalidTokenLine =
        "Kesvor [Error]: token string specified in initWithToken is not valid.";
    static constexpr auto noInternetMessage =
        "No internet connection. Please check your internet settings.";
    static constexpr auto somethingWentWrongMessage =
        "Something went wrong. Please try again in sometime.";

    static WebServiceManager& sharedInstance();

    WebServiceManager(const WebServiceManager&) = delete;
    WebServiceManager& operator=(const WebServiceManager&) = delete;

    /// Runs the start-up chain from the start. A failed step shows its alert
    /// or console line and ends the chain; nothing is retried. A call while
    /// a chain runs joins it (the screen's first appearance and the network
    /// listener's first report both ask), so the customer signs up once.
    void connectClient();
    /// True from connectClient() until its chain connects or fails.
    bool isConnecting() const { return !m_runningChain.expired(); }

    /// Calls completionHandler once the business token is verified: at once
    /// when it already is, after the service accepted it otherwise.
    void verifyBuisness(std::function<void()> completionHandler);
    /// Posts the sign-up body user; completionHandler gets the raw outcome.
    void signUp(const QVariantMap& user, Request::CompletionHandler completionHandler);
    /// Posts data ({"userId", "deviceToken"}) to the update endpoint.
    void updateUser(const QVariantMap& data);

    /// The customer id to sign up with: the host's customerId() when set,
    /// else the stored customer's. A host id that differs from the stored
    /// customer's first deletes that customer's messages and stored record.
    std::optional<QString> getCustomerId();

private:
    WebServiceManager() = default;

    static QString urlFor(const char* path);
    static bool isReachableBeforeRequest();
    static bool checkForError(const std::optional<foundation::Error>& error,
                              const std::optional<QVariantMap>& result);

    // Every step of a chain holds its token; the chain has ended when no
    // step holds it any more, or when it reached the connect step.
    using ChainToken = std::shared_ptr<int>;

    void signUpStep(const ChainToken& chain);
    void signUpResponse(const ChainToken& chain, const std::optional<foundation::Error>& error,
                        const std::optional<QVariantMap>& result);
    void connectStep();

    std::weak_ptr<int> m_runningChain;
};

} // namespace kesvor
