#pragma once

#include "kesvor/KesvorGlobal.h"
#include "kesvor/KesvorMetaUserInfo.h"
#include "kesvor/KesvorVersion.h"

#include <QtCore/QByteArray>
#include <QtCore/QString>
#include <QtCore/QVariantMap>

#include <optional>

namespace kesvor {

/// The SDK's entry point. Every operation is static and the session is
/// process-wide. Call everything on the main (GUI) thread.
///
/// Typical use: initWithToken() at launch, optionally setCustomerId() and/or
/// setMetaUserinfo(), handleLaunchOptions() with the launch's options, then
/// show() when the user asks for support.
class KESVOR_EXPORT Kesvor {
public:
    /// Instances carry no state; everything is reached through static members.
    Kesvor() = default;

    /// Stores the business token (replacing an earlier one) and loads the
    /// customer record persisted by an earlier session. No network traffic.
    static void initWithToken(const QString& token);

    /// Opens the conversation in a window of the SDK's own over the host's
    /// top-level window, sliding up from below (0.3 s). Shows nothing without
    /// a token from initWithToken() or without a host window.
    static void show();

    /// The key of launchOptions that marks a launch from a remote notification.
    static QString launchOptionsRemoteNotificationKey();
    /// Opens the conversation when the application was launched from a remote
    /// notification (launchOptions holds launchOptionsRemoteNotificationKey());
    /// an open conversation stays as it is.
    static void handleLaunchOptions(const std::optional<QVariantMap>& launchOptions);

    /// Push notifications: call these two from your own push handling, then
    /// go on with it. The device token as the push service issued it (raw
    /// bytes); the SDK sends it to the chat service for the signed-up
    /// customer, now or after the next sign-up.
    static void didRegisterForRemoteNotifications(const QByteArray& deviceToken);
    /// A received remote notification's payload. The SDK's own (known by
    /// the "category" of their "aps" object) show a banner at the top of the
    /// screen for three seconds while the application is active, which opens
    /// the conversation when tapped, and otherwise open the conversation at
    /// once; an open conversation stays as it is. Other payloads are ignored.
    static void didReceiveRemoteNotification(const QVariantMap& userInfo);

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
};

} // namespace kesvor
