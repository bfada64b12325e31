#include "AttributeDescription.h"

#include "CborEncoder.h"
#include "SqliteStatement.h"
#include "ValueKind.h"

#include "foundation/Json.h"

#include <QtCore/QCborValue>
#include <QtCore/QDateTime>

namespace kesvor::data {

std::optional<QVariant> AttributeDescription::normalized(const QVariant& value) const
{
    const ValueKind kind = valueKind(value);
    if (kind == ValueKind::Null)
        return QVariant();
    switch (type) {
    case AttributeType::String:
        if (kind == ValueKind::String)
            return value;
        break;
    case AttributeType::Integer:
        if (kind == ValueKind::Integer)
            return QVariant(value.toLongLong());
        break;
    case AttributeType::Double:
        if (isNumber(kind))
            return QVariant(value.toDouble());
        break;
    case AttributeType::Boolean:
        if (kind == ValueKind::Bool)
            return value;
        break;
    case AttributeType::Date:
        if (kind == ValueKind::Date && value.toDateTime().isValid())
            return QVariant(
                QDateTime::fromMSecsSinceEpoch(value.toDateTime().toMSecsSinceEpoch(), Qt::UTC));
        break;
    case AttributeType::Binary:
        if (kind == ValueKind::Bytes)
            return value;
        break;
    case AttributeType::Transformable:
        if (foundation::Json::isEncodable(value))
            return value;
        break;
    }
    return std::nullopt;
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
