#pragma once

#include "kesvor/KesvorGlobal.h"
#include "kesvor/KesvorMetaUserInfo.h"
#include "kesvor/KesvorVersion.h"

#include <QtCore/QString>
#include <QtCore/QVariantMap>

#include <optional>

class QTimer;

namespace kesvor {

namespace ui {
class Window;
}

/// The SDK's entry point. Every operation is static and every piece of session
/// state is process-wide. Call everything on the main (GUI) thread.
///
/// Typical use: initWithToken() at launch, optionally setCustomerId() and/or
/// setMetaUserinfo(), then show() when the user asks for support.
class KESVOR_EXPORT Kesvor {
public:
    /// Instances carry no state; everything is reached through static members.
    Kesvor() = default;

    /// Stores the business token (replacing an earlier one) and loads the
    /// customer record persisted by an earlier session. No network traffic.
    static void initWithToken(const QString& token);

    /// Opens the conversation in a window of the SDK's own over the host's
    /// top-level window, sliding up from below (0.3 s). Shows nothing without
    /// a token from initWithToken() or without a host window. A second call
    /// replaces the window shown before.
    static void show();

    /// Deletes every stored message. The stored customer record stays.
    static void clearChat();

    /// The host's own identifier for the end user. Changing it to an id other
    /// than the stored customer's deletes the stored messages and record.
    static std::optional<QString> customerId();
    static void setCustomerId(const std::optional<QString>& customerId);

    /// End-user metadata. Assigning it also sets customerId() to its KUserId
    /// entry (or to nothing when it has none).
    static std::optional<KesvorMetaUserInfo> metaUserinfo();
    static void setMetaUserinfo(const std::optional<KesvorMetaUserInfo>& metaUserinfo);

    /// \internal Session state shared by the SDK's components; not for hosts.
    /// @{
    static std::optional<QString> businessToken();
    static void setBusinessToken(const std::optional<QString>& token);
    static std::optional<QString> businessId();
    static void setBusinessId(const std::optional<QString>& businessId);
    static std::optional<QString> businessName();
    static void setBusinessName(const std::optional<QString>& businessName);
    static bool isBusinessVerified();
    static void setIsBusinessVerified(bool verified);
    /// The customer record as the service returned it at sign-up.
    static std::optional<QVariantMap> user();
    static void setUser(const std::optional<QVariantMap>& user);
    /// The push device token as upper-case hexadecimal.
    static std::optional<QString> deviceToken();
    static void setDeviceToken(const std::optional<QString>& token);
    /// Keeps the push device token and, once a customer has signed up, sends
    /// it to the service with that customer's id; before that it waits for
    /// the next sign-up.
    static void registerDeviceToken(const QString& token);

    /// Removes the persisted customer record; the in-memory user() stays.
    static void clearStoredUser();

    /// The conversation window while it is open. Setting another window
    /// releases (deletes) the one held before.
    static ui::Window* window();
    static void setWindow(ui::Window* window);
    /// The push banner's window, with the same release rule.
    static ui::Window* notificationWindow();
    static void setNotificationWindow(ui::Window* window);
    /// The banner's auto-hide timer; a replaced timer is stopped and deleted.
    static QTimer* timer();
    static void setTimer(QTimer* timer);

    /// Slides window() to the top of the screen (0.3 s).
    static void present();
    /// Slides window() off the bottom of the screen (0.3 s), then releases
    /// it. Without a window nothing moves and nothing fails.
    static void dismiss();
    /// @}
};

} // namespace kesvor
