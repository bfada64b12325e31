#pragma once

#include "AttributeDescription.h"

#include <QtCore/QByteArray>
#include <QtCore/QList>
#include <QtCore/QString>
#include <QtCore/QStringList>

namespace kesvor::data {

/// A database index over one or more attributes, in order.
struct IndexDescription {
    QString name;
    QStringList properties;

    friend bool operator==(const IndexDescription&, const IndexDescription&) = default;
};

/// One entity of a model: its attributes and indexes. Each entity is one
/// table named after it; rows carry the primary key column "Z_PK".
class EntityDescription {
public:
    static constexpr auto primaryKeyColumn = "Z_PK";

    EntityDescription(QString name, QList<AttributeDescription> attributes,
                      QList<IndexDescription> indexes = {}, QString versionHashModifier = {});

    const QString& name() const { return m_name; }
    const QList<AttributeDescription>& attributes() const { return m_attributes; }
    const QList<IndexDescription>& indexes() const { return m_indexes; }

    /// Position of the attribute, or -1.
    int indexOfAttribute(QStringView name) const;
    int indexOfAttribute(QLatin1StringView name) const;
    const AttributeDescription* attribute(const QString& name) const;

    /// Identifies the stored shape (names and types of the attributes, and the
    /// modifier): entities with equal hashes read and write the same rows.
    /// Indexes do not take part; they are created when a store is opened.
    QByteArray versionHash() const;

    /// "Z_PK" and every attribute column, quoted and comma-separated.
    const QString& columnList() const { return m_columnList; }
    /// Writes one row: every attribute in order (and, to update or delete, the
    /// primary key last).
    const QString& insertSql() const { return m_insertSql; }
    const QString& updateSql() const { return m_updateSql; }
    const QString& deleteSql() const { return m_deleteSql; }

    /// The table, column and index statements of this entity.
    QStringList schemaStatements() const;
    QStringList indexStatements() const;

    /// A name quoted for SQL.
    static QString quoted(const QString& identifier);
    /// Letters, digits and underscores, not starting with a digit.
    static bool isIdentifier(const QString& name);

private:
    QString m_name;
    QList<AttributeDescription> m_attributes;
    QList<IndexDescription> m_indexes;
    QString m_versionHashModifier;
    QByteArray m_versionHash;
    QString m_columnList;
    QString m_insertSql;
    QString m_updateSql;
    QString m_deleteSql;
};

} // namespace kesvor::data
