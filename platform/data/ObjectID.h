#pragma once

#include <QtCore/QHashFunctions>
#include <QtCore/QList>
#include <QtCore/QString>

namespace kesvor::data {

/// Identifies one object of an entity. Stored objects have a positive primary
/// key; an object inserted into a context and not yet written has a negative,
/// temporary one.
struct ObjectID {
    QString entityName;
    qint64 primaryKey = 0;

    bool isTemporaryID() const { return primaryKey < 0; }

    friend bool operator==(const ObjectID&, const ObjectID&) = default;
};

inline size_t qHash(const ObjectID& id, size_t seed = 0)
{
    return qHashMulti(seed, id.entityName, id.primaryKey);
}

/// The objects one save (or merge) inserted, updated and deleted.
struct ObjectChanges {
    QList<ObjectID> inserted;
    QList<ObjectID> updated;
    QList<ObjectID> deleted;
    /// The store's count of saves when these changes were committed (see
    /// PersistentStoreCoordinator::saveSequence()); 0 when unknown.
    quint64 sequence = 0;

    bool isEmpty() const { return inserted.isEmpty() && updated.isEmpty() && deleted.isEmpty(); }
};

} // namespace kesvor::data
