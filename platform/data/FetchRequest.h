#pragma once

#include "data/ObjectID.h"
#include "data/Predicate.h"

#include <QtCore/QList>
#include <QtCore/QString>

#include <optional>

namespace kesvor::data {

/// Orders fetched objects by one attribute.
struct SortDescriptor {
    QString key;
    bool ascending = true;

    friend bool operator==(const SortDescriptor&, const SortDescriptor&) = default;
};

/// What to fetch: objects of one entity that satisfy the predicate, in the
/// order of the sort descriptors (ties in the order the objects were first
/// stored), skipping fetchOffset of them and returning at most fetchLimit.
struct FetchRequest {
    QString entityName;
    std::optional<Predicate> predicate;
    QList<SortDescriptor> sortDescriptors;
    int fetchOffset = 0;
    /// 0 means no limit.
    int fetchLimit = 0;
    /// When set, only these objects are considered.
    std::optional<QList<ObjectID>> objectIDs;

    static FetchRequest forEntity(const QString& entityName)
    {
        FetchRequest request;
        request.entityName = entityName;
        return request;
    }
};

/// Deletes every object a fetch request matches, directly in the store
/// (PersistentStoreCoordinator::execute). Offset and limit are ignored.
struct BatchDeleteRequest {
    FetchRequest fetchRequest;
};

} // namespace kesvor::data
