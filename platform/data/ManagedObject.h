#pragma once

#include "data/EntityDescription.h"
#include "data/ObjectID.h"

#include <QtCore/QVariant>

#include <memory>
#include <vector>

namespace kesvor::data {

class ManagedObjectContext;

/// One object of an entity, registered in one context. Values are read and
/// written by attribute name; writing a value that differs from the current
/// one records a change that the context's next save writes.
///
/// An object is used on its context's thread. Once the context is gone (or
/// the object was deleted and saved) the object keeps its last values and can
/// still be read from any thread, but no longer changed.
class ManagedObject : public std::enable_shared_from_this<ManagedObject> {
public:
    explicit ManagedObject(std::shared_ptr<const EntityDescription> entity);
    /// With values by attribute position, already in their in-memory form.
    ManagedObject(std::shared_ptr<const EntityDescription> entity, AttributeValues values);

    const EntityDescription& entity() const { return *m_entity; }
    /// The same entity, shared: holding it keeps the description alive.
    const std::shared_ptr<const EntityDescription>& sharedEntity() const { return m_entity; }
    ObjectID objectID() const { return {m_entity->name(), m_primaryKey}; }

    /// The value, or an invalid QVariant when unset or not an attribute.
    QVariant value(const QString& key) const;
    QVariant value(QLatin1StringView key) const;
    QVariant value(int attributeIndex) const;

    /// False (nothing changes) for an unknown key, a value of the wrong type,
    /// or an object that no longer belongs to a live context.
    bool setValue(const QVariant& value, const QString& key);
    bool setValue(const QVariant& value, QLatin1StringView key);
    bool setValue(const QVariant& value, int attributeIndex);

    bool isInserted() const { return m_state == State::Inserted; }
    bool isUpdated() const { return m_state == State::Updated; }
    bool isDeleted() const { return m_state == State::Deleted; }
    bool hasChanges() const { return isInserted() || isUpdated() || isDeleted(); }
    /// Attributes changed since the last save.
    QStringList changedKeys() const;

    /// The owning context, or null once it is gone or the object left it.
    std::shared_ptr<ManagedObjectContext> managedObjectContext() const;

private:
    friend class ManagedObjectContext;

    enum class State { Detached, Clean, Inserted, Updated, Deleted };

    // One bit per attribute, held in place for up to 64 attributes.
    class AttributeBits {
    public:
        explicit AttributeBits(qsizetype count)
            : m_words((count + 63) / 64, 0)
        {
        }
        bool testBit(qsizetype i) const { return m_words[i / 64] >> (i % 64) & 1; }
        void setBit(qsizetype i) { m_words[i / 64] |= quint64(1) << (i % 64); }
        void clear() { std::fill(m_words.begin(), m_words.end(), 0); }

    private:
        QVarLengthArray<quint64, 1> m_words;
    };

    std::shared_ptr<const EntityDescription> m_entity;
    AttributeValues m_values;
    qint64 m_primaryKey = 0;
    std::weak_ptr<ManagedObjectContext> m_context;
    State m_state = State::Detached;
    AttributeBits m_changed;
    bool m_needsWrite = false;
    bool m_pending = false;
    bool m_insertedSinceSave = false;
};

using ObjectPtr = std::shared_ptr<ManagedObject>;

} // namespace kesvor::data
