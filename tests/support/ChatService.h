#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QProcess>
#include <QtCore/QString>
#include <QtCore/QStringList>
#include <QtCore/QTemporaryDir>
#include <QtCore/QTemporaryFile>
#include <QtCore/QVariantList>
#include <QtCore/QVariantMap>

#include <memory>
#include <optional>

class QNetworkAccessManager;

namespace kesvor::test {

struct ChatServiceOptions {
    QStringList tokens{QStringLiteral("test-token")};
    /// 0: a free port, chosen by the service and kept across restarts.
    quint16 port = 0;
    int botDelayMs = 0;
    int pingIntervalMs = 25'000;
    int pingTimeoutMs = 20'000;
    /// Customers, rooms and messages survive restart(), as in a database.
    bool keepsState = false;
    /// Also answer SNTP requests on a free UDP port (ntpPort()), kept across restarts.
    bool ntp = false;
    QStringList extraArguments;
    int startTimeoutMs = 15'000;
};

/// The stand-in chat service (tools/chat-service) run with node on loopback,
/// for as long as this object lives, with synchronous helpers for its API and
/// its test-only endpoints. The helpers run the event loop while they wait.
class ChatService {
public:
    struct Reply {
        int status = 0; ///< 0: no complete HTTP answer
        QVariantMap body;
        QByteArray raw;
        bool ok() const { return status >= 200 && status < 300; }
    };

    explicit ChatService(ChatServiceOptions options = {});
    ~ChatService();
    ChatService(const ChatService&) = delete;
    ChatService& operator=(const ChatService&) = delete;

    /// Starts the service; true once it listens. errorString() says why not.
    bool start();
    void stop();
    /// Stops and starts again on the same port, with empty state unless the
    /// options keep it.
    bool restart();
    bool isRunning() const;
    QString errorString() const { return m_error; }
    /// What the service wrote to standard error so far, over all its runs.
    QByteArray log();

    quint16 port() const { return m_port; }
    /// The SNTP responder's UDP port on 127.0.0.1; 0 unless the options ask for it.
    quint16 ntpPort() const { return m_ntpPort; }
    /// http://127.0.0.1:<port>, the origin of the HTTP API and the socket server.
    QString baseUrl() const;
    QString token() const { return m_options.tokens.value(0); }
    /// The socket namespace of token(): "/" followed by the token.
    QString namespaceName() const { return QLatin1Char('/') + token(); }

    Reply get(const QString& pathAndQuery);
    Reply post(const QString& path, const QVariantMap& body = {});
    Reply postRaw(const QString& path, const QByteArray& body);

    // The service's own API.

    /// Signs a customer up with token() and returns the "user" record.
    QVariantMap signUp(const QString& userId = {});

    // Test-only endpoints, described in tools/chat-service/README.md.

    bool reset();
    bool configure(const QVariantMap& patch);
    /// Switches "verify", "signup" or "update" into mode ("ok", "drop",
    /// "garbage", "missing", "wrong-type") for the next times requests (all
    /// requests when absent).
    bool setEndpointMode(const QString& endpoint, const QString& mode,
                         std::optional<int> times = std::nullopt, int delayMs = 0);
    /// Socket events received, oldest first, optionally of one name only; each
    /// {"seq", "namespace", "socketId", "event", "items"}.
    QVariantList receivedEvents(const QString& event = {});
    /// HTTP API requests received; each {"seq", "method", "path", "body", "raw"}.
    QVariantList receivedRequests(const QString& path = {});
    /// Stores a message in the customer's room (by "userId" or "roomId") and
    /// sends it as "chat-msg" unless "deliver" is false; returns it.
    std::optional<QVariantMap> injectMessage(const QVariantMap& request);
    /// Stores a message of one kind ("text", "cards", "pictures", "buttons",
    /// "choices", "email", "quick", "link") in the customer's room (by "userId"
    /// or "roomId", optional "text", "fields", "deliver") and sends it; returns it.
    std::optional<QVariantMap> sendTemplate(const QVariantMap& request);
    /// Appends count messages to the customer's room history, the first seen
    /// of them already "seen"; returns them.
    QVariantList addHistory(const QString& userId, int count, int seen = 0);
    /// Changes the statuses or approval of a stored message; a change is sent
    /// to its room as "chat-msg". Returns the message.
    std::optional<QVariantMap> setMessageStatus(const QString& messageId,
                                                const QVariantMap& changes);
    /// Sends event with items exactly as given to the customer's room (by
    /// "userId" or "roomId" in target), or to every customer when target is
    /// empty. Returns how many sockets it reached, or -1.
    int emitEvent(const QString& event, const QVariantList& items, const QVariantMap& target = {});
    /// Drops every socket connection ("transport", "reset", "kick", or
    /// "silent": left open with nothing passing any more) and refuses new
    /// ones for refuseMs. Returns how many were dropped.
    int dropConnections(const QString& mode = QStringLiteral("transport"), int refuseMs = 0);
    /// Customers, rooms with their messages, and the configuration.
    QVariantMap state();

private:
    Reply send(const QByteArray& verb, const QString& pathAndQuery, const QByteArray& body);
    QStringList arguments() const;
    QVariantList filteredLog(const QString& endpoint, const QString& filter, const QString& value,
                             const QString& key);

    ChatServiceOptions m_options;
    quint16 m_port = 0;
    quint16 m_ntpPort = 0;
    QString m_error;
    QTemporaryFile m_logFile;
    QTemporaryDir m_stateDirectory;
    std::unique_ptr<QProcess> m_process;
    std::unique_ptr<QNetworkAccessManager> m_network;
};

} // namespace kesvor::test
