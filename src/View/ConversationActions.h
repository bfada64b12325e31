#pragma once

#include <QtCore/QString>
#include <QtCore/QVariantMap>

#include <optional>

namespace kesvor {

/// What the conversation screen does with the socket session and the store:
/// sending the customer's messages and e-mail submissions, and letting the
/// connection go when the application goes to the background. The screen
/// shows the alerts these ask for. Main thread.
class ConversationActions {
public:
    enum class SendResult {
        /// Stored, and on its way to the service.
        sent,
        /// Not connected: nothing stored or sent; the screen says "Wait for
        /// connection to server.".
        notConnected,
        /// No customer id or room yet: nothing stored or sent.
        noCustomer,
    };

    static constexpr auto waitForConnectionMessage = "Wait for connection to server.";
    /// How long a stored message waits before it goes out as "chat-msg".
    static constexpr int chatMessageDelayMs = 1000;

    /// The customer's message as it travels: from and by the customer id, to
    /// "bot", in the stored customer's room, created now by the network
    /// clock, and always at least a millisecond after the previous one this
    /// process made. Nothing without a customer id or a room.
    static std::optional<QVariantMap> customerMessage(const QString& text,
                                                      const QString& messageKeyword);

    /// Stores the customer's message at once and emits it as "chat-msg" a
    /// second later.
    static SendResult sendMessgeToServer(const QString& text, const QString& messageKeyword);

    /// Emits "submit-email" with the form's user info when connected.
    static SendResult submitEmail(const QVariantMap& userInfo);

    /// Closes the connection, saves the store and stops watching the network.
    static void applicationDidEnterBackground();
    /// Watches the network again; a reachable network reconnects.
    static void applicationDidBecomeActive();
};

} // namespace kesvor
