#include "data/ManagedObjectContext.h"

#include "data/DataError.h"
#include "data/EntityQuery.h"
#include "data/SqliteDatabase.h"
#include "data/ValueComparison.h"

#include "foundation/DebugLog.h"
#include "foundation/MainThread.h"

#include <QtCore/QCoreApplication>

#include <atomic>

namespace kesvor::data {

struct ManagedObjectContext::QueryStatement {
    EntityQuery::Key key;
    bool counting = false;
    SqliteStatement* statement = nullptr;
};

namespace {

// How many query statements a context finds by shape; others are found by text.
constexpr size_t queryStatementLimit = 16;

// Temporary ids are negative and never repeat within the process.
qint64 nextTemporaryID()
{
    static std::atomic<qint64> last{0};
    return --last;
}

bool reportFailure(foundation::Error* error, const SqliteStatement& statement,
                   const QString& context)
{
    if (error)
        *error = statement.lastError(context);
    return false;
}

} // namespace

std::shared_ptr<ManagedObjectContext>
ManagedObjectContext::create(ConcurrencyType type,
                             std::shared_ptr<PersistentStoreCoordinator> coordinator)
{
    return std::shared_ptr<ManagedObjectContext>(
        new ManagedObjectContext(type, std::move(coordinator)));
}

ManagedObjectContext::ManagedObjectContext(ConcurrencyType type,
                                           std::shared_ptr<PersistentStoreCoordinator> coordinator)
    : m_type(type)
    , m_coordinator(std::move(coordinator))
{
}

ManagedObjectContext::~ManagedObjectContext()
{
    if (m_mergeToken)
        m_coordinator->removeSaveObserver(m_mergeToken);
    for (const ObjectPtr& object : m_pending)
        object->m_state = ManagedObject::State::Detached;
    // A transaction that was never saved is rolled back on the way.
    m_coordinator->giveBackConnection(std::move(m_connection));
}

void ManagedObjectContext::performAndWait(const std::function<void()>& work)
{
    const std::lock_guard lock(m_mutex);
    mergeQueuedChanges();
    work();
}

std::shared_ptr<const EntityDescription>
ManagedObjectContext::entity(const QString& name, foundation::Error* error) const
{
    auto entity = m_coordinator->managedObjectModel()->entity(name);
    if (!entity)
        DataError::set(error, DataError::UnknownEntity, QStringLiteral("no entity named ") + name);
    return entity;
}

ObjectPtr ManagedObjectContext::insertNewObject(const QString& entityName, foundation::Error* error)
{
    const std::lock_guard lock(m_mutex);
    auto description = entity(entityName, error);
    if (!description)
        return nullptr;
    return adoptInserted(std::make_shared<ManagedObject>(description));
}

ObjectPtr ManagedObjectContext::adoptInserted(ObjectPtr object)
{
    object->m_primaryKey = nextTemporaryID();
    object->m_context = weak_from_this();
    object->m_state = ManagedObject::State::Inserted;
    object->m_insertedSinceSave = true;
    track(*object);
    return object;
}

ObjectPtr ManagedObjectContext::insertNewObject(const QString& entityName, AttributeValues values,
                                                foundation::Error* error)
{
    const std::lock_guard lock(m_mutex);
    auto description = entity(entityName, error);
    if (!description)
        return nullptr;
    const auto& attributes = description->attributes();
    if (values.size() != attributes.size()) {
        DataError::set(error, DataError::InvalidValue,
                       QStringLiteral("%1 values for the %2 attributes of %3")
                           .arg(values.size())
                           .arg(attributes.size())
                           .arg(entityName));
        return nullptr;
    }
    // The values are checked and converted where they are, then handed over whole.
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (!attributes[i].normalize(values[i])) {
            DataError::set(
                error, DataError::InvalidValue,
                QStringLiteral("\"%1\" cannot hold the value given").arg(attributes[i].name));
            return nullptr;
        }
    }
    auto object = std::make_shared<ManagedObject>(std::move(description), std::move(values));
    for (qsizetype i = 0; i < attributes.size(); ++i)
        if (object->m_values[i].isValid())
            object->m_changed.setBit(i);
    return adoptInserted(std::move(object));
}

void ManagedObjectContext::deleteObject(const ObjectPtr& object)
{
    const std::lock_guard lock(m_mutex);
    if (!object || object->m_context.lock().get() != this)
        return;
    using State = ManagedObject::State;
    switch (object->m_state) {
    case State::Inserted:
        if (object->m_primaryKey < 0) {
            object->m_state = State::Detached; // never written: it simply goes away
            return;
        }
        object->m_state = State::Deleted;
        break;
    case State::Clean:
    case State::Updated:
        object->m_state = State::Deleted;
        break;
    default:
        return;
    }
    track(*object);
}

void ManagedObjectContext::objectWillChange(ManagedObject& object, int attributeIndex,
                                            QVariant&& value)
{
    const std::lock_guard lock(m_mutex);
    QVariant& current = object.m_values[attributeIndex];
    if (valuesEqual(current, value))
        return;
    current = std::move(value);
    object.m_changed.setBit(attributeIndex);
    if (object.m_state == ManagedObject::State::Clean)
        object.m_state = ManagedObject::State::Updated;
    track(object);
}

void ManagedObjectContext::track(ManagedObject& object)
{
    if (!object.m_pending) {
        object.m_pending = true;
        m_pending.push_back(object.shared_from_this());
    }
    if (!object.m_needsWrite) {
        object.m_needsWrite = true;
        m_unwritten.push_back(object.shared_from_this());
    }
}

bool ManagedObjectContext::hasChanges() const
{
    const std::lock_guard lock(m_mutex);
    return std::any_of(m_pending.cbegin(), m_pending.cend(),
                       [](const ObjectPtr& object) { return object->hasChanges(); });
}

SqliteDatabase* ManagedObjectContext::connection(foundation::Error* error)
{
    if (!m_connection)
        m_connection = m_coordinator->takeConnection(error);
    return m_connection.get();
}

SqliteStatement* ManagedObjectContext::writeStatement(const EntityDescription& entity,
                                                      WriteKind kind, foundation::Error* error)
{
    auto& statements = m_writeStatements[&entity];
    SqliteStatement*& statement = statements[size_t(kind)];
    if (!statement) {
        const QString& sql = kind == WriteKind::Insert   ? entity.insertSql()
                             : kind == WriteKind::Update ? entity.updateSql()
                                                         : entity.deleteSql();
        statement = m_connection->cachedStatement(sql, error);
    }
    return statement;
}

bool ManagedObjectContext::beginTransaction(foundation::Error* error)
{
    if (m_transactionOpen)
        return true;
    SqliteDatabase* database = connection(error);
    if (!database || !database->exec(QStringLiteral("BEGIN IMMEDIATE"), error))
        return false;
    m_transactionOpen = true;
    m_transactionWritten = false;
    return true;
}

bool ManagedObjectContext::writePendingChanges(foundation::Error* error)
{
    const std::lock_guard lock(m_mutex);
    return beginTransaction(error) && writeChanges(error);
}

bool ManagedObjectContext::writeChanges(foundation::Error* error)
{
    if (m_unwritten.empty())
        return true;
    if (!beginTransaction(error))
        return false;
    m_transactionWritten = true;
    m_registry.expectLive(qsizetype(m_unwritten.size()));
    // Writing adds nothing to the list, so it is walked in place and keeps
    // its storage for the next changes.
    for (const ObjectPtr& object : m_unwritten) {
        if (!object->m_needsWrite)
            continue;
        if (!writeObject(*object, error)) {
            abandonTransaction(); // lists the unwritten objects anew
            return false;
        }
        object->m_needsWrite = false;
    }
    m_unwritten.clear();
    m_registry.expectLive(0);
    return true;
}

bool ManagedObjectContext::writeObject(ManagedObject& object, foundation::Error* error)
{
    using State = ManagedObject::State;
    const EntityDescription& description = object.entity();
    const bool insert = object.m_state == State::Inserted && object.m_primaryKey < 0;
    const bool update =
        !insert && (object.m_state == State::Inserted || object.m_state == State::Updated);
    const bool remove = object.m_state == State::Deleted && object.m_primaryKey > 0;
    if (!insert && !update && !remove)
        return true;
    SqliteStatement* statement = writeStatement(
        description, insert ? WriteKind::Insert : (update ? WriteKind::Update : WriteKind::Delete),
        error);
    if (!statement)
        return false;
    const StatementScope scope(statement);
    const auto& attributes = description.attributes();
    int parameter = 1;
    if (!remove)
        for (qsizetype i = 0; i < attributes.size(); ++i)
            attributes[i].bindStorage(*statement, parameter++, object.m_values[i]);
    if (!insert)
        statement->bindInt64(parameter, object.m_primaryKey);
    if (!statement->execute())
        return reportFailure(error, *statement, QStringLiteral("write ") + description.name());
    if (insert) {
        object.m_primaryKey = m_connection->lastInsertRowId();
        m_registry.add(object.shared_from_this());
    } else if (update && m_connection->changes() == 0) {
        KESVOR_DEBUG_LOG << "ManagedObjectContext: a" << description.name()
                         << "was deleted from the store before its changes were saved";
    }
    return true;
}

void ManagedObjectContext::abandonTransaction()
{
    if (m_connection && m_connection->inTransaction())
        m_connection->exec(QStringLiteral("ROLLBACK"));
    m_transactionOpen = false;
    m_unwritten.clear();
    using State = ManagedObject::State;
    for (const ObjectPtr& object : m_pending) {
        if (object->m_insertedSinceSave && object->m_primaryKey > 0) {
            m_registry.remove(*object); // its row went with the transaction
            object->m_primaryKey = nextTemporaryID();
            if (object->m_state == State::Deleted)
                object->m_state = State::Detached;
        }
        object->m_needsWrite = false;
        if (object->m_state == State::Detached || object->m_state == State::Clean)
            continue;
        object->m_needsWrite = true;
        m_unwritten.push_back(object);
    }
}

bool ManagedObjectContext::save(foundation::Error* error)
{
    ObjectChanges changes;
    {
        const std::lock_guard lock(m_mutex);
        if (!writeChanges(error))
            return false;
        if (m_transactionOpen) {
            if (!m_connection->exec(QStringLiteral("COMMIT"), error)) {
                abandonTransaction();
                return false;
            }
            m_transactionOpen = false;
            // A transaction that was only held open changed nothing: it is no save.
            if (m_transactionWritten)
                changes.sequence = m_coordinator->recordSave();
        }
        using State = ManagedObject::State;
        changes.inserted.reserve(qsizetype(m_pending.size()));
        for (const ObjectPtr& object : m_pending) {
            switch (object->m_state) {
            case State::Inserted:
                changes.inserted << object->objectID();
                object->m_state = State::Clean;
                break;
            case State::Updated:
                changes.updated << object->objectID();
                object->m_state = State::Clean;
                break;
            case State::Deleted:
                if (!object->m_insertedSinceSave)
                    changes.deleted << object->objectID();
                detach(*object);
                break;
            default:
                break;
            }
            object->m_changed.clear();
            object->m_insertedSinceSave = false;
            object->m_pending = false;
            object->m_needsWrite = false;
        }
        m_pending.clear();
    }
    if (!changes.isEmpty()) {
        m_coordinator->contextDidSave(changes, this);
        m_observers.notify(changes);
    }
    return true;
}

void ManagedObjectContext::rollback()
{
    const std::lock_guard lock(m_mutex);
    if (m_transactionOpen && m_connection->inTransaction())
        m_connection->exec(QStringLiteral("ROLLBACK"));
    m_transactionOpen = false;
    QHash<QString, QList<ObjectPtr>> reload;
    for (const ObjectPtr& object : m_pending) {
        object->m_pending = false;
        object->m_needsWrite = false;
        if (object->m_insertedSinceSave) {
            detach(*object);
        } else if (object->hasChanges()) {
            object->m_state = ManagedObject::State::Clean;
            object->m_changed.clear();
            reload[object->entity().name()] << object;
        }
    }
    m_pending.clear();
    m_unwritten.clear();
    for (auto it = reload.cbegin(); it != reload.cend(); ++it) {
        QList<qint64> keys;
        for (const ObjectPtr& object : *it)
            keys << object->m_primaryKey;
        const auto stored = readStoredValues(it->first()->m_entity, keys, nullptr);
        for (const ObjectPtr& object : *it) {
            if (stored && stored->contains(object->m_primaryKey))
                object->m_values = stored->value(object->m_primaryKey);
            else
                detach(*object);
        }
    }
}

std::optional<ManagedObjectContext::PreparedQuery>
ManagedObjectContext::prepare(const FetchRequest& request, bool counting, foundation::Error* error)
{
    auto description = entity(request.entityName, error);
    const auto query = description ? EntityQuery::make(*description, request, error) : std::nullopt;
    if (!query || !writeChanges(error))
        return std::nullopt;
    SqliteStatement* statement = queryStatement(*query, counting, error);
    if (!statement)
        return std::nullopt;
    query->bind(*statement);
    return PreparedQuery{std::move(description), statement};
}

SqliteStatement* ManagedObjectContext::queryStatement(const EntityQuery& query, bool counting,
                                                      foundation::Error* error)
{
    SqliteDatabase* database = connection(error);
    if (!database)
        return nullptr;
    const auto key = query.key();
    if (key) {
        const auto known = std::find_if(m_queryStatements.begin(), m_queryStatements.end(),
                                        [&](const QueryStatement& known) {
                                            return known.counting == counting && known.key == *key;
                                        });
        if (known != m_queryStatements.end()) {
            known->statement->reset();
            return known->statement;
        }
    }
    SqliteStatement* statement =
        database->cachedStatement(counting ? query.countSql() : query.selectSql(), error);
    if (statement && key) {
        if (m_queryStatements.size() >= queryStatementLimit)
            m_queryStatements.erase(m_queryStatements.begin());
        m_queryStatements.push_back({*key, counting, statement});
    }
    return statement;
}

std::optional<QList<ObjectPtr>> ManagedObjectContext::fetch(const FetchRequest& request,
                                                            foundation::Error* error)
{
    const std::lock_guard lock(m_mutex);
    const auto query = prepare(request, false, error);
    if (!query)
        return std::nullopt;
    const StatementScope scope(query->statement);
    QList<ObjectPtr> objects;
    SqliteStatement::Step step;
    while ((step = query->statement->step()) == SqliteStatement::Step::Row)
        objects << objectForRow(query->entity, *query->statement);
    if (step == SqliteStatement::Step::Error) {
        reportFailure(error, *query->statement, QStringLiteral("fetch ") + request.entityName);
        return std::nullopt;
    }
    return objects;
}

std::optional<int> ManagedObjectContext::count(const FetchRequest& request,
                                               foundation::Error* error)
{
    const std::lock_guard lock(m_mutex);
    const auto query = prepare(request, true, error);
    if (!query)
        return std::nullopt;
    const StatementScope scope(query->statement);
    if (query->statement->step() != SqliteStatement::Step::Row) {
        reportFailure(error, *query->statement, QStringLiteral("count ") + request.entityName);
        return std::nullopt;
    }
    return int(query->statement->columnInt64(0));
}

std::optional<QString> ManagedObjectContext::queryPlan(const FetchRequest& request,
                                                       foundation::Error* error)
{
    const std::lock_guard lock(m_mutex);
    const auto description = entity(request.entityName, error);
    const auto query = description ? EntityQuery::make(*description, request, error) : std::nullopt;
    SqliteDatabase* database = query ? connection(error) : nullptr;
    auto statement =
        database
            ? database->prepare(QStringLiteral("EXPLAIN QUERY PLAN ") + query->selectSql(), error)
            : std::nullopt;
    if (!statement)
        return std::nullopt;
    query->bind(*statement);
    QStringList lines;
    while (statement->step() == SqliteStatement::Step::Row)
        lines << statement->column(3).toString();
    return lines.join(u'\n');
}

ObjectPtr
ManagedObjectContext::objectForRow(const std::shared_ptr<const EntityDescription>& description,
                                   const SqliteStatement& row)
{
    const ObjectID id{description->name(), row.columnInt64(0)};
    if (ObjectPtr known = m_registry.find(id))
        return known;
    auto object = std::make_shared<ManagedObject>(description);
    object->m_values = EntityQuery::readValues(*description, row);
    object->m_primaryKey = id.primaryKey;
    object->m_context = weak_from_this();
    object->m_state = ManagedObject::State::Clean;
    m_registry.add(object);
    return object;
}

void ManagedObjectContext::detach(ManagedObject& object)
{
    m_registry.remove(object);
    object.m_state = ManagedObject::State::Detached;
    object.m_changed.clear();
    object.m_needsWrite = false;
}

int ManagedObjectContext::registeredObjectCount() const
{
    const std::lock_guard lock(m_mutex);
    return m_registry.liveCount();
}

std::optional<QHash<qint64, AttributeValues>>
ManagedObjectContext::readStoredValues(const std::shared_ptr<const EntityDescription>& description,
                                       const QList<qint64>& primaryKeys, foundation::Error* error)
{
    FetchRequest request = FetchRequest::forEntity(description->name());
    request.objectIDs = QList<ObjectID>();
    for (qint64 key : primaryKeys)
        request.objectIDs->append({description->name(), key});
    const auto query = EntityQuery::make(*description, request, error);
    SqliteDatabase* database = query ? connection(error) : nullptr;
    SqliteStatement* statement =
        database ? database->cachedStatement(query->selectSql(), error) : nullptr;
    if (!statement)
        return std::nullopt;
    const StatementScope scope(statement);
    query->bind(*statement);
    QHash<qint64, AttributeValues> rows;
    SqliteStatement::Step step;
    while ((step = statement->step()) == SqliteStatement::Step::Row)
        rows.insert(statement->columnInt64(0), EntityQuery::readValues(*description, *statement));
    if (step == SqliteStatement::Step::Error) {
        reportFailure(error, *statement, QStringLiteral("read ") + description->name());
        return std::nullopt;
    }
    return rows;
}

void ManagedObjectContext::refresh(ManagedObject& object, const AttributeValues& stored)
{
    const bool objectWins = m_mergePolicy == MergePolicy::MergeByPropertyObjectTrump;
    for (qsizetype i = 0; i < stored.size(); ++i)
        if (!(objectWins && object.m_changed.testBit(i)))
            object.m_values[i] = stored[i];
    if (!objectWins && object.m_state == ManagedObject::State::Updated) {
        object.m_changed.clear();
        object.m_state = ManagedObject::State::Clean;
    }
}

QList<ObjectID> ManagedObjectContext::refreshRegistered(const QList<ObjectID>& ids)
{
    QHash<QString, QList<ObjectPtr>> loaded;
    for (const ObjectID& id : ids) {
        ObjectPtr object = m_registry.find(id);
        if (object && object->m_state != ManagedObject::State::Inserted)
            loaded[id.entityName] << object;
    }
    QList<ObjectID> vanished;
    for (auto it = loaded.cbegin(); it != loaded.cend(); ++it) {
        QList<qint64> keys;
        for (const ObjectPtr& object : *it)
            keys << object->m_primaryKey;
        foundation::Error error;
        const auto stored = readStoredValues(it->first()->m_entity, keys, &error);
        if (!stored) {
            KESVOR_DEBUG_LOG << "ManagedObjectContext: cannot merge changes:" << error.description;
            continue;
        }
        for (const ObjectPtr& object : *it) {
            const auto row = stored->constFind(object->m_primaryKey);
            if (row != stored->cend()) {
                refresh(*object, *row);
            } else {
                vanished << object->objectID();
                detach(*object);
            }
        }
    }
    return vanished;
}

void ManagedObjectContext::mergeChanges(const ObjectChanges& changes)
{
    ObjectChanges merged;
    {
        const std::lock_guard lock(m_mutex);
        for (const ObjectID& id : changes.deleted)
            if (ObjectPtr object = m_registry.find(id))
                detach(*object);
        const QList<ObjectID> vanished = refreshRegistered(changes.inserted + changes.updated);
        auto present = [&vanished](const ObjectID& id) { return !vanished.contains(id); };
        std::copy_if(changes.inserted.cbegin(), changes.inserted.cend(),
                     std::back_inserter(merged.inserted), present);
        std::copy_if(changes.updated.cbegin(), changes.updated.cend(),
                     std::back_inserter(merged.updated), present);
        merged.deleted = changes.deleted + vanished;
        merged.sequence = changes.sequence;
    }
    if (!merged.isEmpty())
        m_observers.notify(merged);
}

void ManagedObjectContext::setAutomaticallyMergesChangesFromParent(bool merges)
{
    if (merges == (m_mergeToken != 0))
        return;
    if (!merges) {
        m_coordinator->removeSaveObserver(m_mergeToken);
        m_mergeToken = 0;
        return;
    }
    std::weak_ptr<ManagedObjectContext> weak = weak_from_this();
    const ManagedObjectContext* self = this;
    const ConcurrencyType type = m_type;
    m_mergeToken = m_coordinator->addSaveObserver(
        [weak, self, type](const ObjectChanges& changes, const ManagedObjectContext* origin) {
            if (origin == self)
                return;
            if (type == ConcurrencyType::PrivateQueue) {
                if (auto context = weak.lock())
                    context->enqueueMerge(changes);
                return;
            }
            if (!QCoreApplication::instance())
                return;
            foundation::runOnMainThread([weak, changes] {
                if (auto context = weak.lock())
                    context->mergeChanges(changes);
            });
        });
}

void ManagedObjectContext::enqueueMerge(const ObjectChanges& changes)
{
    const std::lock_guard lock(m_mergeQueueMutex);
    m_mergeQueue.push_back(changes);
}

void ManagedObjectContext::mergeQueuedChanges()
{
    std::vector<ObjectChanges> queued;
    {
        const std::lock_guard lock(m_mergeQueueMutex);
        queued.swap(m_mergeQueue);
    }
    for (const ObjectChanges& changes : queued)
        mergeChanges(changes);
}

} // namespace kesvor::data
