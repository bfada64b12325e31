#include "Store/Chat.h"

#include "foundation/DebugLog.h"
#include "foundation/Json.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace kesvor {

namespace {

constexpr std::array<const char*, std::tuple_size_v<Chat::Values>> attributeNames{
    "approvedByAgent",
    "createdOn",
    "date",
    "messageId",
    "messageSentToAgentStatus",
    "messageSentToCustomerStatus",
    "msg",
    "msgFrom",
    "msgKeyword",
    "msgTo",
    "roomId",
    "senderIdentity"};

// Positions of the attributes in one entity, found by name once rather than
// on every access.
struct AttributePositions {
    std::weak_ptr<const data::EntityDescription> entity;
    const data::EntityDescription* address = nullptr;
    std::array<int, attributeNames.size()> positions{};

    void refer(const std::shared_ptr<const data::EntityDescription>& described)
    {
        // While the entity held here lives, no other one can be at its address.
        if (address == described.get() && !entity.expired())
            return;
        entity = described;
        address = described.get();
        for (size_t i = 0; i < attributeNames.size(); ++i)
            positions[i] = described->indexOfAttribute(QLatin1StringView(attributeNames[i]));
    }
};

const std::array<int, attributeNames.size()>&
positionsIn(const std::shared_ptr<const data::EntityDescription>& entity)
{
    thread_local AttributePositions known;
    known.refer(entity);
    return known.positions;
}

const QString& chatEntityName()
{
    static const QString name = QString::fromLatin1(Chat::entityName);
    return name;
}

} // namespace

Chat::Chat(data::ObjectPtr object)
    : m_object(std::move(object))
{
    Q_ASSERT(m_object && m_object->entity().name() == QLatin1String(entityName));
}

data::FetchRequest Chat::fetchRequest()
{
    return data::FetchRequest::forEntity(chatEntityName());
}

std::optional<Chat> Chat::insertNew(data::ManagedObjectContext& context)
{
    auto object = context.insertNewObject(chatEntityName());
    if (!object)
        return std::nullopt;
    return Chat(std::move(object));
}

std::optional<Chat> Chat::insertNew(data::ManagedObjectContext& context, Values values)
{
    const auto entity =
        context.persistentStoreCoordinator()->managedObjectModel()->entity(chatEntityName());
    if (!entity)
        return std::nullopt;
    const auto& positions = positionsIn(entity);
    data::AttributeValues stored(entity->attributes().size());
    for (size_t attribute = 0; attribute < values.size(); ++attribute)
        if (const int position = positions[attribute]; position >= 0)
            stored[position] = std::move(values[attribute]);
    foundation::Error error;
    auto object = context.insertNewObject(chatEntityName(), std::move(stored), &error);
    if (!object) {
        KESVOR_DEBUG_LOG << "message not inserted:" << error.description;
        return std::nullopt;
    }
    return Chat(std::move(object));
}

int Chat::index(Attribute attribute) const
{
    return positionsIn(m_object->sharedEntity())[size_t(attribute)];
}

QVariant Chat::value(Attribute attribute) const
{
    return m_object->value(index(attribute));
}

std::optional<QString> Chat::text(const char* attribute) const
{
    const auto* name =
        std::find_if(attributeNames.cbegin(), attributeNames.cend(),
                     [attribute](const char* known) { return std::strcmp(known, attribute) == 0; });
    const QVariant value = name == attributeNames.cend()
                               ? m_object->value(QLatin1StringView(attribute))
                               : this->value(Attribute(name - attributeNames.cbegin()));
    if (!value.isValid())
        return std::nullopt;
    return value.toString();
}

QString Chat::string(Attribute attribute) const
{
    return value(attribute).toString();
}

void Chat::set(Attribute attribute, const QVariant& value)
{
    m_object->setValue(value, index(attribute));
}

QString Chat::approvedByAgent() const
{
    return string(Attribute::approvedByAgent);
}

void Chat::setApprovedByAgent(const QString& value)
{
    set(Attribute::approvedByAgent, value);
}

QDateTime Chat::createdOn() const
{
    return value(Attribute::createdOn).toDateTime();
}

void Chat::setCreatedOn(const QDateTime& value)
{
    set(Attribute::createdOn, value.isValid() ? QVariant(value) : QVariant());
}

QString Chat::date() const
{
    return string(Attribute::date);
}

void Chat::setDate(const QString& value)
{
    set(Attribute::date, value);
}

std::optional<QString> Chat::messageId() const
{
    const QVariant id = value(Attribute::messageId);
    if (!id.isValid())
        return std::nullopt;
    return id.toString();
}

void Chat::setMessageId(const std::optional<QString>& value)
{
    set(Attribute::messageId, value ? QVariant(*value) : QVariant());
}

QString Chat::messageSentToAgentStatus() const
{
    return string(Attribute::messageSentToAgentStatus);
}

void Chat::setMessageSentToAgentStatus(const QString& value)
{
    set(Attribute::messageSentToAgentStatus, value);
}

QString Chat::messageSentToCustomerStatus() const
{
    return string(Attribute::messageSentToCustomerStatus);
}

void Chat::setMessageSentToCustomerStatus(const QString& value)
{
    set(Attribute::messageSentToCustomerStatus, value);
}

std::optional<QVariantMap> Chat::msg() const
{
    return foundation::Json::asMap(value(Attribute::msg));
}

void Chat::setMsg(const QVariantMap& value)
{
    set(Attribute::msg, value);
}

QString Chat::msgFrom() const
{
    return string(Attribute::msgFrom);
}

void Chat::setMsgFrom(const QString& value)
{
    set(Attribute::msgFrom, value);
}

QString Chat::msgKeyword() const
{
    return string(Attribute::msgKeyword);
}

void Chat::setMsgKeyword(const QString& value)
{
    set(Attribute::msgKeyword, value);
}

QString Chat::msgTo() const
{
    return string(Attribute::msgTo);
}

void Chat::setMsgTo(const QString& value)
{
    set(Attribute::msgTo, value);
}

QString Chat::roomId() const
{
    return string(Attribute::roomId);
}

void Chat::setRoomId(const QString& value)
{
    set(Attribute::roomId, value);
}

QString Chat::senderIdentity() const
{
    return string(Attribute::senderIdentity);
}

void Chat::setSenderIdentity(const QString& value)
{
    set(Attribute::senderIdentity, value);
}

} // namespace kesvor
