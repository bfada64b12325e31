#include "EntityQuery.h"

#include "DataError.h"

#include <QtCore/QStringBuilder>

namespace kesvor::data {

namespace {

QString primaryKey()
{
    return EntityDescription::quoted(QString::fromLatin1(EntityDescription::primaryKeyColumn));
}

} // namespace

EntityQuery::EntityQuery(const EntityDescription& entity)
    : m_entity(&entity)
{
}

std::optional<EntityQuery> EntityQuery::make(const EntityDescription& entity,
                                             const FetchRequest& request, foundation::Error* error)
{
    EntityQuery query(entity);
    if (request.predicate) {
        const auto sql = request.predicate->toSql(entity, error);
        if (!sql)
            return std::nullopt;
        query.m_alternatives = sql->alternatives;
        qsizetype next = 0;
        for (const int count : sql->bindingCounts) {
            query.m_bindings << sql->bindings.mid(next, count);
            next += count;
        }
    }
    if (request.objectIDs) {
        QList<qint64> keys;
        for (const ObjectID& id : *request.objectIDs)
            if (id.entityName == entity.name() && !id.isTemporaryID())
                keys << id.primaryKey;
        query.m_primaryKeys = primaryKeyArray(keys);
    }
    for (const SortDescriptor& sort : request.sortDescriptors) {
        const AttributeDescription* attribute = entity.attribute(sort.key);
        if (!attribute || !attribute->isSortable()) {
            DataError::set(error, DataError::UnknownAttribute,
                           QStringLiteral("cannot sort %1 by \"%2\"").arg(entity.name(), sort.key));
            return std::nullopt;
        }
        query.m_orderBy += EntityDescription::quoted(sort.key) %
                           (sort.ascending ? QLatin1String(" ASC, ") : QLatin1String(" DESC, "));
    }
    query.m_orderBy += primaryKey() + QLatin1String(" ASC");
    query.m_offset = std::max(0, request.fetchOffset);
    query.m_limit = std::max(0, request.fetchLimit);
    return query;
}

QString EntityQuery::compound(const QString& columns) const
{
    const QString from =
        QLatin1String("SELECT ") % columns % QLatin1String(" FROM \"") % m_entity->name() % u'"';
    const QString keys = m_primaryKeys
                             ? primaryKey() % QLatin1String(" IN (SELECT value FROM json_each(?))")
                             : QString();
    if (m_alternatives.isEmpty())
        return keys.isEmpty() ? from : QString(from % QLatin1String(" WHERE ") % keys);
    QStringList selects;
    for (const QString& condition : m_alternatives) {
        if (keys.isEmpty())
            selects << from % QLatin1String(" WHERE ") % condition;
        else
            selects << from % QLatin1String(" WHERE (") % condition % QLatin1String(") AND ") %
                           keys;
    }
    return selects.join(QLatin1String(" UNION "));
}

QString EntityQuery::selectSql() const
{
    return compound(m_entity->columnList()) % QLatin1String(" ORDER BY ") % m_orderBy %
           QLatin1String(" LIMIT ? OFFSET ?");
}

QString EntityQuery::countSql() const
{
    return QLatin1String("SELECT COUNT(*) FROM (") % compound(primaryKey()) %
           QLatin1String(" LIMIT ? OFFSET ?)");
}

QString EntityQuery::deleteSql() const
{
    QStringList conditions;
    if (!m_alternatives.isEmpty())
        conditions << u'(' + m_alternatives.join(QLatin1String(") OR (")) + u')';
    if (m_primaryKeys)
        conditions << primaryKey() + QLatin1String(" IN (SELECT value FROM json_each(?))");
    const QString where = conditions.isEmpty()
                              ? QString()
                              : QLatin1String(" WHERE ") + conditions.join(QLatin1String(" AND "));
    return QLatin1String("DELETE FROM \"") % m_entity->name() % u'"' % where %
           QLatin1String(" RETURNING ") % primaryKey();
}

bool EntityQuery::bindAlternatives(SqliteStatement& statement, int& parameter) const
{
    const qsizetype branches = std::max<qsizetype>(1, m_alternatives.size());
    for (qsizetype branch = 0; branch < branches; ++branch) {
        if (branch < m_bindings.size())
            for (const QVariant& value : m_bindings[branch])
                if (!statement.bind(parameter++, value))
                    return false;
        if (m_primaryKeys && !statement.bindText(parameter++, *m_primaryKeys))
            return false;
    }
    return true;
}

bool EntityQuery::bind(SqliteStatement& statement) const
{
    int parameter = 1;
    return bindAlternatives(statement, parameter) &&
           statement.bindInt64(parameter, m_limit > 0 ? m_limit : -1) &&
           statement.bindInt64(parameter + 1, m_offset);
}

bool EntityQuery::bindForDelete(SqliteStatement& statement) const
{
    int parameter = 1;
    for (const QVariantList& values : m_bindings)
        for (const QVariant& value : values)
            if (!statement.bind(parameter++, value))
                return false;
    return !m_primaryKeys || statement.bindText(parameter, *m_primaryKeys);
}

QString EntityQuery::columnList(const EntityDescription& entity)
{
    return entity.columnList();
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
