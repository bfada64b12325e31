#pragma once

#include "foundation/RawRepresentable.h"

#include <QtCore/QString>
#include <QtCore/QVariant>

#include <array>
#include <optional>
#include <utility>

namespace kesvor::data {

class SqliteStatement;

/// Kinds of attribute values. A transformable attribute holds any JSON-typed
/// value (maps, lists, strings, numbers, booleans, null).
enum class AttributeType { String, Integer, Double, Boolean, Date, Binary, Transformable };

} // namespace kesvor::data

template <> struct kesvor::foundation::RawValues<kesvor::data::AttributeType> {
    using T = kesvor::data::AttributeType;
    static constexpr std::array table{std::pair{T::String, "string"},
                                      std::pair{T::Integer, "integer"},
                                      std::pair{T::Double, "double"},
                                      std::pair{T::Boolean, "boolean"},
                                      std::pair{T::Date, "date"},
                                      std::pair{T::Binary, "binary"},
                                      std::pair{T::Transformable, "transformable"}};
};

namespace kesvor::data {

/// One attribute of an entity. Every attribute is optional: an invalid
/// QVariant is its "no value". In memory, values have these types: QString,
/// qlonglong, double, bool, QDateTime (UTC, millisecond precision), QByteArray
/// or the JSON value itself. In the database: TEXT, INTEGER, REAL, INTEGER
/// (0/1), INTEGER (milliseconds since the epoch), BLOB and BLOB (CBOR).
struct AttributeDescription {
    QString name;
    AttributeType type = AttributeType::String;

    /// The value in its in-memory form, or nothing when it has the wrong type.
    std::optional<QVariant> normalized(const QVariant& value) const;
    /// Turns value into its in-memory form where it stands; false when it
    /// has the wrong type (value is then left as it was or emptied).
    bool normalize(QVariant& value) const;

    QString sqlType() const;
    /// The database form of a normalized value.
    QVariant toStorage(const QVariant& value) const;
    /// Binds the database form of a normalized value to a statement's
    /// parameter, without making it first.
    bool bindStorage(SqliteStatement& statement, int index, const QVariant& value) const;
    /// The in-memory form of a database value; a value that cannot be read
    /// back (a damaged blob) is no value.
    QVariant fromStorage(const QVariant& stored) const;

    /// True when values of this type have an order (everything but
    /// transformable and binary values).
    bool isSortable() const;

    friend bool operator==(const AttributeDescription&, const AttributeDescription&) = default;
};

} // namespace kesvor::data
