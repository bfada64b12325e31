#pragma once

#include "Store/Chat.h"
#include "net/SocketIOClient.h"

#include <QtCore/QList>
#include <QtCore/QSet>
#include <QtCore/QString>
#include <QtCore/QVariantList>

#include <functional>
#include <memory>
#include <mutex>

namespace kesvor {

/// Posted without user info when the socket session's connection is up.
inline constexpr char SocketConnectNotification[] = "SocketConnectNotification";
/// Posted without user info when the connection is lost and at every attempt
/// to get it back.
inline constexpr char SocketDisconnectNotification[] = "SocketDisconnectNotification";

/// The socket server's address: the service origin followed by "/".
QString chatSocketUrl();

/// The one real-time session with the chat service, in the namespace of the
/// business token: announces the customer and opens their room when the
/// connection comes up, downloads the history and stores every message that
/// arrives, and reports stored messages to the service as seen by the
/// customer. Main thread.
///
/// Nothing waits in memory for a connection: after every room handshake the
/// session sends again, from the store, each of the customer's messages the
/// service has not echoed yet, and reports every stored message the customer
/// has not been reported to have seen. A message or report lost with a
/// connection, or with the process, goes out on the next one. Within one
/// connection each message and each report goes out once.
class SocketManager {
public:
    /// The session, made on first use for the business token set then; null
    /// for the rest of the process when no token was set at that moment.
    static SocketManager* sharedInstance();

    ~SocketManager();
    SocketManager(const SocketManager&) = delete;
    SocketManager& operator=(const SocketManager&) = delete;

    net::SocketIOClient* socket() const { return m_socket.get(); }

    /// Connects when the client is neither connecting nor connected and the
    /// business is verified.
    void reconnect();
    /// Closes the connection of the shared session, if there is one.
    void disconnect();
    /// True while the client is connecting or connected.
    bool isConnected() const;

    enum class SendOutcome {
        sent,
        /// This connection carried it already.
        alreadySent,
        /// Not connected, or the store was cleared since the message was
        /// stored: nothing sent. A stored message goes out after the next
        /// handshake.
        notSent,
        /// Too large for the service or not JSON: marked "unsent" in the store.
        refused,
    };

    /// The largest "chat-msg" the service takes, in bytes of JSON text.
    static constexpr qsizetype maxChatMessageBytes = 1'000'000;

    /// Emits the customer's stored message chat as "chat-msg" when connected,
    /// once per connection. generation is MyDataController::generation() of
    /// when it was stored.
    SendOutcome sendChatMessage(const QVariantMap& chat, quint64 generation);

private:
    // Lets the store's queue thread reach the manager while it exists.
    struct Liveness {
        std::mutex mutex;
        SocketManager* manager = nullptr;
    };

    explicit SocketManager(const QString& nsp);
    static std::unique_ptr<SocketManager> init(const std::optional<QString>& nsp);
    static void applicationDidTerminate();

    // Runs work with the manager on the main thread, unless it is gone by then.
    static void onMainThread(const std::shared_ptr<Liveness>& liveness,
                             std::function<void(SocketManager& manager)> work);

    void handle(const net::SocketAnyEvent& event);
    void connected();
    void roomOpened(const QVariantList& items);
    void catchUp(const QString& customerId);
    void historyArrived(const QVariantList& items);
    void messageArrived(const QVariantList& items);
    void store(const QVariantList& chats);
    void reportSeen(const QList<QVariantMap>& reports, quint64 generation);
    bool isCurrent(quint64 generation);

    std::unique_ptr<net::SocketIOClient> m_socket;
    std::shared_ptr<Liveness> m_liveness;
    // Counts the connections; work for an earlier one is dropped.
    quint64 m_connection = 0;
    // The customer the connection was opened for.
    QString m_customerId;
    // What this connection carried, for the store's generation m_generation:
    // each "chat-msg" by its "createdOn" text and sender, each "seen" report
    // by message id.
    quint64 m_generation = 0;
    QSet<QString> m_sentChats;
    QSet<QString> m_reportedIds;
};

} // namespace kesvor
