#pragma once

#include "data/AttributeDescription.h"

#include <QtCore/QByteArray>
#include <QtCore/QList>
#include <QtCore/QString>
#include <QtCore/QStringList>
#include <QtCore/QVarLengthArray>
#include <QtCore/QVariant>

namespace kesvor::data {

/// A value for each attribute of an entity, in attribute order; held in
/// place for entities of up to 12 attributes (a few hundred bytes per object
/// that every object of a smaller entity would carry unused).
using AttributeValues = QVarLengthArray<QVariant, 12>;

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
    /// Identifies everything SQL made for this entity depends on: its name,
    /// the attributes in order with their types, and the indexes.
    const QByteArray& layoutHash() const { return m_layoutHash; }

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
    QByteArray m_layoutHash;
    QString m_columnList;
    QString m_insertSql;
    QString m_updateSql;
    QString m_deleteSql;
};

} // namespace kesvor::data
