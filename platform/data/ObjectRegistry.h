#pragma once

#include "ManagedObject.h"
#include "ObjectID.h"

#include <QtCore/QHash>

#include <memory>
#include <vector>

namespace kesvor::data {

/// The objects of one context by id, held weakly: an object stays registered
/// while someone uses it, which keeps every stored row at most one object.
class ObjectRegistry {
public:
    /// The live object with this id, or null.
    ObjectPtr find(const ObjectID& id) const;
    void add(const ObjectPtr& object);
    /// Makes room for count objects about to be added that are kept alive
    /// meanwhile: the dead entries are not looked for while they come in.
    void expectLive(qsizetype count);
    /// Removes the entry of exactly this object.
    void remove(const ManagedObject& object);
    int liveCount() const;

private:
    // The objects of one entity by primary key: a model has a handful of
    // entities, so they are told apart once and the keys hash as integers.
    struct Table {
        QString entityName;
        QHash<qint64, std::weak_ptr<ManagedObject>> objects;
        qsizetype sweepSize = 1024; // expired entries are dropped when the table outgrows this
    };

    const Table* table(const QString& entityName) const;
    Table* table(const QString& entityName);

    std::vector<Table> m_tables;
    qsizetype m_expectedLive = 0;
};

} // namespace kesvor::data
