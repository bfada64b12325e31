#include "data/AttributeDescription.h"

#include "data/CborEncoder.h"
#include "data/SqliteStatement.h"
#include "data/ValueKind.h"

#include "foundation/Json.h"

#include <QtCore/QCborValue>
#include <QtCore/QDateTime>

namespace kesvor::data {

namespace {

// Dates are held in UTC, whatever zone they were given in.
bool normalizeDate(QVariant& value)
{
    const QDateTime date = value.toDateTime();
    if (!date.isValid())
        return false;
    if (value.typeId() != QMetaType::QDateTime || date.timeSpec() != Qt::UTC)
        value = QVariant(QDateTime::fromMSecsSinceEpoch(date.toMSecsSinceEpoch(), Qt::UTC));
    return true;
}

} // namespace

std::optional<QVariant> AttributeDescription::normalized(const QVariant& value) const
{
    QVariant normal = value;
    if (!normalize(normal))
        return std::nullopt;
    return normal;
}

bool AttributeDescription::normalize(QVariant& value) const
{
    const ValueKind kind = valueKind(value);
    if (kind == ValueKind::Null) {
        value = QVariant();
        return true;
    }
    switch (type) {
    case AttributeType::String:
        return kind == ValueKind::String;
    case AttributeType::Integer:
        if (kind != ValueKind::Integer)
            return false;
        if (value.typeId() != QMetaType::LongLong)
            value = QVariant(value.toLongLong());
        return true;
    case AttributeType::Double:
        if (!isNumber(kind))
            return false;
        if (value.typeId() != QMetaType::Double)
            value = QVariant(value.toDouble());
        return true;
    case AttributeType::Boolean:
        return kind == ValueKind::Bool;
    case AttributeType::Date:
        return kind == ValueKind::Date && normalizeDate(value);
    case AttributeType::Binary:
        return kind == ValueKind::Bytes;
    case AttributeType::Transformable:
        return foundation::Json::isEncodable(value);
    }
    return false;
}

QString AttributeDescription::sqlType() const
{
    switch (type) {
    case AttributeType::String:
        return QStringLiteral("TEXT");
    case AttributeType::Double:
        return QStringLiteral("REAL");
    case AttributeType::Integer:
    case AttributeType::Boolean:
    case AttributeType::Date:
        return QStringLiteral("INTEGER");
    case AttributeType::Binary:
    case AttributeType::Transformable:
        return QStringLiteral("BLOB");
    }
    return {};
}

QVariant AttributeDescription::toStorage(const QVariant& value) const
{
    if (valueKind(value) == ValueKind::Null)
        return {};
    switch (type) {
    case AttributeType::Boolean:
        return qlonglong(value.toBool() ? 1 : 0);
    case AttributeType::Date:
        return qlonglong(value.toDateTime().toMSecsSinceEpoch());
    case AttributeType::Transformable:
        return CborEncoder::encode(value);
    default:
        return value;
    }
}

bool AttributeDescription::bindStorage(SqliteStatement& statement, int index,
                                       const QVariant& value) const
{
    if (valueKind(value) == ValueKind::Null)
        return statement.bindNull(index);
    switch (type) {
    case AttributeType::Boolean:
        return statement.bindInt64(index, value.toBool() ? 1 : 0);
    case AttributeType::Date:
        return statement.bindInt64(index, value.toDateTime().toMSecsSinceEpoch());
    case AttributeType::Transformable:
        return statement.bindBlob(index, CborEncoder::encode(value));
    default:
        return statement.bind(index, value);
    }
}

QVariant AttributeDescription::fromStorage(const QVariant& stored) const
{
    if (!stored.isValid())
        return {};
    switch (type) {
    case AttributeType::String:
        return stored.typeId() == QMetaType::QString ? stored : QVariant(stored.toString());
    case AttributeType::Integer:
        return stored.toLongLong();
    case AttributeType::Double:
        return stored.toDouble();
    case AttributeType::Boolean:
        return stored.toLongLong() != 0;
    case AttributeType::Date:
        return QDateTime::fromMSecsSinceEpoch(stored.toLongLong(), Qt::UTC);
    case AttributeType::Binary:
        return stored.toByteArray();
    case AttributeType::Transformable: {
        QCborParserError error;
        const QCborValue value = QCborValue::fromCbor(stored.toByteArray(), &error);
        if (error.error != QCborError::NoError)
            return {};
        return value.toVariant();
    }
    }
    return {};
}

bool AttributeDescription::isSortable() const
{
    return type != AttributeType::Transformable && type != AttributeType::Binary;
}

} // namespace kesvor::data
