#pragma once

#include "data/ManagedObject.h"
#include "data/ObjectID.h"

#include <QtCore/QHash>

#include <memory>
#include <utility>
#include <vector>

namespace kesvor::data {

/// The objects a context has materialised, by object id, held weakly: an
/// object the context no longer needs goes away, and its entry with it.
class ObjectRegistry {
public:
    ObjectPtr find(const ObjectID& id) const;
    void add(const ObjectPtr& object);
    /// Makes room for count objects about to be added that are kept alive
    /// meanwhile: the dead entries are not looked for while they come in.
    void expectLive(qsizetype count);
    void remove(const ManagedObject& object);
    int liveCount() const;

private:
    using Entry = std::pair<qint64, std::weak_ptr<ManagedObject>>;

    // The objects of one entity by primary key: a model has a handful of
    // entities, so they are told apart once and the keys hash as integers.
    // Rows a context writes get ever larger keys; their objects go to the
    // end of a sorted list, which costs far less than a hash insertion.
    struct Table {
        QString entityName;
        std::vector<Entry> ascending;
        QHash<qint64, std::weak_ptr<ManagedObject>> others;
        qsizetype sweepSize = 1024; // expired entries are dropped when the table outgrows this

        qsizetype size() const { return qsizetype(ascending.size()) + others.size(); }
        void sweep();
    };

    const Table* table(const QString& entityName) const;
    Table* table(const QString& entityName);

    std::vector<Table> m_tables;
    qsizetype m_expectedLive = 0;
};

} // namespace kesvor::data
