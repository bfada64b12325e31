#include "Socket/SocketManager.h"

#include "Kesvor/KesvorConfiguration.h"
#include "Kesvor/KesvorLocalStorage.h"
#include "Kesvor/KesvorPrivate.h"
#include "Kesvor/PlatformInfo.h"
#include "Service/UserKeys.h"
#include "Service/UserModel.h"
#include "Socket/SocketEventName.h"
#include "Socket/SocketPayloadKeys.h"
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

void SocketManager::emitWhenConnected(const QString& event, const QVariantList& items)
{
    KESVOR_ASSERT_MAIN_THREAD();
    if (m_socket->status() == net::SocketIOStatus::connected)
        m_socket->emit(event, items);
    else
        m_heldEvents.append({event, items});
}

void SocketManager::sendHeldEvents()
{
    const QList<net::SocketAnyEvent> held = std::exchange(m_heldEvents, {});
    for (const net::SocketAnyEvent& event : held)
        m_socket->emit(event.event, event.items);
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
    post(SocketConnectNotification);
    m_socket->emit(name(Event::set_user_data), {*record, user->role()});
    const QVariantMap platformInfo = PlatformInfo::info();
    const QVariantMap room{{key(SocketPayloadKeys::members),
                            QVariantList{user->userId(), QStringLiteral("bot") + user->userId()}},
                           {key(SocketPayloadKeys::platformInfo), platformInfo}};
    m_socket->emit(name(Event::set_room), {room, platformInfo});
    sendUnsentSeenReports();
    sendHeldEvents();
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
    MyDataController::sharedInstance().addChats(
        chats, [liveness = m_liveness](const QList<Chat>& unseen) {
            QVariantList reports;
            for (const Chat& chat : unseen)
                reports.append(seenReport(chat));
            if (reports.isEmpty())
                return;
            // Held while the call is queued, so the manager cannot go meanwhile.
            const std::lock_guard lock(liveness->mutex);
            if (SocketManager* manager = liveness->manager)
                QMetaObject::invokeMethod(
                    manager->m_socket.get(), [manager, reports] { manager->reportSeen(reports); },
                    Qt::QueuedConnection);
        });
}

void SocketManager::reportSeen(const QVariantList& reports)
{
    // A report emitted while the connection is down would be lost, and the
    // stored message, unchanged when it arrives again, would never be
    // reported: it waits for the connection instead.
    if (m_socket->status() != net::SocketIOStatus::connected) {
        m_unsentSeenReports.append(reports);
        return;
    }
    for (const QVariant& report : reports)
        m_socket->emit(name(Event::update_message_status), {report});
}

void SocketManager::sendUnsentSeenReports()
{
    const QVariantList reports = std::exchange(m_unsentSeenReports, {});
    QSet<QString> sent;
    for (const QVariant& report : reports) {
        const QString messageId =
            report.toMap().value(key(SocketPayloadKeys::messageId)).toString();
        if (!sent.contains(messageId)) {
            sent.insert(messageId);
            m_socket->emit(name(Event::update_message_status), {report});
        }
    }
}

} // namespace kesvor
