#pragma once

#include "ManagedObject.h"
#include "ObjectID.h"

#include <QtCore/QHash>

#include <memory>

namespace kesvor::data {

/// The objects of one context by id, held weakly: an object stays registered
/// while someone uses it, which keeps every stored row at most one object.
class ObjectRegistry {
public:
    /// The live object with this id, or null.
    ObjectPtr find(const ObjectID& id) const;
    void add(const ObjectPtr& object);
    /// Removes the entry of exactly this object.
    void remove(const ManagedObject& object);
    int liveCount() const;

private:
    QHash<ObjectID, std::weak_ptr<ManagedObject>> m_objects;
    qsizetype m_sweepSize = 1024; // expired entries are dropped when the table outgrows this
};

} // namespace kesvor::data
