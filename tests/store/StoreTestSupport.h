#pragma once

#include "Store/Chat.h"

#include <QtCore/QString>
#include <QtCore/QVariantMap>

#include <optional>
#include <ostream>

namespace kesvor::test {

/// A wire message as the service sends it, approved, without "_id" and
/// statuses unless given.
struct Wire {
    QVariantMap dic;

    /// createdOn is the second of a fixed minute, or a full timestamp text.
    static Wire at(int second, int millisecond = 0,
                   const QString& from = QStringLiteral("agent-1"));
    static Wire at(const QString& createdOn, const QString& from = QStringLiteral("agent-1"));

    Wire& id(const QString& messageId) { return set("_id", messageId); }
    Wire& text(const QString& text);
    Wire& customerStatus(const QString& status)
    {
        return set("messageSentToCustomerStatus", status);
    }
    Wire& agentStatus(const QString& status) { return set("messageSentToAgentStatus", status); }
    Wire& approval(const QString& state) { return set("approvedByAgent", state); }
    Wire& set(const QString& key, const QVariant& value);
    Wire& without(const QString& key);

    operator QVariantMap() const { return dic; }
    operator QVariant() const { return dic; }
};

/// "2024-05-01T10:00:SS.mmm+0000".
QString stamp(int second, int millisecond = 0);

/// Runs addChats and waits for the batch; the completion's list, or nothing
/// when the completion was not called.
std::optional<QList<Chat>> addChatsAndWait(const QVariantList& chats);

/// Every stored message, in the order it was first stored, read through a
/// fresh background context.
QList<Chat> storedChats();

/// The message ids of chats ("-" for none).
QStringList idsOf(const QList<Chat>& chats);

} // namespace kesvor::test

/// Readable strings in test failure messages.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}
