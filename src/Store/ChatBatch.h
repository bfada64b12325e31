#pragma once

#include "Store/Chat.h"
#include "Store/ChatModel.h"

#include "data/ManagedObjectContext.h"

#include <QtCore/QHash>
#include <QtCore/QList>
#include <QtCore/QSet>
#include <QtCore/QString>
#include <QtCore/QVarLengthArray>

#include <optional>

namespace kesvor {

/// Stores the records of one batch in a context, each with the outcome that
/// ChatModel::asChatManagedObject() gives it after the records before it.
///
/// A record matches a stored message with its server id, or one with its
/// "createdOn" to the millisecond and sender unless both have server ids:
/// the time and sender are how the customer's local copy, which has no id
/// yet, meets the service's echo of it, while two messages the service gave
/// different ids are two messages, however close in time.
///
/// Rather than looking each record up on its own, a run of records fetches
/// in one request every message it could match, and each record then finds
/// its match among those and among the messages the run itself stored, in
/// memory: the first one in the order of the store.
class ChatBatch {
public:
    /// How many records a run holds at most.
    static constexpr qsizetype runLength = 256;

    explicit ChatBatch(data::ManagedObjectContext& context);

    /// Stores a run of records in order and returns, for each, what
    /// asChatManagedObject() would have returned. Before its lookup, the run
    /// writes the context's changes into the store's transaction, which
    /// holds the store's write lock until the context saves. When the lookup
    /// fails, none of the records is stored.
    /// When given, firstChanges receives, in order, each message the run
    /// changed that no earlier run of this batch listed.
    /// The records that become new messages are left empty.
    QList<std::optional<Chat>> store(QList<ChatModel> records, QList<Chat>* firstChanges = nullptr);

private:
    // A message as a record finds it by its creation time and sender.
    struct Moment {
        qint64 createdOn = 0;
        QString sender;

        friend bool operator==(const Moment&, const Moment&) = default;
        friend size_t qHash(const Moment& moment, size_t seed = 0)
        {
            return qHashMulti(seed, moment.createdOn, moment.sender);
        }
    };
    struct Keys {
        std::optional<Moment> moment;
        std::optional<QString> id;
    };
    struct Candidate {
        qint64 order = 0; // the order of the store: primary keys, then this run's new messages
        data::ObjectPtr object;
        bool hasId = false;
    };
    using Candidates = QVarLengthArray<Candidate, 1>;

    bool lookUp(const QList<ChatModel>& records);
    std::optional<Candidate> firstMatch(const Keys& keys) const;
    void add(const data::ObjectPtr& object, const Keys& keys, qint64 order);
    void remove(const data::ObjectPtr& object, const Keys& keys);
    static Keys keysOf(const Chat& chat);
    static Keys keysOf(const ChatModel& record);

    data::ManagedObjectContext& m_context;
    QHash<Moment, Candidates> m_byMoment;
    QHash<QString, Candidates> m_byId;
    qint64 m_nextOrder = 0;
    // The messages listed in firstChanges so far; they stay alive in that list.
    QSet<const data::ManagedObject*> m_listed;
};

} // namespace kesvor
