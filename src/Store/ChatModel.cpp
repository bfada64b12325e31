#include "Store/ChatModel.h"

#include "Store/ApproveByAgent.h"
#include "Store/ChatBatch.h"
#include "Store/ChatKeyValues.h"
#include "Store/MessageStatusEnum.h"
#include "View/CustomDateFormatter.h"

#include "data/ValueComparison.h"
#include "foundation/DebugLog.h"
#include "foundation/Json.h"

#include <cstring>

namespace kesvor {

namespace {

// The values of a wire message by key, found in one pass over it.
class WireValues {
public:
    explicit WireValues(const QVariantMap& dic)
    {
        static const auto keys = [] {
            std::array<QString, foundation::allCases<ChatKeyValues>().size()> all;
            for (const auto& [kase, raw] : foundation::RawValues<ChatKeyValues>::table)
                all[size_t(kase)] = QString::fromLatin1(raw);
            return all;
        }();
        for (auto it = dic.cbegin(); it != dic.cend(); ++it) {
            const QString& name = it.key();
            // Compared as plain memory: most keys differ in length, and the
            // general string comparison costs more than the rest of the lookup.
            const auto key = std::find_if(keys.cbegin(), keys.cend(), [&name](const QString& key) {
                return key.size() == name.size() &&
                       std::memcmp(key.constData(), name.constData(),
                                   size_t(name.size()) * sizeof(QChar)) == 0;
            });
            if (key != keys.cend())
                m_values[size_t(key - keys.cbegin())] = &it.value();
        }
    }

    const QVariant* value(ChatKeyValues key) const { return m_values[size_t(key)]; }

    std::optional<QString> string(ChatKeyValues key) const
    {
        const QVariant* value = m_values[size_t(key)];
        if (!value || value->typeId() != QMetaType::QString)
            return std::nullopt;
        return value->toString();
    }

private:
    std::array<const QVariant*, foundation::allCases<ChatKeyValues>().size()> m_values{};
};

// Text as the store keeps it: UTF-8, into which an unpaired surrogate goes
// as "?". A record holds its text that way, so that it
// equals its stored copy, and the same message arriving again is seen to be
// unchanged.
bool hasSurrogate(const QString& text)
{
    return std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c.isSurrogate(); });
}

QString storable(const QString& text)
{
    return hasSurrogate(text) ? QString::fromUtf8(text.toUtf8()) : text;
}

bool needsRepair(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::QString:
        return hasSurrogate(*static_cast<const QString*>(value.constData()));
    case QMetaType::QVariantMap: {
        const auto& map = *static_cast<const QVariantMap*>(value.constData());
        for (auto it = map.cbegin(); it != map.cend(); ++it)
            if (hasSurrogate(it.key()) || needsRepair(it.value()))
                return true;
        return false;
    }
    case QMetaType::QVariantList: {
        const auto& list = *static_cast<const QVariantList*>(value.constData());
        return std::any_of(list.cbegin(), list.cend(), needsRepair);
    }
    default:
        return false;
    }
}

QVariant storable(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::QString:
        return storable(value.toString());
    case QMetaType::QVariantMap: {
        QVariantMap repaired;
        const QVariantMap map = value.toMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it)
            repaired.insert(storable(it.key()), storable(it.value()));
        return repaired;
    }
    case QMetaType::QVariantList: {
        QVariantList repaired;
        for (const QVariant& element : value.toList())
            repaired << storable(element);
        return repaired;
    }
    default:
        return value;
    }
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
    const WireValues wire(dic);
    const auto msgFrom = wire.string(ChatKeyValues::msgFrom);
    const auto msgTo = wire.string(ChatKeyValues::msgTo);
    const auto* msgValue = wire.value(ChatKeyValues::msg);
    const auto msg = msgValue ? foundation::Json::asMap(*msgValue) : std::nullopt;
    const auto roomId = wire.string(ChatKeyValues::roomId);
    if (!msgFrom)
        return refuse(ChatKeyValues::msgFrom);
    if (!msgTo)
        return refuse(ChatKeyValues::msgTo);
    if (!msg)
        return refuse(ChatKeyValues::msg);
    if (!roomId)
        return refuse(ChatKeyValues::roomId);

    const auto createdOnText = wire.string(ChatKeyValues::createdOn);
    if (!createdOnText) {
        KESVOR_DEBUG_LOG << "createdOn can never be nil ";
        return std::nullopt;
    }
    // The formatters hold no state that parsing or formatting changes: one
    // set made once serves every message.
    static const CustomDateFormatter formatter;
    const auto createdOn = formatter.RFC3339DateFormatter.dateFromString(*createdOnText);
    if (!createdOn) {
        KESVOR_DEBUG_LOG << "dateString " + *createdOnText + " is not convetable to Date";
        return std::nullopt;
    }
    model.m_date = formatter.onlyDateStringFormatter.stringFromDate(*createdOn);

    const auto senderIdentity = wire.string(ChatKeyValues::senderIdentity);
    const auto senderRole = wire.string(ChatKeyValues::senderRole);
    const auto approvedByAgent = wire.string(ChatKeyValues::approvedByAgent);
    if (!senderIdentity)
        return refuse(ChatKeyValues::senderIdentity);
    if (!senderRole)
        return refuse(ChatKeyValues::senderRole);
    if (!approvedByAgent)
        return refuse(ChatKeyValues::approvedByAgent);

    model.m_msgFrom = storable(*msgFrom);
    model.m_msgTo = storable(*msgTo);
    const QVariant content(*msg);
    model.m_msg = needsRepair(content) ? storable(content).toMap() : *msg;
    model.m_roomId = storable(*roomId);
    model.m_createdOn = *createdOn;
    model.m_senderIdentity = storable(*senderIdentity);
    model.m_senderRole = storable(*senderRole);
    model.m_approvedByAgent = *approvedByAgent;
    // An empty id identifies nothing: matching by it would merge unrelated messages.
    const auto messageId = wire.string(ChatKeyValues::messageId);
    if (messageId && !messageId->isEmpty())
        model.m_messageId = storable(*messageId);
    model.m_messageSentToCustomerStatus =
        storable(wire.string(ChatKeyValues::messageSentToCustomerStatus)
                     .value_or(statusText(MessageStatusEnum::sent)));
    model.m_messageSentToAgentStatus =
        storable(wire.string(ChatKeyValues::messageSentToAgentStatus)
                     .value_or(statusText(MessageStatusEnum::sending)));
    return model;
}

std::optional<Chat> ChatModel::asChatManagedObject(data::ManagedObjectContext& context) const
{
    // One record is a run of one: the same lookup and rules as a batch.
    return ChatBatch(context).store({*this}).constFirst(); // on a copy: this record stays as it is
}

QVariantMap ChatModel::customerWireMessage(const Chat& chat)
{
    static const CustomDateFormatter formatter;
    const QVariantMap msg = chat.msg().value_or(QVariantMap());
    const QString keyword = chat.text("msgKeyword")
                                .value_or(msg.value(QStringLiteral("message"))
                                              .toMap()
                                              .value(QStringLiteral("text"))
                                              .toString());
    auto key = [](ChatKeyValues chatKey) { return foundation::rawValue(chatKey); };
    return {{key(ChatKeyValues::msgFrom), chat.msgFrom()},
            {key(ChatKeyValues::msgTo), chat.msgTo()},
            {key(ChatKeyValues::roomId), chat.roomId()},
            {key(ChatKeyValues::createdOn),
             formatter.RFC3339DateFormatter.stringFromDate(chat.createdOn())},
            {key(ChatKeyValues::msg), msg},
            {key(ChatKeyValues::messageKeyword), keyword},
            {key(ChatKeyValues::senderRole), QStringLiteral("customer")},
            {key(ChatKeyValues::senderIdentity), chat.senderIdentity()},
            {key(ChatKeyValues::approvedByAgent), chat.approvedByAgent()}};
}

bool ChatModel::isApproved() const
{
    static const QString approved = foundation::rawValue(ApproveByAgent::approved);
    return m_approvedByAgent == approved;
}

std::optional<Chat> ChatModel::store(data::ManagedObjectContext& context,
                                     std::optional<Chat> existing)
{
    if (existing) {
        if (isStoredUnchanged(*existing))
            return std::nullopt;
        fill(*existing);
        return existing;
    }
    // A new message gets every value at once, as fill() would set them.
    using Attribute = Chat::Attribute;
    Chat::Values values;
    auto at = [&values](Attribute attribute) -> QVariant& { return values[size_t(attribute)]; };
    at(Attribute::msgFrom) = std::move(m_msgFrom);
    at(Attribute::msgTo) = std::move(m_msgTo);
    at(Attribute::msg) = std::move(m_msg);
    at(Attribute::roomId) = std::move(m_roomId);
    at(Attribute::createdOn) = std::move(m_createdOn);
    at(Attribute::date) = std::move(m_date);
    at(Attribute::senderIdentity) = std::move(m_senderIdentity);
    at(Attribute::approvedByAgent) = std::move(m_approvedByAgent);
    if (m_messageId)
        at(Attribute::messageId) = std::move(*m_messageId);
    at(Attribute::messageSentToCustomerStatus) = std::move(m_messageSentToCustomerStatus);
    at(Attribute::messageSentToAgentStatus) = std::move(m_messageSentToAgentStatus);
    return Chat::insertNew(context, std::move(values));
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
