#include "ManagedObject.h"

#include "ManagedObjectContext.h"

namespace kesvor::data {

ManagedObject::ManagedObject(std::shared_ptr<const EntityDescription> entity)
    : m_entity(std::move(entity))
    , m_values(size_t(m_entity->attributes().size()))
    , m_changed(int(m_entity->attributes().size()))
{
}

QVariant ManagedObject::value(const QString& key) const
{
    return value(m_entity->indexOfAttribute(key));
}

QVariant ManagedObject::value(QLatin1StringView key) const
{
    return value(m_entity->indexOfAttribute(key));
}

QVariant ManagedObject::value(int attributeIndex) const
{
    if (attributeIndex < 0 || size_t(attributeIndex) >= m_values.size())
        return {};
    return m_values[size_t(attributeIndex)];
}

bool ManagedObject::setValue(const QVariant& value, const QString& key)
{
    return setValue(value, m_entity->indexOfAttribute(key));
}

bool ManagedObject::setValue(const QVariant& value, QLatin1StringView key)
{
    return setValue(value, m_entity->indexOfAttribute(key));
}

bool ManagedObject::setValue(const QVariant& value, int attributeIndex)
{
    if (attributeIndex < 0 || size_t(attributeIndex) >= m_values.size())
        return false;
    const auto context = m_context.lock();
    if (!context || m_state == State::Detached || m_state == State::Deleted)
        return false;
    const auto normalized = m_entity->attributes()[attributeIndex].normalized(value);
    if (!normalized)
        return false;
    context->objectWillChange(*this, attributeIndex, *normalized);
    return true;
}

QStringList ManagedObject::changedKeys() const
{
    QStringList keys;
    for (int i = 0; i < m_changed.size(); ++i)
        if (m_changed.testBit(i))
            keys << m_entity->attributes()[i].name;
    return keys;
}

std::shared_ptr<ManagedObjectContext> ManagedObject::managedObjectContext() const
{
    return m_state == State::Detached ? nullptr : m_context.lock();
}

} // namespace kesvor::data
