#include "ChatModel.h"

#include "ApproveByAgent.h"
#include "ChatKeyValues.h"
#include "MessageStatusEnum.h"
#include "View/CustomDateFormatter.h"

#include "data/ValueComparison.h"
#include "foundation/DebugLog.h"
#include "foundation/Json.h"

namespace kesvor {

namespace {

// The wire keys as strings, made once.
const QString& keyOf(ChatKeyValues key)
{
    static const auto keys = [] {
        std::array<QString, foundation::allCases<ChatKeyValues>().size()> names;
        for (const ChatKeyValues kase : foundation::allCases<ChatKeyValues>())
            names[size_t(kase)] = foundation::rawValue(kase);
        return names;
    }();
    return keys[size_t(key)];
}

QVariant valueOf(const QVariantMap& dic, ChatKeyValues key)
{
    return dic.value(keyOf(key));
}

std::optional<QString> stringOf(const QVariantMap& dic, ChatKeyValues key)
{
    const QVariant value = valueOf(dic, key);
    if (value.typeId() != QMetaType::QString)
        return std::nullopt;
    return value.toString();
}

std::nullopt_t refuse(ChatKeyValues key)
{
    KESVOR_DEBUG_LOG << "message refused: \"" + foundation::rawValue(key) +
                            "\" is missing or has the wrong type";
    return std::nullopt;
}

} // namespace

std::optional<ChatModel> ChatModel::initWithDic(const QVariantMap& dic)
{
    ChatModel model;
    const auto msgFrom = stringOf(dic, ChatKeyValues::msgFrom);
    const auto msgTo = stringOf(dic, ChatKeyValues::msgTo);
    const auto msg = foundation::Json::asMap(valueOf(dic, ChatKeyValues::msg));
    const auto roomId = stringOf(dic, ChatKeyValues::roomId);
    if (!msgFrom)
        return refuse(ChatKeyValues::msgFrom);
    if (!msgTo)
        return refuse(ChatKeyValues::msgTo);
    if (!msg)
        return refuse(ChatKeyValues::msg);
    if (!roomId)
        return refuse(ChatKeyValues::roomId);

    const auto createdOnText = stringOf(dic, ChatKeyValues::createdOn);
    if (!createdOnText) {
        KESVOR_DEBUG_LOG << "createdOn can never be nil ";
        return std::nullopt;
    }
    // A copy of one made once: the same formatters, without building them per message.
    static const CustomDateFormatter prototype;
    const CustomDateFormatter formatter = prototype;
    const auto createdOn = formatter.RFC3339DateFormatter.dateFromString(*createdOnText);
    if (!createdOn) {
        KESVOR_DEBUG_LOG << "dateString " + *createdOnText + " is not convetable to Date";
        return std::nullopt;
    }
    model.m_date = formatter.onlyDateStringFormatter.stringFromDate(*createdOn);

    const auto senderIdentity = stringOf(dic, ChatKeyValues::senderIdentity);
    const auto senderRole = stringOf(dic, ChatKeyValues::senderRole);
    const auto approvedByAgent = stringOf(dic, ChatKeyValues::approvedByAgent);
    if (!senderIdentity)
        return refuse(ChatKeyValues::senderIdentity);
    if (!senderRole)
        return refuse(ChatKeyValues::senderRole);
    if (!approvedByAgent)
        return refuse(ChatKeyValues::approvedByAgent);

    model.m_msgFrom = *msgFrom;
    model.m_msgTo = *msgTo;
    model.m_msg = *msg;
    model.m_roomId = *roomId;
    model.m_createdOn = *createdOn;
    model.m_senderIdentity = *senderIdentity;
    model.m_senderRole = *senderRole;
    model.m_approvedByAgent = *approvedByAgent;
    // An empty id identifies nothing: matching by it would merge unrelated messages.
    const auto messageId = stringOf(dic, ChatKeyValues::messageId);
    if (messageId && !messageId->isEmpty())
        model.m_messageId = messageId;
    model.m_messageSentToCustomerStatus =
        stringOf(dic, ChatKeyValues::messageSentToCustomerStatus)
            .value_or(foundation::rawValue(MessageStatusEnum::sent));
    model.m_messageSentToAgentStatus =
        stringOf(dic, ChatKeyValues::messageSentToAgentStatus)
            .value_or(foundation::rawValue(MessageStatusEnum::sending));
    return model;
}

std::optional<Chat> ChatModel::asChatManagedObject(data::ManagedObjectContext& context) const
{
    if (m_approvedByAgent != foundation::rawValue(ApproveByAgent::approved))
        return std::nullopt;

    data::FetchRequest request = Chat::fetchRequest();
    if (m_messageId)
        request.predicate = data::Predicate::withFormat(
            QStringLiteral("(createdOn == %@ AND msgFrom == %@) OR (messageId == %@)"),
            {m_createdOn, m_msgFrom, *m_messageId});
    else
        request.predicate = data::Predicate::withFormat(
            QStringLiteral("createdOn == %@ AND msgFrom == %@"), {m_createdOn, m_msgFrom});

    foundation::Error error;
    const auto matches = context.fetch(request, &error);
    if (!matches) {
        KESVOR_DEBUG_LOG << "message lookup failed:" << error.description;
        return std::nullopt;
    }
    // With several stored copies (written before duplicates were caught), the
    // oldest one is the message; inserting yet another copy would only add to them.
    if (!matches->isEmpty()) {
        Chat existing(matches->first());
        if (isStoredUnchanged(existing))
            return std::nullopt;
        fill(existing);
        return existing;
    }
    auto chat = Chat::insertNew(context);
    if (!chat)
        return std::nullopt;
    fill(*chat);
    return chat;
}

bool ChatModel::isStoredUnchanged(const Chat& stored) const
{
    // An unset attribute on the stored copy always counts as a difference.
    const auto storedMsg = stored.msg();
    return stored.text("approvedByAgent") == m_approvedByAgent &&
           stored.messageId() == m_messageId && storedMsg && data::valuesEqual(*storedMsg, m_msg) &&
           stored.text("messageSentToAgentStatus") == m_messageSentToAgentStatus &&
           stored.text("messageSentToCustomerStatus") == m_messageSentToCustomerStatus;
}

void ChatModel::fill(Chat& chat) const
{
    chat.setMsgFrom(m_msgFrom);
    chat.setMsgTo(m_msgTo);
    chat.setMsg(m_msg);
    chat.setRoomId(m_roomId);
    chat.setCreatedOn(m_createdOn);
    chat.setDate(m_date);
    chat.setSenderIdentity(m_senderIdentity);
    chat.setApprovedByAgent(m_approvedByAgent);
    chat.setMessageId(m_messageId);
    chat.setMessageSentToCustomerStatus(m_messageSentToCustomerStatus);
    chat.setMessageSentToAgentStatus(m_messageSentToAgentStatus);
}

} // namespace kesvor
