#include "Socket/SocketManager.h"

#include "Kesvor/KesvorConfiguration.h"
#include "Kesvor/KesvorLocalStorage.h"
#include "Kesvor/KesvorPrivate.h"
#include "Kesvor/PlatformInfo.h"
#include "Service/UserKeys.h"
#include "Service/UserModel.h"
#include "Socket/SocketEventName.h"
#include "Socket/SocketPayloadKeys.h"
#include "Store/ChatKeyValues.h"
#include "Store/MessageStatusEnum.h"
#include "Store/MyDataController.h"
#include "foundation/DebugLog.h"
#include "foundation/Json.h"
#include "foundation/MainThread.h"
#include "foundation/NotificationCenter.h"

#include <QtCore/QCoreApplication>

namespace kesvor {

namespace {

using Event = SocketEventName;

QString name(Event event)
{
    return foundation::rawValue(event);
}

struct SharedSession {
    bool made = false;
    std::unique_ptr<SocketManager> instance;
};

SharedSession& sharedSession()
{
    static SharedSession session;
    return session;
}

void post(const char* notification)
{
    foundation::NotificationCenter::defaultCenter().post(QString::fromLatin1(notification));
}

// Item 1 of an event as a dictionary, if it is one.
std::optional<QVariantMap> firstItem(const QVariantList& items)
{
    return items.isEmpty() ? std::nullopt : foundation::Json::asMap(items.first());
}

QString key(SocketPayloadKeys payloadKey)
{
    return foundation::rawValue(payloadKey);
}

QVariantMap seenReport(const Chat& chat)
{
    return {{key(SocketPayloadKeys::roomId), chat.roomId()},
            {key(SocketPayloadKeys::messageId), chat.messageId().value_or(QString())},
            {key(SocketPayloadKeys::messageStatus), foundation::rawValue(MessageStatusEnum::seen)},
            {key(SocketPayloadKeys::senderRole), QStringLiteral("customer")}};
}

QList<QVariantMap> seenReports(const QList<Chat>& chats)
{
    QList<QVariantMap> reports;
    reports.reserve(chats.size());
    for (const Chat& chat : chats)
        reports << seenReport(chat);
    return reports;
}

// A customer message is the same message again when it has the same
// "createdOn" text and sender, as the service sees it.
QString sentChatKey(const QVariantMap& chat)
{
    return chat.value(foundation::rawValue(ChatKeyValues::createdOn)).toString() + u'\n' +
           chat.value(foundation::rawValue(ChatKeyValues::msgFrom)).toString();
}

} // namespace

QString chatSocketUrl()
{
    return KesvorConfiguration::serviceBaseUrl() + QLatin1Char('/');
}

SocketManager* SocketManager::sharedInstance()
{
    KESVOR_ASSERT_MAIN_THREAD();
    SharedSession& session = sharedSession();
    if (!session.made) {
        session.made = true;
        session.instance = init(KesvorPrivate::businessToken());
        // The client's connection belongs to the event loop: it goes with the
        // application object, before static objects are destroyed.
        qAddPostRoutine(&SocketManager::applicationDidTerminate);
    }
    return session.instance.get();
}

void SocketManager::applicationDidTerminate()
{
    sharedSession().instance.reset();
}

std::unique_ptr<SocketManager> SocketManager::init(const std::optional<QString>& nsp)
{
    // An empty token names no business: its namespace would be the server's root.
    if (!nsp || nsp->isEmpty()) {
        KESVOR_DEBUG_LOG << "socket session: no business token";
        return nullptr;
    }
    return std::unique_ptr<SocketManager>(new SocketManager(*nsp));
}

SocketManager::SocketManager(const QString& nsp)
    : m_liveness(std::make_shared<Liveness>())
{
    net::SocketIOClientOptions options;
    options.forceWebsockets = true;
    options.log = false;
    options.nsp = QLatin1Char('/') + nsp;
    m_socket = std::make_unique<net::SocketIOClient>(QUrl(chatSocketUrl()), options);
    m_liveness->manager = this;
    m_socket->onAny([this](const net::SocketAnyEvent& event) { handle(event); });
}

SocketManager::~SocketManager()
{
    const std::lock_guard lock(m_liveness->mutex);
    m_liveness->manager = nullptr;
}

void SocketManager::reconnect()
{
    KESVOR_ASSERT_MAIN_THREAD();
    const auto status = m_socket->status();
    if ((status == net::SocketIOStatus::notConnected ||
         status == net::SocketIOStatus::disconnected) &&
        KesvorPrivate::businessId())
        m_socket->connect();
}

void SocketManager::disconnect()
{
    KESVOR_ASSERT_MAIN_THREAD();
    m_socket->disconnect();
}

bool SocketManager::isConnected() const
{
    KESVOR_ASSERT_MAIN_THREAD();
    const auto status = m_socket->status();
    return status == net::SocketIOStatus::connecting || status == net::SocketIOStatus::connected;
}

SocketManager::SendOutcome SocketManager::sendChatMessage(const QVariantMap& chat,
                                                          quint64 generation)
{
    KESVOR_ASSERT_MAIN_THREAD();
    if (!isCurrent(generation) || m_socket->status() != net::SocketIOStatus::connected)
        return SendOutcome::notSent;
    const QString sentKey = sentChatKey(chat);
    if (m_sentChats.contains(sentKey))
        return SendOutcome::alreadySent;
    const QString event = name(Event::chat_msg);
    // The client would drop such a message without a word, and the service
    // end the connection over it: it stays with the customer, marked.
    const auto text = foundation::Json::encode(QVariantList{event, chat});
    if (!text || text->size() > maxChatMessageBytes) {
        KESVOR_DEBUG_LOG << "socket session: a message the service would refuse is unsent";
        MyDataController::sharedInstance().markUnsent(chat);
        return SendOutcome::refused;
    }
    m_socket->emit(event, {chat});
    m_sentChats.insert(sentKey);
    return SendOutcome::sent;
}

// True when the store was not cleared since generation; what this connection
// carried for a store that was cleared is forgotten.
bool SocketManager::isCurrent(quint64 generation)
{
    const quint64 current = MyDataController::sharedInstance().generation();
    if (m_generation != current) {
        m_generation = current;
        m_sentChats.clear();
        m_reportedIds.clear();
    }
    return generation == current;
}

void SocketManager::onMainThread(const std::shared_ptr<Liveness>& liveness,
                                 std::function<void(SocketManager& manager)> work)
{
    // Held while the call is queued, so the manager cannot go meanwhile; a
    // manager gone before it runs takes its client, and the call, with it.
    const std::lock_guard lock(liveness->mutex);
    if (SocketManager* manager = liveness->manager)
        QMetaObject::invokeMethod(
            manager->m_socket.get(), [manager, work = std::move(work)] { work(*manager); },
            Qt::QueuedConnection);
}

void SocketManager::handle(const net::SocketAnyEvent& event)
{
    const auto known = foundation::fromRawValue<SocketEventName>(event.event);
    if (!known)
        return;
    switch (*known) {
    case Event::connect:
        connected();
        break;
    case Event::set_room:
        KESVOR_DEBUG_LOG << event.event << event.items;
        roomOpened(event.items);
        break;
    case Event::old_chats:
        KESVOR_DEBUG_LOG << event.event << event.items;
        historyArrived(event.items);
        break;
    case Event::chat_msg:
        KESVOR_DEBUG_LOG << event.event << event.items;
        messageArrived(event.items);
        break;
    case Event::disconnect:
        KESVOR_DEBUG_LOG << event.event << event.items;
        post(SocketDisconnectNotification);
        break;
    case Event::reconnectAttempt:
        post(SocketDisconnectNotification);
        break;
    case Event::typing:
        KESVOR_DEBUG_LOG << event.event << event.items;
        break;
    default:
        break;
    }
}

// Announces the customer and opens their room.
void SocketManager::connected()
{
    const auto record = KesvorLocalStorage::storedUser();
    const auto user = record ? UserModel::initWithDic(*record) : std::nullopt;
    if (!user) {
        KESVOR_DEBUG_LOG << "socket session: connected without a stored customer record";
        return;
    }
    ++m_connection;
    m_customerId = user->userId();
    m_sentChats.clear();
    m_reportedIds.clear();
    post(SocketConnectNotification);
    m_socket->emit(name(Event::set_user_data), {*record, user->role()});
    const QVariantMap platformInfo = PlatformInfo::info();
    const QVariantMap room{{key(SocketPayloadKeys::members),
                            QVariantList{user->userId(), QStringLiteral("bot") + user->userId()}},
                           {key(SocketPayloadKeys::platformInfo), platformInfo}};
    m_socket->emit(name(Event::set_room), {room, platformInfo});
}

// Keeps the room id with the stored record and asks for the room's history.
void SocketManager::roomOpened(const QVariantList& items)
{
    auto record = KesvorLocalStorage::storedUser();
    const auto reply = firstItem(items);
    const QVariant roomId = reply ? reply->value(key(SocketPayloadKeys::roomId)) : QVariant();
    if (!record || roomId.typeId() != QMetaType::QString) {
        KESVOR_DEBUG_LOG << "socket session: ignored a \"set-room\" reply";
        return;
    }
    record->insert(key(SocketPayloadKeys::roomId), roomId);
    KesvorLocalStorage::storeUser(*record);
    KesvorLocalStorage::standard().synchronize();
    m_socket->emit(name(Event::old_chats), {*record});
    if (const auto user = UserModel::initWithDic(*record))
        catchUp(user->userId());
}

// What earlier connections, or an earlier run of the process, left undone:
// the customer's messages the service has not echoed, and the reports of
// messages the customer has not been reported to have seen. Both are read
// from the store after the batches already handed to it.
void SocketManager::catchUp(const QString& customerId)
{
    MyDataController& store = MyDataController::sharedInstance();
    const quint64 connection = m_connection;
    const quint64 generation = store.generation();
    store.sendingChats(
        customerId, [liveness = m_liveness, connection, generation](const QVariantList& messages) {
            if (messages.isEmpty())
                return;
            onMainThread(liveness, [connection, generation, messages](SocketManager& manager) {
                if (manager.m_connection != connection)
                    return; // the next connection catches up for itself
                for (const QVariant& message : messages)
                    manager.sendChatMessage(message.toMap(), generation);
            });
        });
    store.unseenChats(customerId, [liveness = m_liveness, generation](const QList<Chat>& unseen) {
        if (unseen.isEmpty())
            return;
        onMainThread(liveness, [reports = seenReports(unseen), generation](SocketManager& manager) {
            manager.reportSeen(reports, generation);
        });
    });
}

void SocketManager::historyArrived(const QVariantList& items)
{
    const auto reply = firstItem(items);
    const QVariant result = reply ? reply->value(key(SocketPayloadKeys::result)) : QVariant();
    if (result.typeId() != QMetaType::QVariantList) {
        KESVOR_DEBUG_LOG << "socket session: ignored an \"old-chats\" reply";
        return;
    }
    store(result.toList());
}

void SocketManager::messageArrived(const QVariantList& items)
{
    const auto reply = firstItem(items);
    const auto message = reply
                             ? foundation::Json::asMap(reply->value(key(SocketPayloadKeys::result)))
                             : std::nullopt;
    if (!message) {
        KESVOR_DEBUG_LOG << "socket session: ignored a \"chat-msg\" event";
        return;
    }
    store({*message});
}

// Stores messages on the store's queue; the ones the customer has not seen
// yet are then reported seen, from the main thread.
void SocketManager::store(const QVariantList& chats)
{
    // The connection still serves a customer the app has replaced (and
    // whose messages it wiped) until the start-up chain connects again.
    const auto record = KesvorLocalStorage::storedUser();
    const auto user = record ? UserModel::initWithDic(*record) : std::nullopt;
    if (!user || user->userId() != m_customerId) {
        KESVOR_DEBUG_LOG << "socket session: messages of a replaced customer are not stored";
        return;
    }
    MyDataController& store = MyDataController::sharedInstance();
    store.addChats(chats, [liveness = m_liveness,
                           generation = store.generation()](const QList<Chat>& unseen) {
        if (unseen.isEmpty())
            return;
        onMainThread(liveness, [reports = seenReports(unseen), generation](SocketManager& manager) {
            manager.reportSeen(reports, generation);
        });
    });
}

void SocketManager::reportSeen(const QList<QVariantMap>& reports, quint64 generation)
{
    // Reports of a store cleared since belong to another customer. One the
    // connection is down for is not kept: the next handshake reports again
    // whatever the store still holds unseen.
    if (!isCurrent(generation) || m_socket->status() != net::SocketIOStatus::connected)
        return;
    const QString messageIdKey = key(SocketPayloadKeys::messageId);
    for (const QVariantMap& report : reports) {
        const QString messageId = report.value(messageIdKey).toString();
        if (m_reportedIds.contains(messageId))
            continue;
        m_reportedIds.insert(messageId);
        m_socket->emit(name(Event::update_message_status), {report});
    }
}

} // namespace kesvor
