#include "data/EntityDescription.h"

#include <QtCore/QCryptographicHash>
#include <QtCore/QRegularExpression>

namespace kesvor::data {

EntityDescription::EntityDescription(QString name, QList<AttributeDescription> attributes,
                                     QList<IndexDescription> indexes, QString versionHashModifier)
    : m_name(std::move(name))
    , m_attributes(std::move(attributes))
    , m_indexes(std::move(indexes))
    , m_versionHashModifier(std::move(versionHashModifier))
{
    QStringList parts;
    for (const AttributeDescription& attribute : m_attributes)
        parts << attribute.name + u':' + foundation::rawValue(attribute.type);
    parts.sort();
    const QString canonical = m_name + u'|' + parts.join(u',') + u'|' + m_versionHashModifier;
    m_versionHash =
        QCryptographicHash::hash(canonical.toUtf8(), QCryptographicHash::Sha256).toHex();
    QStringList layout{m_name};
    for (const AttributeDescription& attribute : m_attributes)
        layout << attribute.name + u':' + foundation::rawValue(attribute.type);
    for (const IndexDescription& index : m_indexes)
        layout << index.name + u'(' + index.properties.join(u',') + u')';
    m_layoutHash = QCryptographicHash::hash(layout.join(u'|').toUtf8(), QCryptographicHash::Sha256);
    const QString key = quoted(QString::fromLatin1(primaryKeyColumn));
    QStringList columns;
    QStringList assignments;
    for (const AttributeDescription& attribute : m_attributes) {
        columns << quoted(attribute.name);
        assignments << quoted(attribute.name) + QStringLiteral(" = ?");
    }
    const QString table = quoted(m_name);
    m_columnList = (QStringList{key} + columns).join(QStringLiteral(", "));
    m_insertSql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                      .arg(table, columns.join(u','),
                           QStringList(columns.size(), QStringLiteral("?")).join(u','));
    m_updateSql =
        QStringLiteral("UPDATE %1 SET %2 WHERE %3 = ?").arg(table, assignments.join(u','), key);
    m_deleteSql = QStringLiteral("DELETE FROM %1 WHERE %2 = ?").arg(table, key);
}

int EntityDescription::indexOfAttribute(QStringView name) const
{
    for (qsizetype i = 0; i < m_attributes.size(); ++i)
        if (m_attributes[i].name == name)
            return int(i);
    return -1;
}

int EntityDescription::indexOfAttribute(QLatin1StringView name) const
{
    for (qsizetype i = 0; i < m_attributes.size(); ++i)
        if (m_attributes[i].name == name)
            return int(i);
    return -1;
}

const AttributeDescription* EntityDescription::attribute(const QString& name) const
{
    const int index = indexOfAttribute(name);
    return index < 0 ? nullptr : &m_attributes[index];
}

QByteArray EntityDescription::versionHash() const
{
    return m_versionHash;
}

QStringList EntityDescription::schemaStatements() const
{
    QStringList columns{quoted(QString::fromLatin1(primaryKeyColumn)) +
                        QStringLiteral(" INTEGER PRIMARY KEY AUTOINCREMENT")};
    for (const AttributeDescription& attribute : m_attributes)
        columns << quoted(attribute.name) + u' ' + attribute.sqlType();
    return QStringList{QStringLiteral("CREATE TABLE IF NOT EXISTS ") + quoted(m_name) +
                       QStringLiteral(" (") + columns.join(QStringLiteral(", ")) + u')'} +
           indexStatements();
}

QStringList EntityDescription::indexStatements() const
{
    QStringList statements;
    for (const IndexDescription& index : m_indexes) {
        QStringList columns;
        for (const QString& property : index.properties)
            columns << quoted(property);
        statements << QStringLiteral("CREATE INDEX IF NOT EXISTS ") +
                          quoted(m_name + u'_' + index.name) + QStringLiteral(" ON ") +
                          quoted(m_name) + u'(' + columns.join(u',') + u')';
    }
    return statements;
}

QString EntityDescription::quoted(const QString& identifier)
{
    return u'"' + identifier + u'"';
}

bool EntityDescription::isIdentifier(const QString& name)
{
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    return pattern.match(name).hasMatch();
}

} // namespace kesvor::data
