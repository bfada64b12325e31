// The write side of the context: inserts, value changes and deletes as they
// are tracked, written into the store's transaction, saved or rolled back.
#include "data/ManagedObjectContext.h"

#include "data/DataError.h"
#include "data/SqliteDatabase.h"
#include "data/ValueComparison.h"

#include "foundation/DebugLog.h"

#include <algorithm>
#include <atomic>

namespace kesvor::data {

namespace {

// Temporary ids are negative and never repeat within the process.
qint64 nextTemporaryID()
{
    static std::atomic<qint64> last{0};
    return --last;
}

} // namespace

ObjectPtr ManagedObjectContext::insertNewObject(const QString& entityName, foundation::Error* error)
{
    assertThread();
    const std::lock_guard lock(m_mutex);
    auto description = entity(entityName, error);
    if (!description)
        return nullptr;
    return adoptInserted(std::make_shared<ManagedObject>(description));
}

ObjectPtr ManagedObjectContext::adoptInserted(ObjectPtr object)
{
    auto state = stateOf(*object);
    state.attach(weak_from_this(), nextTemporaryID(), State::Inserted);
    state.setInsertedSinceSave(true);
    track(*object);
    return object;
}

ObjectPtr ManagedObjectContext::insertNewObject(const QString& entityName, AttributeValues values,
                                                foundation::Error* error)
{
    assertThread();
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
    auto state = stateOf(*object);
    for (qsizetype i = 0; i < attributes.size(); ++i)
        if (state.values()[i].isValid())
            state.markChanged(i);
    return adoptInserted(std::move(object));
}

void ManagedObjectContext::deleteObject(const ObjectPtr& object)
{
    assertThread();
    const std::lock_guard lock(m_mutex);
    if (!object)
        return;
    auto state = stateOf(*object);
    if (!state.belongsTo(this))
        return;
    switch (state.state()) {
    case State::Inserted:
        if (state.primaryKey() < 0) {
            state.setState(State::Detached); // never written: it simply goes away
            return;
        }
        state.setState(State::Deleted);
        break;
    case State::Clean:
    case State::Updated:
        state.setState(State::Deleted);
        break;
    default:
        return;
    }
    track(*object);
}

void ManagedObjectContext::objectWillChange(ManagedObject& object, int attributeIndex,
                                            QVariant&& value)
{
    assertThread();
    const std::lock_guard lock(m_mutex);
    auto state = stateOf(object);
    QVariant& current = state.values()[attributeIndex];
    if (valuesEqual(current, value))
        return;
    current = std::move(value);
    state.markChanged(attributeIndex);
    if (state.state() == State::Clean)
        state.setState(State::Updated);
    track(object);
}

void ManagedObjectContext::track(ManagedObject& object)
{
    auto state = stateOf(object);
    if (!state.isPending()) {
        state.setPending(true);
        m_pending.push_back(object.shared_from_this());
    }
    if (!state.needsWrite()) {
        state.setNeedsWrite(true);
        m_unwritten.push_back(object.shared_from_this());
    }
}

bool ManagedObjectContext::hasChanges() const
{
    assertThread();
    const std::lock_guard lock(m_mutex);
    return std::any_of(m_pending.cbegin(), m_pending.cend(),
                       [](const ObjectPtr& object) { return object->hasChanges(); });
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
    if (!database)
        return false;
    m_writeTurn = m_coordinator->writeTurns().take(
        std::chrono::milliseconds(SqliteDatabase::defaultBusyTimeoutMs), error);
    if (!m_writeTurn)
        return false;
    if (!database->exec(QStringLiteral("BEGIN IMMEDIATE"), error)) {
        m_writeTurn.reset();
        return false;
    }
    m_transactionOpen = true;
    m_transactionWritten = false;
    return true;
}

void ManagedObjectContext::endTransaction()
{
    m_transactionOpen = false;
    m_writeTurn.reset();
}

bool ManagedObjectContext::writePendingChanges(foundation::Error* error)
{
    assertThread();
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
        auto state = stateOf(*object);
        if (!state.needsWrite())
            continue;
        if (!writeObject(*object, error)) {
            abandonTransaction(); // lists the unwritten objects anew
            return false;
        }
        state.setNeedsWrite(false);
    }
    m_unwritten.clear();
    m_registry.expectLive(0);
    return true;
}

bool ManagedObjectContext::writeObject(ManagedObject& object, foundation::Error* error)
{
    auto state = stateOf(object);
    const EntityDescription& description = object.entity();
    const bool insert = state.state() == State::Inserted && state.primaryKey() < 0;
    const bool update =
        !insert && (state.state() == State::Inserted || state.state() == State::Updated);
    const bool remove = state.state() == State::Deleted && state.primaryKey() > 0;
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
            attributes[i].bindStorage(*statement, parameter++, state.values()[i]);
    if (!insert)
        statement->bindInt64(parameter, state.primaryKey());
    if (!statement->execute()) {
        if (error)
            *error = statement->lastError(QStringLiteral("write ") + description.name());
        return false;
    }
    if (insert) {
        state.setPrimaryKey(m_connection->lastInsertRowId());
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
    endTransaction();
    m_unwritten.clear();
    for (const ObjectPtr& object : m_pending) {
        auto state = stateOf(*object);
        if (state.isInsertedSinceSave() && state.primaryKey() > 0) {
            m_registry.remove(*object); // its row went with the transaction
            state.setPrimaryKey(nextTemporaryID());
            if (state.state() == State::Deleted)
                state.setState(State::Detached);
        }
        state.setNeedsWrite(false);
        if (state.state() == State::Detached || state.state() == State::Clean)
            continue;
        state.setNeedsWrite(true);
        m_unwritten.push_back(object);
    }
}

bool ManagedObjectContext::save(foundation::Error* error)
{
    assertThread();
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
            endTransaction();
            // A transaction that was only held open changed nothing: it is no save.
            if (m_transactionWritten)
                changes.sequence = m_coordinator->recordSave();
        }
        changes.inserted.reserve(qsizetype(m_pending.size()));
        for (const ObjectPtr& object : m_pending) {
            auto state = stateOf(*object);
            switch (state.state()) {
            case State::Inserted:
                changes.inserted << object->objectID();
                state.setState(State::Clean);
                break;
            case State::Updated:
                changes.updated << object->objectID();
                state.setState(State::Clean);
                break;
            case State::Deleted:
                if (!state.isInsertedSinceSave())
                    changes.deleted << object->objectID();
                detach(*object);
                break;
            default:
                break;
            }
            state.clearChanges();
            state.setInsertedSinceSave(false);
            state.setPending(false);
            state.setNeedsWrite(false);
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
    assertThread();
    const std::lock_guard lock(m_mutex);
    if (m_transactionOpen && m_connection->inTransaction())
        m_connection->exec(QStringLiteral("ROLLBACK"));
    endTransaction();
    QHash<QString, QList<ObjectPtr>> reload;
    for (const ObjectPtr& object : m_pending) {
        auto state = stateOf(*object);
        state.setPending(false);
        state.setNeedsWrite(false);
        if (state.isInsertedSinceSave()) {
            detach(*object);
        } else if (object->hasChanges()) {
            state.setState(State::Clean);
            state.clearChanges();
            reload[object->entity().name()] << object;
        }
    }
    m_pending.clear();
    m_unwritten.clear();
    for (auto it = reload.cbegin(); it != reload.cend(); ++it) {
        QList<qint64> keys;
        for (const ObjectPtr& object : *it)
            keys << stateOf(*object).primaryKey();
        const auto stored = readStoredValues(it->first()->sharedEntity(), keys, nullptr);
        for (const ObjectPtr& object : *it) {
            auto state = stateOf(*object);
            if (stored && stored->contains(state.primaryKey()))
                state.values() = stored->value(state.primaryKey());
            else
                detach(*object);
        }
    }
}

} // namespace kesvor::data
