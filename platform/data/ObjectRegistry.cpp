#include "ObjectRegistry.h"

#include <algorithm>

namespace kesvor::data {

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
    const auto found = entity->objects.constFind(id.primaryKey);
    return found == entity->objects.cend() ? nullptr : found->lock();
}

void ObjectRegistry::add(const ObjectPtr& object)
{
    const ObjectID id = object->objectID();
    Table* entity = table(id.entityName);
    if (!entity)
        entity = &m_tables.emplace_back(Table{id.entityName, {}});
    if (m_expectedLive > 0) {
        // Grown once for all of them; the sweep limit moves past them, as
        // looking for dead entries among live ones would only cost.
        entity->objects.reserve(entity->objects.size() + m_expectedLive);
        entity->sweepSize = std::max(entity->sweepSize, entity->objects.size() + m_expectedLive);
        m_expectedLive = 0;
    }
    entity->objects.insert(id.primaryKey, object);
    if (entity->objects.size() <= entity->sweepSize)
        return;
    entity->objects.removeIf([](const auto& entry) { return entry.value().expired(); });
    entity->sweepSize = std::max<qsizetype>(1024, entity->objects.size() * 2);
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
    const auto found = entity->objects.constFind(id.primaryKey);
    if (found != entity->objects.cend() && found->lock().get() == &object)
        entity->objects.erase(found);
}

int ObjectRegistry::liveCount() const
{
    qsizetype live = 0;
    for (const Table& entity : m_tables)
        live += std::count_if(entity.objects.cbegin(), entity.objects.cend(),
                              [](const auto& entry) { return !entry.expired(); });
    return int(live);
}

} // namespace kesvor::data
