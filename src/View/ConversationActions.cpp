#include "View/ConversationActions.h"

#include "Kesvor/KesvorLocalStorage.h"
#include "Service/WebServiceManager.h"
#include "Socket/SocketEventName.h"
#include "Socket/SocketManager.h"
#include "Socket/SocketPayloadKeys.h"
#include "Store/ApproveByAgent.h"
#include "Store/ChatKeyValues.h"
#include "Store/MyDataController.h"
#include "View/CustomDateFormatter.h"
#include "View/NetworkStatus.h"
#include "foundation/Clock.h"
#include "foundation/DebugLog.h"
#include "foundation/MainThread.h"
#include "net/NHNetworkClock.h"

namespace kesvor {

namespace {

QString key(ChatKeyValues chatKey)
{
    return foundation::rawValue(chatKey);
}

// Later than every message this process created before: two sends within
// one millisecond, or a clock set back, must not give two messages of one
// sender the same "createdOn", which would merge them in the store.
QDateTime nextCreatedOn()
{
    static QDateTime last;
    QDateTime now = net::networkDate();
    if (last.isValid() && now <= last)
        now = last.addMSecs(1);
    last = now;
    return now;
}

bool isConnected()
{
    const SocketManager* manager = SocketManager::sharedInstance();
    return manager && manager->socket()->status() == net::SocketIOStatus::connected;
}

} // namespace

std::optional<QVariantMap> ConversationActions::customerMessage(const QString& text,
                                                                const QString& messageKeyword)
{
    const auto record = KesvorLocalStorage::storedUser();
    const auto customerId = WebServiceManager::sharedInstance().getCustomerId();
    const QVariant roomId =
        record ? record->value(foundation::rawValue(SocketPayloadKeys::roomId)) : QVariant();
    if (!customerId || roomId.typeId() != QMetaType::QString)
        return std::nullopt;
    const QVariantMap content{
        {QStringLiteral("message"), QVariantMap{{QStringLiteral("text"), text}}}};
    return QVariantMap{
        {key(ChatKeyValues::msgFrom), *customerId},
        {key(ChatKeyValues::msgTo), QStringLiteral("bot")},
        {key(ChatKeyValues::roomId), roomId},
        {key(ChatKeyValues::createdOn),
         CustomDateFormatter().RFC3339DateFormatter.stringFromDate(nextCreatedOn())},
        {key(ChatKeyValues::msg), content},
        {key(ChatKeyValues::messageKeyword), messageKeyword},
        {key(ChatKeyValues::senderRole), QStringLiteral("customer")},
        {key(ChatKeyValues::senderIdentity), *customerId},
        {key(ChatKeyValues::approvedByAgent), foundation::rawValue(ApproveByAgent::approved)},
    };
}

ConversationActions::SendResult
ConversationActions::sendMessgeToServer(const QString& text, const QString& messageKeyword)
{
    KESVOR_ASSERT_MAIN_THREAD();
    if (!isConnected())
        return SendResult::notConnected;
    const auto chat = customerMessage(text, messageKeyword);
    if (!chat) {
        KESVOR_DEBUG_LOG << "send: no customer id or room yet";
        return SendResult::noCustomer;
    }
    MyDataController& store = MyDataController::sharedInstance();
    store.addChat(*chat);
    // Sent now or, should the connection or the process not last the second,
    // after the next handshake, from the store.
    foundation::Clock::singleShot(chatMessageDelayMs, nullptr,
                                  [chat = *chat, generation = store.generation()] {
                                      if (SocketManager* manager = SocketManager::sharedInstance())
                                          manager->sendChatMessage(chat, generation);
                                  });
    return SendResult::sent;
}

ConversationActions::SendResult ConversationActions::submitEmail(const QVariantMap& userInfo)
{
    KESVOR_ASSERT_MAIN_THREAD();
    if (!isConnected())
        return SendResult::notConnected;
    SocketManager::sharedInstance()->socket()->emit(
        foundation::rawValue(SocketEventName::submit_email), {userInfo});
    return SendResult::sent;
}

void ConversationActions::applicationDidEnterBackground()
{
    KESVOR_ASSERT_MAIN_THREAD();
    if (SocketManager* manager = SocketManager::sharedInstance())
        manager->socket()->disconnect();
    MyDataController::sharedInstance().saveContext();
    NetworkStatus::sharedInstance().stopListening();
}

void ConversationActions::applicationDidBecomeActive()
{
    KESVOR_ASSERT_MAIN_THREAD();
    NetworkStatus::sharedInstance().startListening();
}

} // namespace kesvor
