#pragma once

#include "data/Bundle.h"
#include "data/FetchRequest.h"
#include "data/ManagedObjectModel.h"
#include "data/ObjectID.h"
#include "data/ObserverList.h"
#include "data/SqliteDatabase.h"
#include "data/StoreMetadata.h"
#include "data/WalCheckpointer.h"
#include "data/WriteTurns.h"

#include "foundation/Error.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace kesvor::data {

class ManagedObjectContext;

/// Where and how a store is opened.
struct PersistentStoreDescription {
    /// Path of the SQLite file.
    QString url;
    QString type = QStringLiteral("SQLite");
    /// Migrate a store written with another model version when it is opened.
    bool shouldMigrateStoreAutomatically = true;
    /// Without a mapping in modelBundles, carry same-named attributes over.
    bool shouldInferMappingModelAutomatically = true;
    /// Where older model versions and mappings are looked up.
    QList<Bundle> modelBundles;
};

/// Owns the one SQLite store of a model: creates, checks and migrates the
/// file, hands out connections to contexts, runs batch deletes and passes
/// every save's changes on to the observers (contexts that merge them).
/// Thread-safe.
class PersistentStoreCoordinator {
public:
    explicit PersistentStoreCoordinator(ManagedObjectModel::Ptr model);
    ~PersistentStoreCoordinator();
    PersistentStoreCoordinator(const PersistentStoreCoordinator&) = delete;
    PersistentStoreCoordinator& operator=(const PersistentStoreCoordinator&) = delete;

    ManagedObjectModel::Ptr managedObjectModel() const { return m_model; }

    /// Opens (creating when absent, migrating when written with another
    /// model) and checks the store file, in write-ahead-log mode. A file that
    /// is no store, is damaged, cannot be read or cannot be migrated fails,
    /// and is left as it was. One store per coordinator.
    bool addPersistentStore(const PersistentStoreDescription& description,
                            foundation::Error* error = nullptr);
    bool hasPersistentStore() const;
    /// The store file's path, empty before addPersistentStore() succeeded.
    QString storePath() const;

    /// The metadata recorded in the store file at path.
    static std::optional<StoreMetadata>
    metadataForPersistentStore(const QString& path, foundation::Error* error = nullptr);

    /// A new connection to the store, set up for use by one context.
    std::unique_ptr<SqliteDatabase> openConnection(foundation::Error* error = nullptr) const;
    /// A connection for a context: one an earlier context gave back (with
    /// its prepared statements and page cache), else a new one.
    std::unique_ptr<SqliteDatabase> takeConnection(foundation::Error* error = nullptr);
    /// Keeps a context's connection for the contexts that follow. One still
    /// in a transaction is rolled back first; beyond a few idle connections,
    /// or when it cannot be made idle, it is closed.
    void giveBackConnection(std::unique_ptr<SqliteDatabase> connection);

    /// Deletes every matching object in the store at once and returns their
    /// ids. The deletions are merged into context at once (its loaded objects
    /// and observers see them) and passed to every save observer.
    std::optional<QList<ObjectID>> execute(const BatchDeleteRequest& request,
                                           ManagedObjectContext& context,
                                           foundation::Error* error = nullptr);

    using SaveObserver =
        std::function<void(const ObjectChanges& changes, const ManagedObjectContext* origin)>;
    quint64 addSaveObserver(SaveObserver observer)
    {
        return m_saveObservers.add(std::move(observer));
    }
    void removeSaveObserver(quint64 token) { m_saveObservers.remove(token); }
    /// Called by a context after it committed a save.
    void contextDidSave(const ObjectChanges& changes, const ManagedObjectContext* origin)
    {
        m_saveObservers.notify(changes, origin);
    }

    /// Every write transaction of this process on the store takes a turn
    /// here first, so writers get the store in the order they asked for it.
    WriteTurns& writeTurns() { return m_writeTurns; }

    /// Counts the saves committed to the store through this coordinator. A
    /// fetch made after reading n sees the changes of every save up to n.
    /// Blocks until the write-ahead log copies asked for so far are done.
    void waitForCheckpoints();

    quint64 saveSequence() const { return m_saveSequence.load(); }
    /// Called right after a commit; the commit's number in saveSequence().
    quint64 recordSave() { return ++m_saveSequence; }

private:
    bool openExisting(const PersistentStoreDescription& description, foundation::Error* error);
    bool createStore(const QString& path, foundation::Error* error);
    bool migrate(const PersistentStoreDescription& description, const StoreMetadata& metadata,
                 foundation::Error* error);
    void setStorePath(const QString& path);

    ManagedObjectModel::Ptr m_model;
    mutable std::mutex m_mutex;
    QString m_storePath;
    std::unique_ptr<WalCheckpointer> m_checkpointer; // outlives the connections that call it
    WriteTurns m_writeTurns;
    std::unique_ptr<SqliteDatabase> m_batchConnection;
    std::vector<std::unique_ptr<SqliteDatabase>> m_idleConnections; // guarded by m_mutex
    std::mutex m_batchMutex;
    ObserverList<ObjectChanges, const ManagedObjectContext*> m_saveObservers;
    std::atomic<quint64> m_saveSequence{0};
};

} // namespace kesvor::data
