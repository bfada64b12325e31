// The context's life and what its parts share: the connection, the entities
// of the model and the objects it has loaded.
#include "data/ManagedObjectContext.h"

#include "data/DataError.h"
#include "data/SqliteDatabase.h"

namespace kesvor::data {

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
        stateOf(*object).setState(State::Detached);
    // A transaction that was never saved is rolled back on the way.
    m_coordinator->giveBackConnection(std::move(m_connection));
    m_writeTurn.reset();
}

void ManagedObjectContext::performAndWait(const std::function<void()>& work)
{
    assertThread();
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

SqliteDatabase* ManagedObjectContext::connection(foundation::Error* error)
{
    if (!m_connection)
        m_connection = m_coordinator->takeConnection(error);
    return m_connection.get();
}

void ManagedObjectContext::detach(ManagedObject& object)
{
    m_registry.remove(object);
    stateOf(object).detach();
}

int ManagedObjectContext::registeredObjectCount() const
{
    assertThread();
    const std::lock_guard lock(m_mutex);
    return m_registry.liveCount();
}

} // namespace kesvor::data
