#include "Chat.h"

#include "foundation/Json.h"

namespace kesvor {

Chat::Chat(data::ObjectPtr object)
    : m_object(std::move(object))
{
    Q_ASSERT(m_object && m_object->entity().name() == QLatin1String(entityName));
}

data::FetchRequest Chat::fetchRequest()
{
    static const QString name = QString::fromLatin1(entityName);
    return data::FetchRequest::forEntity(name);
}

std::optional<Chat> Chat::insertNew(data::ManagedObjectContext& context)
{
    auto object = context.insertNewObject(QString::fromLatin1(entityName));
    if (!object)
        return std::nullopt;
    return Chat(std::move(object));
}

std::optional<QString> Chat::text(const char* attribute) const
{
    const QVariant value = m_object->value(QLatin1StringView(attribute));
    if (!value.isValid())
        return std::nullopt;
    return value.toString();
}

QString Chat::string(const char* attribute) const
{
    return m_object->value(QLatin1StringView(attribute)).toString();
}

void Chat::set(const char* attribute, const QVariant& value)
{
    m_object->setValue(value, QLatin1StringView(attribute));
}

QString Chat::approvedByAgent() const
{
    return string("approvedByAgent");
}

void Chat::setApprovedByAgent(const QString& value)
{
    set("approvedByAgent", value);
}

QDateTime Chat::createdOn() const
{
    return m_object->value(QLatin1StringView("createdOn")).toDateTime();
}

void Chat::setCreatedOn(const QDateTime& value)
{
    set("createdOn", value.isValid() ? QVariant(value) : QVariant());
}

QString Chat::date() const
{
    return string("date");
}

void Chat::setDate(const QString& value)
{
    set("date", value);
}

std::optional<QString> Chat::messageId() const
{
    return text("messageId");
}

void Chat::setMessageId(const std::optional<QString>& value)
{
    set("messageId", value ? QVariant(*value) : QVariant());
}

QString Chat::messageSentToAgentStatus() const
{
    return string("messageSentToAgentStatus");
}

void Chat::setMessageSentToAgentStatus(const QString& value)
{
    set("messageSentToAgentStatus", value);
}

QString Chat::messageSentToCustomerStatus() const
{
    return string("messageSentToCustomerStatus");
}

void Chat::setMessageSentToCustomerStatus(const QString& value)
{
    set("messageSentToCustomerStatus", value);
}

std::optional<QVariantMap> Chat::msg() const
{
    return foundation::Json::asMap(m_object->value(QLatin1StringView("msg")));
}

void Chat::setMsg(const QVariantMap& value)
{
    set("msg", value);
}

QString Chat::msgFrom() const
{
    return string("msgFrom");
}

void Chat::setMsgFrom(const QString& value)
{
    set("msgFrom", value);
}

QString Chat::msgKeyword() const
{
    return string("msgKeyword");
}

void Chat::setMsgKeyword(const QString& value)
{
    set("msgKeyword", value);
}

QString Chat::msgTo() const
{
    return string("msgTo");
}

void Chat::setMsgTo(const QString& value)
{
    set("msgTo", value);
}

QString Chat::roomId() const
{
    return string("roomId");
}

void Chat::setRoomId(const QString& value)
{
    set("roomId", value);
}

QString Chat::senderIdentity() const
{
    return string("senderIdentity");
}

void Chat::setSenderIdentity(const QString& value)
{
    set("senderIdentity", value);
}

} // namespace kesvor
