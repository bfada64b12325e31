#include "data/EntityQuery.h"

#include "data/DataError.h"

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
        query.m_predicate = request.predicate->compiled(entity, error);
        if (!query.m_predicate ||
            !query.m_predicate->appendBindings(request.predicate->arguments(), entity,
                                               query.m_bindings, error))
            return std::nullopt;
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
    }
    query.m_sortDescriptors = request.sortDescriptors;
    query.m_offset = std::max(0, request.fetchOffset);
    query.m_limit = std::max(0, request.fetchLimit);
    return query;
}

std::optional<EntityQuery::Key> EntityQuery::key() const
{
    if (m_predicate && !m_predicate->reusable)
        return std::nullopt;
    return Key{m_entity, m_predicate, m_sortDescriptors, m_primaryKeys.has_value()};
}

QString EntityQuery::orderBy() const
{
    QString text;
    for (const SortDescriptor& sort : m_sortDescriptors)
        text += EntityDescription::quoted(sort.key) %
                (sort.ascending ? QLatin1String(" ASC, ") : QLatin1String(" DESC, "));
    return text + primaryKey() + QLatin1String(" ASC");
}

QString EntityQuery::compound(const QString& columns) const
{
    const QString from =
        QLatin1String("SELECT ") % columns % QLatin1String(" FROM \"") % m_entity->name() % u'"';
    const QString keys = m_primaryKeys
                             ? primaryKey() % QLatin1String(" IN (SELECT value FROM json_each(?))")
                             : QString();
    if (!m_predicate)
        return keys.isEmpty() ? from : QString(from % QLatin1String(" WHERE ") % keys);
    QStringList selects;
    for (const QString& condition : m_predicate->alternatives) {
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
    return compound(m_entity->columnList()) % QLatin1String(" ORDER BY ") % orderBy() %
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
    if (m_predicate)
        conditions << u'(' + m_predicate->alternatives.join(QLatin1String(") OR (")) + u')';
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
    const qsizetype branches = m_predicate ? m_predicate->alternatives.size() : 1;
    qsizetype next = 0;
    for (qsizetype branch = 0; branch < branches; ++branch) {
        const qsizetype end = m_predicate ? next + m_predicate->bindingCounts[branch] : 0;
        for (; next < end; ++next)
            if (!statement.bind(parameter++, m_bindings[next]))
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
    for (const QVariant& value : m_bindings)
        if (!statement.bind(parameter++, value))
            return false;
    return !m_primaryKeys || statement.bindText(parameter, *m_primaryKeys);
}

QString EntityQuery::columnList(const EntityDescription& entity)
{
    return entity.columnList();
}

AttributeValues EntityQuery::readValues(const EntityDescription& entity,
                                        const SqliteStatement& statement, int firstColumn)
{
    const auto& attributes = entity.attributes();
    AttributeValues values;
    values.reserve(attributes.size());
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
