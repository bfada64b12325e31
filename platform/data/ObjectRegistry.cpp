#include "ObjectRegistry.h"

namespace kesvor::data {

ObjectPtr ObjectRegistry::find(const ObjectID& id) const
{
    const auto found = m_objects.constFind(id);
    return found == m_objects.cend() ? nullptr : found->lock();
}

void ObjectRegistry::add(const ObjectPtr& object)
{
    m_objects.insert(object->objectID(), object);
    if (m_objects.size() <= m_sweepSize)
        return;
    m_objects.removeIf([](const auto& entry) { return entry.value().expired(); });
    m_sweepSize = std::max<qsizetype>(1024, m_objects.size() * 2);
}

void ObjectRegistry::remove(const ManagedObject& object)
{
    const auto found = m_objects.constFind(object.objectID());
    if (found != m_objects.cend() && found->lock().get() == &object)
        m_objects.erase(found);
}

int ObjectRegistry::liveCount() const
{
    return int(std::count_if(m_objects.cbegin(), m_objects.cend(),
                             [](const auto& entry) { return !entry.expired(); }));
}

} // namespace kesvor::data
