#pragma once

#include "Store/Chat.h"

#include "data/ManagedObjectContext.h"

#include <QtCore/QDateTime>
#include <QtCore/QString>
#include <QtCore/QVariantMap>

#include <optional>

namespace kesvor {

/// A wire message parsed and checked: the transient form between the socket
/// and the store. Made only by initWithDic().
class ChatModel {
public:
    /// The record of a wire message, or nothing when a required key is
    /// missing or has the wrong type, or "createdOn" does not parse.
    static std::optional<ChatModel> initWithDic(const QVariantMap& dic);

    /// Finds the stored copy of this message in context (same server id, or
    /// same "createdOn" to the millisecond and sender unless both carry
    /// server ids) and updates it, or inserts a new one. Nothing when the message is not approved,
    /// the lookup failed, or the stored copy already equals it. Does not save.
    std::optional<Chat> asChatManagedObject(data::ManagedObjectContext& context) const;

    /// The customer's own stored message as the conversation screen sent it:
    /// the same keys, the same "createdOn" text, and the keyword it was sent
    /// with (its text when none was kept).
    static QVariantMap customerWireMessage(const Chat& chat);

    const QString& msgFrom() const { return m_msgFrom; }
    const QString& msgTo() const { return m_msgTo; }
    const QVariantMap& msg() const { return m_msg; }
    const QString& roomId() const { return m_roomId; }
    const QDateTime& createdOn() const { return m_createdOn; }
    const QString& senderIdentity() const { return m_senderIdentity; }
    const QString& senderRole() const { return m_senderRole; }
    const QString& approvedByAgent() const { return m_approvedByAgent; }
    /// The local day of createdOn, "yyyy-MM-dd".
    const QString& date() const { return m_date; }
    const std::optional<QString>& messageId() const { return m_messageId; }
    const QString& messageSentToCustomerStatus() const { return m_messageSentToCustomerStatus; }
    const QString& messageSentToAgentStatus() const { return m_messageSentToAgentStatus; }

private:
    friend class ChatBatch;

    ChatModel() = default;

    bool isApproved() const;
    // The rest of asChatManagedObject() once the stored copy was looked up:
    // existing is the first match, if any. A record that becomes a new
    // message hands its values over and is left empty.
    std::optional<Chat> store(data::ManagedObjectContext& context, std::optional<Chat> existing);
    bool isStoredUnchanged(const Chat& stored) const;
    void fill(Chat& chat) const;

    QString m_msgFrom;
    QString m_msgTo;
    QVariantMap m_msg;
    QString m_roomId;
    QDateTime m_createdOn;
    QString m_senderIdentity;
    QString m_senderRole;
    QString m_approvedByAgent;
    QString m_date;
    std::optional<QString> m_messageId;
    QString m_messageSentToCustomerStatus;
    QString m_messageSentToAgentStatus;
};

} // namespace kesvor
