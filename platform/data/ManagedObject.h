#pragma once

#include "data/EntityDescription.h"
#include "data/ObjectID.h"

#include <QtCore/QVarLengthArray>
#include <QtCore/QVariant>

#include <algorithm>
#include <memory>
#include <utility>
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

    /// The bookkeeping the owning context keeps on the object: its row, its
    /// unsaved changes and which of the context's lists hold it. Only that
    /// context uses it; everything else goes through the members above.
    /// Inline, because every object a save writes passes through it.
    class ContextState {
    public:
        enum class State { Detached, Clean, Inserted, Updated, Deleted };

        explicit ContextState(ManagedObject& object)
            : m_object(object)
        {
        }

        /// A negative primary key stands for a row not written yet.
        void attach(std::weak_ptr<ManagedObjectContext> context, qint64 primaryKey, State state)
        {
            m_object.m_context = std::move(context);
            m_object.m_primaryKey = primaryKey;
            m_object.m_state = state;
        }
        /// The object keeps its values but nothing of it is written any more.
        void detach()
        {
            m_object.m_state = State::Detached;
            m_object.m_changed.clear();
            m_object.m_needsWrite = false;
        }
        bool belongsTo(const ManagedObjectContext* context) const
        {
            return m_object.m_context.lock().get() == context;
        }

        State state() const { return m_object.m_state; }
        void setState(State state) { m_object.m_state = state; }
        qint64 primaryKey() const { return m_object.m_primaryKey; }
        void setPrimaryKey(qint64 primaryKey) { m_object.m_primaryKey = primaryKey; }
        AttributeValues& values() { return m_object.m_values; }

        bool isChanged(qsizetype attributeIndex) const
        {
            return m_object.m_changed.testBit(attributeIndex);
        }
        void markChanged(qsizetype attributeIndex) { m_object.m_changed.setBit(attributeIndex); }
        void clearChanges() { m_object.m_changed.clear(); }

        /// Its row, if written, goes with the transaction when that is abandoned.
        bool isInsertedSinceSave() const { return m_object.m_insertedSinceSave; }
        void setInsertedSinceSave(bool inserted) { m_object.m_insertedSinceSave = inserted; }
        /// On the context's list of objects with unsaved changes.
        bool isPending() const { return m_object.m_pending; }
        void setPending(bool pending) { m_object.m_pending = pending; }
        /// On the context's list of objects whose last change is not in the
        /// store's transaction yet.
        bool needsWrite() const { return m_object.m_needsWrite; }
        void setNeedsWrite(bool needsWrite) { m_object.m_needsWrite = needsWrite; }

    private:
        ManagedObject& m_object;
    };

private:
    using State = ContextState::State;

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
