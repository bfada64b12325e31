#pragma once

#include "Store/Chat.h"
#include "net/SocketIOClient.h"

#include <QtCore/QList>
#include <QtCore/QString>
#include <QtCore/QVariantList>

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

    /// Emits the event now when connected; otherwise holds it and emits it
    /// once the connection is back and the customer announced, so that it is
    /// not lost to a connection that dropped a moment earlier.
    void emitWhenConnected(const QString& event, const QVariantList& items);

private:
    // Lets the store's queue thread reach the manager while it exists.
    struct Liveness {
        std::mutex mutex;
        SocketManager* manager = nullptr;
    };

    explicit SocketManager(const QString& nsp);
    static std::unique_ptr<SocketManager> init(const std::optional<QString>& nsp);
    static void applicationDidTerminate();

    void handle(const net::SocketAnyEvent& event);
    void connected();
    void roomOpened(const QVariantList& items);
    void historyArrived(const QVariantList& items);
    void messageArrived(const QVariantList& items);
    void store(const QVariantList& chats);
    void reportSeen(const QVariantList& reports);
    void sendUnsentSeenReports();
    void sendHeldEvents();

    std::unique_ptr<net::SocketIOClient> m_socket;
    std::shared_ptr<Liveness> m_liveness;
    // "seen" reports made while the connection was down, sent once it is back.
    QVariantList m_unsentSeenReports;
    // Events held by emitWhenConnected() while the connection was down.
    QList<net::SocketAnyEvent> m_heldEvents;
};

} // namespace kesvor
