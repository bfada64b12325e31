#include "data/ObjectRegistry.h"

#include <algorithm>

namespace kesvor::data {

namespace {

// The entry of key in a list sorted by key, or null.
template <typename Entries>
auto entryOf(Entries& ascending, qint64 key) -> decltype(&ascending.begin()->second)
{
    const auto found =
        std::lower_bound(ascending.begin(), ascending.end(), key,
                         [](const auto& entry, qint64 wanted) { return entry.first < wanted; });
    return found != ascending.end() && found->first == key ? &found->second : nullptr;
}

} // namespace

void ObjectRegistry::Table::sweep()
{
    std::erase_if(ascending, [](const Entry& entry) { return entry.second.expired(); });
    others.removeIf([](const auto& entry) { return entry.value().expired(); });
    sweepSize = std::max<qsizetype>(1024, size() * 2);
}

const ObjectRegistry::Table* ObjectRegistry::table(const QString& entityName) const
{
    const auto found = std::find_if(m_tables.cbegin(), m_tables.cend(), [&](const Table& table) {
        // Ids of one entity mostly share the description's name itself.
        return table.entityName.constData() == entityName.constData() ||
               table.entityName == entityName;
    });
    return found == m_tables.cend() ? nullptr : &*found;
}

ObjectRegistry::Table* ObjectRegistry::table(const QString& entityName)
{
    return const_cast<Table*>(std::as_const(*this).table(entityName));
}

ObjectPtr ObjectRegistry::find(const ObjectID& id) const
{
    const Table* entity = table(id.entityName);
    if (!entity)
        return nullptr;
    if (const auto* entry = entryOf(entity->ascending, id.primaryKey))
        return entry->lock();
    const auto found = entity->others.constFind(id.primaryKey);
    return found == entity->others.cend() ? nullptr : found->lock();
}

void ObjectRegistry::add(const ObjectPtr& object)
{
    const ObjectID id = object->objectID();
    Table* entity = table(id.entityName);
    if (!entity)
        entity = &m_tables.emplace_back(Table{id.entityName, {}, {}});
    if (m_expectedLive > 0) {
        // Grown once for all of them; the sweep limit moves past them, as
        // looking for dead entries among live ones would only cost.
        const size_t needed = entity->ascending.size() + size_t(m_expectedLive);
        if (entity->ascending.capacity() < needed) // by doubling: saves come one run at a time
            entity->ascending.reserve(std::max(needed, 2 * entity->ascending.capacity()));
        entity->sweepSize = std::max(entity->sweepSize, entity->size() + m_expectedLive);
        m_expectedLive = 0;
    }
    // A key has one entry: where it already is, or at the end when it comes
    // after every key in order, or else among the others.
    if (auto* entry = entryOf(entity->ascending, id.primaryKey))
        *entry = object;
    else if (entity->ascending.empty() || entity->ascending.back().first < id.primaryKey)
        entity->ascending.emplace_back(id.primaryKey, object);
    else
        entity->others.insert(id.primaryKey, object);
    if (entity->size() > entity->sweepSize)
        entity->sweep();
}

void ObjectRegistry::expectLive(qsizetype count)
{
    m_expectedLive = count;
}

void ObjectRegistry::remove(const ManagedObject& object)
{
    const ObjectID id = object.objectID();
    Table* entity = table(id.entityName);
    if (!entity)
        return;
    if (auto* entry = entryOf(entity->ascending, id.primaryKey)) {
        if (entry->lock().get() == &object)
            entry->reset(); // dropped from the list at the next sweep
        return;
    }
    const auto found = entity->others.constFind(id.primaryKey);
    if (found != entity->others.cend() && found->lock().get() == &object)
        entity->others.erase(found);
}

int ObjectRegistry::liveCount() const
{
    qsizetype live = 0;
    for (const Table& entity : m_tables) {
        live += std::count_if(entity.ascending.cbegin(), entity.ascending.cend(),
                              [](const Entry& entry) { return !entry.second.expired(); });
        live += std::count_if(entity.others.cbegin(), entity.others.cend(),
                              [](const auto& entry) { return !entry.expired(); });
    }
    return int(live);
}

} // namespace kesvor::data
