#pragma once

#include "data/EntityQuery.h"
#include "data/FetchRequest.h"
#include "data/ManagedObject.h"
#include "data/ObjectID.h"
#include "data/ObjectRegistry.h"
#include "data/ObserverList.h"
#include "data/PersistentStoreCoordinator.h"

#include "foundation/Error.h"
#include "foundation/MainThread.h"

#include <QtCore/QHash>
#include <QtCore/QList>

#include <array>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace kesvor::data {

class SqliteDatabase;

/// A scratch pad of objects over the store, with a connection of its own.
///
/// Objects are unique per context: fetching a stored object twice gives the
/// same ManagedObject. Changes (inserts, value changes, deletes) stay in the
/// context until save() writes them in one transaction; a fetch sees the
/// context's own unsaved changes, because they are written into that still
/// open transaction first (so the store's write lock is held from the first
/// such fetch until the save). After a save, every other context that merges
/// changes learns which objects were inserted, updated and deleted.
///
/// A main-queue context is used on the main thread (its operations assert it
/// in debug builds). A private-queue context is used from one thread at a
/// time, inside performAndWait().
class ManagedObjectContext : public std::enable_shared_from_this<ManagedObjectContext> {
public:
    enum class ConcurrencyType { MainQueue, PrivateQueue };
    /// Whose values win when a merge meets unsaved changes of the same object:
    /// the store's (every property), or the object's changed properties.
    enum class MergePolicy { MergeByPropertyStoreTrump, MergeByPropertyObjectTrump };
    using ChangeObserver = std::function<void(const ObjectChanges& changes)>;

    static std::shared_ptr<ManagedObjectContext>
    create(ConcurrencyType type, std::shared_ptr<PersistentStoreCoordinator> coordinator);
    ~ManagedObjectContext();
    ManagedObjectContext(const ManagedObjectContext&) = delete;
    ManagedObjectContext& operator=(const ManagedObjectContext&) = delete;

    ConcurrencyType concurrencyType() const { return m_type; }
    std::shared_ptr<PersistentStoreCoordinator> persistentStoreCoordinator() const
    {
        return m_coordinator;
    }

    /// Runs work on the calling thread with the context to itself.
    void performAndWait(const std::function<void()>& work);

    /// A new object of the entity, inserted at the next save; null for an
    /// unknown entity.
    ObjectPtr insertNewObject(const QString& entityName, foundation::Error* error = nullptr);
    /// A new object with these values, by attribute position (invalid ones
    /// leave the attribute unset), as if each were set with setValue(); null
    /// with an error when the entity is unknown, the count differs from the
    /// entity's or a value does not fit its attribute.
    ObjectPtr insertNewObject(const QString& entityName, AttributeValues values,
                              foundation::Error* error = nullptr);
    /// Deletes the object (of this context) at the next save.
    void deleteObject(const ObjectPtr& object);

    std::optional<QList<ObjectPtr>> fetch(const FetchRequest& request,
                                          foundation::Error* error = nullptr);
    std::optional<int> count(const FetchRequest& request, foundation::Error* error = nullptr);

    bool hasChanges() const;
    /// Writes the changes made so far into the store's open transaction, as
    /// a fetch does before it runs, beginning it (and taking the store's
    /// write lock) when there is none yet. Nothing else is saved to the store
    /// until this context's next save or rollback, which ends it; the changes
    /// are still saved or rolled back as a whole.
    bool writePendingChanges(foundation::Error* error = nullptr);
    /// Writes every change in one transaction. On failure nothing is written
    /// and the changes stay in the context.
    bool save(foundation::Error* error = nullptr);
    /// Discards every unsaved change; changed objects take their stored values again.
    void rollback();

    /// Brings the changes another context saved (or a batch delete made) into
    /// this one: loaded objects take the stored values (by the merge policy),
    /// deleted ones leave the context, and the change observers are told.
    void mergeChanges(const ObjectChanges& changes);

    /// When on, every other context's save is merged: on the main thread for a
    /// main-queue context (queued, in save order), at the start of the next
    /// performAndWait() for a private-queue one.
    bool automaticallyMergesChangesFromParent() const { return m_mergeToken != 0; }
    void setAutomaticallyMergesChangesFromParent(bool merges);
    MergePolicy mergePolicy() const { return m_mergePolicy; }
    void setMergePolicy(MergePolicy policy)
    {
        assertThread();
        m_mergePolicy = policy;
    }

    /// Observers run after each save of this context and each merge into it.
    quint64 addChangeObserver(ChangeObserver observer)
    {
        return m_observers.add(std::move(observer));
    }
    void removeChangeObserver(quint64 token) { m_observers.remove(token); }

    /// Loaded objects still in use.
    int registeredObjectCount() const;
    /// The database's plan for the request, one line per step.
    std::optional<QString> queryPlan(const FetchRequest& request,
                                     foundation::Error* error = nullptr);

private:
    // An object reports its value changes here; nothing else of the context is its business.
    friend bool ManagedObject::setValue(const QVariant& value, int attributeIndex);

    using State = ManagedObject::ContextState::State;

    ManagedObjectContext(ConcurrencyType type,
                         std::shared_ptr<PersistentStoreCoordinator> coordinator);

    void assertThread() const
    {
        if (m_type == ConcurrencyType::MainQueue)
            KESVOR_ASSERT_MAIN_THREAD();
    }
    static ManagedObject::ContextState stateOf(ManagedObject& object)
    {
        return ManagedObject::ContextState(object);
    }

    void objectWillChange(ManagedObject& object, int attributeIndex, QVariant&& value);
    void track(ManagedObject& object);

    SqliteDatabase* connection(foundation::Error* error);
    // A request's statement, bound and ready to step, after the pending
    // changes went into the transaction.
    struct PreparedQuery {
        std::shared_ptr<const EntityDescription> entity;
        SqliteStatement* statement = nullptr;
    };
    std::optional<PreparedQuery> prepare(const FetchRequest& request, bool counting,
                                         foundation::Error* error);
    SqliteStatement* queryStatement(const EntityQuery& query, bool counting,
                                    foundation::Error* error);
    std::shared_ptr<const EntityDescription> entity(const QString& name,
                                                    foundation::Error* error) const;
    // Makes a new object this context's, inserted at the next save.
    ObjectPtr adoptInserted(ObjectPtr object);
    bool beginTransaction(foundation::Error* error);
    void endTransaction();
    bool writeChanges(foundation::Error* error);
    bool writeObject(ManagedObject& object, foundation::Error* error);
    void abandonTransaction();

    void detach(ManagedObject& object);
    ObjectPtr objectForRow(const std::shared_ptr<const EntityDescription>& entity,
                           const SqliteStatement& row);
    void refresh(ManagedObject& object, const AttributeValues& stored);
    QList<ObjectID> refreshRegistered(const QList<ObjectID>& ids);
    void enqueueMerge(const ObjectChanges& changes);
    void mergeQueuedChanges();
    std::optional<QHash<qint64, AttributeValues>>
    readStoredValues(const std::shared_ptr<const EntityDescription>& entity,
                     const QList<qint64>& primaryKeys, foundation::Error* error);
    enum class WriteKind { Insert, Update, Delete };
    SqliteStatement* writeStatement(const EntityDescription& entity, WriteKind kind,
                                    foundation::Error* error);

    const ConcurrencyType m_type;
    const std::shared_ptr<PersistentStoreCoordinator> m_coordinator;
    mutable std::recursive_mutex m_mutex;
    std::unique_ptr<SqliteDatabase> m_connection;
    bool m_transactionOpen = false;
    // Held from the transaction's beginning to its end, so that other
    // writers of this process wait in line for it rather than poll.
    std::optional<WriteTurns::Turn> m_writeTurn;
    bool m_transactionWritten = false; // changes went into the open transaction

    ObjectRegistry m_registry;
    std::vector<ObjectPtr> m_pending; // objects with unsaved changes, in order of first change
    std::vector<ObjectPtr>
        m_unwritten; // pending objects whose last change is not in the transaction

    // Prepared once per entity on this context's connection.
    QHash<const EntityDescription*, std::array<SqliteStatement*, 3>> m_writeStatements;
    // The statements of recent queries, found by the shape of their SQL
    // without making its text; newest last.
    struct QueryStatement {
        EntityQuery::Key key;
        bool counting = false;
        SqliteStatement* statement = nullptr;
    };
    std::vector<QueryStatement> m_queryStatements;

    std::mutex m_mergeQueueMutex;
    std::vector<ObjectChanges> m_mergeQueue; // saves of others, merged at the next performAndWait
    MergePolicy m_mergePolicy = MergePolicy::MergeByPropertyStoreTrump;
    quint64 m_mergeToken = 0;
    ObserverList<ObjectChanges> m_observers;
};

} // namespace kesvor::data
