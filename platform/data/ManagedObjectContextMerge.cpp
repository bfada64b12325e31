// Changes saved elsewhere, brought into this context: the stored values its
// loaded objects take, the objects that leave it, and when merges happen.
#include "data/ManagedObjectContext.h"

#include "foundation/DebugLog.h"
#include "foundation/MainThread.h"

#include <QtCore/QCoreApplication>

#include <algorithm>
#include <iterator>

namespace kesvor::data {

void ManagedObjectContext::refresh(ManagedObject& object, const AttributeValues& stored)
{
    auto state = stateOf(object);
    const bool objectWins = m_mergePolicy == MergePolicy::MergeByPropertyObjectTrump;
    for (qsizetype i = 0; i < stored.size(); ++i)
        if (!(objectWins && state.isChanged(i)))
            state.values()[i] = stored[i];
    if (!objectWins && state.state() == State::Updated) {
        state.clearChanges();
        state.setState(State::Clean);
    }
}

QList<ObjectID> ManagedObjectContext::refreshRegistered(const QList<ObjectID>& ids)
{
    QHash<QString, QList<ObjectPtr>> loaded;
    for (const ObjectID& id : ids) {
        ObjectPtr object = m_registry.find(id);
        if (object && stateOf(*object).state() != State::Inserted)
            loaded[id.entityName] << object;
    }
    QList<ObjectID> vanished;
    for (auto it = loaded.cbegin(); it != loaded.cend(); ++it) {
        QList<qint64> keys;
        for (const ObjectPtr& object : *it)
            keys << stateOf(*object).primaryKey();
        foundation::Error error;
        const auto stored = readStoredValues(it->first()->sharedEntity(), keys, &error);
        if (!stored) {
            KESVOR_DEBUG_LOG << "ManagedObjectContext: cannot merge changes:" << error.description;
            continue;
        }
        for (const ObjectPtr& object : *it) {
            const auto row = stored->constFind(stateOf(*object).primaryKey());
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
    assertThread();
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
    assertThread();
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
