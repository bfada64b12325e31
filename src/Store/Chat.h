#pragma once

#include "data/FetchRequest.h"
#include "data/ManagedObject.h"
#include "data/ManagedObjectContext.h"

#include <QtCore/QDateTime>
#include <QtCore/QString>
#include <QtCore/QVariantMap>

#include <array>
#include <optional>

namespace kesvor {

/// A stored message: one object of the entity "Chat". A handle to the
/// managed object; copies refer to the same object. Unset text attributes
/// read as null strings.
class Chat {
public:
    static constexpr auto entityName = "Chat";

    explicit Chat(data::ObjectPtr object);

    /// All stored messages: entity "Chat", no predicate, no sort.
    static data::FetchRequest fetchRequest();
    /// The stored attributes, in the order of their names.
    enum class Attribute : int {
        approvedByAgent,
        createdOn,
        date,
        messageId,
        messageSentToAgentStatus,
        messageSentToCustomerStatus,
        msg,
        msgFrom,
        msgKeyword,
        msgTo,
        roomId,
        senderIdentity,
    };

    /// A new, empty message in context.
    static std::optional<Chat> insertNew(data::ManagedObjectContext& context);
    /// Values of every attribute, by Attribute; invalid ones stay unset.
    using Values = std::array<QVariant, size_t(Attribute::senderIdentity) + 1>;
    /// A new message in context with these values, as the setters below
    /// would set them; nothing when a value does not fit.
    static std::optional<Chat> insertNew(data::ManagedObjectContext& context, Values values);

    const data::ObjectPtr& managedObject() const { return m_object; }
    data::ObjectID objectID() const { return m_object->objectID(); }

    QString approvedByAgent() const;
    void setApprovedByAgent(const QString& value);
    QDateTime createdOn() const;
    void setCreatedOn(const QDateTime& value);
    /// The day key ("yyyy-MM-dd") the message list groups by.
    QString date() const;
    void setDate(const QString& value);
    std::optional<QString> messageId() const;
    void setMessageId(const std::optional<QString>& value);
    QString messageSentToAgentStatus() const;
    void setMessageSentToAgentStatus(const QString& value);
    QString messageSentToCustomerStatus() const;
    void setMessageSentToCustomerStatus(const QString& value);
    std::optional<QVariantMap> msg() const;
    void setMsg(const QVariantMap& value);
    QString msgFrom() const;
    void setMsgFrom(const QString& value);
    QString msgKeyword() const;
    void setMsgKeyword(const QString& value);
    QString msgTo() const;
    void setMsgTo(const QString& value);
    QString roomId() const;
    void setRoomId(const QString& value);
    QString senderIdentity() const;
    void setSenderIdentity(const QString& value);

    /// The stored text of an attribute, or nothing when it is unset.
    std::optional<QString> text(const char* attribute) const;

    friend bool operator==(const Chat& a, const Chat& b) { return a.m_object == b.m_object; }

private:
    // Where the attribute is in the object's entity.
    int index(Attribute attribute) const;
    QVariant value(Attribute attribute) const;
    QString string(Attribute attribute) const;
    void set(Attribute attribute, const QVariant& value);

    data::ObjectPtr m_object;
};

} // namespace kesvor
