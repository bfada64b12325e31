#include "EntityQuery.h"

#include "DataError.h"

namespace kesvor::data {

namespace {

QString primaryKey()
{
    return EntityDescription::quoted(QString::fromLatin1(EntityDescription::primaryKeyColumn));
}

} // namespace

EntityQuery::EntityQuery(const EntityDescription& entity, QString where, QVariantList bindings,
                         QString orderBy, int offset, int limit)
    : m_entity(&entity)
    , m_where(std::move(where))
    , m_bindings(std::move(bindings))
    , m_orderBy(std::move(orderBy))
    , m_offset(offset)
    , m_limit(limit)
{
}

std::optional<EntityQuery> EntityQuery::make(const EntityDescription& entity,
                                             const FetchRequest& request, foundation::Error* error)
{
    QStringList conditions;
    QVariantList bindings;
    if (request.predicate) {
        const auto sql = request.predicate->toSql(entity, error);
        if (!sql)
            return std::nullopt;
        conditions << sql->whereClause;
        bindings << sql->bindings;
    }
    if (request.objectIDs) {
        QList<qint64> keys;
        for (const ObjectID& id : *request.objectIDs)
            if (id.entityName == entity.name() && !id.isTemporaryID())
                keys << id.primaryKey;
        conditions << primaryKey() + QStringLiteral(" IN (SELECT value FROM json_each(?))");
        bindings << primaryKeyArray(keys);
    }
    QStringList order;
    for (const SortDescriptor& sort : request.sortDescriptors) {
        const AttributeDescription* attribute = entity.attribute(sort.key);
        if (!attribute || !attribute->isSortable()) {
            DataError::set(error, DataError::UnknownAttribute,
                           QStringLiteral("cannot sort %1 by \"%2\"").arg(entity.name(), sort.key));
            return std::nullopt;
        }
        order << EntityDescription::quoted(sort.key) +
                     (sort.ascending ? QStringLiteral(" ASC") : QStringLiteral(" DESC"));
    }
    order << primaryKey() + QStringLiteral(" ASC");
    const QString where =
        conditions.isEmpty() ? QString()
                             : QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "));
    return EntityQuery(entity, where, bindings, order.join(QStringLiteral(", ")),
                       std::max(0, request.fetchOffset), std::max(0, request.fetchLimit));
}

QString EntityQuery::selectSql() const
{
    return QStringLiteral("SELECT ") + columnList(*m_entity) + QStringLiteral(" FROM ") +
           EntityDescription::quoted(m_entity->name()) + m_where + QStringLiteral(" ORDER BY ") +
           m_orderBy + QStringLiteral(" LIMIT ? OFFSET ?");
}

QString EntityQuery::countSql() const
{
    return QStringLiteral("SELECT COUNT(*) FROM (SELECT 1 FROM ") +
           EntityDescription::quoted(m_entity->name()) + m_where +
           QStringLiteral(" LIMIT ? OFFSET ?)");
}

QString EntityQuery::deleteSql() const
{
    return QStringLiteral("DELETE FROM ") + EntityDescription::quoted(m_entity->name()) + m_where +
           QStringLiteral(" RETURNING ") + primaryKey();
}

bool EntityQuery::bindForDelete(SqliteStatement& statement) const
{
    for (qsizetype i = 0; i < m_bindings.size(); ++i)
        if (!statement.bind(int(i) + 1, m_bindings[i]))
            return false;
    return true;
}

bool EntityQuery::bind(SqliteStatement& statement) const
{
    const int count = int(m_bindings.size());
    return bindForDelete(statement) && statement.bindInt64(count + 1, m_limit > 0 ? m_limit : -1) &&
           statement.bindInt64(count + 2, m_offset);
}

QString EntityQuery::columnList(const EntityDescription& entity)
{
    QStringList columns{primaryKey()};
    for (const AttributeDescription& attribute : entity.attributes())
        columns << EntityDescription::quoted(attribute.name);
    return columns.join(QStringLiteral(", "));
}

std::vector<QVariant> EntityQuery::readValues(const EntityDescription& entity,
                                              const SqliteStatement& statement, int firstColumn)
{
    const auto& attributes = entity.attributes();
    std::vector<QVariant> values;
    values.reserve(size_t(attributes.size()));
    for (qsizetype i = 0; i < attributes.size(); ++i)
        values.push_back(attributes[i].fromStorage(statement.column(firstColumn + int(i))));
    return values;
}

QString EntityQuery::primaryKeyArray(const QList<qint64>& keys)
{
    QString text(u'[');
    for (qsizetype i = 0; i < keys.size(); ++i) {
        if (i)
            text += u',';
        text += QString::number(keys[i]);
    }
    return text + u']';
}

} // namespace kesvor::data
