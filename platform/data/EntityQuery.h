#pragma once

#include "data/EntityDescription.h"
#include "data/FetchRequest.h"
#include "data/PredicateCompiler.h"
#include "data/SqliteStatement.h"

#include "foundation/Error.h"

#include <memory>
#include <optional>
#include <vector>

namespace kesvor::data {

/// The SQL of one fetch request against one entity's table: the rows
/// (primary key first, then every attribute in entity order), their count,
/// or their deletion. A predicate that is an OR of indexed lookups becomes a
/// compound select, one lookup per part.
class EntityQuery {
public:
    /// Nothing (and an error) when the predicate or a sort key does not fit
    /// the entity.
    static std::optional<EntityQuery> make(const EntityDescription& entity,
                                           const FetchRequest& request,
                                           foundation::Error* error = nullptr);

    /// What the SQL text of a query depends on: queries with equal keys have
    /// the same SQL and differ only in the values bound to it.
    struct Key {
        const EntityDescription* entity = nullptr;
        std::shared_ptr<const CompiledPredicate> predicate;
        QList<SortDescriptor> sortDescriptors;
        bool byObjectIDs = false;

        friend bool operator==(const Key&, const Key&) = default;
    };
    /// Nothing when no other query can share this one's SQL.
    std::optional<Key> key() const;

    QString selectSql() const;
    /// Counts what selectSql() returns (offset and limit applied).
    QString countSql() const;
    /// Deletes every matching row and returns their primary keys.
    QString deleteSql() const;

    /// Binds the parameters of selectSql() or countSql().
    bool bind(SqliteStatement& statement) const;
    /// Binds the parameters of deleteSql().
    bool bindForDelete(SqliteStatement& statement) const;

    /// "Z_PK", then the attribute columns, quoted and comma-separated.
    static QString columnList(const EntityDescription& entity);
    /// In-memory attribute values of the row the statement is on, read from
    /// column firstColumn onwards.
    static AttributeValues readValues(const EntityDescription& entity,
                                      const SqliteStatement& statement, int firstColumn = 1);

    /// A JSON array of the primary keys, for "IN (SELECT value FROM json_each(?))".
    static QString primaryKeyArray(const QList<qint64>& keys);

private:
    explicit EntityQuery(const EntityDescription& entity);

    // The selects of the alternatives, each with the given columns, joined by UNION.
    QString compound(const QString& columns) const;
    bool bindAlternatives(SqliteStatement& statement, int& parameter) const;

    QString orderBy() const;

    const EntityDescription* m_entity;
    std::shared_ptr<const CompiledPredicate> m_predicate; // none: every row
    QVariantList m_bindings;                              // of every alternative, in order
    std::optional<QString> m_primaryKeys;                 // JSON array restricting the rows
    QList<SortDescriptor> m_sortDescriptors;
    int m_offset = 0;
    int m_limit = 0;
};

} // namespace kesvor::data
