#include "data/ManagedObject.h"

#include "data/ManagedObjectContext.h"

namespace kesvor::data {

ManagedObject::ManagedObject(std::shared_ptr<const EntityDescription> entity)
    : m_entity(std::move(entity))
    , m_values(m_entity->attributes().size())
    , m_changed(m_entity->attributes().size())
{
}

ManagedObject::ManagedObject(std::shared_ptr<const EntityDescription> entity,
                             AttributeValues values)
    : m_entity(std::move(entity))
    , m_values(std::move(values))
    , m_changed(m_entity->attributes().size())
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
    if (attributeIndex < 0 || attributeIndex >= m_values.size())
        return {};
    return m_values[attributeIndex];
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
    if (attributeIndex < 0 || attributeIndex >= m_values.size())
        return false;
    const auto context = m_context.lock();
    if (!context || m_state == State::Detached || m_state == State::Deleted)
        return false;
    auto normalized = m_entity->attributes()[attributeIndex].normalized(value);
    if (!normalized)
        return false;
    context->objectWillChange(*this, attributeIndex, std::move(*normalized));
    return true;
}

QStringList ManagedObject::changedKeys() const
{
    QStringList keys;
    for (qsizetype i = 0; i < m_values.size(); ++i)
        if (m_changed.testBit(i))
            keys << m_entity->attributes()[i].name;
    return keys;
}

std::shared_ptr<ManagedObjectContext> ManagedObject::managedObjectContext() const
{
    return m_state == State::Detached ? nullptr : m_context.lock();
}

} // namespace kesvor::data
