#include "data/PersistentStoreCoordinator.h"

#include "data/DataError.h"
#include "data/EntityQuery.h"
#include "data/ManagedObjectContext.h"
#include "data/MappingModel.h"
#include "data/MigrationManager.h"
#include "data/StoreFiles.h"
#include "data/StoreSchema.h"

#include <QtCore/QDir>
#include <QtCore/QFileInfo>

#include <sqlite3.h>

#include <mutex>

namespace kesvor::data {

namespace {

// A writer gives up after as long as SQLite's busy handler would wait.
constexpr std::chrono::milliseconds writeTurnTimeout{SqliteDatabase::defaultBusyTimeoutMs};

// Settings of every connection: the log makes commits durable against crashes
// of the process; page cache large enough for a long history; the log is
// copied back into the file by the coordinator's checkpointer, not by the
// commit that fills it.
constexpr auto connectionSettings = "PRAGMA synchronous=NORMAL; PRAGMA cache_size=-64000; "
                                    "PRAGMA temp_store=MEMORY; PRAGMA wal_autocheckpoint=0";

// Idle connections kept for later contexts: the main context keeps its own,
// and background contexts seldom overlap.
constexpr size_t idleConnectionLimit = 2;

bool enableWriteAheadLog(SqliteDatabase& database, foundation::Error* error)
{
    const auto mode = database.queryValue(QStringLiteral("PRAGMA journal_mode=WAL"), error);
    if (!mode)
        return false;
    if (mode->toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0) {
        DataError::set(error, DataError::NotAStore,
                       database.path() + QStringLiteral(" cannot use a write-ahead log"));
        return false;
    }
    return true;
}

// A cheap structural check, so a damaged file is found when the store is
// opened rather than half-way through a save.
bool checkIntegrity(SqliteDatabase& database, foundation::Error* error)
{
    const auto result = database.queryValue(QStringLiteral("PRAGMA quick_check(1)"), error);
    if (!result)
        return false;
    if (result->toString() != QLatin1String("ok")) {
        if (error)
            *error = {QString::fromLatin1(SqliteDatabase::errorDomain), SQLITE_CORRUPT,
                      database.path() + QStringLiteral(" is damaged: ") + result->toString()};
        return false;
    }
    return true;
}

QString migrationPath(const QString& path)
{
    const QFileInfo info(path);
    return info.absolutePath() + u'/' + info.completeBaseName() + QStringLiteral(".migrating.") +
           info.suffix();
}

} // namespace

PersistentStoreCoordinator::PersistentStoreCoordinator(ManagedObjectModel::Ptr model)
    : m_model(model ? std::move(model)
                    : std::make_shared<const ManagedObjectModel>(
                          QString(), QList<std::shared_ptr<const EntityDescription>>()))
{
}

PersistentStoreCoordinator::~PersistentStoreCoordinator() = default;

bool PersistentStoreCoordinator::addPersistentStore(const PersistentStoreDescription& description,
                                                    foundation::Error* error)
{
    if (hasPersistentStore()) {
        DataError::set(error, DataError::IncompatibleStore,
                       QStringLiteral("the coordinator already has a store"));
        return false;
    }
    if (description.type != QLatin1String("SQLite") || description.url.isEmpty()) {
        DataError::set(error, DataError::NoPersistentStore,
                       QStringLiteral("only SQLite stores at a file path are supported"));
        return false;
    }
    const QFileInfo info(description.url);
    if (!QDir().mkpath(info.absolutePath())) {
        DataError::set(error, DataError::FileOperationFailed,
                       QStringLiteral("cannot create the directory ") + info.absolutePath());
        return false;
    }
    const bool exists = info.exists() && (info.isDir() || info.size() > 0);
    if (!(exists ? openExisting(description, error) : createStore(description.url, error)))
        return false;
    m_checkpointer = std::make_unique<WalCheckpointer>(info.absoluteFilePath());
    setStorePath(info.absoluteFilePath());
    return true;
}

bool PersistentStoreCoordinator::openExisting(const PersistentStoreDescription& description,
                                              foundation::Error* error)
{
    const QString& path = description.url;
    StoreMetadata metadata;
    {
        auto database = SqliteDatabase::open(path, SqliteDatabase::OpenMode::ReadWrite, error);
        if (!database)
            return false;
        const auto empty = StoreSchema::isEmpty(*database, error);
        if (!empty)
            return false;
        if (*empty) {
            database.reset();
            return createStore(path, error);
        }
        const auto read = StoreSchema::readMetadata(*database, error);
        if (!read)
            return false;
        metadata = *read;
    }
    if (!m_model->isConfigurationCompatibleWithStoreMetadata(metadata) &&
        !migrate(description, metadata, error))
        return false;
    auto database = SqliteDatabase::open(path, SqliteDatabase::OpenMode::ReadWrite, error);
    return database && checkIntegrity(*database, error) && enableWriteAheadLog(*database, error) &&
           StoreSchema::createIndexes(*database, *m_model, error);
}

bool PersistentStoreCoordinator::createStore(const QString& path, foundation::Error* error)
{
    auto database = SqliteDatabase::open(path, SqliteDatabase::OpenMode::ReadWriteCreate, error);
    if (!database || !enableWriteAheadLog(*database, error))
        return false;
    SqliteTransaction transaction(*database);
    return transaction.begin(SqliteTransaction::Kind::Immediate, error) &&
           StoreSchema::create(*database, *m_model, error) && transaction.commit(error);
}

bool PersistentStoreCoordinator::migrate(const PersistentStoreDescription& description,
                                         const StoreMetadata& metadata, foundation::Error* error)
{
    auto incompatible = [&](const QString& problem) {
        DataError::set(error, DataError::IncompatibleStore,
                       description.url + QStringLiteral(" was written with another model: ") +
                           problem);
        return false;
    };
    if (!description.shouldMigrateStoreAutomatically)
        return incompatible(QStringLiteral("automatic migration is off"));
    const auto source =
        ManagedObjectModel::mergedModelFromBundles(description.modelBundles, metadata);
    if (!source)
        return incompatible(QStringLiteral("no known model version wrote it"));
    auto mapping = MappingModel::fromBundles(description.modelBundles, *source, *m_model);
    if (!mapping && description.shouldInferMappingModelAutomatically)
        mapping = MappingModel::inferred(*source, *m_model);
    if (!mapping)
        return incompatible(QStringLiteral("no mapping to the current model"));
    const QString temporary = migrationPath(description.url);
    MigrationManager manager(source, m_model);
    return manager.migrateStore(description.url, *mapping, temporary, error) &&
           StoreFiles::replace(description.url, temporary, error);
}

bool PersistentStoreCoordinator::hasPersistentStore() const
{
    const std::lock_guard lock(m_mutex);
    return !m_storePath.isEmpty();
}

QString PersistentStoreCoordinator::storePath() const
{
    const std::lock_guard lock(m_mutex);
    return m_storePath;
}

void PersistentStoreCoordinator::setStorePath(const QString& path)
{
    const std::lock_guard lock(m_mutex);
    m_storePath = path;
}

std::optional<StoreMetadata>
PersistentStoreCoordinator::metadataForPersistentStore(const QString& path,
                                                       foundation::Error* error)
{
    const QFileInfo info(path);
    if (!info.exists() || (info.isFile() && info.size() == 0)) {
        DataError::set(error, DataError::NoPersistentStore, QStringLiteral("no store at ") + path);
        return std::nullopt;
    }
    auto database = SqliteDatabase::open(path, SqliteDatabase::OpenMode::ReadWrite, error);
    return database ? StoreSchema::readMetadata(*database, error) : std::nullopt;
}

std::unique_ptr<SqliteDatabase>
PersistentStoreCoordinator::openConnection(foundation::Error* error) const
{
    const QString path = storePath();
    if (path.isEmpty()) {
        DataError::set(error, DataError::NoPersistentStore,
                       QStringLiteral("no store has been added"));
        return nullptr;
    }
    auto database = SqliteDatabase::open(path, SqliteDatabase::OpenMode::ReadWrite, error);
    if (database && !database->exec(QString::fromLatin1(connectionSettings), error))
        return nullptr;
    if (database)
        database->setWalCommitHandler([checkpointer = m_checkpointer.get()](int walPages) {
            checkpointer->committed(walPages);
        });
    return database;
}

void PersistentStoreCoordinator::waitForCheckpoints()
{
    if (m_checkpointer)
        m_checkpointer->waitUntilIdle();
}

std::unique_ptr<SqliteDatabase> PersistentStoreCoordinator::takeConnection(foundation::Error* error)
{
    {
        const std::lock_guard lock(m_mutex);
        if (!m_idleConnections.empty()) {
            auto connection = std::move(m_idleConnections.back());
            m_idleConnections.pop_back();
            return connection;
        }
    }
    return openConnection(error);
}

void PersistentStoreCoordinator::giveBackConnection(std::unique_ptr<SqliteDatabase> connection)
{
    if (!connection)
        return;
    // A statement left unfinished would hold its read snapshot, and a later
    // context would see the store as it was then.
    connection->resetStatements();
    if (connection->inTransaction() && !connection->exec(QStringLiteral("ROLLBACK")))
        return;
    const std::lock_guard lock(m_mutex);
    if (m_idleConnections.size() < idleConnectionLimit)
        m_idleConnections.push_back(std::move(connection));
}

std::optional<QList<ObjectID>>
PersistentStoreCoordinator::execute(const BatchDeleteRequest& request,
                                    ManagedObjectContext& context, foundation::Error* error)
{
    const auto entity = m_model->entity(request.fetchRequest.entityName);
    if (!entity) {
        DataError::set(error, DataError::UnknownEntity,
                       QStringLiteral("no entity named ") + request.fetchRequest.entityName);
        return std::nullopt;
    }
    const auto query = EntityQuery::make(*entity, request.fetchRequest, error);
    if (!query)
        return std::nullopt;
    QList<ObjectID> deleted;
    {
        const std::lock_guard lock(m_batchMutex);
        if (!m_batchConnection)
            m_batchConnection = openConnection(error);
        if (!m_batchConnection)
            return std::nullopt;
        const auto turn = m_writeTurns.take(writeTurnTimeout, error);
        if (!turn)
            return std::nullopt;
        SqliteTransaction transaction(*m_batchConnection);
        if (!transaction.begin(SqliteTransaction::Kind::Immediate, error))
            return std::nullopt;
        auto statement = m_batchConnection->prepare(query->deleteSql(), error);
        if (!statement || !query->bindForDelete(*statement))
            return std::nullopt;
        SqliteStatement::Step step;
        while ((step = statement->step()) == SqliteStatement::Step::Row)
            deleted << ObjectID{entity->name(), statement->columnInt64(0)};
        if (step == SqliteStatement::Step::Error) {
            if (error)
                *error = statement->lastError(QStringLiteral("batch delete"));
            return std::nullopt;
        }
        statement.reset();
        if (!transaction.commit(error))
            return std::nullopt;
    }
    const ObjectChanges changes{{}, {}, deleted, recordSave()};
    context.performAndWait([&] { context.mergeChanges(changes); });
    contextDidSave(changes, &context);
    return deleted;
}

} // namespace kesvor::data
